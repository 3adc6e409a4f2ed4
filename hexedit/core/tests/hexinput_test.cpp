#include "common/testing/ScriptedPort.h"
#include "hexedit/core/tests/view_fixture.h"
#include "hexedit/core/TableLoader.h"

using namespace hexedit;
using namespace hexedit::testing;

namespace {
void press(HexView& v, ViewKey k, int times = 1, bool ctrl = false) {
    for (int i = 0; i < times; ++i) v.FormKeyDown(k, ctrl);
}
void type(HexView& v, std::u32string_view s) {
    for (char32_t c : s) v.FormKeyPress(c);
}
}  // namespace

using HexViewKeys = ViewFixture;

TEST_F(HexViewKeys, LeftAndRightWrapAcrossRows) {
    openSize(10);
    view.FormKeyDown(ViewKey::Left, false);  // from offset 0: last column, page clamps at 0
    EXPECT_EQ(vs.CursorColumn, 15);
    EXPECT_EQ(vs.CursorRow, 0);
    EXPECT_EQ(vs.TopOffset, 0);
    press(view, ViewKey::Right);
    EXPECT_EQ(vs.CursorOffset, 16);  // column 0 of the next row
    press(view, ViewKey::Backspace);
    EXPECT_EQ(vs.CursorOffset, 15);
    // At the last column of the last visible row, Right scrolls one row.
    vs.CursorRow = 15;
    vs.CursorColumn = 15;
    view.FormPaint();
    press(view, ViewKey::Right);
    EXPECT_EQ(vs.CursorRow, 15);
    EXPECT_EQ(vs.CursorColumn, 0);
    EXPECT_EQ(vs.TopOffset, 16);
    EXPECT_EQ(vs.CursorOffset, 16 + 15 * 16);
    // Left at column 0 of row 0 scrolls back.
    vs.CursorRow = 0;
    view.FormPaint();
    press(view, ViewKey::Left);
    EXPECT_EQ(vs.TopOffset, 0);
    EXPECT_EQ(vs.CursorOffset, 15);
}

TEST_F(HexViewKeys, UpDownHomeEndAndPages) {
    openSize(10);
    press(view, ViewKey::Down, 15);
    EXPECT_EQ(vs.CursorRow, 15);
    EXPECT_EQ(vs.TopOffset, 0);
    press(view, ViewKey::Down);  // past the last visible row
    EXPECT_EQ(vs.CursorRow, 15);
    EXPECT_EQ(vs.TopOffset, 16);
    press(view, ViewKey::Up, 15);
    EXPECT_EQ(vs.CursorRow, 0);
    press(view, ViewKey::Up);
    EXPECT_EQ(vs.TopOffset, 0);
    press(view, ViewKey::Up);  // painting clamps at 0
    EXPECT_EQ(vs.TopOffset, 0);
    press(view, ViewKey::End);
    EXPECT_EQ(vs.CursorColumn, 15);
    press(view, ViewKey::Home);
    EXPECT_EQ(vs.CursorColumn, 0);
    vs.CursorRow = 3;
    press(view, ViewKey::PageDown);
    EXPECT_EQ(vs.TopOffset, 256);
    EXPECT_EQ(vs.CursorRow, 3);
    press(view, ViewKey::PageUp, 2);
    EXPECT_EQ(vs.TopOffset, 0);
    // PgDn near the end stops at the last page.
    vs.TopOffset = 65535 - 300;
    press(view, ViewKey::PageDown);
    EXPECT_EQ(vs.TopOffset, 65535 - 256);
    press(view, ViewKey::PageDown);
    EXPECT_EQ(vs.TopOffset, 65535 - 256);
    EXPECT_EQ(view.VScrlChange().position, vs.TopOffset);
}

