// mktiles FILE: writes a 64 KiB file of drawn 8 x 8 tiles, encoded with the
// tile editor's own codecs: 256 "SNES 4-Bpp" tiles of rings, bars and
// diagonals in 16 colours from offset 0, then the same pictures as "1-Bpp"
// and "N.E.S" tiles (2 and 4 colours) at 0x2000 and 0x2800.

#include <cstdio>
#include <string>
#include <vector>

#include "common/fileio.h"
#include "hexedit/tiles/TileFormats.h"

using namespace hexedit::tiles;

namespace {

// Pixel (x, y) of picture n, a colour below 16.
int pixel(int n, int x, int y) {
    const int cx = x - 4, cy = y - 4;
    switch (n % 4) {
    case 0: return (cx * cx + cy * cy + n / 4) % 16;  // rings
    case 1: return (x + n / 4) % 16;                  // bars
    case 2: return ((x + y) / 2 + n / 4) % 16;        // diagonals
    default: return ((x ^ y) & 4) ? (n / 4) % 16 : 15 - (n / 4) % 16;  // checks
    }
}

void writeTiles(std::vector<uint8_t>& file, int format, int64_t start, int count) {
    const TileFormat& f = kTileFormats[static_cast<size_t>(format)];
    uint8_t px[8 * 8];
    for (int n = 0; n < count; ++n) {
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) px[y * 8 + x] = static_cast<uint8_t>(pixel(n, x, y));
        encodeTile(f, px, 8, 8, file, 0, start + n * tileBytes(f, 8));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mktiles FILE\n");
        return 2;
    }
    std::vector<uint8_t> file(0x10000, 0);
    writeTiles(file, 3, 0, 256);
    writeTiles(file, 0, 0x2000, 256);
    writeTiles(file, 1, 0x2800, 128);
    if (const std::string error = common::writeFileAtomic(argv[1], std::span<const uint8_t>(file)); !error.empty()) {
        std::fprintf(stderr, "mktiles: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
