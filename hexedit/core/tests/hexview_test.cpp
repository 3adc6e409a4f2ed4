#include "hexedit/core/tests/view_fixture.h"
#include "hexedit/core/TableLoader.h"

using namespace hexedit;
using namespace hexedit::testing;

namespace {
const ColorPairs kDefaults = defaultColorTable();
ColorPair entry(size_t k) { return kDefaults[k]; }

// Colours that differ in every entry, so each rule shows which entry it used.
ColorPairs distinctColors() {
    ColorPairs t{};
    for (size_t k = 0; k < kColorPairs; ++k) t[k] = {0x100000u + static_cast<uint32_t>(k), 0x200000u + static_cast<uint32_t>(k)};
    return t;
}
}  // namespace

using HexViewPaint = ViewFixture;

TEST_F(HexViewPaint, HexColumnLayoutAndColours) {
    vs.ColorTable = distinctColors();
    std::vector<uint8_t> data(64);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
    open(data);
    vs.CursorRow = 1;
    vs.CursorColumn = 3;
    view.FormPaint();
    const auto& t = vs.ColorTable;
    EXPECT_EQ(view.hexPanelWidth(), 16 * 16 + 80);
    ASSERT_EQ(view.page().hexRows.size(), 16u);
    EXPECT_EQ(view.page().lineHeight, kLine);
    // Offset label: "%08X " in entry 0, entry 4 on the cursor row.
    EXPECT_EQ(text(hexRow(0).cells[0]), "00000000 ");
    EXPECT_EQ(colors(hexRow(0).cells[0]), t[kOffsetColor]);
    EXPECT_EQ(text(hexRow(1).cells[0]), "00000010 ");
    EXPECT_EQ(colors(hexRow(1).cells[0]), t[kOffsetHighlight]);
    // Bytes follow the label without separator.
    EXPECT_EQ(hexCell(0, 0).x, 72);
    EXPECT_EQ(hexCell(0, 1).x, 88);
    EXPECT_EQ(text(hexCell(1, 10)), "1A");
    EXPECT_EQ(hexCell(1, 10).offset, 0x1A);
    EXPECT_EQ(hexCell(1, 10).count, 1);
    // Even columns: text of 1 on background of 2; odd: text of 2 on background of 1.
    EXPECT_EQ(colors(hexCell(0, 0)), (ColorPair{t[kHex1Color].text, t[kHex2Color].background}));
    EXPECT_EQ(colors(hexCell(0, 1)), (ColorPair{t[kHex2Color].text, t[kHex1Color].background}));
    EXPECT_EQ(colors(hexCell(1, 3)), t[kHexHighlight]);
    EXPECT_TRUE(hexCell(1, 3).cursor);
    EXPECT_FALSE(hexCell(1, 2).cursor);
    // The rest of the row: background of 1 up to the panel's width.
    const ViewCell& fill = hexRow(0).cells.back();
    EXPECT_EQ(fill.count, 0);
    EXPECT_EQ(fill.x, 72 + 16 * 16);
    EXPECT_EQ(fill.x + fill.width, view.hexPanelWidth());
    EXPECT_EQ(fill.background, t[kHex1Color].background);
    EXPECT_EQ(vs.CursorOffset, 0x13);
}

