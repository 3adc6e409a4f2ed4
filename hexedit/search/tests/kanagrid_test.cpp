#include <gtest/gtest.h>

#include "hexedit/search/KanaGrid.h"

using namespace hexedit::search;

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
