#pragma once
// Table data: which text each byte and byte pair stands for, the end and
// line-break codes, the text dumper's directives and the bookmarks read from
// a table file. Loading a table replaces all of it.

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hexedit {

struct CodeMarker {
    uint16_t value = 0;
    char marker = 0;  // 0 = none
};

struct DirectiveEntry {
    uint32_t flag = 0;
    std::string text;
};

struct DualEntry {
    uint32_t flag = 0;
    uint32_t value = 0;  // the two bytes read little-endian: first byte in the low 8 bits
    std::string text;
};

struct MultiCodeEntry {
    uint32_t flag = 0;
    uint32_t paramCount = 0;
    std::string text;
};

// The 65,536 pair entries (first byte * 256 + second byte). Writing access
// notes the code, so that emptying and indexing visit only the codes
// written since the last reset, not every entry.
class PairEntries {
public:
    using Entry = std::optional<std::string>;
    static constexpr size_t kCount = 65536;

    PairEntries() : entries_(kCount) {}
    size_t size() const { return kCount; }
    const Entry& operator[](size_t code) const { return entries_[code]; }
    Entry& operator[](size_t code) {
        if (!written_[code]) {
            written_[code] = true;
            writtenCodes_.push_back(static_cast<uint16_t>(code));
        }
        return entries_[code];
    }
    auto begin() const { return entries_.cbegin(); }
    auto end() const { return entries_.cend(); }
    // Empties the entries written since the last reset.
    void reset();
    // The codes written since the last reset, in the order first written.
    const std::vector<uint16_t>& writtenCodes() const { return writtenCodes_; }

private:
    std::vector<Entry> entries_;
    std::bitset<kCount> written_;
    std::vector<uint16_t> writtenCodes_;
};

// Reverse lookup of entry texts: for each text the lowest single-byte code
// and the lowest pair code that have it, and the same for each two-byte
// beginning of a text (kana search).
struct TextIndex {
    std::unordered_map<std::string, uint8_t> byteText, bytePrefix;
    std::unordered_map<std::string, uint16_t> pairText, pairPrefix;
    size_t longestText = 0;  // bytes of the longest entry text
};

inline constexpr size_t kMaxDumpMarks = 128;
inline constexpr size_t kMaxDualEntries = 255;

struct TableData {
    TableData();

    std::array<std::optional<std::string>, 256> ByteTable;
    PairEntries PairTable;
    std::array<uint8_t, 256 * 3> DteTable{};             // 0x01 except bytes with two-character texts
    CodeMarker LineBreakCode;
    CodeMarker EndStringCode;
    std::array<DirectiveEntry, 256> CodeEntries;
    std::array<DualEntry, 256> DualEntries;
    uint32_t DualCount = 0;
    std::array<MultiCodeEntry, 256> MultiCodeEntries;
    DirectiveEntry NonTableText;
    DirectiveEntry StartDumpSpec;
    DirectiveEntry EndDumpSpec;
    std::vector<std::string> DumpMarks;  // at most kMaxDumpMarks lines, verbatim
    std::vector<std::string> BookmarkList;  // "label->[offset]" items
    std::array<std::string, 3> TablePaths;  // Table #1, Table #2, built-in (always empty)
    uint8_t TableSlot = 0;
    uint8_t CharShift = 0;

    size_t DumpMarkCount() const { return DumpMarks.size(); }

    // Releases every entry text and directive, resets DteTable and both codes.
    // Bookmarks and table paths are kept.
    void clear();
    // Clears, then maps codes 32..126 to the character (code + CharShift) mod 256.
    void buildAsciiTable();
    // Stores a single-byte entry and sets its DteTable slot: the text's two
    // characters, or reset when it has another length.
    void setByte(uint8_t code, std::string text);
    void setPair(uint16_t code, std::string text);

    // Builds the reverse lookup index of the entries as they are; loading a
    // table and buildAsciiTable do. clear() and the setters drop it, and so
    // must anyone who writes ByteTable or PairTable directly afterwards.
    // Without the index the lookups scan every entry.
    void indexTexts();
    void dropIndex() { index_.reset(); }
    const TextIndex* textIndex() const { return index_ ? &*index_ : nullptr; }

private:
    std::optional<TextIndex> index_;
};

enum class ItemKind { Pair, Single, NoEntry, LineBreakMarker, EndMarker };

struct DecodedItem {
    ItemKind kind;
    int length;             // bytes consumed: 1 or 2
    std::string_view text;  // the entry's text, the marker, or "."
};

// The view's decoding rule at position p of a run (p < run.size()): a pair
// entry for (run[p], run[p+1]) when both lie in the run, else the byte's own
// entry, else its end/line-break marker, else ".".
DecodedItem decodeAt(const TableData& table, std::span<const uint8_t> run, size_t p);

struct EncodedChar {
    std::array<uint8_t, 2> bytes{};
    int length = 0;  // 1 or 2
};

// Text input's reverse lookup: the lowest single-byte code whose text is
// exactly `ch`, else the lowest pair; nothing when no entry matches.
std::optional<EncodedChar> reverseLookup(const TableData& table, std::string_view ch);
// The same restricted to single-byte entries or to pairs.
std::optional<EncodedChar> reverseLookupByte(const TableData& table, std::string_view ch);
std::optional<EncodedChar> reverseLookupPair(const TableData& table, std::string_view ch);
// The one text encoder (typing a word, paste, search patterns, script
// insert): the entry whose text is the longest prefix of `text`; for equal
// texts a single byte before a pair, then the lowest code. Nothing when no
// entry's text begins `text`. Empty entry texts never match.
struct TextMatch {
    std::array<uint8_t, 4> bytes{};
    int length = 0;         // code bytes: 1 or 2
    size_t textLength = 0;  // bytes of `text` consumed
};
std::optional<TextMatch> matchLongestText(const TableData& table, std::string_view text, bool allowPairs = true);

// Kana search's lookup: the lowest single-byte code whose text begins with
// the two bytes `ch`, else the lowest such pair.
std::optional<EncodedChar> prefixLookup(const TableData& table, std::string_view ch);

}  // namespace hexedit
