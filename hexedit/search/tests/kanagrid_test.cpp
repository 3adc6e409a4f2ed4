#include <gtest/gtest.h>

#include "hexedit/search/KanaGrid.h"

using namespace hexedit::search;

TEST(KanaGrid, ClassTablesFollowTheirRows) {
    const auto& c = KanaGrid::classes();
    auto at = [&](int cls, int row, int col) { return c[cls][row * 16 + col]; };
    EXPECT_EQ(at(0, 0, 14), 0x814E);
    EXPECT_EQ(at(0, 0, 15), 0x8140);
    EXPECT_EQ(at(0, 5, 14), 0x819E);
    EXPECT_EQ(at(1, 3, 5), 0x81C5);
    EXPECT_EQ(at(1, 3, 6), 0x81CF);
    EXPECT_EQ(at(1, 4, 9), 0x824F);
    EXPECT_EQ(at(1, 4, 10), 0x8140);
    EXPECT_EQ(at(2, 1, 0), 0x824F);
    EXPECT_EQ(at(2, 2, 0), 0x8140);
    EXPECT_EQ(at(2, 2, 1), 0x8260);
    EXPECT_EQ(at(2, 5, 10), 0x829A);
    EXPECT_EQ(at(3, 5, 3), 0x82F1);
    EXPECT_EQ(at(3, 5, 7), 0x815B);
    EXPECT_EQ(at(4, 5, 6), 0x8396);
    EXPECT_EQ(at(4, 5, 7), 0x815B);
    EXPECT_EQ(at(4, 5, 15), 0x8140);
    EXPECT_STREQ(KanaGrid::classNames()[4], "Katakana");
}

TEST(KanaGrid, CellsHighlightAndDrawnText) {
    KanaGrid g;
    EXPECT_EQ(g.currentClass(), 0);
    g.setClass(3);
    g.setClass(9);  // ignored
    EXPECT_EQ(g.currentClass(), 3);
    EXPECT_EQ(KanaGrid::cellAt(47, 25), (KanaGrid::Cell{1, 1}));
    EXPECT_FALSE(KanaGrid::cellAt(384, 0));
    EXPECT_FALSE(KanaGrid::cellAt(0, -1));
    g.mouseMoved(30, 2);
    g.mouseMoved(500, 500);  // outside: the highlight stays
    ASSERT_TRUE(g.highlight());
    EXPECT_EQ(*g.highlight(), (KanaGrid::Cell{0, 1}));
    const auto cells = g.layout();
    ASSERT_EQ(cells.size(), 96u);
    EXPECT_EQ(cells[1].text, u"\u3042");  // 0x82A0
    EXPECT_EQ(cells[1].textX, 24 + 6);
    EXPECT_EQ(cells[1].textY, 6);
    EXPECT_TRUE(cells[1].highlighted);
    EXPECT_FALSE(cells[0].highlighted);
    EXPECT_EQ(cells[17].y, 24);
    EXPECT_EQ(g.bytes({0, 1}), "\x82\xA0");
}
