#pragma once
// A small legible 5 x 7 pixel font of printable ASCII, as rows of '#' (set)
// and '.' (clear). The game tools scale it into their glyph cells.

namespace common::font5x7 {

// The seven rows of five characters of a printable ASCII character
// (0x20-0x7E), or nullptr for any other.
const char* const* rows(char c);

}  // namespace common::font5x7
