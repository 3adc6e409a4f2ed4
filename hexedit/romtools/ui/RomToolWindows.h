#pragma once
// The ROM utilities' windows, created once: the ROM size window and the
// SNES-to-hex converter.

#include <memory>

#include "hexedit/romtools/RomTools.h"

namespace hexedit {
class TDataPad;
}

namespace hexedit::romtools {

class TExpander;
class TSnes2Hex;

class RomToolWindows {
public:
    RomToolWindows(TDataPad& mainWindow, RomTools& tools);
    ~RomToolWindows();

    std::unique_ptr<TExpander> expander;
    std::unique_ptr<TSnes2Hex> snes2hex;
};

}  // namespace hexedit::romtools
