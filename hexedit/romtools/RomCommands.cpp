#include "hexedit/romtools/RomCommands.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "hexedit/romtools/RomSize.h"
#include "hexedit/romtools/SnesChecksum.h"

namespace hexedit::romtools {

using common::MsgIcon;

void RomCommands::RepairSNESChecksum1Click() {
    common::Port& port = s_.port();
    if (!s_.editor().hasBuffer()) return;
    if (!port.ask("Repair the CheckSum in this ROM?", "CheckSum Repair...", MsgIcon::None)) return;
    const auto image = s_.bytes();
    if (image.size() >= 3 && std::memcmp(image.data(), "NES", 3) == 0) {
        port.inform("This is a NES rom. It is\n NOT supported!");
        return;
    }
    if (image.size() < kChecksumMinSize) {
        port.inform("The ROM file is too small to fix! ");
        return;
    }
    const auto header = locateSnesHeader(image);
    if (!header) {
        port.inform("Could not locate CHECKSUM!");
        return;
    }
    const uint16_t checksum = snesChecksum(image, header->copier);
    const uint16_t complement = checksum ^ 0xFFFF;
    char text[200];
    std::snprintf(text, sizeof text,
                  " ROM CheckSum  : %04X\n ROM Compliment: %04X\n\n NEW CheckSum  : %04X\n NEW Compliment: %04X\n\n "
                  "Repair CheckSum?",
                  header->checksum, header->complement, checksum, complement);
    if (header->checksum == checksum || header->complement == complement) {
        port.inform("No checksum repair needed.");
        return;
    }
    if (!port.ask(text, "Repair CheckSum", MsgIcon::None)) {
        port.inform("No checksum repair performed.");
        return;
    }
    const std::array<uint8_t, 4> words = {static_cast<uint8_t>(complement), static_cast<uint8_t>(complement >> 8),
                                          static_cast<uint8_t>(checksum), static_cast<uint8_t>(checksum >> 8)};
    s_.writeBytes(static_cast<int32_t>(header->base + kComplementAt), words);
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
