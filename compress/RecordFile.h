#pragma once
// The record file: one ".COMP <data file>  <S>  <E>" line per unpacked block,
// S and E being ROM offsets in eight upper-case hex digits.

#include <cstdint>
#include <string>
#include <string_view>

namespace vt2comp {

struct Record {
    std::string dataPath;
    uint32_t start = 0;  // S
    uint32_t end = 0;    // E
    bool operator==(const Record&) const = default;
};

// The line as written, CR LF included.
std::string formatRecordLine(const std::string& dataPath, uint32_t start, uint32_t end);

enum class RecordLineKind {
    Other,      // not a ".COMP" line: ignored
    Record,     // a usable record
    Malformed,  // a ".COMP" line without a path and two hexadecimal offsets
};

// Reads one line (line end optional). A line is a record when its first five
// characters are ".COMP" in any letter case; the path runs from the field
// after the keyword to the first pair of hexadecimal fields that follows it
// (S and E), so paths with blanks read back; text after E is ignored.
RecordLineKind parseRecordLine(std::string_view line, Record& out);

}  // namespace vt2comp
