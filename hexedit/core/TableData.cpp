#include "hexedit/core/TableData.h"

#include <algorithm>
#include <functional>
#include <utility>

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

void PairEntries::reset() {
    for (uint16_t code : writtenCodes_) {
        entries_[code].reset();
        written_[code] = false;
    }
    writtenCodes_.clear();
}

TableData::TableData() { DteTable.fill(0x01); }

void TableData::clear() {
    for (auto& t : ByteTable) t.reset();
    PairTable.reset();
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
    index_.reset();
}

void TableData::setByte(uint8_t code, std::string text) {
    // A later line may redefine the byte: its old characters must not stay.
    const bool two = text.size() == 2;
    DteTable[code * 3] = two ? static_cast<uint8_t>(text[0]) : 0x01;
    DteTable[code * 3 + 1] = two ? static_cast<uint8_t>(text[1]) : 0x01;
    ByteTable[code] = std::move(text);
    index_.reset();
}

void TableData::setPair(uint16_t code, std::string text) {
    PairTable[code] = std::move(text);
    index_.reset();
}

void TableData::buildAsciiTable() {
    clear();
    for (int code = 32; code <= 126; ++code)
        ByteTable[code] = std::string(1, static_cast<char>((code + CharShift) & 0xFF));
    indexTexts();
}

void TableData::indexTexts() {
    TextIndex index;
    // Descending, so that the lowest code is the one left in each slot.
    for (int code = 255; code >= 0; --code) {
        if (const auto& t = ByteTable[code]) {
            index.longestText = std::max(index.longestText, t->size());
            index.byteText[*t] = static_cast<uint8_t>(code);
            if (t->size() >= 2) index.bytePrefix[t->substr(0, 2)] = static_cast<uint8_t>(code);
        }
    }
    std::vector<uint16_t> codes = PairTable.writtenCodes();
    std::sort(codes.begin(), codes.end(), std::greater<>());
    for (const uint16_t code : codes) {
        if (const auto& t = std::as_const(PairTable)[code]) {
            index.longestText = std::max(index.longestText, t->size());
            index.pairText[*t] = static_cast<uint16_t>(code);
            if (t->size() >= 2) index.pairPrefix[t->substr(0, 2)] = static_cast<uint16_t>(code);
        }
    }
    index_ = std::move(index);
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

namespace {
EncodedChar byteCode(size_t code) { return {{static_cast<uint8_t>(code), 0}, 1}; }
EncodedChar pairCode(size_t code) { return {{static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code)}, 2}; }

template <class Map>
std::optional<size_t> find(const Map& map, std::string_view key) {
    auto it = map.find(std::string(key));
    if (it == map.end()) return std::nullopt;
    return it->second;
}

// The lowest code of `entries` whose text satisfies `match`.
template <class Entries, class Match>
std::optional<size_t> scan(const Entries& entries, Match match) {
    for (size_t code = 0; code < entries.size(); ++code)
        if (entries[code] && match(*entries[code])) return code;
    return std::nullopt;
}
}  // namespace

std::optional<EncodedChar> reverseLookupByte(const TableData& table, std::string_view ch) {
    const TextIndex* index = table.textIndex();
    auto code = index ? find(index->byteText, ch) : scan(table.ByteTable, [&](const std::string& t) { return t == ch; });
    if (!code) return std::nullopt;
    return byteCode(*code);
}

std::optional<EncodedChar> reverseLookupPair(const TableData& table, std::string_view ch) {
    const TextIndex* index = table.textIndex();
    auto code = index ? find(index->pairText, ch) : scan(table.PairTable, [&](const std::string& t) { return t == ch; });
    if (!code) return std::nullopt;
    return pairCode(*code);
}

std::optional<EncodedChar> prefixLookup(const TableData& table, std::string_view ch) {
    const TextIndex* index = table.textIndex();
    auto begins = [&](const std::string& t) { return t.starts_with(ch); };
    if (ch.size() != 2 || !index) {
        if (auto code = scan(table.ByteTable, begins)) return byteCode(*code);
        if (auto code = scan(table.PairTable, begins)) return pairCode(*code);
        return std::nullopt;
    }
    if (auto code = find(index->bytePrefix, ch)) return byteCode(*code);
    if (auto code = find(index->pairPrefix, ch)) return pairCode(*code);
    return std::nullopt;
}

std::optional<EncodedChar> reverseLookup(const TableData& table, std::string_view ch) {
    if (auto e = reverseLookupByte(table, ch)) return e;
    return reverseLookupPair(table, ch);
}

std::optional<TextMatch> matchLongestText(const TableData& table, std::string_view text, bool allowPairs) {
    auto match = [&](std::string_view head) -> std::optional<TextMatch> {
        std::optional<EncodedChar> e = reverseLookupByte(table, head);
        if (!e && allowPairs) e = reverseLookupPair(table, head);
        if (!e) return std::nullopt;
        return TextMatch{{e->bytes[0], e->bytes[1], 0, 0}, e->length, head.size()};
    };
    if (const TextIndex* index = table.textIndex()) {
        for (size_t n = std::min(index->longestText, text.size()); n > 0; --n)
            if (auto m = match(text.substr(0, n))) return m;
        return std::nullopt;
    }
    // No index: one pass over the entries keeps the longest prefix.
    std::optional<TextMatch> best;
    auto consider = [&](const std::string& t, std::array<uint8_t, 4> bytes, int length) {
        if (t.empty() || !text.starts_with(t)) return;
        if (!best || t.size() > best->textLength) best = TextMatch{bytes, length, t.size()};
    };
    for (size_t code = 0; code < 256; ++code)
        if (const auto& t = table.ByteTable[code]) consider(*t, {static_cast<uint8_t>(code)}, 1);
    if (allowPairs) {
        std::vector<uint16_t> codes = table.PairTable.writtenCodes();
        std::sort(codes.begin(), codes.end());
        for (const uint16_t code : codes)
            if (const auto& t = std::as_const(table.PairTable)[code])
                consider(*t, {static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code)}, 2);
    }
    return best;
}

}  // namespace hexedit
