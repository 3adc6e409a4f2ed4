#include "hexedit/search/PatternConvert.h"

#include "common/hexdigits.h"
#include "hexedit/search/Scanner.h"

namespace hexedit::search {

namespace {

void append(std::vector<uint8_t>& out, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes)
        if (out.size() < kPatternCapacity) out.push_back(b);
}

}  // namespace

std::vector<uint8_t> textToPattern(const TableData& table, std::string_view text, bool ignoreCase, bool wildcards) {
    std::vector<uint8_t> out;
    for (char raw : text) {
        const char c = ignoreCase ? static_cast<char>(foldUpper(static_cast<uint8_t>(raw))) : raw;
        if (wildcards && c == '*') {
            append(out, {kWildcardByte});
            continue;
        }
        const std::string_view ch(&c, 1);
        if (auto e = reverseLookupByte(table, ch)) append(out, {e->bytes[0]});
        else if (auto p = reverseLookupPair(table, ch)) append(out, {p->bytes[0], p->bytes[1]});
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
        int hi = common::hexDigitValue(text[i]), lo = common::hexDigitValue(text[i + 1]);
        if (hi < 0 || lo < 0) {
            r.error = HexError::NotHex;
            r.bytes.clear();
            return r;
        }
        append(r.bytes, {static_cast<uint8_t>(hi * 16 + lo)});
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
        if (auto e = prefixLookup(table, ch)) {
            if (e->length == 1) append(out, {e->bytes[0]});
            else append(out, {e->bytes[0], e->bytes[1]});
        }
    }
    return out;
}

}  // namespace hexedit::search
