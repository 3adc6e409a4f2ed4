#pragma once
// The tile editor's colours: palettes of 256 RGB565 entries and the colour
// a pixel index shows.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

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

// Palette files: JASC-PAL text (.pal), GIMP text (.gpl) and the raw 768
// bytes of RGB triples (.act, optionally followed by a count and the
// transparent index). Colours are 8 bits a component in the files.
enum class PaletteFileKind { Jasc, Gimp, Act };

// The kind a file name's extension names; JASC for any other.
PaletteFileKind paletteKindOf(const std::string& path);
std::string writePaletteFile(const Palette& p, PaletteFileKind kind);
// The kind is told by the content. Entries the file does not hold are
// black; nothing for a file that is none of the three.
std::optional<Palette> readPaletteFile(std::span<const uint8_t> bytes);

}  // namespace hexedit::tiles
