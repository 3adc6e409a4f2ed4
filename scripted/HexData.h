#pragma once
// The hex data window's state: a 4096-byte data area shown as rows of
// eight 16-bit words, the first shown offset, the cursor cell and its keys.

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace scripted {

enum class HexKey : uint8_t { Up, Down, Left, Right, Other };

struct HexDataView {
    static constexpr int kAreaSize = 4096;
    static constexpr int kColumns = 8;
    static constexpr int kRowBytes = 16;

    std::array<uint8_t, kAreaSize> data{};  // nothing fills it; it starts zeroed
    int firstOffset = 0;                     // a multiple of 16
    int cursorColumn = 0;
    int cursorRow = 0;
    int visibleRows = 1;                     // set from the window's height

    // The word of a visible cell (row from the first shown offset), 0 past
    // the end of the area.
    uint16_t word(int row, int column) const {
        int at = firstOffset + row * kRowBytes + column * 2;
        if (at < 0 || at + 1 >= kAreaSize) return 0;
        return static_cast<uint16_t>(data[static_cast<size_t>(at)] | (data[static_cast<size_t>(at) + 1] << 8));
    }
    std::string cellText(int row, int column) const {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(word(row, column)));
        return buf;
    }
    bool isCursor(int row, int column) const { return row == cursorRow && column == cursorColumn; }
    int cursorOffset() const { return firstOffset + cursorRow * kRowBytes + cursorColumn * 2; }
    uint16_t cursorWord() const { return word(cursorRow, cursorColumn); }

    // Colours of a cell as 0xRRGGBB: the cursor red on white, the others
    // white (odd columns) or teal (even columns) on black.
    struct CellStyle {
        uint32_t ink, background;
    };
    CellStyle cellStyle(int row, int column) const {
        if (isCursor(row, column)) return {0xFF0000, 0xFFFFFF};
        return {column % 2 ? 0xFFFFFFu : 0x008080u, 0x000000};
    }

    void setVisibleRows(int rows) {
        visibleRows = rows < 1 ? 1 : rows;
        if (cursorRow >= visibleRows) cursorRow = visibleRows - 1;
    }

    // Up and Down move the cursor row and scroll by a row at the window's
    // edges; Left and Right move the column and wrap into the row above or
    // below. The cursor never leaves the data area.
    void key(HexKey k) {
        switch (k) {
            case HexKey::Up:
                if (cursorRow > 0) --cursorRow;
                else if (firstOffset > 0) firstOffset -= kRowBytes;
                break;
            case HexKey::Down:
                if (firstOffset + (cursorRow + 1) * kRowBytes >= kAreaSize) break;
                if (cursorRow < visibleRows - 1) ++cursorRow;
                else firstOffset += kRowBytes;
                break;
            case HexKey::Left:
                if (cursorColumn > 0) {
                    --cursorColumn;
                } else {
                    cursorColumn = kColumns - 1;
                    key(HexKey::Up);
                }
                break;
            case HexKey::Right:
                if (cursorColumn < kColumns - 1) {
                    ++cursorColumn;
                } else {
                    cursorColumn = 0;
                    key(HexKey::Down);
                }
                break;
            case HexKey::Other: break;
        }
    }
};

}  // namespace scripted