TEST_F(HexViewKeys, CtrlTable) {
    openSize(10);
    vs.CursorRow = 5;
    EXPECT_TRUE(view.FormKeyDown(ViewKey::PageUp, true));
    EXPECT_EQ(vs.CursorRow, 0);
    EXPECT_EQ(vs.TopOffset, 0);  // consumed: no page move
    view.FormKeyDown(ViewKey::PageDown, true);
    EXPECT_EQ(vs.CursorRow, 15);
    view.FormKeyDown(ViewKey::End, true);
    EXPECT_EQ(vs.TopOffset, 65535 - 256);
    EXPECT_EQ(vs.CursorColumn, 0);
    view.FormKeyDown(ViewKey::Home, true);
    EXPECT_EQ(vs.TopOffset, 0);
    // Ctrl+Right: one byte more per row, then the plain Right.
    vs.CursorRow = 0;
    const int widths = host.widths;
    view.FormKeyDown(ViewKey::Right, true);
    EXPECT_EQ(vs.BytesPerRow, 17);
    EXPECT_EQ(vs.CursorColumn, 1);
    EXPECT_EQ(vs.PageBytes, 256);  // kept until the next resize
    EXPECT_EQ(host.widths, widths + 1);
    EXPECT_EQ(view.hexPanelWidth(), 17 * 16 + 80);
    EXPECT_EQ(hexRow(1).cells[0].offset, 17);
    view.FormKeyDown(ViewKey::Left, true);
    view.FormKeyDown(ViewKey::Left, true);
    EXPECT_EQ(vs.BytesPerRow, 15);
    EXPECT_EQ(vs.CursorOffset, 14);  // column 1, left twice: wrapped to the row end
    vs.BytesPerRow = 1;
    view.FormKeyDown(ViewKey::Left, true);
    EXPECT_EQ(vs.BytesPerRow, 1);
    vs.BytesPerRow = kMaxBytesPerRow;
    view.FormKeyDown(ViewKey::Right, true);
    EXPECT_EQ(vs.BytesPerRow, kMaxBytesPerRow);
}

TEST_F(HexViewKeys, CharShiftRebuildsTheBuiltInTable) {
    std::vector<uint8_t> data(16, 0x40);
    open(data);
    tbl.TableSlot = 2;
    tbl.buildAsciiTable();
    view.FormPaint();
    EXPECT_EQ(items(0).front(), "@");
    view.FormKeyDown(ViewKey::Up, true);
    EXPECT_EQ(tbl.CharShift, 1);
    EXPECT_EQ(items(0).front(), "A");
    EXPECT_NE(view.statusText().find("Asc 'A'=42"), std::string::npos);
    view.FormKeyDown(ViewKey::Down, true);
    view.FormKeyDown(ViewKey::Down, true);
    EXPECT_EQ(tbl.CharShift, 255);
    EXPECT_EQ(items(0).front(), "?");
    // A loaded table is not touched.
    tbl.TableSlot = 0;
    tbl.setByte(0x40, "x");
    view.FormKeyDown(ViewKey::Up, true);
    EXPECT_EQ(tbl.CharShift, 0);
    EXPECT_EQ(*tbl.ByteTable[0x40], "x");
}

TEST_F(HexViewKeys, HexEntry) {
    openSize(100);
    type(view, U"41");
    EXPECT_EQ(ed.FileBuffer()[0], 0x41);
    EXPECT_EQ(vs.CursorOffset, 1);
    EXPECT_TRUE(ed.Modified);
    EXPECT_EQ(text(hexCell(0, 0)), "41");
    // Non-digits between digits are skipped; lower case counts.
    type(view, U"4x g-a");
    EXPECT_EQ(ed.FileBuffer()[1], 0x4A);
    EXPECT_EQ(vs.CursorOffset, 2);
    // A pending digit survives moves and Ctrl combinations ...
    type(view, U"f");
    EXPECT_TRUE(view.pendingDigit());
    view.FormKeyDown(ViewKey::Down, false);
    view.FormKeyDown(ViewKey::Up, true);
    type(view, U"e");
    EXPECT_EQ(ed.FileBuffer()[18], 0xFE);
    // ... but not a key that types nothing.
    type(view, U"1");
    view.FormKeyDown(ViewKey::Other, false);
    EXPECT_FALSE(view.pendingDigit());
    type(view, U"23");
    EXPECT_EQ(ed.FileBuffer()[19], 0x23);
    // Modifier keys alone leave it.
    type(view, U"7");
    view.FormKeyDown(ViewKey::Modifier, false);
    type(view, U"7");
    EXPECT_EQ(ed.FileBuffer()[20], 0x77);
}

TEST_F(HexViewKeys, EntryAtTheBufferEndIsIgnored) {
    openSize(65535);
    view.FormKeyDown(ViewKey::End, true);
    view.FormKeyDown(ViewKey::PageDown, true);
    view.FormKeyDown(ViewKey::End, false);
    ASSERT_EQ(vs.CursorOffset, 65534);  // the last byte
    // A longer row moves the cursor past the end.
    view.FormKeyDown(ViewKey::Right, true);
    ASSERT_EQ(vs.CursorOffset, 65279 + 15 * 17 + 16);
    type(view, U"12");
    EXPECT_FALSE(ed.Modified);
    view.FormKeyDown(ViewKey::Left, true);
    ASSERT_EQ(vs.CursorOffset, 65534);
    type(view, U"12");
    EXPECT_EQ(ed.FileBuffer()[65534], 0x12);
}

