#pragma once
// The kana picker of the find window: five classes of 6 x 16 Shift-JIS
// characters, the class shown, and the cell under the mouse.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hexedit::search {

class KanaGrid {
public:
    static constexpr int Rows = 6;
    static constexpr int Columns = 16;
    static constexpr int CellSize = 24;   // pixels, square
    static constexpr int TextInset = 6;   // pixels from the cell's corner
    static constexpr int ClassCount = 5;
    static constexpr int Width = Columns * CellSize;
    static constexpr int Height = Rows * CellSize;
    static constexpr uint16_t Blank = 0x8140;  // full-width space

    using Table = std::array<uint16_t, Rows * Columns>;
    static const std::array<Table, ClassCount>& classes();
    static const std::array<const char*, ClassCount>& classNames();

    struct Cell {
        int row = 0;
        int column = 0;
        bool operator==(const Cell&) const = default;
    };

    int currentClass() const { return class_; }
    // Out-of-range classes are ignored.
    void setClass(int index);

    uint16_t code(Cell c) const { return classes()[class_][c.row * Columns + c.column]; }
    // The two Shift-JIS bytes of a cell, lead byte first.
    std::string bytes(Cell c) const;
    // The cell under a point of the grid, nothing outside it.
    static std::optional<Cell> cellAt(int x, int y);

    // The highlight follows the mouse; it stays on the last cell it reached.
    void mouseMoved(int x, int y);
    std::optional<Cell> highlight() const { return highlight_; }

    // What the renderer draws: each cell's character at its text position.
    struct DrawnCell {
        int x = 0, y = 0;  // top left of the cell
        int textX = 0, textY = 0;
        std::u16string text;
        bool highlighted = false;
    };
    std::vector<DrawnCell> layout() const;

private:
    int class_ = 0;
    std::optional<Cell> highlight_;
};

}  // namespace hexedit::search
