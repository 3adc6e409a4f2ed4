#include "hexedit/romtools/RomTools.h"

namespace hexedit::romtools {

RomTools::RomTools(EditSession& session) : patches(session), rom(session), expander(session), snes2hex(session) {
    CommandTable& c = session.commands();
    c.add("CreateanIPSFile1Click", [this] { patches.CreateanIPSFile1Click(); });
    c.add("CreateaBPSFile1Click", [this] { patches.CreateaBPSFile1Click(); });
    c.add("PatchCurrentFile1Click", [this] { patches.PatchCurrentFile1Click(); });
    c.add("RepairSNESChecksum1Click", [this] { rom.RepairSNESChecksum1Click(); });
    c.add("RemoveSNESHeader1Click", [this] { rom.RemoveSNESHeader1Click(); });
    c.add("IncreaseDecreaseROMSize1Click", [this] { expander.IncreaseDecreaseROMSize1Click(); });
    c.add("SnesToHex1Click", [this] { snes2hex.SnesToHex1Click(); });
}

}  // namespace hexedit::romtools