TEST_F(HexViewKeys, TextEntryPrefersSingleBytesAndTheLowestCode) {
    tbl.setByte(0x41, "A");
    tbl.setByte(0x61, "A");
    tbl.PairTable[0x8260] = "A";
    tbl.PairTable[0x8261] = "B";
    tbl.PairTable[0x8262] = "B";
    openSize(65535);
    view.HexEditMode1Click();
    EXPECT_TRUE(view.TextMode);
    type(view, U"A");
    EXPECT_EQ(ed.FileBuffer()[0], 0x41);
    EXPECT_EQ(vs.CursorOffset, 1);
    type(view, U"B");
    EXPECT_EQ(ed.FileBuffer()[1], 0x82);
    EXPECT_EQ(ed.FileBuffer()[2], 0x61);
    EXPECT_EQ(vs.CursorOffset, 3);
    // 16-bit input off: pairs are not used; unknown characters are ignored.
    view.D_MBEClick();
    type(view, U"BZ");
    EXPECT_EQ(vs.CursorOffset, 3);
    EXPECT_EQ(ed.FileBuffer()[3], 0);
    view.D_MBEClick();
    // A pair needs room for its second byte.
    vs.TopOffset = 65535 - 256;
    vs.CursorRow = 15;
    vs.CursorColumn = 15;
    view.FormPaint();
    ASSERT_EQ(vs.CursorOffset, 65534);
    type(view, U"B");
    EXPECT_EQ(ed.FileBuffer()[65534], 0);
    type(view, U"A");
    EXPECT_EQ(ed.FileBuffer()[65534], 0x41);
}

TEST_F(HexViewKeys, TextEntryThroughShiftJisEntries) {
    tbl.PairTable[0x0102] = "\x82\xA0";  // hiragana a
    openSize(100);
    view.HexEditMode1Click();
    view.FormKeyPress(U'\u3042');
    EXPECT_EQ(ed.FileBuffer()[0], 0x01);
    EXPECT_EQ(ed.FileBuffer()[1], 0x02);
}

TEST_F(HexViewKeys, DteMerge) {
    tbl.setByte(0x74, "t");
    tbl.setByte(0x68, "h");
    tbl.setByte(0x65, "e");
    tbl.setByte(0x80, "th");
    tbl.setByte(0x81, "he");
    openSize(100);
    view.HexEditMode1Click();
    view.D_DTEClick();
    type(view, U"th");
    // The h is written, then the pair's code replaces the t before it.
    EXPECT_EQ(ed.FileBuffer()[0], 0x80);
    EXPECT_EQ(ed.FileBuffer()[1], 0x68);
    EXPECT_EQ(vs.CursorOffset, 2);
    // With the next byte: typing h before an e merges into "he" at the cursor.
    session.poke(11, std::vector<uint8_t>{0x65});
    vs.CursorColumn = 10;
    view.FormPaint();
    type(view, U"h");
    EXPECT_EQ(ed.FileBuffer()[10], 0x81);
    EXPECT_EQ(ed.FileBuffer()[11], 0x65);
    // Two of the three characters missing: nothing merges.
    vs.CursorColumn = 14;
    view.FormPaint();
    session.poke(13, std::vector<uint8_t>{0});
    session.poke(15, std::vector<uint8_t>{0});
    type(view, U"t");
    EXPECT_EQ(ed.FileBuffer()[14], 0x74);
    // DTE inserting off: no merge.
    view.D_DTEClick();
    vs.CursorRow = 2;
    vs.CursorColumn = 0;
    view.FormPaint();
    type(view, U"th");
    EXPECT_EQ(ed.FileBuffer()[32], 0x74);
    EXPECT_EQ(ed.FileBuffer()[33], 0x68);
}

TEST_F(HexViewKeys, EditTogglesUpdateTheMenus) {
    openSize(100);
    view.HexEditMode1Click();
    view.D_MBEClick();
    view.D_DTEClick();
    EXPECT_EQ(host.menus, 3);
    EXPECT_TRUE(view.TextMode && view.Disable16Bit && view.DteInserting);
    // Switching the mode repaints only the cursor row.
    EXPECT_EQ(host.rows.front(), (std::pair<int, int>(0, 0)));
    EXPECT_TRUE(view.BlinkCell().textColumn);
}

