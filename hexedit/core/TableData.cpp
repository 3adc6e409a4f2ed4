#include "hexedit/core/TableData.h"

#include "common/codepage.h"

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

size_t utf8SequenceLength(std::string_view s, size_t i) {
    const auto at = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
    const uint8_t c = at(i);
    if (c < 0x80) return 1;
    size_t len;
    uint8_t lo = 0x80, hi = 0xBF;  // the second byte's range
    if (c >= 0xC2 && c <= 0xDF) len = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        if (c == 0xE0) lo = 0xA0;       // no overlong forms
        else if (c == 0xED) hi = 0x9F;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        if (c == 0xF0) lo = 0x90;
        else if (c == 0xF4) hi = 0x8F;  // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (s.size() - i < len) return 0;
    if (at(i + 1) < lo || at(i + 1) > hi) return 0;
    for (size_t k = 2; k < len; ++k)
        if ((at(i + k) & 0xC0) != 0x80) return 0;
    return len;
}

bool isValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        if (static_cast<uint8_t>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        const size_t n = utf8SequenceLength(s, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::optional<std::string> utf16ToUtf8Whole(std::u16string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xDC00 && c <= 0xDFFF) return std::nullopt;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return std::nullopt;
            ++i;
        }
    }
    return common::utf16ToUtf8(text);
}

void LongEntries::set(uint32_t code, int length, std::string text) {
    const uint16_t prefix = static_cast<uint16_t>(code >> (8 * (length - 2)));
    starts_[length & 1][prefix] = true;
    (length == 3 ? three_ : four_)[code] = std::move(text);
}

void LongEntries::reset() {
    if (empty()) return;
    three_.clear();
    four_.clear();
    starts_[0].reset();
    starts_[1].reset();
}

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
    LongTable.reset();
    Encoding = TableEncoding::Legacy;
    WideText = false;
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

void TableData::setEntry(uint32_t code, int length, std::string text) {
    if (length == 1) setByte(static_cast<uint8_t>(code), std::move(text));
    else if (length == 2) setPair(static_cast<uint16_t>(code), std::move(text));
    else {
        LongTable.set(code, length, std::move(text));
        index_.reset();
    }
}

const std::string* TableData::entryText(TableCode code) const {
    switch (code.length) {
    case 1: return ByteTable[code.value & 0xFF] ? &*ByteTable[code.value & 0xFF] : nullptr;
    case 2: return PairTable[code.value & 0xFFFF] ? &*PairTable[code.value & 0xFFFF] : nullptr;
    case 3:
    case 4: return LongTable.find(code.value, code.length);
    default: return nullptr;
    }
}

void TableData::buildAsciiTable() {
    clear();
    for (int code = 32; code <= 126; ++code)
        ByteTable[code] = std::string(1, static_cast<char>((code + CharShift) & 0xFF));
    indexTexts();
}

namespace {
// The key under which prefixLookup finds a text: its first two bytes, and
// in a UTF-8 table also its first character when that has another length.
void addPrefixes(TextIndex& index, const std::string& t, TableCode code, bool utf8) {
    auto add = [&](std::string_view key) {
        auto [it, added] = index.anyPrefix.try_emplace(std::string(key), code);
        if (!added && code < it->second) it->second = code;
    };
    if (t.size() >= 2) add(std::string_view(t).substr(0, 2));
    if (utf8 && !t.empty()) {
        const size_t n = utf8SequenceLength(t, 0);
        if (n != 0 && n != 2) add(std::string_view(t).substr(0, n));
    }
}

void noteLength(std::vector<uint16_t>& lengths, size_t n) {
    const auto len = static_cast<uint16_t>(std::min<size_t>(n, UINT16_MAX));
    auto it = std::lower_bound(lengths.begin(), lengths.end(), len, std::greater<>());
    if (it == lengths.end() || *it != len) lengths.insert(it, len);
}

// Some character of the UTF-8 text lies past U+00FF.
bool hasWideCharacter(std::string_view t) {
    for (unsigned char c : t)
        if (c >= 0xC4) return true;  // lead bytes of U+0100 and beyond
    return false;
}
}  // namespace

void TableData::indexTexts() {
    TextIndex index;
    const bool utf8 = Encoding == TableEncoding::Utf8;
    bool wide = false;
    auto addAny = [&](const std::string& t, TableCode code) {
        index.longestText = std::max(index.longestText, t.size());
        if (utf8 && !wide) wide = hasWideCharacter(t);
        addPrefixes(index, t, code, utf8);
        if (t.empty()) return;
        auto [it, added] = index.anyText.try_emplace(t, code);
        if (!added && code < it->second) it->second = code;
        noteLength(index.lengthsAny[static_cast<uint8_t>(t[0])], t.size());
        if (code.length == 1) noteLength(index.lengthsSingle[static_cast<uint8_t>(t[0])], t.size());
    };
    // Descending, so that the lowest code is the one left in each slot.
    for (int code = 255; code >= 0; --code) {
        if (const auto& t = ByteTable[code]) {
            index.byteText[*t] = static_cast<uint8_t>(code);
            if (t->size() >= 2) index.bytePrefix[t->substr(0, 2)] = static_cast<uint8_t>(code);
            addAny(*t, {static_cast<uint32_t>(code), 1});
        }
    }
    std::vector<uint16_t> codes = PairTable.writtenCodes();
    std::sort(codes.begin(), codes.end(), std::greater<>());
    for (const uint16_t code : codes) {
        if (const auto& t = std::as_const(PairTable)[code]) {
            index.pairText[*t] = static_cast<uint16_t>(code);
            if (t->size() >= 2) index.pairPrefix[t->substr(0, 2)] = static_cast<uint16_t>(code);
            addAny(*t, {code, 2});
        }
    }
    LongTable.forEach([&](uint32_t code, int length, const std::string& t) {
        addAny(t, {code, static_cast<uint8_t>(length)});
    });
    WideText = wide;
    index_ = std::move(index);
}

