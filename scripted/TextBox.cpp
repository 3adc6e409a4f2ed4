#include "scripted/TextBox.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "common/font5x7.h"

namespace scripted {

const std::array<uint16_t, 16> kPalette = {0x0000, 0x0015, 0x0540, 0x0555, 0xA800, 0xA815, 0xAAA0, 0xAD55,
                                           0x52AA, 0x52BF, 0x57EA, 0x57FF, 0xFAAA, 0xFABF, 0xFFEA, 0xFFFF};

namespace {

// Scales a 5 x 7 pattern into a 16-row cell: each pattern pixel becomes
// `sx` columns by 2 rows, starting at column `x0` and row 1.
GlyphBits scaled(const char* const* rows, int sx, int x0) {
    GlyphBits g;
    if (!rows) return g;
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 5; ++c) {
            if (rows[r][c] != '#') continue;
            for (int dx = 0; dx < sx; ++dx) {
                auto bit = static_cast<uint16_t>(0x8000u >> (x0 + c * sx + dx));
                g.rows[static_cast<size_t>(1 + r * 2)] |= bit;
                g.rows[static_cast<size_t>(2 + r * 2)] |= bit;
            }
        }
    return g;
}

struct BuiltinFonts {
    std::array<GlyphBits, 256> big{};
    std::array<GlyphBits, 128> small{};
    BuiltinFonts() {
        for (int c = 33; c < 127; ++c) {
            const char* const* rows = common::font5x7::rows(static_cast<char>(c));
            big[static_cast<size_t>(c)] = scaled(rows, 2, 0);
            small[static_cast<size_t>(c)] = scaled(rows, 1, 1);
        }
        // Bytes without a character: a hollow box, 10 pixels wide like the letters.
        GlyphBits box;
        for (int r = 1; r <= 14; ++r) box.rows[static_cast<size_t>(r)] = (r == 1 || r == 14) ? 0xFFC0 : 0x8040;
        for (int c = 128; c < 256; ++c) big[static_cast<size_t>(c)] = box;
    }
};

const BuiltinFonts& fonts() {
    static const BuiltinFonts f;
    return f;
}

// The 8 x 8 frame tiles: 0 inside, 1-3 top corners and edge, 4-5 the sides,
// 6-8 bottom. A bevel of black, light and mid grey around the fill.
using Tile = std::array<uint16_t, 64>;
std::array<Tile, 9> makeTiles() {
    std::array<Tile, 9> tiles{};
    constexpr uint16_t ring[3] = {0x0000, 0xE73C, 0x8430};
    // Which sides of the tile lie on the frame's border.
    struct Sides {
        bool top, left, right, bottom;
    };
    constexpr Sides sides[9] = {{false, false, false, false}, {true, true, false, false}, {true, false, false, false},
                                {true, false, true, false},   {false, true, false, false}, {false, false, true, false},
                                {false, true, false, true},   {false, false, false, true}, {false, false, true, true}};
    for (size_t t = 0; t < 9; ++t)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const Sides& s = sides[t];
                int d = 8;
                if (s.top) d = std::min(d, y);
                if (s.left) d = std::min(d, x);
                if (s.right) d = std::min(d, 7 - x);
                if (s.bottom) d = std::min(d, 7 - y);
                // Round the outer corners off.
                int cx = s.left ? x : 7 - x, cy = s.top ? y : 7 - y;
                bool corner = (s.left || s.right) && (s.top || s.bottom) && cx + cy < 2;
                uint16_t v = d < 3 ? ring[d] : kBoxFill;
                tiles[t][static_cast<size_t>(y * 8 + x)] = corner ? 0x0000 : v;
            }
    return tiles;
}

const std::array<Tile, 9>& frameTiles() {
    static const auto t = makeTiles();
    return t;
}

int tileAt(int col, int row) {
    constexpr int last = kFrameWidth / 8 - 1, bottom = kFrameHeight / 8 - 1;
    if (row == 0) return col == 0 ? 1 : col == last ? 3 : 2;
    if (row == bottom) return col == 0 ? 6 : col == last ? 8 : 7;
    return col == 0 ? 4 : col == last ? 5 : 0;
}

}  // namespace