TEST_F(HexViewKeys, PasteAsHexAndAsText) {
    common::testing::ScriptedPort port;
    tbl.setByte(0x41, "A");
    tbl.setByte(0x42, "B");
    tbl.PairTable[0x8260] = "C";
    openSize(65535);
    port.clipboard = "41 42\r\n43";
    view.AsText1Click(port, false);
    EXPECT_EQ(ed.FileBuffer()[0], 0x41);
    EXPECT_EQ(ed.FileBuffer()[1], 0x42);
    EXPECT_EQ(ed.FileBuffer()[2], 0x43);
    EXPECT_EQ(vs.CursorOffset, 3);
    EXPECT_FALSE(view.TextMode);
    port.clipboard = "AB\nCxA";
    view.AsText1Click(port, true);
    EXPECT_EQ(ed.FileBuffer()[3], 0x41);
    EXPECT_EQ(ed.FileBuffer()[4], 0x42);
    EXPECT_EQ(ed.FileBuffer()[5], 0x82);
    EXPECT_EQ(ed.FileBuffer()[6], 0x60);
    EXPECT_EQ(ed.FileBuffer()[7], 0x41);
    EXPECT_EQ(vs.CursorOffset, 8);
    EXPECT_FALSE(view.TextMode);  // restored
    EXPECT_EQ(text(hexCell(0, 5)), "82");
    // A line far longer than one piece goes through whole; scrolling follows.
    port.clipboard = std::string(3000, 'A');
    int reports = 0;
    view.AsText1Click(port, true, [&](uint64_t, uint64_t) { return ++reports > 0; });
    EXPECT_EQ(vs.CursorOffset, 3008);
    EXPECT_EQ(ed.FileBuffer()[3007], 0x41);
    EXPECT_EQ(ed.FileBuffer()[3008], 0);
    EXPECT_GE(reports, 5);
    EXPECT_LE(vs.CursorOffset - vs.TopOffset, vs.PageBytes);
    // Pasting past the buffer's end stops there.
    vs.TopOffset = 65535 - 256;
    vs.CursorRow = 15;
    vs.CursorColumn = 13;
    view.FormPaint();
    port.clipboard = "1122334455";
    view.AsText1Click(port, false);
    EXPECT_EQ(ed.FileBuffer()[65532], 0x11);
    EXPECT_EQ(ed.FileBuffer()[65533], 0x22);
    EXPECT_EQ(ed.FileBuffer()[65534], 0x33);
    EXPECT_EQ(ed.BufferSize, 65535);
}

// Saving writes FileSize bytes: the zero tail the view shows takes no input.
TEST_F(HexViewKeys, TypingAndPastingPastTheEndOfTheFileAreRefused) {
    common::testing::ScriptedPort port;
    tbl.setByte(0x41, "A");
    tbl.PairTable[0x8260] = "C";
    openSize(4);
    vs.CursorColumn = 4;
    view.FormPaint();
    type(view, U"12");
    EXPECT_FALSE(ed.Modified);
    EXPECT_FALSE(view.pendingDigit());
    EXPECT_EQ(vs.CursorOffset, 4);
    EXPECT_EQ(view.statusText(), kPastEndStatus);
    // A pair whose second byte would lie past the end.
    vs.CursorColumn = 3;
    view.FormPaint();
    view.TextMode = true;
    type(view, U"C");
    EXPECT_FALSE(ed.Modified);
    EXPECT_EQ(view.statusText(), kPastEndStatus);
    // Pasting fills up to the end and says why it stopped there.
    vs.CursorColumn = 2;
    view.FormPaint();
    port.clipboard = "AAAA";
    view.AsText1Click(port, true);
    EXPECT_EQ(ed.FileBuffer()[2], 0x41);
    EXPECT_EQ(ed.FileBuffer()[3], 0x41);
    EXPECT_EQ(ed.FileBuffer()[4], 0);
    EXPECT_EQ(view.statusText(), kPastEndStatus);
    port.clipboard = "41";
    vs.CursorColumn = 0;
    view.FormPaint();
    view.AsText1Click(port, false);
    EXPECT_NE(view.statusText(), kPastEndStatus);
}

