// ZSNES savestates: the palette read from any file, whatever its length,
// holds the 256 little-endian SNES colours at the palette offset (bytes
// past the end read as 0) converted to display pixels.

#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz/FuzzCheck.h"
#include "hexedit/core/Savestate.h"

using namespace hexedit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const DisplayPalette palette = convertSavestatePalette(std::span(data, size));
    auto byte = [&](size_t at) { return at < size ? data[at] : uint8_t{0}; };
    for (size_t i = 0; i < palette.size(); ++i) {
        const size_t at = kSavestatePaletteOffset + 2 * i;
        const auto snes = static_cast<uint16_t>(byte(at) | byte(at + 1) << 8);
        // Red, the six bits 4-9 (green under red's top bit) and blue.
        const auto pixel = static_cast<uint16_t>((snes & 0x1F) << 11 | ((snes >> 4) & 0x3F) << 5 | ((snes >> 10) & 0x1F));
        FUZZ_CHECK(palette[i] == pixel);
    }
    return 0;
}
