#include <gtest/gtest.h>

#include "common/codepage.h"
#include "hexedit/tableedit/CharGrid.h"

using namespace hexedit::tableedit;

TEST(CharGrid, ScrollRangeAndCharacterSelections) {
    CharGrid g;
    g.setPosition(0x8157);
    EXPECT_EQ(g.firstCode(), 0x8150);  // rounded down to a row
    g.setPosition(0x12345);
    EXPECT_EQ(g.code({CharGrid::Rows - 1, CharGrid::Columns - 1}), 0xFFFF);  // the last page ends at FFFF
    g.setPosition(0);
    EXPECT_EQ(g.position(), CharGrid::ScrollMin);
    const uint16_t jumps[] = {0x8140, 0x8240, 0x82A0, 0x8340};
    for (int i = 0; i < CharGrid::SelectionCount; ++i) {
        g.select(i);
        EXPECT_EQ(g.firstCode(), jumps[i]);
    }
}

TEST(CharGrid, EveryCodeDrawsOneCharacterAndInsertsAValidOne) {
    // The property over the whole scroll range: a cell shows the code's one
    // Shift-JIS character or the middle dot; a click inserts that code, or
    // the full-width space when it is no character (the middle dot's own
    // code excepted).
    for (uint32_t code = CharGrid::ScrollMin; code <= 0xFFFF; ++code) {
        const auto k = static_cast<uint16_t>(code);
        const char bytes[2] = {static_cast<char>(k >> 8), static_cast<char>(k & 0xFF)};
        const std::u16string decoded = common::cp932ToUtf16(std::string_view(bytes, 2));
        const char16_t shown = CharGrid::glyph(k);
        const bool valid = decoded.size() == 1 && decoded[0] != CharGrid::InvalidGlyph;
        EXPECT_EQ(shown, valid ? decoded[0] : CharGrid::InvalidGlyph) << std::hex << code;
        const std::string inserted = CharGrid::insertBytes(k);
        const std::string expected = valid || k == CharGrid::MiddleDot ? std::string(bytes, 2) : std::string("\x81\x40");
        ASSERT_EQ(inserted, expected) << std::hex << code;
    }
    EXPECT_EQ(CharGrid::glyph(0xB1B2), CharGrid::InvalidGlyph);  // two half-width kana
}

TEST(CharGrid, LayoutButtonAndBackground) {
    CharGrid g;
    g.select(2);  // Hiragana
    CharGrid::Page page;
    g.layout(page);
    EXPECT_EQ(page[17].textX, 24 + 6);
    EXPECT_EQ(page[17].textY, 24 + 6);
    EXPECT_EQ(page[0].glyph, CharGrid::glyph(0x82A0));

    EXPECT_FALSE(g.buttonRect());
    EXPECT_EQ(g.hint(), "");
    g.mouseMoved(24 * 3 + 2, 24 * 1 + 20);
    EXPECT_EQ(g.buttonRect(), (CharGrid::Rect{156 + 72, 64 + 24, 24, 24}));
    EXPECT_EQ(g.hint(), "82B3");
    g.mouseMoved(-5, 4000);  // off the grid: the button stays
    EXPECT_EQ(g.hint(), "82B3");
    g.setPosition(0x9000);
    EXPECT_EQ(g.hint(), "9013");

    const uint32_t face = 0xFFF0F0F0;
    const auto px = CharGrid::background(face);
    ASSERT_EQ(px.size(), static_cast<size_t>(CharGrid::BitmapWidth * CharGrid::BitmapHeight));
    auto at = [&](int x, int y) { return px[static_cast<size_t>(y * CharGrid::BitmapWidth + x)]; };
    EXPECT_EQ(at(0, 5), 0xFF000000u);
    EXPECT_EQ(at(12, 5), 0xFF000000u);
    EXPECT_EQ(at(191, 5), 0xFF000000u);
    EXPECT_EQ(at(5, 119), 0xFF000000u);
    EXPECT_EQ(at(5, 5), face);
    EXPECT_EQ(at(13, 25), face);
}
