#include "compress/RecordFile.h"

#include <cstdio>
#include <vector>

#include "common/hexdigits.h"

namespace vt2comp {

std::string formatRecordLine(const std::string& dataPath, uint32_t start, uint32_t end) {
    char offsets[32];
    std::snprintf(offsets, sizeof offsets, "  %08X  %08X\r\n", start, end);
    return ".COMP " + dataPath + offsets;
}

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

struct Field {
    size_t begin, end;
};

// The blank-separated fields of `s` as positions into it.
std::vector<Field> fieldsOf(std::string_view s) {
    std::vector<Field> fields;
    size_t pos = 0;
    while (true) {
        while (pos < s.size() && isBlank(s[pos])) ++pos;
        if (pos == s.size()) return fields;
        size_t begin = pos;
        while (pos < s.size() && !isBlank(s[pos])) ++pos;
        fields.push_back({begin, pos});
    }
}

// A hexadecimal field, "0x" prefix allowed, value within 32 bits.
bool parseHex(std::string_view s, uint32_t& value) {
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.remove_prefix(2);
    const auto v = common::parseHex(s, s.size());
    if (!v || *v > 0xFFFFFFFFu) return false;
    value = static_cast<uint32_t>(*v);
    return true;
}

}  // namespace

RecordLineKind parseRecordLine(std::string_view line, Record& out) {
    if (line.size() < 5) return RecordLineKind::Other;
    static constexpr std::string_view kKeyword = ".COMP";
    for (size_t k = 0; k < kKeyword.size(); ++k) {
        char c = line[k];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != kKeyword[k]) return RecordLineKind::Other;
    }
    // The keyword is the whole first field. The path is the first field after
    // it, or as many more as it takes until two hexadecimal fields follow:
    // paths with blanks read back, and anything after E is ignored.
    const std::vector<Field> fields = fieldsOf(line);
    auto text = [&](size_t k) { return line.substr(fields[k].begin, fields[k].end - fields[k].begin); };
    for (size_t last = 1; last + 2 < fields.size(); ++last) {
        Record r;
        if (!parseHex(text(last + 1), r.start) || !parseHex(text(last + 2), r.end)) continue;
        r.dataPath = std::string(line.substr(fields[1].begin, fields[last].end - fields[1].begin));
        out = std::move(r);
        return RecordLineKind::Record;
    }
    return RecordLineKind::Malformed;
}

}  // namespace vt2comp
