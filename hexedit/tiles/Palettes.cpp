#include "hexedit/tiles/Palettes.h"

namespace hexedit::tiles {

namespace {

constexpr uint16_t rgb565From6(int r, int g, int b) {
    auto to8 = [](int v) { return v * 255 / 63; };
    return static_cast<uint16_t>(((to8(r) >> 3) << 11) | ((to8(g) >> 2) << 5) | (to8(b) >> 3));
}

Palette makeStandard() {
    Palette p{};
    static constexpr int ega[16][3] = {{0, 0, 0},   {0, 0, 42},   {0, 42, 0},   {0, 42, 42},
                                       {42, 0, 0},  {42, 0, 42},  {42, 21, 0},  {42, 42, 42},
                                       {21, 21, 21}, {21, 21, 63}, {21, 63, 21}, {21, 63, 63},
                                       {63, 21, 21}, {63, 21, 63}, {63, 63, 21}, {63, 63, 63}};
    static constexpr int grey[16] = {0, 5, 8, 11, 14, 17, 20, 24, 28, 32, 36, 40, 45, 50, 56, 63};
    // The five levels of each ring, low to high, for full, half and a
    // quarter saturation, at high, middle and low brightness.
    static constexpr int rings[9][5] = {{0, 16, 31, 47, 63},  {31, 39, 47, 55, 63}, {45, 49, 54, 58, 63},
                                        {0, 7, 14, 21, 28},   {14, 17, 21, 24, 28}, {20, 22, 24, 26, 28},
                                        {0, 4, 8, 12, 16},    {8, 10, 12, 14, 16},  {11, 12, 13, 15, 16}};
    // Level indices (red, green, blue) of the 24 hues, from blue round to blue.
    static constexpr int hues[24][3] = {{0, 0, 4}, {1, 0, 4}, {2, 0, 4}, {3, 0, 4}, {4, 0, 4}, {4, 0, 3},
                                        {4, 0, 2}, {4, 0, 1}, {4, 0, 0}, {4, 1, 0}, {4, 2, 0}, {4, 3, 0},
                                        {4, 4, 0}, {3, 4, 0}, {2, 4, 0}, {1, 4, 0}, {0, 4, 0}, {0, 4, 1},
                                        {0, 4, 2}, {0, 4, 3}, {0, 4, 4}, {0, 3, 4}, {0, 2, 4}, {0, 1, 4}};
    for (int i = 0; i < 16; ++i) p[i] = rgb565From6(ega[i][0], ega[i][1], ega[i][2]);
    for (int i = 0; i < 16; ++i) p[16 + i] = rgb565From6(grey[i], grey[i], grey[i]);
    for (int ring = 0; ring < 9; ++ring)
        for (int h = 0; h < 24; ++h) {
            const int* lv = rings[ring];
            p[32 + ring * 24 + h] = rgb565From6(lv[hues[h][0]], lv[hues[h][1]], lv[hues[h][2]]);
        }
    return p;  // 248-255 stay black
}

Palette makeNes() {
    Palette p{};
    static constexpr uint16_t colors[64] = {
        0x8410, 0x01F4, 0x0096, 0x4012, 0xA00B, 0xC005, 0xB820, 0x88A0, 0x5960, 0x1220, 0x0240, 0x0225, 0x020C,
        0x0000, 0x0020, 0x0020, 0xC638, 0x03BF, 0x22BF, 0x81BF, 0xE976, 0xF94A, 0xF900, 0xD180, 0xC300, 0x3400,
        0x0460, 0x044A, 0x04D9, 0x2104, 0x0841, 0x0841, 0xFFFF, 0x0EBF, 0x6D1F, 0xD41F, 0xFA3E, 0xFB11, 0xFC46,
        0xFCE2, 0xFDE4, 0x9F01, 0x2F86, 0x0F94, 0x07DF, 0x5AEB, 0x0861, 0x0861, 0xFFFF, 0xA7FF, 0xB77F, 0xDD5D,
        0xFD5F, 0xFD56, 0xFE96, 0xFF74, 0xFFB3, 0xD752, 0xA775, 0xA79B, 0x9FFF, 0xDEFB, 0x1082, 0x1082};
    for (int i = 0; i < 64; ++i) p[i] = colors[i];
    return p;
}

}  // namespace

const Palette& standardPalette() {
    static const Palette p = makeStandard();
    return p;
}

const Palette& nesPalette() {
    static const Palette p = makeNes();
    return p;
}

}  // namespace hexedit::tiles
