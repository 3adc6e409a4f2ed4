#include "hexedit/core/TableData.h"

namespace hexedit {

namespace {
// One-character texts for markers, indexed by the marker's byte value.
struct OneCharTexts {
    std::array<char, 256> chars{};
    OneCharTexts() {
        for (int i = 0; i < 256; ++i) chars[i] = static_cast<char>(i);
    }
    std::string_view of(char c) const { return {&chars[static_cast<uint8_t>(c)], 1}; }
};
const OneCharTexts kOneChar;
}  // namespace

TableData::TableData() : PairTable(65536) { DteTable.fill(0x01); }

void TableData::clear() {
    for (auto& t : ByteTable) t.reset();
    for (auto& t : PairTable) t.reset();
    DumpMarks.clear();
    for (auto& e : CodeEntries) e = {};
    for (auto& e : DualEntries) e = {};
    DualCount = 0;
    for (auto& e : MultiCodeEntries) e = {};
    NonTableText = {};
    StartDumpSpec = {};
    EndDumpSpec = {};
    DteTable.fill(0x01);
    LineBreakCode = {};
    EndStringCode = {};
}

void TableData::setByte(uint8_t code, std::string text) {
    if (text.size() == 2) {
        DteTable[code * 3] = static_cast<uint8_t>(text[0]);
        DteTable[code * 3 + 1] = static_cast<uint8_t>(text[1]);
    }
    ByteTable[code] = std::move(text);
}

void TableData::buildAsciiTable() {
    clear();
    for (int code = 32; code <= 126; ++code)
        ByteTable[code] = std::string(1, static_cast<char>((code + CharShift) & 0xFF));
}

DecodedItem decodeAt(const TableData& table, std::span<const uint8_t> run, size_t p) {
    uint8_t b = run[p];
    if (p + 1 < run.size()) {
        const auto& pair = table.PairTable[b * 256 + run[p + 1]];
        if (pair) return {ItemKind::Pair, 2, *pair};
    }
    if (const auto& single = table.ByteTable[b]) return {ItemKind::Single, 1, *single};
    if (table.LineBreakCode.marker != 0 && table.LineBreakCode.value == b)
        return {ItemKind::LineBreakMarker, 1, kOneChar.of(table.LineBreakCode.marker)};
    if (table.EndStringCode.marker != 0 && table.EndStringCode.value == b)
        return {ItemKind::EndMarker, 1, kOneChar.of(table.EndStringCode.marker)};
    return {ItemKind::NoEntry, 1, "."};
}

std::optional<EncodedChar> reverseLookupByte(const TableData& table, std::string_view ch) {
    for (int code = 0; code < 256; ++code) {
        const auto& t = table.ByteTable[code];
        if (t && *t == ch) return EncodedChar{{static_cast<uint8_t>(code), 0}, 1};
    }
    return std::nullopt;
}

std::optional<EncodedChar> reverseLookupPair(const TableData& table, std::string_view ch) {
    for (size_t code = 0; code < table.PairTable.size(); ++code) {
        const auto& t = table.PairTable[code];
        if (t && *t == ch) return EncodedChar{{static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code)}, 2};
    }
    return std::nullopt;
}

std::optional<EncodedChar> reverseLookup(const TableData& table, std::string_view ch) {
    if (auto e = reverseLookupByte(table, ch)) return e;
    return reverseLookupPair(table, ch);
}

}  // namespace hexedit
