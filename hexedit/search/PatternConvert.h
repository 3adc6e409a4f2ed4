#pragma once
// Turning what the user typed into the bytes to search for, through the
// loaded table: text (one character at a time), hex digits, and Shift-JIS
// kana picked from the grid.

#include <cstdint>
#include <string_view>
#include <vector>

#include "hexedit/core/TableData.h"

namespace hexedit::search {

// Room for the longest conversion: 32 characters that all map to pairs.
inline constexpr size_t kPatternCapacity = 64;

// Each character becomes the lowest single byte whose text is exactly that
// character, else the lowest pair (high byte first), else nothing; "*" is the
// wildcard byte when wildcards are on. Case folding upper-cases the text
// first.
std::vector<uint8_t> textToPattern(const TableData& table, std::string_view text, bool ignoreCase, bool wildcards);

enum class HexError { None, MissingDigit, WildcardNotEnabled, NotHex };

struct HexResult {
    std::vector<uint8_t> bytes;
    HexError error = HexError::None;
};

// Pairs of hex digits; a pair starting with "*" is the wildcard byte when
// wildcards are on.
HexResult hexToPattern(std::string_view text, bool wildcards);

// Pairs of Shift-JIS bytes: "**" is the wildcard byte, any other pair the
// lowest single byte whose text begins with it, else the lowest pair whose
// text begins with it, else nothing.
std::vector<uint8_t> kanaToPattern(const TableData& table, std::string_view text);

}  // namespace hexedit::search
