// The model side of "Import 'TILE DATA' from PNG": an image as the file
// reader hands it over (size, indices, whether it has a palette; the
// indices need not match the size) is refused or placed within the tile
// area, and a placed one is found there pixel for pixel.
// Input: flags, width, height (one byte each), then the indices.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzCheck.h"
#include "hexedit/tiles/TileEditor.h"

using namespace hexedit::tiles;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    IndexedImage image;
    image.indexed = (data[0] & 1) == 0;
    // Sizes past the area's 128 and below 1 are refused: reach both sides.
    image.width = data[1] - 64 + (data[0] & 2 ? 128 : 0);
    image.height = data[2] - 64 + (data[0] & 4 ? 128 : 0);
    image.indices.assign(data + 3, data + size);
    const int colors = std::array{4, 16, 256, 2}[(data[0] >> 3) & 3];

    // The area stays filled with a mark; only the cells an import can reach
    // are looked at and marked again, so that the cost follows the image.
    static TileArea area = [] {
        TileArea a;
        a.fill(0xEE);
        return a;
    }();
    const auto at = [](int x, int y) -> uint8_t& { return area[static_cast<size_t>(y) * kArea + x]; };
    if (placeImportedImage(image, colors, area)) {
        // Refused before anything was copied: copying starts in row 0.
        for (int x = 0; x < kArea; ++x) FUZZ_CHECK(at(x, 0) == 0xEE);
        return 0;
    }
    FUZZ_CHECK(image.indexed && image.width >= 1 && image.width <= kArea && image.height >= 1 && image.height <= kArea);
    for (int y = 0; y <= std::min(image.height, kArea - 1); ++y)
        for (int x = 0; x <= std::min(image.width, kArea - 1); ++x) {
            uint8_t& v = at(x, y);
            if (x < image.width && y < image.height)
                FUZZ_CHECK(v == image.indices[static_cast<size_t>(y) * image.width + x] && v < colors);
            else
                FUZZ_CHECK(v == 0xEE);  // nothing beside or below the image
            v = 0xEE;
        }
    return 0;
}
