#include "hexedit/romtools/ui/RomToolWindows.h"

#include "hexedit/core/ui/TDataPad.h"
#include "hexedit/romtools/ui/TExpander.h"
#include "hexedit/romtools/ui/TSnes2Hex.h"

namespace hexedit::romtools {

RomToolWindows::RomToolWindows(TDataPad& mainWindow, RomTools& tools) {
    expander = std::make_unique<TExpander>(tools.expander, &mainWindow);
    snes2hex = std::make_unique<TSnes2Hex>(tools.snes2hex, &mainWindow);
}

RomToolWindows::~RomToolWindows() = default;

}  // namespace hexedit::romtools
