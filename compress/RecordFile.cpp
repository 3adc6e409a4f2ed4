#include "compress/RecordFile.h"

#include <cstdio>

namespace vt2comp {

std::string formatRecordLine(const std::string& dataPath, uint32_t start, uint32_t end) {
    char offsets[32];
    std::snprintf(offsets, sizeof offsets, "  %08X  %08X\r\n", start, end);
    return ".COMP " + dataPath + offsets;
}

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Splits off the last blank-separated field of `s` (already trimmed).
std::string_view takeLastField(std::string_view& s) {
    size_t pos = s.size();
    while (pos > 0 && !isBlank(s[pos - 1])) --pos;
    std::string_view field = s.substr(pos);
    s = trim(s.substr(0, pos));
    return field;
}

// A hexadecimal field, "0x" prefix allowed, value within 32 bits.
bool parseHex(std::string_view s, uint32_t& value) {
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.remove_prefix(2);
    if (s.empty()) return false;
    uint64_t v = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        v = v * 16 + d;
        if (v > 0xFFFFFFFFu) return false;
    }
    value = static_cast<uint32_t>(v);
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
    // The keyword is the whole first field.
    size_t pos = 0;
    while (pos < line.size() && !isBlank(line[pos])) ++pos;
    std::string_view rest = trim(line.substr(pos));
    std::string_view endField = takeLastField(rest);
    std::string_view startField = takeLastField(rest);
    Record r;
    if (rest.empty() || !parseHex(startField, r.start) || !parseHex(endField, r.end)) return RecordLineKind::Malformed;
    r.dataPath = std::string(rest);
    out = std::move(r);
    return RecordLineKind::Record;
}

}  // namespace vt2comp
