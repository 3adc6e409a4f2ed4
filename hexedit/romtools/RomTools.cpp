#include "hexedit/romtools/RomTools.h"

namespace hexedit::romtools {

RomTools::RomTools(EditSession& session) : patches(session), rom(session), expander(session), snes2hex(session) {
    CommandTable& c = session.commands();
    const EnableWhen when = session.when();
    c.add({.name = "CreateanIPSFile1Click",
           .caption = "&Create an IPS File",
           .shortcut = "F5",
           .hint = "Make an IPS patch of the changes against the original file",
           .enabled = when.fileOpen(),
           .run = [this] { patches.CreateanIPSFile1Click(); }});
    c.add({.name = "CreateaBPSFile1Click",
           .caption = "Create a BPS File...",
           .hint = "Make a BPS patch of the changes against the original file",
           .enabled = when.fileOpen(),
           .run = [this] { patches.CreateaBPSFile1Click(); }});
    c.add({.name = "PatchCurrentFile1Click",
           .caption = "&Patch Current File",
           .shortcut = "F6",
           .hint = "Apply an IPS patch to the data",
           .enabled = when.fileOpen(),
           .run = [this] { patches.PatchCurrentFile1Click(); }});
    c.add({.name = "RepairSNESChecksum1Click",
           .caption = "&Repair SNES Checksum",
           .shortcut = "Ctrl+P",
           .hint = "Correct the SNES checksum in the ROM header",
           .enabled = when.fileOpen(),
           .run = [this] { rom.RepairSNESChecksum1Click(); }});
    c.add({.name = "RemoveSNESHeader1Click",
           .caption = "Remove SNES Header",
           .hint = "Remove the 512-byte copier header of a ROM file",
           .run = [this] { rom.RemoveSNESHeader1Click(); }});
    c.add({.name = "IncreaseDecreaseROMSize1Click",
           .caption = "&Increase / Decrease ROM Size ",
           .shortcut = "Ctrl+N",
           .hint = "Change the size of the ROM",
           .enabled = when.fileOpen(),
           .run = [this] { expander.IncreaseDecreaseROMSize1Click(); }});
    c.add({.name = "SnesToHex1Click",
           .caption = "Snes To &Hex",
           .shortcut = "Ctrl+E",
           .hint = "Convert between SNES addresses and file offsets",
           .run = [this] { snes2hex.SnesToHex1Click(); }});
}

}  // namespace hexedit::romtools