TEST_F(HexViewPaint, TextColumnColourRules) {
    vs.ColorTable = distinctColors();
    tbl.setByte(0x41, "A");
    tbl.setByte(0x42, "th");
    tbl.setByte(0x43, "the");
    tbl.setByte(0x44, "");
    tbl.PairTable[0x5051] = "pq";
    tbl.LineBreakCode = {0x0A, '/'};
    tbl.EndStringCode = {0xFF, '*'};
    //               0     1     2     3     4     5     6     7     8     9
    open({0x41, 0x42, 0x43, 0x44, 0x50, 0x51, 0x0A, 0xFF, 0x99, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x50, 0x51});
    vs.CursorRow = 2;
    view.FormPaint();
    const auto& t = vs.ColorTable;
    EXPECT_EQ(items(0), (std::vector<std::string>{"A", "th", "the", "", "pq", "/", "*", ".", "A", "A", "A", "A",
                                                  "A", "A", "."}));
    const auto& c = textRow(0).cells;
    EXPECT_EQ(colors(c[0]), t[kTextColor]);      // one character
    EXPECT_EQ(colors(c[1]), t[kDteTextColor]);   // two characters
    EXPECT_EQ(colors(c[2]), t[kMteTextColor]);   // three
    EXPECT_EQ(colors(c[3]), t[kMteTextColor]);   // empty
    EXPECT_EQ(colors(c[4]), t[kSubstringColor]); // pair entry
    EXPECT_EQ(c[4].offset, 4);
    EXPECT_EQ(c[4].count, 2);
    EXPECT_EQ(colors(c[5]), (ColorPair{kWhite, t[kTextColor].background}));   // line break
    EXPECT_EQ(colors(c[6]), (ColorPair{kYellow, t[kTextColor].background}));  // end code
    EXPECT_EQ(colors(c[7]), t[kTextColor]);      // no entry
    // A pair whose first byte is in the last column is not used.
    EXPECT_EQ(c[14].offset, 15);
    EXPECT_EQ(c[14].count, 1);
    EXPECT_EQ(items(1).front(), ".");
    // Widths in the text font, items back to back, then the filler.
    EXPECT_EQ(c[1].x, 10);
    EXPECT_EQ(c[2].x, 30);
    EXPECT_EQ(c.back().x + c.back().width, 400);
    EXPECT_EQ(c.back().background, t[kTextColor].background);

    // The cursor on each kind of item.
    auto cursorAt = [&](int column) {
        vs.CursorRow = 0;
        vs.CursorColumn = static_cast<int8_t>(column);
        view.FormPaint();
        return colors(cursorTextCell(0));
    };
    EXPECT_EQ(cursorAt(0), t[kTextHighlight]);
    EXPECT_EQ(cursorAt(1), t[kDteTextHighlight]);
    EXPECT_EQ(cursorAt(2), t[kMteTextHighlight]);
    EXPECT_EQ(cursorAt(3), t[kMteTextHighlight]);
    EXPECT_EQ(cursorAt(4), t[kSubstringHighlight]);
    EXPECT_EQ(cursorAt(5), t[kSubstringHighlight]);  // the pair's second byte
    EXPECT_EQ(cursorTextCell(0).offset, 4);
    EXPECT_EQ(cursorAt(6), (ColorPair{kWhite, t[kTextHighlight].background}));
    EXPECT_EQ(cursorAt(7), (ColorPair{kYellow, t[kTextHighlight].background}));
    EXPECT_EQ(cursorAt(8), t[kTextHighlight]);
    // A cursor on another row highlights nothing here.
    vs.CursorRow = 1;
    view.FormPaint();
    for (const auto& cell : textRow(0).cells) EXPECT_FALSE(cell.cursor);
}

TEST_F(HexViewPaint, StatusText) {
    std::vector<uint8_t> data(0x20);
    data[0x10] = 0x41;
    open(data);
    vs.CursorRow = 1;
    view.FormPaint();
    EXPECT_EQ(view.statusText(), "Dec: 065 Hex: 41 Bin: 01000001 Offset: 00000010 [000%] Asc 'A'=41");
    tbl.CharShift = 0xFF;
    vs.TopOffset = 65535 - 256;
    vs.CursorRow = 15;
    vs.CursorColumn = 15;
    view.FormPaint();
    EXPECT_EQ(view.statusText(), "Dec: 000 Hex: 00 Bin: 00000000 Offset: 0000FFFE [099%] Asc 'A'=40");
}

