// Palette files (.pal, .gpl, .act): any bytes are read without a fault, and
// a palette that was read writes in any of the three kinds to a file that
// reads back as the same palette.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "hexedit/tiles/Palettes.h"

using namespace hexedit::tiles;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto palette = readPaletteFile(std::span(data, size));
    if (!palette) return 0;
    // Writing and reading a whole palette costs what a large input does: only
    // large inputs pay it, in the kind their length picks.
    if (size < 768) return 0;
    constexpr PaletteFileKind kKinds[] = {PaletteFileKind::Jasc, PaletteFileKind::Gimp, PaletteFileKind::Act};
    const std::string file = writePaletteFile(*palette, kKinds[size % 3]);
    const auto back = readPaletteFile(std::span(reinterpret_cast<const uint8_t*>(file.data()), file.size()));
    FUZZ_CHECK(back && *back == *palette);
    return 0;
}
