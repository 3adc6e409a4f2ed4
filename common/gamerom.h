#pragma once
// ROM conventions of the one game both game tools work on: an optional
// 512-byte copier header, the internal title at image offset 0xFFC0 and
// HiROM address mapping.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace common::gamerom {

inline constexpr std::string_view kTitle = "VEXMOORTALES2";
inline constexpr uint32_t kTitleOffset = 0xFFC0;
inline constexpr uint32_t kCopierHeaderSize = 512;

// 512 when bit 9 of the file length is set, else 0.
constexpr uint32_t headerSize(uint64_t fileLength) { return (fileLength & 0x200) ? kCopierHeaderSize : 0; }

// True when the 13 bytes at 0xFFC0 of the image equal the game's title
// (case-sensitive); false when the image is too short to hold them.
bool titleMatches(std::span<const uint8_t> image);

// A 24-bit HiROM address to a ROM offset: bits 22 and 23 cleared.
constexpr uint32_t snesToRom(uint32_t address) { return address & 0x3FFFFF; }

// The game's glyph codes follow Shift-JIS: codes 0x20-0x7E and 0xA1-0xDF
// are the one-byte characters (ASCII and half-width katakana), and a code
// from 0x0100 on is a two-byte character with its lead byte's top bit
// cleared (0x029F is 0x829F, a small hiragana "a"; 0x0340 is 0x8340, a small
// katakana "a"). Codes with no such character (the control range, 0x9000
// and above, invalid byte pairs) have none.
std::optional<std::string> glyphShiftJis(uint16_t code);
// The glyph code of one Shift-JIS character (one or two bytes), or nothing.
std::optional<uint16_t> shiftJisGlyph(std::string_view character);

}  // namespace common::gamerom
