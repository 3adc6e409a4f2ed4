#include "tools/mkgamerom/Font5x7.h"

#include "common/font5x7.h"

namespace mkgamerom {
namespace {

// A filled heart for the glyph code above the control-word range.
constexpr const char* kHeart[7] = {".....", ".#.#.", "#####", "#####", ".###.", "..#..", "....."};

Glyph fromRows(const char* const rows[7]) {
    // Each pixel of the 5 x 7 pattern becomes 2 x 2 pixels: columns 0-9,
    // rows 1-14 of the 16 x 16 cell, leaving a one-row margin top and bottom.
    Glyph g{};
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 5; ++c) {
            if (rows[r][c] != '#') continue;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    int y = 1 + r * 2 + dy;
                    int x = c * 2 + dx;
                    uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
                    g[(x < 8 ? 0 : 16) + y] |= bit;
                }
        }
    return g;
}

}  // namespace

Glyph asciiGlyph(char c) {
    const char* const* rows = common::font5x7::rows(c);
    return rows ? fromRows(rows) : Glyph{};
}

Glyph heartGlyph() { return fromRows(kHeart); }

Glyph kanaGlyph(uint16_t code) {
    Glyph g{};
    auto set = [&](int y, int x) { g[(x < 8 ? 0 : 16) + y] |= static_cast<uint8_t>(0x80 >> (x & 7)); };
    for (int i = 1; i <= 13; ++i) {
        set(1, i);
        set(14, i);
        set(i + 1, 1);
        set(i + 1, 13);
    }
    for (int bit = 0; bit < 8; ++bit)
        if (code & (0x80 >> bit)) {
            set(7, 3 + bit);
            set(8, 3 + bit);
        }
    return g;
}

}  // namespace mkgamerom
