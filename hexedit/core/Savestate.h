#pragma once
// ZSNES savestates: the header the editor can hide and the palette stored in
// it, converted to the tile editor's 16-bit display pixels.

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace hexedit {

inline constexpr uint32_t kSavestateHeader = 3091;
inline constexpr uint32_t kSavestatePaletteOffset = 1560;

using DisplayPalette = std::array<uint16_t, 256>;

// True when the file name's extension begins with "zs" (any case).
bool isSavestatePath(const std::string& path);

// SNES colour 0bbbbbgggggrrrrr to a display pixel: red to bits 11-15, bits
// 4-9 of the colour (green under red's top bit) to bits 5-10, blue to 0-4.
constexpr uint16_t snesToDisplayColor(uint16_t c) {
    return static_cast<uint16_t>(((c & 0x1F) << 11) | (((c >> 4) & 0x3F) << 5) | ((c >> 10) & 0x1F));
}

// The 256 little-endian colours at kSavestatePaletteOffset of the whole
// file; bytes past its end read as 0.
DisplayPalette convertSavestatePalette(std::span<const uint8_t> file);

}  // namespace hexedit