TEST_F(HexViewKeys, Utf8TablesTypeAndPasteThroughTheLongestText) {
    common::testing::ScriptedPort port;
    parseTableText(tbl,
                   "64=d\n72=r\n61=a\n67=g\n6F=o\n6E=n\n20= \n"
                   "9001=dragon\n"
                   "10=\xE3\x81\x82\n"          // あ
                   "F00102=\xE7\xAB\x9C\n"      // 竜, three bytes
                   "F1020304=\xE7\xAB\x9C\xE3\x81\x82\n");  // 竜あ, four bytes
    ASSERT_EQ(tbl.Encoding, TableEncoding::Utf8);
    openSize(65535);
    view.HexEditMode1Click();
    type(view, U"d\u7adc");  // one key at a time: "d", then the three-byte entry
    EXPECT_EQ(ed.FileBuffer()[0], 0x64);
    EXPECT_EQ(ed.FileBuffer()[1], 0xF0);
    EXPECT_EQ(ed.FileBuffer()[3], 0x02);
    EXPECT_EQ(vs.CursorOffset, 4);
    // Paste encodes words: the longest text first, lines apart.
    port.clipboard = "dragon \xE7\xAB\x9C\xE3\x81\x82\ndr\xE3\x81\x82";
    view.AsText1Click(port, true);
    const std::vector<uint8_t> expected = {0x90, 0x01, 0x20, 0xF1, 0x02, 0x03, 0x04, 0x64, 0x72, 0x10};
    EXPECT_EQ(std::vector<uint8_t>(ed.FileBuffer() + 4, ed.FileBuffer() + 4 + expected.size()), expected);
    EXPECT_EQ(vs.CursorOffset, 4 + static_cast<int32_t>(expected.size()));
    // With 16-bit input off only single bytes are typed.
    view.D_MBEClick();
    port.clipboard = "dragon\xE7\xAB\x9C";
    view.AsText1Click(port, true);
    EXPECT_EQ(std::vector<uint8_t>(ed.FileBuffer() + 14, ed.FileBuffer() + 20),
              (std::vector<uint8_t>{0x64, 0x72, 0x61, 0x67, 0x6F, 0x6E}));
    EXPECT_EQ(vs.CursorOffset, 20);
}

// Characters that come at once (an input method's commit) go through the
// encoder together, as one undo step; hex digits still pair up.
TEST_F(HexViewKeys, SeveralCharactersAtOnceAreEncodedTogether) {
    parseTableText(tbl, "64=d\n72=r\n61=a\n67=g\n6F=o\n6E=n\n9001=dragon\n10=\xE3\x81\x82\n");
    openSize(100);
    EXPECT_TRUE(view.previewKey(KeyPress{.composed = U"12a"}));
    EXPECT_EQ(ed.FileBuffer()[0], 0x12);
    EXPECT_EQ(vs.CursorOffset, 1);
    EXPECT_TRUE(view.pendingDigit());
    view.cancelPending();
    view.HexEditMode1Click();
    session.document().closeTypingRun();
    EXPECT_TRUE(view.previewKey(KeyPress{.composed = U"dragon\u3042dr"}));
    const std::vector<uint8_t> expected = {0x90, 0x01, 0x10, 0x64, 0x72};
    EXPECT_EQ(std::vector<uint8_t>(ed.FileBuffer() + 1, ed.FileBuffer() + 6), expected);
    EXPECT_EQ(vs.CursorOffset, 6);
    EXPECT_FALSE(view.previewKey(KeyPress{.ctrl = true, .composed = U"dragon"}));  // Ctrl types nothing
    EXPECT_FALSE(view.typeChars(U"\x01\x7F"));
    ASSERT_TRUE(session.document().undo());
    EXPECT_EQ(ed.FileBuffer()[1], 0x00);
    EXPECT_EQ(ed.FileBuffer()[5], 0x00);
    EXPECT_EQ(ed.FileBuffer()[0], 0x12);
}

TEST_F(HexViewKeys, LegacyPasteTakesTheLongestTextBetweenCharacters) {
    common::testing::ScriptedPort port;
    tbl.setByte(0x41, "A");
    tbl.setByte(0x42, "B");
    tbl.setByte(0x80, "AB");
    tbl.setEntry(0x818283, 3, "ABA");
    openSize(100);
    port.clipboard = "ABAB";
    view.AsText1Click(port, true);
    EXPECT_EQ((std::vector<uint8_t>(ed.FileBuffer(), ed.FileBuffer() + 5)),
              (std::vector<uint8_t>{0x81, 0x82, 0x83, 0x42, 0x00}));
    // One key types one character, as ever.
    view.HexEditMode1Click();
    type(view, U"AB");
    EXPECT_EQ(ed.FileBuffer()[4], 0x41);
    EXPECT_EQ(ed.FileBuffer()[5], 0x42);
}
