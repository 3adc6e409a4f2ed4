#include "hexedit/core/SelectionText.h"

#include "common/codepage.h"

namespace hexedit {

std::string hexCopyText(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (uint8_t b : bytes) {
        if (!out.empty()) out += ' ';
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

std::string tableCopyText(const TableData& table, std::span<const uint8_t> bytes, bool japanese) {
    std::string out;
    out.reserve(bytes.size());
    const bool hasBreak = table.LineBreakCode.marker != 0;
    for (size_t p = 0; p < bytes.size();) {
        const DecodedItem item = decodeAt(table, bytes, p);
        const bool lineBreak = hasBreak && item.length == 1 && bytes[p] == table.LineBreakCode.value;
        if (item.kind != ItemKind::LineBreakMarker) {
            bool ascii = true;
            for (char ch : item.text) ascii = ascii && static_cast<unsigned char>(ch) < 0x80;
            if (ascii || table.Encoding == TableEncoding::Utf8) out += item.text;
            else out += common::utf16ToUtf8(japanese ? common::cp932ToUtf16(item.text)
                                                     : common::cp1252ToUtf16(item.text));
        }
        if (lineBreak) out += '\n';
        p += static_cast<size_t>(item.length);
    }
    return out;
}

}  // namespace hexedit
