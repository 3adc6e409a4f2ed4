// Selecting bytes by keys and mouse, how the selection is drawn and told,
// and the copy commands' texts.

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/testing/ScriptedPort.h"
#include "hexedit/core/DataPad.h"
#include "hexedit/core/SelectionText.h"
#include "hexedit/core/tests/view_fixture.h"

using namespace hexedit;
using namespace hexedit::testing;

namespace {

KeyPress key(Key k, bool shift = false, bool ctrl = false) {
    KeyPress p;
    p.key = k;
    p.shift = shift;
    p.ctrl = ctrl;
    return p;
}

std::pair<int32_t, int32_t> range(const HexView& v) {
    const auto sel = v.selection();
    return sel ? std::pair{sel->first, sel->last} : std::pair{-1, -1};
}

}  // namespace

using Selection = ViewFixture;

TEST_F(Selection, ShiftWithMovementKeysSelectsAndPlainMovesDrop) {
    openSize(0x400);
    struct Step {
        KeyPress press;
        std::pair<int32_t, int32_t> selected;
        int32_t cursor;
    };
    const Step steps[] = {
        {key(Key::Right), {-1, -1}, 1},
        {key(Key::Right, true), {1, 2}, 2},
        {key(Key::Right, true), {1, 3}, 3},
        {key(Key::Down, true), {1, 0x13}, 0x13},
        {key(Key::Up, true), {1, 3}, 3},
        {key(Key::Left, true), {1, 2}, 2},
        {key(Key::Left, true), {1, 1}, 1},
        {key(Key::Left, true), {0, 1}, 0},  // back past the anchor
        {key(Key::End, true), {1, 0xF}, 0xF},
        {key(Key::PageDown, true), {1, 0x10F}, 0x10F},
        {key(Key::Left), {-1, -1}, 0x10E},
    };
    for (const Step& s : steps) {
        const int32_t before = vs.CursorOffset;
        EXPECT_TRUE(view.previewKey(s.press));
        EXPECT_EQ(range(view), s.selected) << "after moving from " << before;
        EXPECT_EQ(vs.CursorOffset, s.cursor);
    }
    // Ctrl+End shows the buffer's last page; the selection follows the cursor there.
    view.previewKey(key(Key::End, true, true));
    EXPECT_EQ(range(view), (std::pair{0x10E, vs.CursorOffset}));
    EXPECT_GT(vs.CursorOffset, 0xFF00);
    // Ctrl with the arrows keeps its own meaning and the selection.
    view.previewKey(key(Key::Right, true));
    const auto sel = range(view);
    view.previewKey(key(Key::Right, true, true));
    EXPECT_EQ(vs.BytesPerRow, 17);
    EXPECT_EQ(range(view), sel);
}

TEST_F(Selection, DrawnInBothColumnsToldInTheStatusAndKeptByScrolling) {
    vs.ColorTable = defaultColorTable();
    tbl.PairTable[0x5051] = "pq";
    open({0x00, 0x50, 0x51, 0x00, 0x00});
    view.previewKey(key(Key::Right, true));  // selects 0..1: half of the pair
    const ColorPair plain = colors(hexCell(0, 4));
    EXPECT_NE(colors(hexCell(0, 0)), plain);
    EXPECT_TRUE(hexCell(0, 1).cursor);
    EXPECT_EQ(colors(hexCell(0, 2)), plain);
    // The pair's text cell overlaps the selection and is drawn selected.
    EXPECT_EQ(textRow(0).cells[1].offset, 1);
    EXPECT_TRUE(textRow(0).cells[1].cursor);
    EXPECT_NE(colors(textRow(0).cells[0]), colors(textRow(0).cells[2]));
    EXPECT_NE(view.statusText().find("Sel: 00000000-00000001 Len: 2 (2h)"), std::string::npos);

    // The wheel moves the page and the cursor's offset, not the selection.
    view.scrollRows(2);
    EXPECT_EQ(range(view), (std::pair{0, 1}));
    EXPECT_TRUE(view.previewKey(key(Key::Escape)));
    EXPECT_FALSE(view.selection());
    EXPECT_EQ(view.statusText().find("Sel:"), std::string::npos);
    EXPECT_FALSE(view.previewKey(key(Key::Escape)));  // nothing left to drop: not used
    // Typing drops it too.
    view.previewKey(key(Key::Right, true));
    view.FormKeyPress(U'7');
    EXPECT_FALSE(view.selection());
}

// Selected cells read against the unselected ones and their own text, at
// least 3:1, under the default colours and under any the user chose.
TEST_F(Selection, ColoursContrastAtLeastThreeToOne) {
    auto check = [](uint32_t text, uint32_t background, uint32_t cursor) {
        const ColorPair sel = selectionColors(text, background, cursor);
        EXPECT_GE(contrastRatio(sel.background, background), 3.0) << std::hex << text << " " << background;
        EXPECT_GE(contrastRatio(sel.text, sel.background), 3.0) << std::hex << text << " " << background;
    };
    uint32_t seed = 12345;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8 & 0xFFFFFF; };
    for (int i = 0; i < 2000; ++i) check(next(), next(), next());
    for (uint32_t grey = 0; grey <= 0xFF; grey += 0x11) check(0x808000, grey * 0x010101, 0x808080);

    // Drawn so: the default colours, a byte and a text cell selected.
    vs.ColorTable = defaultColorTable();
    open({0x41, 0x42, 0x43});
    view.previewKey(key(Key::Right, true));
    view.previewKey(key(Key::Right, true));
    for (const ViewCell* c : {&hexCell(0, 0), &textRow(0).cells[0]}) {
        EXPECT_GE(contrastRatio(c->background, colors(hexCell(0, 5)).background), 3.0);
        EXPECT_GE(contrastRatio(c->textColor, c->background), 3.0);
    }
    EXPECT_DOUBLE_EQ(contrastRatio(0, 0xFFFFFF), 21.0);
}

