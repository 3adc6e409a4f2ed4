#pragma once
// The two game-style text boxes: text layers, pen, palette, the built-in
// fonts, the window frame and the 320 x 256 RGB565 screen picture they are
// copied to. Everything is drawn here into pixel buffers; the window only
// stretches the screen picture.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "scripted/DataFile.h"
#include "scripted/Script.h"

namespace scripted {

inline constexpr int kScreenWidth = 320;
inline constexpr int kScreenHeight = 256;
inline constexpr int kLayerStride = 232;      // pixels per layer row
inline constexpr int kLayerRows = 768;        // pen rows wrap modulo this
inline constexpr int kShownRows = 96;         // layer rows copied to the screen
inline constexpr int kMaxScroll = kLayerRows - kShownRows;  // 672
inline constexpr int kWrapX = kLayerStride - 16;            // 216
inline constexpr int kFrameWidth = 232;       // 29 tiles of 8 pixels
inline constexpr int kFrameHeight = 112;      // 14 tiles of 8 pixels
inline constexpr uint16_t kShadow = 0x10A2;
inline constexpr uint16_t kBoxFill = 0x2114;  // frame pixels that take the box colour
inline constexpr uint8_t kTextColor = 15;
inline constexpr uint8_t kCodeColor = 14;

extern const std::array<uint16_t, 16> kPalette;

enum class Box : uint8_t { Upper, Lower };

// A 16-row glyph: bit 15 of a row is its leftmost pixel.
struct GlyphBits {
    std::array<uint16_t, 16> rows{};
};

// A glyph in the ROM font's 32-byte layout; blank for an empty span.
GlyphBits glyphFromRom(std::span<const uint8_t> glyph);
// The built-in 16 x 16 font of the translated text: printable ASCII, codes
// 0-32 and 127 blank, 128-255 a hollow box so that such bytes stay visible.
const GlyphBits& builtinGlyph16(uint8_t code);
// The built-in 8 x 16 font of code texts (bits 15-8 used); blank outside
// printable ASCII.
const GlyphBits& builtinGlyph8(uint8_t code);

// The encoded translation as text events: one byte per glyph (its value the
// glyph code), control words of two bytes, ending at 0xFFFF, 0x8000 or the
// end of the bytes.
std::vector<TextEvent> DecodeTranslation(std::span<const uint8_t> bytes);

struct TextLayer {
    std::vector<uint16_t> pixels = std::vector<uint16_t>(size_t(kLayerStride) * kLayerRows, 0);
    uint16_t scroll = 0;  // first layer row shown, in pixel rows
    int frameX = 8, frameY = 8;
    int copyRow = 16;     // first screen row the text goes to
    int penX = 0, penY = 0;
    uint8_t color = kTextColor;

    uint16_t at(int x, int y) const { return pixels[size_t(y) * kLayerStride + size_t(x)]; }
};

// Where a box's glyphs come from: the ROM font (upper box) or the built-in
// 16 x 16 font (lower box).
struct GlyphSource {
    Box box = Box::Upper;
    std::span<const uint8_t> romImage;  // upper box only
};

class TextBoxRenderer {
public:
    TextBoxRenderer();

    std::vector<uint16_t> Screen;  // kScreenWidth x kScreenHeight, RGB565
    std::vector<uint16_t> Work;    // the drawn frames, same size
    std::array<TextLayer, 2> Layers;

    TextLayer& layer(Box b) { return Layers[static_cast<size_t>(b)]; }
    const TextLayer& layer(Box b) const { return Layers[static_cast<size_t>(b)]; }

    // Clears the box's layer, draws the text events into it with the given
    // glyph size, then draws the frame and copies both to the screen.
    void DrawTextBox(Box box, std::span<const TextEvent> text, const GlyphSource& glyphs, int glyphHeight,
                     int glyphWidth, const ViewOptions& view);

    // The colour that replaces the frame's fill on a frame row (0-111).
    static uint16_t boxColor(const ViewOptions& view, int frameRow);

private:
    void drawGlyph(TextLayer& l, const GlyphBits& g, int height, int width, bool proportional, int advance);
    void newLine(TextLayer& l);
    void drawFrame(Box box, const ViewOptions& view);
    void copyToScreen(Box box);
};

}  // namespace scripted