TEST_F(HexViewPaint, ShortFileShowsItsZeroTailToTheEnd) {
    open({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    EXPECT_EQ(text(hexCell(0, 9)), "0A");
    EXPECT_EQ(text(hexCell(0, 10)), "00");
    EXPECT_EQ(text(hexCell(5, 0)), "00");
    // Scrolling to the end: the last page ends at byte 65534.
    EXPECT_TRUE(view.FormKeyDown(ViewKey::End, true));
    EXPECT_EQ(vs.TopOffset, 65535 - 256);
    const ViewRow& last = hexRow(15);
    EXPECT_EQ(last.cells.size(), 1u + 16u + 1u);
    EXPECT_EQ(last.cells[16].offset, 65534);
    EXPECT_EQ(text(last.cells[0]), "0000FFEF ");
}

TEST_F(HexViewPaint, BytesPastTheEndOfTheFileAreDimmed) {
    tbl.setByte(0x00, "z");
    open({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    vs.CursorRow = 1;
    view.FormPaint();
    const auto& t = vs.ColorTable;
    EXPECT_EQ(colors(hexCell(0, 8)), (ColorPair{t[kHex1Color].text, t[kHex2Color].background}));
    const ColorPair dim = colors(hexCell(0, 10));
    EXPECT_EQ(dim.background, t[kHex2Color].background);
    EXPECT_NE(dim.text, t[kHex1Color].text);
    EXPECT_NE(dim.text, dim.background);
    EXPECT_EQ(colors(textRow(0).cells[9]), t[kTextColor]);
    EXPECT_NE(colors(textRow(0).cells[10]).text, t[kTextColor].text);
    // The cursor keeps its highlight there.
    EXPECT_EQ(colors(hexCell(1, 0)), t[kHexHighlight]);
}

TEST_F(HexViewPaint, MouseWheelScrollsTheViewAndKeepsTheCursorInPlace) {
    openSize(10);
    vs.CursorRow = 2;
    vs.CursorColumn = 5;
    view.FormPaint();
    auto expectTop = [&](int32_t top) {
        EXPECT_EQ(vs.TopOffset, top);
        EXPECT_EQ(vs.CursorRow, 2);
        EXPECT_EQ(vs.CursorOffset, top + 2 * 16 + 5);
    };
    for (int notch = 0; notch < 8; ++notch) view.MouseWheel(-120, 0, false);
    expectTop(8 * 3 * 16);
    EXPECT_EQ(view.VScrlChange().position, vs.TopOffset);
    view.MouseWheel(120, 0, true);  // Shift: a page
    expectTop(8 * 3 * 16 - 256);
    // Parts of a notch add up to rows; turning back drops the part left.
    view.MouseWheel(-20, 0, false);
    expectTop(128);
    view.MouseWheel(-20, 0, false);
    expectTop(128 + 16);
    view.MouseWheel(-20, 0, false);
    view.MouseWheel(40, 0, false);
    expectTop(128);
    // Touchpad pixels: a row per line height.
    view.MouseWheel(-30, -8, false);
    expectTop(128);
    view.MouseWheel(-30, -8, false);
    expectTop(128 + 16);
    // Both ends hold.
    view.MouseWheel(120 * 1000, 0, false);
    expectTop(0);
    view.MouseWheel(-120 * 10000, 0, false);
    expectTop(65535 - 256);

    // A large file scrolls forward all the way.
    openSize(20u << 20);
    vs.TopOffset = (20 << 20) - 4096;
    vs.CursorRow = 2;
    vs.CursorColumn = 5;
    view.FormPaint();
    view.MouseWheel(-120, 0, false);
    expectTop((20 << 20) - 4096 + 48);
    for (int notch = 0; notch < 100; ++notch) view.MouseWheel(-120, 0, false);
    expectTop((20 << 20) - 256);
}

TEST_F(HexViewPaint, PagesNeverReachPastTheBuffer) {
    // A buffer smaller than a page, and a row longer than the buffer.
    // A hidden header leaves a shown buffer of 20 bytes.
    session.doc.open("x", std::vector<uint8_t>(65535, 0x41), 65535 - 20, 20);
    ed.EditorReady = true;
    ed.CurrentPath = "x";
    view.setFonts(&hexFont, &textFont, &kanaFont);
    view.Panel3Resize(16 * kLine, 400);
    vs.TopOffset = 500;
    view.FormPaint();
    EXPECT_EQ(vs.TopOffset, 0);
    EXPECT_EQ(hexRow(0).cells.size(), 18u);
    EXPECT_EQ(hexRow(1).cells.size(), 1u + 4u + 1u);
    EXPECT_EQ(hexRow(2).cells.size(), 1u);  // filler only
    EXPECT_EQ(textRow(2).cells.size(), 1u);
    vs.CursorRow = 5;  // beyond the buffer
    view.FormPaint();
    EXPECT_EQ(vs.CursorOffset, 80);
    EXPECT_EQ(view.statusText().substr(0, 16), "Dec: 000 Hex: 00");
    view.FormKeyPress(U'4');
    view.FormKeyPress(U'2');
    EXPECT_FALSE(ed.Modified);
    for (int i = 0; i < 40; ++i) view.FormKeyDown(ViewKey::Right, true);
    EXPECT_EQ(vs.BytesPerRow, 56);
    view.FormPaint();
    EXPECT_EQ(hexRow(0).cells.size(), 1u + 20u + 1u);
}

TEST_F(HexViewPaint, OffsetColumnFollowsTheFormat) {
    openSize(0x200000);
    vs.TopOffset = 0x123450;
    view.setOffsetFormat(kOffsetLoRomSlow);
    EXPECT_EQ(text(hexRow(0).cells[0]), "0024B450 ");
    EXPECT_EQ(host.menus, 1);
    view.setOffsetFormat(kOffsetSnesMemory);
    EXPECT_EQ(text(hexRow(0).cells[0]), "00003450 ");
    // The status bar keeps the buffer offset.
    EXPECT_NE(view.statusText().find("Offset: 00123450"), std::string::npos);
}

TEST_F(HexViewPaint, CursorMovesInsideThePageRepaintTwoRows) {
    openSize(100);
    const int pages = host.pages;
    view.FormKeyDown(ViewKey::Down, false);
    EXPECT_EQ(host.pages, pages);
    ASSERT_EQ(host.rows.size(), 1u);
    EXPECT_EQ(host.rows[0], (std::pair<int, int>(0, 1)));
    EXPECT_TRUE(hexCell(1, 0).cursor);
    EXPECT_FALSE(hexCell(0, 0).cursor);
    EXPECT_EQ(vs.CursorOffset, 16);
    EXPECT_EQ(colors(hexRow(0).cells[0]), entry(kOffsetColor));
    view.FormKeyDown(ViewKey::Right, false);
    EXPECT_EQ(host.rows.back(), (std::pair<int, int>(1, 1)));
    EXPECT_EQ(host.pages, pages);
    // Scrolling repaints the page.
    view.FormKeyDown(ViewKey::PageDown, false);
    EXPECT_EQ(host.pages, pages + 1);
}

TEST_F(HexViewPaint, MouseInHexData) {
    openSize(100);
    // Row 2, x inside byte 3 (72 + 3*16 .. 72 + 4*16).
    view.HexDataMouseMove(72 + 3 * 16 + 5, 2 * kLine + 4);
    view.HexDataClick();
    EXPECT_EQ(vs.CursorRow, 2);
    EXPECT_EQ(vs.CursorColumn, 3);
    EXPECT_EQ(vs.CursorOffset, 0x23);
    // On the offset label: column 0. Right of the last byte: column kept.
    view.HexDataMouseMove(10, 0);
    view.HexDataClick();
    EXPECT_EQ(vs.CursorColumn, 0);
    view.HexDataMouseMove(72 + 5 * 16, kLine);
    view.HexDataClick();
    EXPECT_EQ(vs.CursorColumn, 4);  // exactly at a right edge: that column
    view.HexDataMouseMove(72 + 16 * 16 + 3, kLine);
    view.HexDataClick();
    EXPECT_EQ(vs.CursorColumn, 4);
    EXPECT_EQ(vs.CursorRow, 1);
    // A row below the panel keeps the row.
    view.HexDataMouseMove(72, 20 * kLine);
    view.HexDataClick();
    EXPECT_EQ(vs.CursorRow, 1);
    view.mousePressed();
    EXPECT_EQ(host.menus, 1);
}

TEST_F(HexViewPaint, MouseInTblDataWalksTheItems) {
    tbl.setByte(0x41, "A");
    tbl.setByte(0x43, "the");
    tbl.PairTable[0x5051] = "pq";
    open({0x41, 0x50, 0x51, 0x43, 0x00});
    // "A" 0..10, "pq" 10..30, "the" 30..60, "." 60..70
    view.TblDataMouseMove(15, 0);
    view.TblDataClick();
    EXPECT_EQ(vs.CursorColumn, 2);  // a pair puts the cursor on its second byte
    view.TblDataMouseMove(45, 0);
    view.TblDataClick();
    EXPECT_EQ(vs.CursorColumn, 3);
    view.TblDataMouseMove(5, kLine * 3 + 1);
    view.TblDataClick();
    EXPECT_EQ(vs.CursorRow, 3);
    EXPECT_EQ(vs.CursorColumn, 0);
    // Japanese view: items are measured in the Japanese font (12 pixels).
    vs.CursorRow = 0;
    view.ViewKanaClick();
    EXPECT_TRUE(view.page().japanese);
    view.TblDataMouseMove(13, 0);
    view.TblDataClick();
    EXPECT_EQ(vs.CursorColumn, 2);
    EXPECT_EQ(textRow(0).cells[1].x, 12);
}

TEST_F(HexViewPaint, JapaneseViewReadsTextsAsShiftJis) {
    tbl.setByte(0x01, "\x82\xA0");      // hiragana a in Shift-JIS
    tbl.PairTable[0x0203] = "\x8A\xBF";  // a kanji
    open({0x01, 0x02, 0x03});
    // Two bytes of text: a two-character item in either mode.
    EXPECT_EQ(colors(textRow(0).cells[0]), entry(kDteTextHighlight));
    EXPECT_NE(textRow(0).cells[0].text, u"\u3042");
    view.ViewKanaClick();
    EXPECT_TRUE(view.JapaneseView());
    EXPECT_EQ(textRow(0).cells[0].text, u"\u3042");
    EXPECT_EQ(textRow(0).cells[0].width, 12);
    EXPECT_EQ(textRow(0).cells[1].text, u"\u6F22");
    EXPECT_EQ(colors(textRow(0).cells[1]), entry(kSubstringColor));
    view.ViewKanaClick();
    EXPECT_FALSE(view.page().japanese);
}

TEST_F(HexViewPaint, BlinkInHexAndTextMode) {
    vs.ColorTable = distinctColors();
    const auto& t = vs.ColorTable;
    tbl.setByte(0x42, "th");
    open({0x00, 0x42});
    vs.CursorColumn = 1;
    view.FormPaint();
    const BlinkCellState& b = view.BlinkCell();
    ASSERT_TRUE(b.valid);
    EXPECT_FALSE(b.textColumn);
    EXPECT_EQ(b.x, 72 + 16);
    EXPECT_EQ(b.text, u"42");
    EXPECT_EQ(b.on, t[kHexHighlight]);
    EXPECT_EQ(b.off, (ColorPair{t[kHex2Color].text, t[kHex1Color].background}));  // odd column
    EXPECT_TRUE(b.phase);
    // Phase 1: "on" again; then "off"; then "on".
    view.Timer1Timer(true);
    EXPECT_EQ(colors(hexCell(0, 1)), t[kHexHighlight]);
    view.Timer1Timer(true);
    EXPECT_EQ(colors(hexCell(0, 1)), b.off);
    EXPECT_EQ(host.blinks, 2);
    view.Timer1Timer(true);
    EXPECT_EQ(colors(hexCell(0, 1)), t[kHexHighlight]);
    // Hidden window or blink off: nothing changes.
    view.Timer1Timer(false);
    view.BlinkEnabled = false;
    view.Timer1Timer(true);
    view.Timer1Timer(true);
    EXPECT_EQ(host.blinks, 3);
    EXPECT_EQ(colors(hexCell(0, 1)), t[kHexHighlight]);
    view.BlinkEnabled = true;

    // Text mode: the text cell blinks, only its background changes.
    view.HexEditMode1Click();
    ASSERT_TRUE(b.textColumn);
    EXPECT_EQ(b.on, t[kDteTextHighlight]);
    EXPECT_EQ(b.off, (ColorPair{t[kDteTextHighlight].text, t[kDteTextColor].background}));
    view.Timer1Timer(true);
    view.Timer1Timer(true);
    EXPECT_EQ(colors(textRow(0).cells[1]), (ColorPair{t[kDteTextHighlight].text, t[kDteTextColor].background}));
    // Every paint starts at phase 1 with the highlight.
    view.FormPaint();
    EXPECT_TRUE(view.BlinkCell().phase);
    EXPECT_EQ(colors(textRow(0).cells[1]), t[kDteTextHighlight]);
    // In hex mode on an even column the off text is entry 1's.
    view.HexEditMode1Click();
    vs.CursorColumn = 0;
    view.FormPaint();
    EXPECT_EQ(view.BlinkCell().off, (ColorPair{t[kHex1Color].text, t[kHex1Color].background}));
}

TEST_F(HexViewPaint, ScrollBarActions) {
    openSize(10);
    ScrollBarState s = view.VScrlChange();
    EXPECT_EQ(s.maximum, 65535);
    EXPECT_EQ(s.singleStep, 16);
    EXPECT_EQ(s.pageStep, 256);
    view.VScrlScroll(ScrollCode::LineDown, 0);  // as PgDn
    EXPECT_EQ(vs.TopOffset, 256);
    view.VScrlScroll(ScrollCode::LineUp, 0);
    EXPECT_EQ(vs.TopOffset, 0);
    view.VScrlScroll(ScrollCode::PageDown, 0);  // cursor + 4 pages through PlaceCursor
    EXPECT_EQ(vs.CursorOffset, 0x400);
    EXPECT_EQ(vs.TopOffset, 0x400);  // row number 0x40 = 64 is beyond 16 rows, 64 mod 16 = 0
    view.VScrlScroll(ScrollCode::PageUp, 0);
    view.VScrlScroll(ScrollCode::PageUp, 0);  // never before offset 0
    EXPECT_EQ(vs.CursorOffset, 0);
    EXPECT_EQ(vs.CursorRow, 0);
    view.VScrlScroll(ScrollCode::Track, 0x1234);
    EXPECT_EQ(vs.TopOffset, 0x1200);
    EXPECT_EQ(vs.CursorOffset, 0x1234);
    EXPECT_EQ(view.VScrlChange().position, 0x1200);
    view.VScrlScroll(ScrollCode::Bottom, 0);
    EXPECT_EQ(vs.TopOffset, 65535 - 256);
    view.VScrlScroll(ScrollCode::Top, 0);
    EXPECT_EQ(vs.TopOffset, 0);
    view.VScrlScroll(ScrollCode::Other, 999);
    EXPECT_EQ(vs.TopOffset, 0);
}

// The thumb and a resize place the cursor through PlaceCursor: in the last
// page it stays on its byte. Ctrl+End and Ctrl+PgDn keep or set the row.
TEST_F(HexViewPaint, TheLastPageKeepsTheCursorOnItsByte) {
    constexpr int32_t kSize = 0x200000;
    openSize(kSize, 28);
    view.VScrlScroll(ScrollCode::Track, 0x1FFFF0);
    EXPECT_EQ(vs.CursorOffset, 0x1FFFF0);
    EXPECT_EQ(vs.TopOffset, kSize - 28 * 16);
    session.moveCursorTo(kSize - 1);
    view.Panel3Resize(20 * kLine, 400);
    EXPECT_EQ(vs.CursorOffset, kSize - 1);
    EXPECT_EQ(vs.TopOffset, kSize - 20 * 16);
    view.VScrlScroll(ScrollCode::Top, 0);
    vs.CursorRow = 5;
    vs.CursorColumn = 3;
    view.FormKeyDown(ViewKey::End, true);
    EXPECT_EQ(vs.CursorOffset, kSize - 20 * 16 + 5 * 16 + 3);
    view.FormKeyDown(ViewKey::PageDown, true);
    EXPECT_EQ(vs.CursorOffset, kSize - 16 + 3);
}

TEST_F(HexViewPaint, ResizeRecomputesThePageAndKeepsTheCursor) {
    openSize(10);
    view.VScrlScroll(ScrollCode::Track, 0x1234);
    view.Panel3Resize(40 * kLine + 7, 300);
    EXPECT_EQ(vs.PageBytes, 40 * 16);
    EXPECT_EQ(view.visibleRows(), 40);
    EXPECT_EQ(vs.CursorOffset, 0x1234);
    EXPECT_EQ(vs.CursorRow, 35);
    EXPECT_EQ(view.page().hexRows.size(), 40u);
    EXPECT_EQ(textRow(0).cells.back().x + textRow(0).cells.back().width, 300);
    view.Panel2Resize(500);
    EXPECT_EQ(textRow(0).cells.back().x + textRow(0).cells.back().width, 500);
    // Rows are capped where CursorRow's range ends.
    view.Panel3Resize(1000 * kLine, 300);
    EXPECT_EQ(view.visibleRows(), kMaxRows);
}

TEST_F(HexViewPaint, NothingIsDrawnWithoutABufferOrBeforeStartUp) {
    view.FormPaint();
    EXPECT_FALSE(view.page().valid);
    openSize(10);
    EXPECT_TRUE(view.page().valid);
    ed.EditorReady = false;
    view.FormPaint();
    EXPECT_FALSE(view.page().valid);
}

TEST_F(HexViewPaint, EntriesOfThreeAndFourBytesTellApartLikePairs) {
    vs.ColorTable = distinctColors();
    tbl.setByte(0x41, "A");
    tbl.PairTable[0x5051] = "pq";
    tbl.setEntry(0x505152, 3, "xyz");
    tbl.setEntry(0x60616263, 4, "w");
    //    pq          xyz               w                       A
    open({0x50, 0x51, 0x50, 0x51, 0x52, 0x60, 0x61, 0x62, 0x63, 0x41, 0x60, 0x61, 0x62});
    vs.CursorRow = 2;
    view.FormPaint();
    EXPECT_EQ(items(0), (std::vector<std::string>{"pq", "xyz", "w", "A", ".", ".", ".", ".", ".", "."}));
    const auto& c = textRow(0).cells;
    EXPECT_EQ(c[1].offset, 2);
    EXPECT_EQ(c[1].count, 3);
    EXPECT_EQ(c[2].count, 4);
    const ColorPair pair = colors(c[0]), three = colors(c[1]), four = colors(c[2]);
    EXPECT_EQ(pair, vs.ColorTable[kSubstringColor]);
    EXPECT_EQ(three.text, pair.text);
    EXPECT_EQ(four.text, pair.text);
    EXPECT_NE(three.background, pair.background);
    EXPECT_NE(four.background, pair.background);
    EXPECT_NE(three.background, four.background);
    // The cursor on a four-byte entry: the pair's highlight, the item whole.
    vs.CursorRow = 0;
    vs.CursorColumn = 7;
    view.FormPaint();
    EXPECT_TRUE(textRow(0).cells[2].cursor);
    EXPECT_EQ(colors(textRow(0).cells[2]), vs.ColorTable[kSubstringHighlight]);
    // A click on it puts the cursor on its last byte.
    view.TblDataMouseMove(2 * 10 + 3 * 10 + 5, 0);
    view.TblDataClick();
    EXPECT_EQ(vs.CursorColumn, 8);
}

TEST_F(HexViewPaint, Utf8TablesDrawTheirCharactersWithTheJapaneseFace) {
    parseTableText(tbl, "41=\xC3\xA9\n42=\xC3\xA9t\xC3\xA9\n");  // é, été
    open({0x41, 0x42});
    EXPECT_EQ(view.tableEncodingLabel(), "Table: UTF-8");
    EXPECT_EQ(textRow(0).cells[0].text, u"\u00e9");
    EXPECT_EQ(textRow(0).cells[1].text, u"\u00e9t\u00e9");
    // Colours count characters: one, then three.
    EXPECT_EQ(colors(textRow(0).cells[0]), entry(kTextHighlight));
    EXPECT_EQ(colors(textRow(0).cells[1]), entry(kMteTextColor));
    EXPECT_FALSE(view.page().japanese);  // Latin only: the text font
    EXPECT_EQ(textRow(0).cells[1].width, 30);
    parseTableText(tbl, "41=\xE3\x81\x82\n");  // あ
    view.FormPaint();
    EXPECT_TRUE(view.page().japanese);
    EXPECT_EQ(textRow(0).cells[0].text, u"\u3042");
    EXPECT_EQ(textRow(0).cells[0].width, 12);
    // The Japanese mark leaves a UTF-8 table's texts UTF-8.
    view.ViewKanaClick();
    EXPECT_EQ(textRow(0).cells[0].text, u"\u3042");
    EXPECT_EQ(view.tableEncodingLabel(), "Table: UTF-8");
    parseTableText(tbl, "41=A\n");
    EXPECT_EQ(view.tableEncodingLabel(), "Table: Shift-JIS");
    view.ViewKanaClick();
    EXPECT_EQ(view.tableEncodingLabel(), "Table: Windows-1252");
}
