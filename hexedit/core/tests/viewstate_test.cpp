#include <gtest/gtest.h>

#include <algorithm>

#include "hexedit/core/ViewState.h"

using namespace hexedit;

namespace {
constexpr int32_t kBig = 0x7FFFFFF;  // far from every offset below
}  // namespace

TEST(PlaceCursor, RowFromTheLowBitsOfTheRowNumber) {
    ViewState v;  // 16 rows of 16 bytes
    EXPECT_EQ(PlaceCursor(v, 0x1234, kBig), 0x1200);
    EXPECT_EQ(v.CursorRow, 3);
    EXPECT_EQ(v.CursorColumn, 4);
    EXPECT_EQ(v.CursorOffset, 0x1234);
    // Row number 5 fits the page as it is.
    EXPECT_EQ(PlaceCursor(v, 0x57, kBig), 0);
    EXPECT_EQ(v.CursorRow, 5);
    // 40 rows: row number 0x23 = 35 fits the page.
    v.PageBytes = 40 * 16;
    EXPECT_EQ(PlaceCursor(v, 0x1234, kBig), 0x1234 - 35 * 16 - 4);
    EXPECT_EQ(v.CursorRow, 35);
}

TEST(PlaceCursor, SmallPagesTakeTheLastRow) {
    ViewState v;
    v.PageBytes = 2 * 16;
    EXPECT_EQ(PlaceCursor(v, 0x1234, kBig), 0x1234 - 16 - 4);
    EXPECT_EQ(v.CursorRow, 1);
}

TEST(PlaceCursor, BankEdgesAndTheHalfCycle) {
    ViewState v;  // 16 rows of 16 bytes
    // The last byte of a LoROM bank: row number 0x7FF, 0xFF of 256 is past
    // the half cycle, 15 of 16 fits.
    EXPECT_EQ(PlaceCursor(v, 0x7FFF, kBig), 0x7F00);
    EXPECT_EQ(v.CursorRow, 15);
    EXPECT_EQ(v.CursorColumn, 15);
    // The first byte of the next bank starts a page.
    EXPECT_EQ(PlaceCursor(v, 0x8000, kBig), 0x8000);
    EXPECT_EQ(v.CursorRow, 0);
    // A page of 200 rows: row numbers up to 127 of each 256 are kept, 128
    // falls back to the 16-row cycle.
    v.PageBytes = 200 * 16;
    PlaceCursor(v, 127 * 16, kBig);
    EXPECT_EQ(v.CursorRow, 127);
    PlaceCursor(v, 128 * 16 + 3, kBig);
    EXPECT_EQ(v.CursorRow, 0);
    PlaceCursor(v, 0x1FF * 16, kBig);
    EXPECT_EQ(v.CursorRow, 15);
}

TEST(PlaceCursor, RowsOfAnyWidthLandOnTheByte) {
    ViewState v;
    for (int32_t width : {1, 3, 10, 16, 17, 100}) {
        v.BytesPerRow = width;
        v.PageBytes = 16 * width;
        for (int32_t offset : {0, 25, 999, 0x7FFF}) {
            const int32_t top = PlaceCursor(v, offset, kBig);
            EXPECT_EQ(top % width, 0) << width << " " << offset;
            EXPECT_EQ(top + v.CursorRow * width + v.CursorColumn, offset) << width << " " << offset;
        }
    }
}

// Near the end the page a paint allows ends at the buffer's end; the byte
// asked for must still be the cursor's once the paint has pulled the page
// back (TopOffset + PageBytes at most BufferSize, TopOffset at least 0).
TEST(PlaceCursor, TheLastPageKeepsTheByteAskedFor) {
    struct Case {
        int32_t bufferSize, rows, width, offset;
    };
    const Case cases[] = {
        {0x200000, 28, 16, 0x1FFF00},  // a goto beyond the buffer
        {0x200000, 28, 16, 0x1FFFFF},  // the last byte
        {0x200000, 28, 16, 0x1FFF80},
        {0x200000, 28, 16, 0x1FFE40},  // the last page's first byte
        {0x200000, 28, 16, 0x1FFE3F},  // one before it: no pull
        {65535, 16, 16, 65534},        // a page that does not start on a row
        {65535, 16, 16, 65535 - 256},
        {65535, 7, 10, 65530},
        {65535, 16, 1, 65500},
        {100, 16, 16, 99},             // a buffer smaller than the page
        {0x10000, 127, 16, 0xFFFF},    // the most rows a page holds
    };
    for (const Case& c : cases) {
        ViewState v;
        v.BytesPerRow = c.width;
        v.PageBytes = c.rows * c.width;
        int32_t top = PlaceCursor(v, c.offset, c.bufferSize);
        EXPECT_LE(top + v.PageBytes, std::max(c.bufferSize, v.PageBytes)) << c.offset;
        EXPECT_GE(top, 0);
        EXPECT_LT(v.CursorRow, c.rows);
        EXPECT_LT(v.CursorColumn, c.width);
        EXPECT_EQ(top + v.CursorRow * c.width + v.CursorColumn, c.offset) << std::hex << c.offset;
        EXPECT_EQ(v.CursorOffset, c.offset);
    }
    // Away from the end the row still comes from the row number.
    ViewState v;
    v.PageBytes = 28 * 16;
    EXPECT_EQ(PlaceCursor(v, 0x1FFE3F, 0x200000), 0x1FFE3F - 3 * 16 - 15);
}

TEST(SelectedRange, OrderedAndClampedIntoTheBuffer) {
    ViewState v;
    EXPECT_FALSE(selectedRange(v, 100));
    v.SelectionAnchor = 90;
    v.SelectionEnd = 10;
    EXPECT_EQ(selectedRange(v, 100)->first, 10);
    EXPECT_EQ(selectedRange(v, 100)->length(), 81);
    v.SelectionEnd = 200;
    EXPECT_EQ(selectedRange(v, 100)->last, 99);
    EXPECT_FALSE(selectedRange(v, 0));
}
