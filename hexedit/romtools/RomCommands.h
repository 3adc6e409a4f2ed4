#pragma once
// "&Repair SNES Checksum" and "Remove SNES Header" on the open file.

#include "hexedit/core/EditSession.h"

namespace hexedit::romtools {

class RomCommands {
public:
    explicit RomCommands(EditSession& session) : s_(session) {}

    void RepairSNESChecksum1Click();
    void RemoveSNESHeader1Click();

private:
    EditSession& s_;
};

}  // namespace hexedit::romtools
