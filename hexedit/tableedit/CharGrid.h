#pragma once
// The table editor's character grid (jGrid) and its scroll bar (TScrl):
// 16 x 10 cells of consecutive two-byte Shift-JIS codes, the cell under the
// mouse with the flat button that follows it, and what a click inserts.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hexedit::tableedit {

class CharGrid {
public:
    static constexpr int Rows = 10;
    static constexpr int Columns = 16;
    static constexpr int CellCount = Rows * Columns;
    static constexpr int CellSize = 24;  // pixels, square
    static constexpr int TextInset = 6;  // pixels from the cell's corner
    static constexpr int Width = Columns * CellSize;
    static constexpr int Height = Rows * CellSize;
    // The grid's top left corner in the window's client area.
    static constexpr int Left = 156;
    static constexpr int Top = 64;

    // The scroll bar.
    static constexpr int ScrollMin = 0x8000;
    static constexpr int ScrollMax = 0xFF60;
    static constexpr int SmallChange = 16;
    static constexpr int LargeChange = 160;
    static constexpr int StartPosition = 0x8140;

    // The background: a small bitmap with grid lines, stretched twice over
    // the grid.
    static constexpr int BitmapWidth = 192;
    static constexpr int BitmapHeight = 120;
    static constexpr int BitmapLineStep = 12;

    static constexpr uint16_t FullWidthSpace = 0x8140;
    static constexpr uint16_t MiddleDot = 0x8145;  // Shift-JIS of U+30FB
    static constexpr char16_t InvalidGlyph = u'\u30FB';

    // The four buttons of " Character Selection " and where they jump.
    static constexpr int SelectionCount = 4;
    static const std::array<const char*, SelectionCount>& selectionNames();
    static const std::array<uint16_t, SelectionCount>& selectionCodes();

    struct Cell {
        int row = 0;
        int column = 0;
        bool operator==(const Cell&) const = default;
    };

    int position() const { return position_; }
    // Clamped into [ScrollMin, ScrollMax].
    void setPosition(int position);
    // Jumps to one of the character selections; the selection shown checked.
    void select(int index);
    int selection() const { return selection_; }

    // The first code shown: the position rounded down to a multiple of 16.
    uint16_t firstCode() const { return static_cast<uint16_t>(position_ & ~0xF); }
    uint16_t code(Cell c) const { return static_cast<uint16_t>(firstCode() + c.row * Columns + c.column); }
    static std::optional<Cell> cellAt(int x, int y);

    // The character a code stands for, or U+30FB when its two bytes do not
    // form one Shift-JIS character.
    static char16_t glyph(uint16_t code);
    // The two bytes a click on a code inserts: the full-width space for a
    // code that is no character (or the middle dot standing in for one);
    // the middle dot's own code is kept.
    static std::string insertBytes(uint16_t code);

    // The flat button follows the mouse from cell to cell and stays on the
    // last cell it reached.
    void mouseMoved(int x, int y);
    std::optional<Cell> hover() const { return hover_; }
    // The button's place in the window's client area.
    struct Rect {
        int x = 0, y = 0, width = 0, height = 0;
        bool operator==(const Rect&) const = default;
    };
    std::optional<Rect> buttonRect() const;
    // The button's hint: the hovered cell's code as "%04X".
    std::string hint() const;

    // What the painter draws for each cell.
    struct DrawnCell {
        int textX = 0, textY = 0;
        char16_t glyph = 0;
    };
    using Page = std::array<DrawnCell, CellCount>;
    void layout(Page& page) const;
    // The background bitmap as 0xAARRGGBB pixels, row by row: `face` with
    // black lines every BitmapLineStep pixels and along the far edges.
    static std::vector<uint32_t> background(uint32_t face);

private:
    int position_ = StartPosition;
    int selection_ = 0;
    std::optional<Cell> hover_;
};

}  // namespace hexedit::tableedit
