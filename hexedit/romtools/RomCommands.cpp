#include "hexedit/romtools/RomCommands.h"

#include "hexedit/romtools/RomSize.h"
#include "hexedit/romtools/SnesChecksum.h"

namespace hexedit::romtools {

using common::MsgIcon;

void RomCommands::RepairSNESChecksum1Click() {
    common::Port& port = s_.port();
    if (!s_.editor().hasBuffer()) return;
    if (!port.ask("Repair the CheckSum in this ROM?", "CheckSum Repair...", MsgIcon::None)) return;
    const EditorState& editor = s_.editor();
    const ChecksumFinding f = examineSnesChecksum(
        s_.bytes(), [&](size_t offset, size_t length) { editor.releaseScanned(offset, offset + length); });
    if (f.refusal) {
        port.inform(f.refusal);
        return;
    }
    if (!f.repairNeeded()) {
        port.inform("No checksum repair needed.");
        return;
    }
    if (!port.ask(checksumFigures(f) + "\n\n Repair CheckSum?", "Repair CheckSum", MsgIcon::None)) {
        port.inform("No checksum repair performed.");
        return;
    }
    s_.writeBytes(static_cast<int32_t>(f.header.base + kComplementAt), f.repairedWords());
    port.inform("Checksum has been repaired!\n Don't forget to Save the ROM.");
}

void RomCommands::RemoveSNESHeader1Click() {
    common::Port& port = s_.port();
    const EditorState& ed = s_.editor();
    if (!ed.fileOpen() || !ed.hasBuffer()) return;
    switch (headerRemovalVerdict(ed.CurrentPath, ed.HeaderSkip, ed.FileSize)) {
    case HeaderVerdict::Savestate:
        port.inform("File appears to be a 'ZSnes Save State' file.");
        return;
    case HeaderVerdict::NoHeader:
        port.inform("File does not seem to have a HEADER.");
        return;
    case HeaderVerdict::Remove:
        break;
    }
    if (!port.ask("Are you sure you want to remove the header?", "Header Removal...")) return;
    const int32_t cursor = s_.cursor();
    s_.splice(0, static_cast<int32_t>(kCopierHeader), {});
    s_.moveCursorTo(cursor);
    port.inform("Header removed. Save ROM to save changes.");
}

}  // namespace hexedit::romtools
