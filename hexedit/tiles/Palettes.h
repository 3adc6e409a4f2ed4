#pragma once
// The tile editor's colours: palettes of 256 RGB565 entries and the colour
// a pixel index shows.

#include <array>
#include <cstdint>

namespace hexedit::tiles {

using Palette = std::array<uint16_t, 256>;

// The 256-colour VGA start-up palette: 16 EGA colours, 16 grey levels, nine
// rings of 24 hues in three brightnesses and saturations, 8 black entries;
// each 6-bit component scaled to 8 bits and cut to 5/6/5 bits.
const Palette& standardPalette();
// 64 console colours, black from entry 64 on.
const Palette& nesPalette();

inline uint16_t colorOf(const Palette& p, uint8_t index, uint8_t colorIndexStart) {
    return p[static_cast<uint8_t>(index + colorIndexStart)];
}

}  // namespace hexedit::tiles
