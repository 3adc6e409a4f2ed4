#pragma once
// Hexadecimal digits as users type them: one place for every parser.

#include <cstdint>
#include <optional>
#include <string_view>

namespace common {

// 0..15 for '0'-'9', 'a'-'f', 'A'-'F'; -1 for anything else.
constexpr int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

constexpr bool isHexDigit(char c) { return hexDigitValue(c) >= 0; }

// The byte written as two hex digits, high first; -1 when either is not one.
constexpr int hexByteValue(char high, char low) {
    const int h = hexDigitValue(high), l = hexDigitValue(low);
    return h < 0 || l < 0 ? -1 : h << 4 | l;
}

// The value of a run of hex digits starting at `pos`; stops at the first
// non-digit and sets `end` to it. Saturates at UINT64_MAX.
uint64_t readHexDigits(std::string_view text, size_t pos = 0, size_t* end = nullptr);
// The same for a 32-bit field: saturates at UINT32_MAX (the one overflow
// rule of every hex number a user or a file gives).
inline uint32_t readHexDigits32(std::string_view text, size_t pos = 0, size_t* end = nullptr) {
    const uint64_t v = readHexDigits(text, pos, end);
    return v > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(v);
}

// The whole text as one hex number: at least one digit, digits only, at most
// `maxDigits` of them. Nothing otherwise.
std::optional<uint64_t> parseHex(std::string_view text, size_t maxDigits = 16);

}  // namespace common
