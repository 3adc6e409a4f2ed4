#pragma once
// Table data: which text each code of one to four bytes stands for, the end
// and line-break codes, the text dumper's directives and the bookmarks read
// from a table file, and the encoding of its texts (the legacy code pages or
// UTF-8). Loading a table replaces all of it.

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
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
    // False when the code has no entry (a test of 8 KB instead of a look
    // into the 2 MB of entries); true when it was written and may have one.
    bool mayHave(size_t code) const { return written_[code]; }

private:
    std::vector<Entry> entries_;
    std::bitset<kCount> written_;
    std::vector<uint16_t> writtenCodes_;
};

// The entries of three and four bytes, by their code read first byte
// highest ("XXXXXX=", "XXXXXXXX="). Their first two bytes are noted, so that
// decoding asks the maps only where such an entry may begin.
class LongEntries {
public:
    // The entry of `length` (3 or 4) bytes, or nothing.
    const std::string* find(uint32_t code, int length) const {
        if (!starts_[length & 1][code >> (8 * (length - 2))]) return nullptr;
        const auto& map = length == 3 ? three_ : four_;
        auto it = map.find(code);
        return it == map.end() ? nullptr : &it->second;
    }
    // Some entry of `length` bytes begins with the two bytes `prefix`.
    bool mayStart(uint16_t prefix, int length) const { return starts_[length & 1][prefix]; }
    void set(uint32_t code, int length, std::string text);
    bool empty() const { return three_.empty() && four_.empty(); }
    size_t size() const { return three_.size() + four_.size(); }
    void reset();
    // Calls f(code, length, text) for every entry, in no particular order.
    template <class F>
    void forEach(F&& f) const {
        for (const auto& [code, text] : three_) f(code, 3, text);
        for (const auto& [code, text] : four_) f(code, 4, text);
    }

private:
    std::unordered_map<uint32_t, std::string> three_, four_;
    std::bitset<65536> starts_[2];  // [1]: 3-byte entries, [0]: 4-byte entries
};

// A table code: `length` (1 to 4) bytes, read first byte highest. Shorter
// codes order before longer ones, then lower values first.
struct TableCode {
    uint32_t value = 0;
    uint8_t length = 0;  // 0: none
    bool operator<(const TableCode& o) const { return length != o.length ? length < o.length : value < o.value; }
};

struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
template <class T>
using TextMap = std::unordered_map<std::string, T, TextHash, std::equal_to<>>;

// Reverse lookup of entry texts: for each text the lowest single-byte code
// and the lowest pair code that have it, and the same for each two-byte
// beginning of a text (kana search); for the encoder each text's best code
// of any length and, per first byte, the text lengths to try, longest first.
struct TextIndex {
    std::unordered_map<std::string, uint8_t> byteText, bytePrefix;
    std::unordered_map<std::string, uint16_t> pairText, pairPrefix;
    size_t longestText = 0;  // bytes of the longest entry text
    TextMap<TableCode> anyText;      // the shortest, then lowest code of each text
    TextMap<TableCode> anyPrefix;    // the same by the text's first character (see prefixLookup)
    std::array<std::vector<uint16_t>, 256> lengthsAny, lengthsSingle;  // by first byte, descending
};

enum class TableEncoding : uint8_t {
    Legacy,  // Windows-1252, or Shift-JIS under the Japanese mark
    Utf8,
};

// The length of the well-formed UTF-8 sequence at `i` (1 to 4), or 0.
size_t utf8SequenceLength(std::string_view s, size_t i);
bool isValidUtf8(std::string_view s);
// UTF-16 text as UTF-8; nothing when it holds a lone surrogate.
std::optional<std::string> utf16ToUtf8Whole(std::u16string_view text);

inline constexpr size_t kMaxDumpMarks = 128;
inline constexpr size_t kMaxDualEntries = 255;

struct TableData {
    TableData();

    std::array<std::optional<std::string>, 256> ByteTable;
    PairEntries PairTable;
    LongEntries LongTable;  // entries of three and four bytes
    TableEncoding Encoding = TableEncoding::Legacy;
    bool WideText = false;  // a UTF-8 text holds a character past U+00FF (set by indexTexts)
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

    // Releases every entry text and directive, resets DteTable and both codes
    // and makes the encoding legacy. Bookmarks and table paths are kept.
    void clear();
    // Clears, then maps codes 32..126 to the character (code + CharShift) mod 256.
    void buildAsciiTable();
    // Stores a single-byte entry and sets its DteTable slot: the text's two
    // characters, or reset when it has another length.
    void setByte(uint8_t code, std::string text);
    void setPair(uint16_t code, std::string text);
    // An entry of `length` bytes (1 to 4), code read first byte highest.
    void setEntry(uint32_t code, int length, std::string text);
    // The text of the entry with this code, or nothing.
    const std::string* entryText(TableCode code) const;

    // Builds the reverse lookup index of the entries as they are; loading a
    // table and buildAsciiTable do. clear() and the setters drop it, and so
    // must anyone who writes ByteTable, PairTable or LongTable directly
    // afterwards.
    // Without the index the lookups scan every entry.
    void indexTexts();
    void dropIndex() { index_.reset(); }
    const TextIndex* textIndex() const { return index_ ? &*index_ : nullptr; }

private:
    std::optional<TextIndex> index_;
};

// Long: an entry of three or four bytes.
enum class ItemKind { Pair, Single, NoEntry, LineBreakMarker, EndMarker, Long };

struct DecodedItem {
    ItemKind kind;
    int length;             // bytes consumed: 1 to 4
    std::string_view text;  // the entry's text, the marker, or "."
};

// The view's decoding rule at position p of a run (p < run.size()): the
// longest code first. A four-byte, then a three-byte entry, then a pair
// entry for (run[p], run[p+1]), each only when all its bytes lie in the run,
// else the byte's own entry, else its end/line-break marker, else ".".
DecodedItem decodeAt(const TableData& table, std::span<const uint8_t> run, size_t p);

struct EncodedChar {
    std::array<uint8_t, 4> bytes{};
    int length = 0;  // 1 or 2 (prefixLookup: 1 to 4)
};

// Text input's reverse lookup: the lowest single-byte code whose text is
// exactly `ch`, else the lowest pair; nothing when no entry matches.
std::optional<EncodedChar> reverseLookup(const TableData& table, std::string_view ch);
// The same restricted to single-byte entries or to pairs.
std::optional<EncodedChar> reverseLookupByte(const TableData& table, std::string_view ch);
std::optional<EncodedChar> reverseLookupPair(const TableData& table, std::string_view ch);
// The one text encoder (typing a word, paste, search patterns, script
// insert): the entry whose text is the longest prefix of `text`; for equal
// texts the shorter code (a single byte before a pair before three and four
// bytes), then the lowest code. Nothing when no entry's text begins `text`.
// Empty entry texts never match. Without `allowPairs` only single-byte
// entries count. With the index a loaded table builds, it tries only the
// text lengths that entries beginning with text[0] have.
struct TextMatch {
    std::array<uint8_t, 4> bytes{};  // the code, first byte first
    int length = 0;         // code bytes: 1 to 4
    size_t textLength = 0;  // bytes of `text` consumed
};
std::optional<TextMatch> matchLongestText(const TableData& table, std::string_view text, bool allowPairs = true);

// Kana search's lookup: the lowest single-byte code whose text begins with
// `ch` (the two bytes of a Shift-JIS character, or one UTF-8 character),
// else the lowest such pair, else such an entry of three, then four bytes.
std::optional<EncodedChar> prefixLookup(const TableData& table, std::string_view ch);

}  // namespace hexedit
