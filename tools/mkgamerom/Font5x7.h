#pragma once
// A small legible font for the synthetic game ROM: 5 x 7 pixel letters drawn
// at double size into the game's 16 x 16, 1 bit per pixel glyph cell (bytes
// 0-15 the left eight pixels of rows 0-15, bytes 16-31 the right eight).

#include <array>
#include <cstdint>

namespace mkgamerom {

using Glyph = std::array<uint8_t, 32>;

// The glyph of a printable ASCII character; blank for anything else.
Glyph asciiGlyph(char c);
// A heart, stored under a glyph code above the control-word range.
Glyph heartGlyph();
// A stand-in for a Japanese character (there is no kana font here): a frame
// with the code's low byte as a row of dots, so that neighbours differ.
Glyph kanaGlyph(uint16_t code);

}  // namespace mkgamerom