TEST_F(Selection, MouseDragsInEitherColumn) {
    tbl.PairTable[0x5051] = "pq";
    std::vector<uint8_t> data(0x100);
    data[4] = 0x50;
    data[5] = 0x51;
    open(data);
    auto hexAt = [&](int row, int column) { view.HexDataMouseMove(72 + column * 16 + 4, row * kLine + 2); };
    hexAt(0, 3);
    view.mouseDown(false, false);
    EXPECT_FALSE(view.selection());  // a press alone selects nothing
    hexAt(1, 5);
    view.mouseDrag(false);
    EXPECT_EQ(range(view), (std::pair{3, 0x15}));
    EXPECT_EQ(vs.CursorOffset, 0x15);
    hexAt(0, 1);  // back before the pressed byte
    view.mouseDrag(false);
    EXPECT_EQ(range(view), (std::pair{1, 3}));
    EXPECT_EQ(vs.CursorOffset, 1);
    view.mouseUp();
    view.mouseDrag(false);  // no button held: nothing changes
    EXPECT_EQ(range(view), (std::pair{1, 3}));
    // Shift with a press extends from the anchor.
    hexAt(2, 0);
    view.mouseDown(false, true);
    EXPECT_EQ(range(view), (std::pair{3, 0x20}));
    view.mouseUp();
    // A click drops it.
    view.HexDataClick();
    EXPECT_FALSE(view.selection());

    // Text column: "." 0..10 x4, then "pq" 40..60. Dragging from the pair
    // backwards anchors on the pair's last byte.
    view.TblDataMouseMove(45, 2);
    view.mouseDown(true, false);
    EXPECT_EQ(vs.CursorOffset, 5);
    view.TblDataMouseMove(5, 2);
    view.mouseDrag(true);
    EXPECT_EQ(range(view), (std::pair{0, 5}));
    // Past the last row the page scrolls a row at a time; just above the
    // first row it scrolls back.
    view.TblDataMouseMove(5, 40 * kLine);
    view.mouseDrag(true);
    EXPECT_EQ(vs.TopOffset, 0x10);
    EXPECT_EQ(range(view), (std::pair{4, 0x100}));
    view.TblDataMouseMove(5, -1);
    view.mouseDrag(true);
    EXPECT_EQ(vs.TopOffset, 0);
    EXPECT_EQ(range(view), (std::pair{0, 5}));
    view.mouseUp();
}

TEST(SelectionText, CopyTexts) {
    EXPECT_EQ(hexCopyText(std::vector<uint8_t>{0x0A, 0xFF, 0x00}), "0A FF 00");
    EXPECT_EQ(hexCopyText({}), "");
    TableData t;
    t.setByte(0x41, "A");
    t.setByte(0x42, "\xE9");          // Windows-1252 e acute
    t.setByte(0x43, "\x82\xA0");      // Shift-JIS hiragana a
    t.PairTable[0x5051] = "pq";
    t.LineBreakCode = {0x0A, '/'};
    t.EndStringCode = {0xFF, '*'};
    const std::vector<uint8_t> bytes{0x41, 0x50, 0x51, 0x0A, 0x42, 0xFF, 0x99, 0x50};
    EXPECT_EQ(tableCopyText(t, bytes, false), "Apq\n\xC3\xA9*..");  // a pair cut at the end is two items
    EXPECT_EQ(tableCopyText(t, std::vector<uint8_t>{0x43}, true), "\xE3\x81\x82");
}

namespace {
class SelectionCommands : public ::testing::Test {
protected:
    SelectionCommands() {
        char tmpl[] = "/tmp/selection_testXXXXXX";
        dir = mkdtemp(tmpl);
        EXPECT_TRUE(pad.FormCreate(dir.string()));
        const auto path = dir / "rom.bin";
        std::ofstream(path, std::ios::binary) << std::string("\x12\x34\x56\x78\x9A", 5);
        EXPECT_TRUE(pad.files.openPath(path.string()));
    }
    ~SelectionCommands() override { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
    common::testing::ScriptedPort port;
    DataPad pad{port};
};
}  // namespace

TEST_F(SelectionCommands, CopyNeedsASelectionAndPasteStartsAtIt) {
    for (const char* name : {"CopyasHex1Click", "CopyasHex2Click", "CopyasText1Click", "CopyasText2Click"})
        EXPECT_FALSE(pad.commandEnabled(name)) << name;
    pad.moveCursorTo(3);
    pad.commands().previewKey(key(Key::Left, true));
    pad.commands().previewKey(key(Key::Left, true));
    EXPECT_TRUE(pad.commandEnabled("CopyasHex2Click"));
    EXPECT_TRUE(pad.runCommand("CopyasHex2Click"));
    EXPECT_EQ(port.clipboard, "34 56 78");
    EXPECT_TRUE(pad.runCommand("CopyasText1Click"));
    EXPECT_EQ(port.clipboard, "4Vx");  // through the built-in ASCII table

    port.clipboard = "AA BB";
    EXPECT_TRUE(pad.runCommand("AsHex1Click"));
    const auto b = pad.bytes();
    EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 5), (std::vector<uint8_t>{0x12, 0xAA, 0xBB, 0x78, 0x9A}));
    EXPECT_FALSE(pad.hexView.selection());
    pad.edit.Undo1Click();
    EXPECT_EQ(pad.bytes()[1], 0x34);  // one step
}
