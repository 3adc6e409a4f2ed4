#include "hexedit/tiles/TileFormats.h"

#include <algorithm>
#include <cstring>

namespace hexedit::tiles {

const std::array<TileFormat, kFormatCount> kTileFormats = {{
    {0, "1-Bpp", '1', "1 - Bitplane", 1, 0, 2, false},
    {1, "N.E.S", '2', "NES. Mode", 2, 1, 4, false},
    {2, "GameBoy", '3', "2 - Bitplane", 2, 1, 4, false},
    {3, "SNES 4-Bpp", '4', "4 - Bitplane", 4, 2, 16, false},
    {4, "SNES 8-Bpp", '5', "8 - Bitplane", 8, 3, 256, false},
    {5, "Mode-7 / GBA 8BPP", '6', "Mode7/GBA 8BPP", 8, 3, 256, false},
    {6, "Sega Master Sys / GG", '7', "SMS/GameGear", 4, 2, 16, false},
    {7, "GBA 4BPP", '8', "GBA 4BPP", 4, 2, 16, false},
    {8, "Sega Genesis", '9', "Sega Genesis", 4, 2, 16, false},
    {9, "SNES 3-Bpp", '0', "3 - Bitplane", 3, 2, 8, false},
    {10, "Tiles 16 x hh", 'A', "16 x hh Mode", 2, 1, 2, true},
}};

namespace {

enum Number { OneBpp, Nes, GameBoy, Snes4, Snes8, Mode7, Sms, Gba4, Genesis, Snes3, Wide };

// The largest footprint: 64 rows of 8 one-byte pixels.
constexpr int kMaxFootprint = 8 * kMaxTileHeight;

// Offset of plane p of row r from the tile's start, in the bit-planar formats.
inline int planeOffset(int format, int r, int p) {
    switch (format) {
    case OneBpp: return r;
    case Nes: return 16 * (r / 8) + (r % 8) + 8 * p;  // rows 8-15, 16-23... in later 16-byte blocks
    case GameBoy: return 2 * r + p;
    case Snes4:
    case Snes8: return 2 * r + (p & 1) + 16 * (p >> 1);
    case Sms: return 4 * r + p;
    case Snes3: return p < 2 ? 2 * r + p : 16 + r;
    default: return 0;
    }
}

// The eight pixels of a plane byte, one per byte lane (pixel x in lane x):
// a row is the OR of each plane's spread shifted by the plane number.
struct Spread {
    uint64_t lanes[256];
    Spread() {
        for (int v = 0; v < 256; ++v) {
            uint8_t px[8];
            for (int x = 0; x < 8; ++x) px[x] = static_cast<uint8_t>((v >> (7 - x)) & 1);
            std::memcpy(&lanes[v], px, 8);
        }
    }
};
const Spread kSpread;

// The rows of a bit-planar tile, with the format fixed at compile time so
// the plane loop unrolls.
template <int Format, int Planes>
void planarRows(const uint8_t* src, int h, uint8_t* dest, int pitch) {
    for (int r = 0; r < h; ++r) {
        uint64_t row = 0;
        for (int p = 0; p < Planes; ++p) row |= kSpread.lanes[src[planeOffset(Format, r, p)]] << p;
        std::memcpy(dest + static_cast<ptrdiff_t>(r) * pitch, &row, 8);
    }
}

bool planar(int format) { return format != Mode7 && format != Gba4 && format != Genesis && format != Wide; }

// Copies the bytes of [B, B + n) that lie inside `bytes` (which starts at
// file offset `base`) into `out`, zero elsewhere.
void gather(std::span<const uint8_t> bytes, int64_t base, int64_t B, int n, uint8_t* out) {
    std::memset(out, 0, static_cast<size_t>(n));
    const int64_t from = std::max(B, base);
    const int64_t to = std::min(B + n, base + static_cast<int64_t>(bytes.size()));
    if (from < to) std::memcpy(out + (from - B), bytes.data() + (from - base), static_cast<size_t>(to - from));
}

}  // namespace

int formatForKey(char32_t key) {
    if (key == 'a') key = 'A';
    for (const auto& f : kTileFormats)
        if (static_cast<char32_t>(f.key) == key) return f.number;
    return -1;
}

int tileFootprint(const TileFormat& f, int h) {
    switch (f.number) {
    case OneBpp: return h;
    case Nes: return 16 * ((h - 1) / 8) + 8 + (h - 1) % 8 + 1;
    case GameBoy:
    case Wide: return 2 * h;
    case Snes4: return 2 * h + 16;
    case Snes8: return 2 * h + 48;
    case Mode7: return 8 * h;
    case Sms:
    case Gba4:
    case Genesis: return 4 * h;
    case Snes3: return std::max(2 * h, 16 + h);
    default: return 0;
    }
}

void decodeTile(const TileFormat& f, std::span<const uint8_t> bytes, int64_t B, int h, uint8_t* dest, int pitch) {
    uint8_t t[kMaxFootprint];
    const int n = tileFootprint(f, h);
    const uint8_t* src;
    if (B >= 0 && B + n <= static_cast<int64_t>(bytes.size())) {
        src = bytes.data() + B;
    } else {
        gather(bytes, 0, B, n, t);
        src = t;
    }
    const int fmt = f.number;
    switch (fmt) {
    case OneBpp: planarRows<OneBpp, 1>(src, h, dest, pitch); return;
    case Nes: planarRows<Nes, 2>(src, h, dest, pitch); return;
    case GameBoy: planarRows<GameBoy, 2>(src, h, dest, pitch); return;
    case Snes4: planarRows<Snes4, 4>(src, h, dest, pitch); return;
    case Snes8: planarRows<Snes8, 8>(src, h, dest, pitch); return;
    case Sms: planarRows<Sms, 4>(src, h, dest, pitch); return;
    case Snes3: planarRows<Snes3, 3>(src, h, dest, pitch); return;
    default: break;
    }
    for (int r = 0; r < h; ++r) {
        uint8_t* d = dest + static_cast<ptrdiff_t>(r) * pitch;
        if (fmt == Mode7) {
            std::memcpy(d, src + 8 * r, 8);
        } else if (fmt == Wide) {
            std::memcpy(d, &kSpread.lanes[src[2 * r]], 8);
            std::memcpy(d + 8, &kSpread.lanes[src[2 * r + 1]], 8);
        } else {  // two pixels a byte: GBA low nibble first, Genesis high nibble first
            const int first = fmt == Gba4 ? 0 : 4;
            for (int i = 0; i < 4; ++i) {
                const unsigned v = src[4 * r + i];
                d[2 * i] = static_cast<uint8_t>((v >> first) & 15u);
                d[2 * i + 1] = static_cast<uint8_t>((v >> (4 - first)) & 15u);
            }
        }
    }
}

void encodeTile(const TileFormat& f, const uint8_t* src, int pitch, int h, std::span<uint8_t> bytes, int64_t base,
                int64_t B) {
    uint8_t t[kMaxFootprint];
    const int n = tileFootprint(f, h);
    gather(bytes, base, B, n, t);
    const int fmt = f.number;
    for (int r = 0; r < h; ++r) {
        const uint8_t* s = src + static_cast<ptrdiff_t>(r) * pitch;
        if (planar(fmt)) {
            for (int p = 0; p < f.BitsPerPixel; ++p) {
                unsigned v = 0;
                for (int x = 0; x < 8; ++x) v |= ((s[x] >> p) & 1u) << (7 - x);
                t[planeOffset(fmt, r, p)] = static_cast<uint8_t>(v);
            }
        } else if (fmt == Mode7) {
            std::memcpy(t + 8 * r, s, 8);
        } else if (fmt == Wide) {
            unsigned v = 0;
            for (int x = 0; x < 16; ++x) v |= (s[x] & 1u) << (15 - x);
            t[2 * r] = static_cast<uint8_t>(v >> 8);
            t[2 * r + 1] = static_cast<uint8_t>(v);
        } else {
            const int first = fmt == Gba4 ? 0 : 4;
            for (int i = 0; i < 4; ++i)
                t[4 * r + i] = static_cast<uint8_t>(((s[2 * i] & 15u) << first) | ((s[2 * i + 1] & 15u) << (4 - first)));
        }
    }
    // Back only inside the span; the rest of the footprint was never there.
    const int64_t from = std::max(B, base);
    const int64_t to = std::min(B + n, base + static_cast<int64_t>(bytes.size()));
    if (from < to) std::memcpy(bytes.data() + (from - base), t + (from - B), static_cast<size_t>(to - from));
}

int TileLayout::perRow() const { return format->Wide16 ? std::max(1, viewColumns / 2) : viewColumns; }

int32_t clampViewStart(int32_t top, int32_t bufferSize, const TileLayout& layout, bool& full) {
    const int64_t amount = int64_t{kArea / layout.tileHeight} * 128 * layout.format->BitsPerPixel;
    int64_t t = top;
    if (t + amount > bufferSize) {
        t = bufferSize - amount;
        full = true;
    }
    if (t < 0) {
        t = 0;
        full = true;
    }
    return static_cast<int32_t>(t);
}

namespace {
void decodeTileRow(const TileLayout& l, std::span<const uint8_t> bytes, int64_t top, int row, TileArea& area) {
    uint8_t* rowStart = area.data() + static_cast<ptrdiff_t>(row) * l.tileHeight * kArea;
    const int w = tileWidth(*l.format);
    const int columns = std::min(l.perRow(), kArea / w);
    for (int c = 0; c < columns; ++c)
        decodeTile(*l.format, bytes, l.tileOffset(top, row, c), l.tileHeight, rowStart + c * w, kArea);
}
}  // namespace

void decodeView(const TileLayout& l, std::span<const uint8_t> bytes, int64_t top, Redraw kind, TileArea& area) {
    const int rows = l.rows();
    const int h = l.tileHeight;
    const size_t used = static_cast<size_t>(rows) * h * kArea;  // pixel rows the tile rows cover
    if (kind == Redraw::Full || rows < 2) {
        for (int r = 0; r < rows; ++r) decodeTileRow(l, bytes, top, r, area);
    } else if (kind == Redraw::ScrollUp) {
        std::memmove(area.data() + static_cast<size_t>(h) * kArea, area.data(), used - static_cast<size_t>(h) * kArea);
        decodeTileRow(l, bytes, top, 0, area);
    } else {
        std::memmove(area.data(), area.data() + static_cast<size_t>(h) * kArea, used - static_cast<size_t>(h) * kArea);
        decodeTileRow(l, bytes, top, rows - 1, area);
    }
}

}  // namespace hexedit::tiles
