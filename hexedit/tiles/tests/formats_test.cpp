// Tile formats: round trips over random bytes and heights, the layout of
// each format, view placement and the pull-back near the end of the buffer.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "hexedit/tiles/Palettes.h"
#include "hexedit/tiles/TileFormats.h"

namespace hexedit::tiles {
namespace {

constexpr int kPitch = 16;

std::vector<uint8_t> decode(const TileFormat& f, std::span<const uint8_t> bytes, int64_t B, int h) {
    std::vector<uint8_t> px(static_cast<size_t>(h) * kPitch, 0xEE);
    decodeTile(f, bytes, B, h, px.data(), kPitch);
    return px;
}

// Whether plane data of one row reaches into another row's bytes at this
// height (the split-plane formats above 8 rows): then pixels cannot round trip.
bool rowsOverlap(const TileFormat& f, int h) {
    return h > 8 && (f.number == 3 || f.number == 4 || f.number == 9);
}

TEST(TileFormats, RoundTripsOverRandomBytesAndHeights) {
    std::mt19937 rng(17);
    for (const auto& f : kTileFormats) {
        SCOPED_TRACE(std::string(f.caption));
        for (int trial = 0; trial < 200; ++trial) {
            const int h = 1 + static_cast<int>(rng() % kMaxTileHeight);
            std::vector<uint8_t> file(700);
            for (auto& b : file) b = static_cast<uint8_t>(rng());
            // Tiles near either end of the file, partly outside it.
            const int64_t B = static_cast<int64_t>(rng() % 900) - 100;

            // Bytes -> pixels -> bytes changes nothing.
            auto px = decode(f, file, B, h);
            auto copy = file;
            encodeTile(f, px.data(), kPitch, h, copy, 0, B);
            ASSERT_EQ(copy, file) << "height " << h << " at " << B;

            // Pixels -> bytes -> pixels keeps the bits the format stores, and
            // writes nothing outside the tile's footprint or the buffer.
            if (rowsOverlap(f, h) || B < 0 || B + tileFootprint(f, h) > 700) continue;
            std::vector<uint8_t> pixels(px.size());
            for (auto& p : pixels) p = static_cast<uint8_t>(rng());
            encodeTile(f, pixels.data(), kPitch, h, copy, 0, B);
            for (int64_t i = 0; i < 700; ++i) {
                if (i < B || i >= B + tileFootprint(f, h)) {
                    ASSERT_EQ(copy[i], file[i]) << "byte " << i;
                }
            }
            const auto back = decode(f, copy, B, h);
            const unsigned mask = f.BitsPerPixel >= 8 ? 0xFF : f.Wide16 ? 1 : (1u << f.BitsPerPixel) - 1;
            for (int r = 0; r < h; ++r)
                for (int x = 0; x < tileWidth(f); ++x)
                    ASSERT_EQ(back[r * kPitch + x], pixels[r * kPitch + x] & mask) << "row " << r << " x " << x;
        }
    }
}

TEST(TileFormats, LayoutOfEachFormat) {
    std::vector<uint8_t> z(64, 0);
    auto only = [&](size_t at, uint8_t v) {
        auto b = z;
        b[at] = v;
        return b;
    };
    // NES 16-row tile: rows 8-15 from the next 16-byte block.
    auto px = decode(kTileFormats[1], only(16 + 3, 0x80), 0, 16);
    EXPECT_EQ(px[11 * kPitch], 1);
    px = decode(kTileFormats[1], only(24 + 7, 0x01), 0, 16);
    EXPECT_EQ(px[15 * kPitch + 7], 2);
    // SNES 4-Bpp plane 3 of row 2 is byte 17 + 4.
    px = decode(kTileFormats[3], only(21, 0x40), 0, 8);
    EXPECT_EQ(px[2 * kPitch + 1], 8);
    // SNES 8-Bpp plane 7 of row 0 is byte 49.
    px = decode(kTileFormats[4], only(49, 0x80), 0, 8);
    EXPECT_EQ(px[0], 128);
    // Genesis and GBA show the two pixels of a byte swapped.
    const auto gba = decode(kTileFormats[7], only(5, 0x3C), 0, 8);
    const auto gen = decode(kTileFormats[8], only(5, 0x3C), 0, 8);
    EXPECT_EQ(gba[kPitch + 2], 0xC);
    EXPECT_EQ(gba[kPitch + 3], 0x3);
    EXPECT_EQ(gen[kPitch + 2], 0x3);
    EXPECT_EQ(gen[kPitch + 3], 0xC);
    // SNES 3-Bpp plane 2 of row 5 is byte 21; 16 x hh is big-endian.
    px = decode(kTileFormats[9], only(21, 0x01), 0, 8);
    EXPECT_EQ(px[5 * kPitch + 7], 4);
    px = decode(kTileFormats[10], only(7, 0x01), 0, 8);
    EXPECT_EQ(px[3 * kPitch + 15], 1);

    // The last row of a Master System tile writes bytes 28-31 only.
    std::vector<uint8_t> file(64, 0x5A);
    std::vector<uint8_t> row(kPitch * 8, 0);
    const auto before = file;
    encodeTile(kTileFormats[6], row.data(), kPitch, 8, file, 0, 0);
    px.assign(kPitch * 8, 0);
    decodeTile(kTileFormats[6], before, 0, 8, px.data(), kPitch);
    std::fill(px.begin() + 7 * kPitch, px.begin() + 8 * kPitch, uint8_t{0xF});
    file = before;
    encodeTile(kTileFormats[6], px.data(), kPitch, 8, file, 0, 0);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(file[i] != 0x5A, i >= 28 && i < 32) << i;

    // One-bit formats keep bit 0 only: index 2 is a clear bit, 3 a set one.
    for (int n : {0, 10}) {
        std::vector<uint8_t> out(32, 0);
        std::vector<uint8_t> pix(kPitch * 8, 0);
        pix[0] = 2;
        pix[1] = 3;
        encodeTile(kTileFormats[n], pix.data(), kPitch, 8, out, 0, 0);
        EXPECT_EQ(out[0], 0x40) << n;
    }
}

TEST(TileFormats, SpacingAndPlacement) {
    struct Case { int format, height, columns; int64_t tile, row; };
    const Case cases[] = {
        {9, 8, 16, 24, 384},  // 3-Bpp tiles 24 bytes apart, a row of 16 is 384
        {10, 8, 16, 16, 128}, // 16 x 8 one-bit tiles take 16 bytes, 8 a view row
        {10, 8, 1, 16, 16},   // one column of 16-pixel tiles still shows one tile
        {1, 16, 16, 32, 512},
        {0, 1, 4, 1, 4},
    };
    for (const auto& c : cases) {
        const TileLayout l{&kTileFormats[c.format], c.height, c.columns};
        EXPECT_EQ(l.tileBytes(), c.tile) << c.format;
        EXPECT_EQ(l.rowBytes(), c.row) << c.format;
        EXPECT_EQ(l.tileOffset(1000, 2, 3), 1000 + (2 * l.perRow() + 3) * c.tile);
    }
    EXPECT_EQ(formatForKey('a'), 10);
    EXPECT_EQ(formatForKey('0'), 9);
    EXPECT_EQ(formatForKey('B'), -1);
}

TEST(TileFormats, ViewIsPulledBackNearTheEnd) {
    const TileLayout l{&kTileFormats[3], 8, 16};  // a full view is 8192 bytes
    bool full = false;
    EXPECT_EQ(clampViewStart(1000, 65535, l, full), 1000);
    EXPECT_FALSE(full);
    EXPECT_EQ(clampViewStart(65000, 65535, l, full), 65535 - 8192);
    EXPECT_TRUE(full);
    full = false;
    EXPECT_EQ(clampViewStart(10, 4000, l, full), 0);  // smaller than a view
    EXPECT_TRUE(full);
    full = false;
    EXPECT_EQ(clampViewStart(-5, 65535, l, full), 0);
    EXPECT_TRUE(full);
}

TEST(TileFormats, ScrollShortcutsMatchAFullDecode) {
    std::mt19937 rng(5);
    std::vector<uint8_t> file(40000);
    for (auto& b : file) b = static_cast<uint8_t>(rng());
    for (const auto& f : kTileFormats)
        for (int h : {8, 5, 64}) {
            const TileLayout l{&f, h, 16};
            TileArea a{}, b{};
            const int64_t top = 5 * l.rowBytes();
            decodeView(l, file, top, Redraw::Full, a);
            decodeView(l, file, top + l.rowBytes(), Redraw::ScrollDown, a);
            decodeView(l, file, top + l.rowBytes(), Redraw::Full, b);
            EXPECT_EQ(a, b) << f.caption << " down " << h;
            decodeView(l, file, top, Redraw::ScrollUp, a);
            decodeView(l, file, top, Redraw::Full, b);
            EXPECT_EQ(a, b) << f.caption << " up " << h;
        }
    // Past the end of a short buffer the view shows index 0.
    TileArea a;
    a.fill(9);
    const std::vector<uint8_t> tiny(10, 0xFF);
    decodeView({&kTileFormats[0], 8, 16}, tiny, 0, Redraw::Full, a);
    EXPECT_EQ(a[0], 1);
    EXPECT_EQ(a[kArea * 8], 0);
    EXPECT_EQ(a[127 * kArea + 127], 0);
}

TEST(Palettes, StandardAndNesEntries) {
    const uint16_t first16[] = {0x0000, 0x0015, 0x0540, 0x0555, 0xA800, 0xA815, 0xAAA0, 0xAD55,
                                0x52AA, 0x52BF, 0x57EA, 0x57FF, 0xFAAA, 0xFABF, 0xFFEA, 0xFFFF};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(standardPalette()[i], first16[i]) << i;
    EXPECT_EQ(colorOf(standardPalette(), 0, 16), 0x0000);
    EXPECT_EQ(colorOf(standardPalette(), 15, 16), 0xFFFF);
    EXPECT_EQ(colorOf(standardPalette(), 250, 10), standardPalette()[4]);  // wraps
    EXPECT_EQ(standardPalette()[32], 0x001F);                             // first hue: blue
    EXPECT_EQ(nesPalette()[0], 0x8410);
    EXPECT_EQ(nesPalette()[64], 0);
}

TEST(PaletteFiles, EveryKindRoundTripsAndBrokenFilesAreRefused) {
    Palette p{};
    for (int i = 0; i < 256; ++i) p[i] = static_cast<uint16_t>(i * 257 + i * 13);
    for (auto kind : {PaletteFileKind::Jasc, PaletteFileKind::Gimp, PaletteFileKind::Act}) {
        const std::string file = writePaletteFile(p, kind);
        const auto back = readPaletteFile(std::span(reinterpret_cast<const uint8_t*>(file.data()), file.size()));
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, p);
    }
    EXPECT_EQ(paletteKindOf("a.b/x.GPL"), PaletteFileKind::Gimp);
    EXPECT_EQ(paletteKindOf("x.act"), PaletteFileKind::Act);
    EXPECT_EQ(paletteKindOf("x"), PaletteFileKind::Jasc);

    auto read = [](std::string_view text) {
        return readPaletteFile(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    };
    // Short, oversized and broken files: what is there is taken, the rest black.
    auto jasc = read("JASC-PAL\n0100\n9999\n255 255 255\n0 0 255\nx");
    ASSERT_TRUE(jasc);
    EXPECT_EQ((*jasc)[0], 0xFFFF);
    EXPECT_EQ((*jasc)[1], 0x001F);
    EXPECT_EQ((*jasc)[2], 0);
    auto gimp = read("GIMP Palette\nName: x\nColumns: 4\n#\n300 -5 8\tRed\n");
    ASSERT_TRUE(gimp);
    EXPECT_EQ((*gimp)[0], 0xF801);
    EXPECT_FALSE(read("JASC-PAL\n0100\n"));
    EXPECT_FALSE(read("GIF89a"));
    EXPECT_FALSE(read(""));
    std::string act(772, '\0');
    act[0] = '\xFF', act[769] = 1;  // one colour counted
    act[3] = '\xFF';
    auto counted = read(act);
    ASSERT_TRUE(counted);
    EXPECT_EQ((*counted)[0], 0xF800);
    EXPECT_EQ((*counted)[1], 0);
}

}  // namespace
}  // namespace hexedit::tiles
