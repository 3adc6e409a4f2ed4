#include "hexedit/tableedit/CharGrid.h"

#include <algorithm>
#include <cstdio>

#include "common/codepage.h"

namespace hexedit::tableedit {

const std::array<const char*, CharGrid::SelectionCount>& CharGrid::selectionNames() {
    static const std::array<const char*, SelectionCount> names = {"Punctuation", "Kana ASCII", "Hiragana", "Katakana"};
    return names;
}

const std::array<uint16_t, CharGrid::SelectionCount>& CharGrid::selectionCodes() {
    static const std::array<uint16_t, SelectionCount> codes = {0x8140, 0x8240, 0x82A0, 0x8340};
    return codes;
}

void CharGrid::setPosition(int position) { position_ = std::clamp(position, ScrollMin, ScrollMax); }

void CharGrid::select(int index) {
    if (index < 0 || index >= SelectionCount) return;
    selection_ = index;
    setPosition(selectionCodes()[index]);
}

std::optional<CharGrid::Cell> CharGrid::cellAt(int x, int y) {
    if (x < 0 || y < 0 || x >= Width || y >= Height) return std::nullopt;
    return Cell{y / CellSize, x / CellSize};
}

char16_t CharGrid::glyph(uint16_t code) {
    const char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    const std::u16string text = common::cp932ToUtf16(std::string_view(bytes, 2));
    return text.size() == 1 ? text[0] : InvalidGlyph;
}

std::string CharGrid::insertBytes(uint16_t code) {
    if (code != MiddleDot && glyph(code) == InvalidGlyph) code = FullWidthSpace;
    return std::string{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
}

void CharGrid::mouseMoved(int x, int y) {
    if (auto c = cellAt(x, y)) hover_ = c;
}

std::optional<CharGrid::Rect> CharGrid::buttonRect() const {
    if (!hover_) return std::nullopt;
    return Rect{Left + hover_->column * CellSize, Top + hover_->row * CellSize, CellSize, CellSize};
}

std::string CharGrid::hint() const {
    if (!hover_) return {};
    char text[8];
    std::snprintf(text, sizeof text, "%04X", code(*hover_));
    return text;
}

void CharGrid::layout(Page& page) const {
    for (int r = 0; r < Rows; ++r)
        for (int c = 0; c < Columns; ++c) {
            DrawnCell& d = page[static_cast<size_t>(r * Columns + c)];
            d.textX = c * CellSize + TextInset;
            d.textY = r * CellSize + TextInset;
            d.glyph = glyph(code({r, c}));
        }
}

std::vector<uint32_t> CharGrid::background(uint32_t face) {
    constexpr uint32_t black = 0xFF000000;
    std::vector<uint32_t> pixels(static_cast<size_t>(BitmapWidth) * BitmapHeight, face | black);
    for (int y = 0; y < BitmapHeight; ++y)
        for (int x = 0; x < BitmapWidth; ++x) {
            const bool line = x % BitmapLineStep == 0 || y % BitmapLineStep == 0 || x == BitmapWidth - 1 ||
                              y == BitmapHeight - 1;
            if (line) pixels[static_cast<size_t>(y) * BitmapWidth + static_cast<size_t>(x)] = black;
        }
    return pixels;
}

}  // namespace hexedit::tableedit