GlyphBits glyphFromRom(std::span<const uint8_t> glyph) {
    GlyphBits g;
    if (glyph.size() < kGlyphBytes) return g;
    for (size_t r = 0; r < 16; ++r) g.rows[r] = static_cast<uint16_t>((glyph[r] << 8) | glyph[16 + r]);
    return g;
}

const GlyphBits& builtinGlyph16(uint8_t code) { return fonts().big[code]; }
const GlyphBits& builtinGlyph8(uint8_t code) { return fonts().small[code & 0x7F]; }

std::vector<TextEvent> DecodeTranslation(std::span<const uint8_t> bytes) {
    std::vector<TextEvent> out;
    size_t pos = 0;
    while (pos + 1 < bytes.size()) {
        auto w = static_cast<uint16_t>(bytes[pos] | (bytes[pos + 1] << 8));
        if (w == 0xFFFF || w == 0x8000) break;
        TextEvent e;
        e.word = w;
        if (isControlWord(w)) {
            pos += 2;
            if (w == 0x8001) {
                e.kind = TextEvent::NewLine;
            } else {
                e.kind = TextEvent::ControlText;
                e.text = controlText(w);
                e.lineBreak = w == 0x800C;
            }
        } else {
            e.kind = TextEvent::Glyph;
            e.word = bytes[pos];
            pos += 1;
        }
        out.push_back(std::move(e));
    }
    out.push_back(TextEvent{});
    return out;
}

TextBoxRenderer::TextBoxRenderer()
    : Screen(size_t(kScreenWidth) * kScreenHeight, 0), Work(size_t(kScreenWidth) * kScreenHeight, 0) {
    Layers[1].frameY = 136;
    Layers[1].copyRow = 144;
}

uint16_t TextBoxRenderer::boxColor(const ViewOptions& view, int frameRow) {
    int shift = view.color == BoxColor::Blue ? 0 : view.color == BoxColor::Green ? 5 : 11;
    int value = view.fill == BoxFill::Solid ? 31 : std::max(0, 31 - frameRow / (kFrameHeight / 31));
    return static_cast<uint16_t>(value << shift);
}

void TextBoxRenderer::newLine(TextLayer& l) {
    l.penX = 0;
    l.penY += 16;
}

// 0xFFFF in each of eight lanes whose bit (most significant first) is set.
using Lanes = std::array<std::array<uint16_t, 8>, 256>;
constexpr Lanes makeLanes() {
    Lanes t{};
    for (size_t b = 0; b < 256; ++b)
        for (size_t i = 0; i < 8; ++i) t[b][i] = (b & (0x80u >> i)) ? 0xFFFF : 0;
    return t;
}
constexpr Lanes kLanes = makeLanes();

void spread(uint16_t bits, uint16_t* out) {
    std::memcpy(out, kLanes[bits >> 8].data(), 16);
    std::memcpy(out + 8, kLanes[bits & 0xFF].data(), 16);
}

