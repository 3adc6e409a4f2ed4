#pragma once
// The hex data window's state: a 4096-byte data area shown as rows of
// eight 16-bit words, the first shown offset and the cursor cell.

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace scripted {

struct HexDataView {
    static constexpr int kAreaSize = 4096;
    static constexpr int kColumns = 8;
    static constexpr int kRowBytes = 16;

    std::array<uint8_t, kAreaSize> data{};  // nothing fills it; it starts zeroed
    int firstOffset = 0;                     // a multiple of 16
    int cursorColumn = 0;
    int cursorRow = 0;

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
};

}  // namespace scripted
