#include "hexedit/search/PatternConvert.h"

#include "common/codepage.h"
#include "common/hexdigits.h"
#include "hexedit/search/Scanner.h"

namespace hexedit::search {

namespace {

void append(std::vector<uint8_t>& out, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes)
        if (out.size() < kPatternCapacity) out.push_back(b);
}

void appendCode(std::vector<uint8_t>& out, const std::array<uint8_t, 4>& bytes, int length) {
    for (int k = 0; k < length; ++k)
        if (out.size() < kPatternCapacity) out.push_back(bytes[static_cast<size_t>(k)]);
}

}  // namespace

size_t characterLength(const TableData& table, std::string_view text, size_t i) {
    if (table.Encoding != TableEncoding::Utf8) return 1;
    const size_t n = utf8SequenceLength(text, i);
    return n == 0 ? 1 : n;
}

std::vector<uint8_t> textToPattern(const TableData& table, std::string_view text, bool ignoreCase, bool wildcards) {
    std::vector<uint8_t> out;
    std::string folded(text);
    if (ignoreCase)
        for (char& c : folded) c = static_cast<char>(foldUpper(static_cast<uint8_t>(c)));
    for (size_t i = 0; i < folded.size();) {
        const size_t n = characterLength(table, folded, i);
        const std::string_view ch = std::string_view(folded).substr(i, n);
        i += n;
        if (wildcards && ch == "*") {
            append(out, {kWildcardByte});
            continue;
        }
        // The one encoder on this character alone: an entry whose text is
        // exactly it, single bytes first, then the lowest code.
        const auto m = matchLongestText(table, ch);
        if (m && m->textLength == ch.size()) appendCode(out, m->bytes, m->length);
    }
    return out;
}

HexResult hexToPattern(std::string_view text, bool wildcards) {
    HexResult r;
    if (text.size() % 2 != 0) {
        r.error = HexError::MissingDigit;
        return r;
    }
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        if (text[i] == '*') {
            if (!wildcards) {
                r.error = HexError::WildcardNotEnabled;
                r.bytes.clear();
                return r;
            }
            append(r.bytes, {kWildcardByte});
            continue;
        }
        const int byte = common::hexByteValue(text[i], text[i + 1]);
        if (byte < 0) {
            r.error = HexError::NotHex;
            r.bytes.clear();
            return r;
        }
        append(r.bytes, {static_cast<uint8_t>(byte)});
    }
    return r;
}

std::vector<uint8_t> kanaToPattern(const TableData& table, std::string_view text) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        const std::string_view ch = text.substr(i, 2);
        if (ch == "**") {
            append(out, {kWildcardByte});
            continue;
        }
        // The grid gives Shift-JIS; a UTF-8 table holds the same kana in UTF-8.
        const std::string key = table.Encoding == TableEncoding::Utf8 ? common::utf16ToUtf8(common::cp932ToUtf16(ch))
                                                                       : std::string(ch);
        if (auto e = prefixLookup(table, key)) appendCode(out, e->bytes, e->length);
    }
    return out;
}

}  // namespace hexedit::search