// Draws a glyph at the pen and advances it. `advance` is the fixed advance;
// proportional glyphs advance by their rightmost set column + 2 (4 + 2 when
// blank). A set pixel takes the ink and puts the shadow to its right; a clear
// one is cleared unless it holds a shadow.
void TextBoxRenderer::drawGlyph(TextLayer& l, const GlyphBits& g, int height, int width, bool proportional,
                                int advance) {
    if (l.penX >= kWrapX) newLine(l);  // keeps the 16 columns and the shadow inside the row
    l.penY %= kLayerRows;
    const uint16_t ink = kPalette[l.color & 15];
    const int rows = std::min(height, 16), cols = std::clamp(width, 0, 16);
    const auto mask = static_cast<uint16_t>(0xFFFF0000u >> cols);
    uint16_t touch[16];
    spread(mask, touch);
    uint16_t seen = 0;
    for (int r = 0; r < rows; ++r) {
        uint16_t* p = &l.pixels[size_t((l.penY + r) % kLayerRows) * kLayerStride + size_t(l.penX)];
        const uint16_t bits = g.rows[static_cast<size_t>(r)] & mask;
        seen |= bits;
        // Pixel c is a shadow when c - 1 is set and c is not. Done on all
        // 16 lanes at once, leaving the columns past the glyph's width.
        uint16_t set[16], shade[16];
        spread(bits, set);
        spread(static_cast<uint16_t>((bits >> 1) & ~bits), shade);
        for (int c = 0; c < 16; ++c) {
            const uint16_t old = p[c];
            const auto keep = static_cast<uint16_t>(old == kShadow ? 0xFFFF : 0);
            const auto v = static_cast<uint16_t>((set[c] & ink) | (~set[c] & (shade[c] | keep) & kShadow));
            p[c] = static_cast<uint16_t>((touch[c] & v) | (~touch[c] & old));
        }
        if (cols > 0 && ((bits >> (16 - cols)) & 1u)) p[cols] = kShadow;
    }
    const int rightmost = seen ? 16 - std::countr_zero(seen) : 0;
    l.penX += proportional ? (rightmost ? rightmost : 4) + 2 : advance;
    if (l.penX >= kWrapX) newLine(l);
}

void TextBoxRenderer::DrawTextBox(Box box, std::span<const TextEvent> text, const GlyphSource& glyphs,
                                  int glyphHeight, int glyphWidth, const ViewOptions& view) {
    TextLayer& l = layer(box);
    std::fill(l.pixels.begin(), l.pixels.end(), uint16_t{0});
    l.color = kTextColor;
    l.penX = l.penY = 0;
    if (box == Box::Upper) std::fill(Work.begin(), Work.end(), uint16_t{0});

    for (const TextEvent& e : text) {
        if (e.kind == TextEvent::End) break;
        if (e.kind == TextEvent::NewLine) {
            newLine(l);
        } else if (e.kind == TextEvent::Glyph) {
            GlyphBits g = glyphs.box == Box::Upper ? glyphFromRom(GlyphAt(glyphs.romImage, e.word))
                                                   : builtinGlyph16(static_cast<uint8_t>(e.word));
            drawGlyph(l, g, glyphHeight, glyphWidth, view.useVwf, glyphWidth);
        } else {
            if (!view.hideCodes) {
                uint8_t saved = l.color;
                l.color = kCodeColor;
                for (char ch : e.text) drawGlyph(l, builtinGlyph8(static_cast<uint8_t>(ch)), 16, 8, true, 8);
                l.color = saved;
            }
            if (e.lineBreak) newLine(l);
        }
    }
    l.penY %= kLayerRows;
    drawFrame(box, view);
    copyToScreen(box);
}

void TextBoxRenderer::drawFrame(Box box, const ViewOptions& view) {
    const TextLayer& l = layer(box);
    const auto& tiles = frameTiles();
    for (int y = 0; y < kFrameHeight; ++y) {
        const uint16_t fill = boxColor(view, y);
        uint16_t* row = &Work[size_t(l.frameY + y) * kScreenWidth + size_t(l.frameX)];
        for (int x = 0; x < kFrameWidth; ++x) {
            uint16_t v = tiles[static_cast<size_t>(tileAt(x / 8, y / 8))][static_cast<size_t>((y % 8) * 8 + x % 8)];
            row[x] = v == kBoxFill ? fill : v;
        }
    }
}

void TextBoxRenderer::copyToScreen(Box box) {
    const TextLayer& l = layer(box);
    const size_t frameStart = size_t(l.frameY) * kScreenWidth;
    std::memcpy(&Screen[frameStart], &Work[frameStart], size_t(kFrameHeight) * kScreenWidth * sizeof(uint16_t));
    for (int r = 0; r < kShownRows; ++r) {
        const uint16_t* src = &l.pixels[size_t((l.scroll + r) % kLayerRows) * kLayerStride];
        uint16_t* dst = &Screen[size_t(l.copyRow + r) * kScreenWidth + 16];
        for (int x = 0; x < kLayerStride; ++x)
            if (src[x] != 0) dst[x] = src[x];
    }
}

}  // namespace scripted