DecodedItem decodeAt(const TableData& table, std::span<const uint8_t> run, size_t p) {
    uint8_t b = run[p];
    if (p + 2 < run.size()) {
        const LongEntries& longs = table.LongTable;
        const uint16_t head = static_cast<uint16_t>(b << 8 | run[p + 1]);
        if (p + 3 < run.size() && longs.mayStart(head, 4)) {
            const uint32_t code = uint32_t{head} << 16 | uint32_t{run[p + 2]} << 8 | run[p + 3];
            if (const std::string* t = longs.find(code, 4)) return {ItemKind::Long, 4, *t};
        }
        if (longs.mayStart(head, 3)) {
            const uint32_t code = uint32_t{head} << 8 | run[p + 2];
            if (const std::string* t = longs.find(code, 3)) return {ItemKind::Long, 3, *t};
        }
    }
    if (p + 1 < run.size()) {
        const size_t code = b * 256u + run[p + 1];
        if (table.PairTable.mayHave(code)) {
            const auto& pair = table.PairTable[code];
            if (pair) return {ItemKind::Pair, 2, *pair};
        }
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

std::array<uint8_t, 4> codeBytes(TableCode code) {
    std::array<uint8_t, 4> bytes{};
    for (int i = 0; i < code.length; ++i) bytes[i] = static_cast<uint8_t>(code.value >> (8 * (code.length - 1 - i)));
    return bytes;
}

EncodedChar encoded(TableCode code) { return {codeBytes(code), code.length}; }

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

// The lowest long entry of `length` bytes whose text satisfies `match`.
template <class Match>
std::optional<TableCode> scanLong(const TableData& table, int length, Match match) {
    std::optional<TableCode> best;
    table.LongTable.forEach([&](uint32_t code, int n, const std::string& t) {
        if (n != length || !match(t)) return;
        const TableCode c{code, static_cast<uint8_t>(n)};
        if (!best || c < *best) best = c;
    });
    return best;
}

// prefixLookup's index keys: two bytes, or one UTF-8 character of a UTF-8 table.
bool indexedPrefix(const TableData& table, std::string_view ch) {
    if (ch.size() == 2) return true;
    return table.Encoding == TableEncoding::Utf8 && !ch.empty() && utf8SequenceLength(ch, 0) == ch.size();
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
    if (index && indexedPrefix(table, ch)) {
        auto it = index->anyPrefix.find(ch);
        if (it == index->anyPrefix.end()) return std::nullopt;
        return encoded(it->second);
    }
    auto begins = [&](const std::string& t) { return t.starts_with(ch); };
    if (auto code = scan(table.ByteTable, begins)) return byteCode(*code);
    if (auto code = scan(table.PairTable, begins)) return pairCode(*code);
    for (int length : {3, 4})
        if (auto code = scanLong(table, length, begins)) return encoded(*code);
    return std::nullopt;
}

std::optional<EncodedChar> reverseLookup(const TableData& table, std::string_view ch) {
    if (auto e = reverseLookupByte(table, ch)) return e;
    return reverseLookupPair(table, ch);
}

std::optional<TextMatch> matchLongestText(const TableData& table, std::string_view text, bool allowPairs) {
    if (text.empty()) return std::nullopt;
    if (const TextIndex* index = table.textIndex()) {
        // Only the lengths of the texts that begin with this byte, longest first.
        const auto& lengths = (allowPairs ? index->lengthsAny : index->lengthsSingle)[static_cast<uint8_t>(text[0])];
        for (const uint16_t n : lengths) {
            if (n > text.size()) continue;
            const std::string_view head = text.substr(0, n);
            if (!allowPairs) {
                auto it = index->byteText.find(std::string(head));
                if (it != index->byteText.end()) return TextMatch{{it->second}, 1, n};
                continue;
            }
            auto it = index->anyText.find(head);
            if (it != index->anyText.end()) return TextMatch{codeBytes(it->second), it->second.length, n};
        }
        return std::nullopt;
    }
    // No index: one pass over the entries keeps the longest prefix.
    std::optional<TextMatch> best;
    std::optional<TableCode> bestCode;
    auto consider = [&](const std::string& t, TableCode code) {
        if (t.empty() || !text.starts_with(t)) return;
        if (!best || t.size() > best->textLength || (t.size() == best->textLength && code < *bestCode)) {
            best = TextMatch{codeBytes(code), code.length, t.size()};
            bestCode = code;
        }
    };
    for (size_t code = 0; code < 256; ++code)
        if (const auto& t = table.ByteTable[code]) consider(*t, {static_cast<uint32_t>(code), 1});
    if (allowPairs) {
        for (const uint16_t code : table.PairTable.writtenCodes())
            if (const auto& t = std::as_const(table.PairTable)[code]) consider(*t, {code, 2});
        table.LongTable.forEach([&](uint32_t code, int length, const std::string& t) {
            consider(t, {code, static_cast<uint8_t>(length)});
        });
    }
    return best;
}

}  // namespace hexedit
