#include <gtest/gtest.h>

#include "hexedit/core/ViewState.h"

using namespace hexedit;

TEST(PlaceCursor, RowFromTheLowBitsOfTheRowNumber) {
    ViewState v;  // 16 rows of 16 bytes
    EXPECT_EQ(PlaceCursor(v, 0x1234), 0x1200);
    EXPECT_EQ(v.CursorRow, 3);
    EXPECT_EQ(v.CursorColumn, 4);
    EXPECT_EQ(v.CursorOffset, 0x1234);
    // Row number 5 fits the page as it is.
    EXPECT_EQ(PlaceCursor(v, 0x57), 0);
    EXPECT_EQ(v.CursorRow, 5);
    // 40 rows: row number 0x23 = 35 fits the page.
    v.PageBytes = 40 * 16;
    EXPECT_EQ(PlaceCursor(v, 0x1234), 0x1234 - 35 * 16 - 4);
    EXPECT_EQ(v.CursorRow, 35);
}

TEST(PlaceCursor, SmallPagesTakeTheLastRow) {
    ViewState v;
    v.PageBytes = 2 * 16;
    EXPECT_EQ(PlaceCursor(v, 0x1234), 0x1234 - 16 - 4);
    EXPECT_EQ(v.CursorRow, 1);
}
