#pragma once
// Code-page conversion for the Windows code pages the programs' files use:
// 932 (Shift-JIS, Japanese table texts and kana) and 1252 (Western table
// texts). Tables are built once through iconv and then looked up directly,
// so converting a view cell costs no more than a table lookup.

#include <optional>
#include <string>
#include <string_view>

namespace common {

// Bytes that are not a valid character of the code page become U+30FB
// (Shift-JIS) or U+FFFD (1252); a lead byte at the end of the text becomes
// one such character.
std::u16string cp932ToUtf16(std::string_view bytes);
std::u16string cp1252ToUtf16(std::string_view bytes);

// The code-page bytes of a text, or nothing when a character has no code.
std::optional<std::string> utf16ToCp932(std::u16string_view text);
std::optional<std::string> utf16ToCp1252(std::u16string_view text);

// True for a Shift-JIS lead byte (0x81-0x9F, 0xE0-0xFC).
constexpr bool isCp932Lead(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view text);

}  // namespace common
