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

// Bytes of the character at `i` of a text in the table's encoding: one in a
// legacy table, the UTF-8 sequence (or one invalid byte) in a UTF-8 table.
size_t characterLength(const TableData& table, std::string_view text, size_t i);

// Each character (a byte of a legacy table, a UTF-8 character of a UTF-8
// table) becomes the code the one encoder gives it alone: the lowest single
// byte whose text is exactly that character, else the lowest pair (high
// byte first), else the lowest entry of three, then four bytes, else
// nothing; "*" is the wildcard byte when wildcards are on. Case folding
// upper-cases the text (a-z) first.
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
// lowest single byte whose text begins with it (in a UTF-8 table: with the
// same character in UTF-8), else the lowest pair whose text begins with it,
// else such an entry of three, then four bytes, else nothing.
std::vector<uint8_t> kanaToPattern(const TableData& table, std::string_view text);

}  // namespace hexedit::search
