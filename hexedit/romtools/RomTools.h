#pragma once
// The ROM utilities of Tarnwick32 on the editing session: their commands
// registered under the menu's handler names, and the models of the ROM size
// and SNES-to-hex windows.

#include "hexedit/core/EditSession.h"
#include "hexedit/romtools/Expander.h"
#include "hexedit/romtools/PatchCommands.h"
#include "hexedit/romtools/RomCommands.h"
#include "hexedit/romtools/Snes2Hex.h"

namespace hexedit::romtools {

class RomTools {
public:
    explicit RomTools(EditSession& session);
    RomTools(const RomTools&) = delete;
    RomTools& operator=(const RomTools&) = delete;

    PatchCommands patches;
    RomCommands rom;
    Expander expander;
    Snes2Hex snes2hex;
};

}  // namespace hexedit::romtools
