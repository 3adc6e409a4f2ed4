// The main window's commands, run headless through the scripted port.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>

#include "common/fileio.h"
#include "common/testing/ScriptedPort.h"
#include "scripted/HexData.h"
#include "scripted/Layout.h"
#include "scripted/ScriptEditor.h"
#include "scripted/tests/TestFiles.h"
#include "tools/mkgamerom/GameRom.h"

using namespace scripted;
using common::MsgIcon;
using common::testing::ScriptedPort;
using scripted::testing::gameFile;
using scripted::testing::TempFolder;

namespace {

void writeFile(const std::string& path, std::span<const uint8_t> data) {
    ASSERT_EQ(common::writeFileAtomic(path, data), "");
}

// Opens a ROM and a data file, both answered through the port.
void open(ScriptEditor& ed, ScriptedPort& port, const std::string& rom, const std::string& data) {
    port.answerOpen(rom);
    port.answerOpen(data);
    ed.OpenRomFile(port);
}

struct EditorTest : ::testing::Test {
    TempFolder dir;
    ScriptedPort port;
    ScriptEditor ed{dir.path()};
    mkgamerom::GameRom rom = mkgamerom::buildGameRom();
    std::string romPath = dir.file("vt2.smc");
    std::string hdrPath = dir.file("vt2_hdr.smc");
    std::string dataPath = dir.file("vt2data.txt");
    void SetUp() override {
        writeFile(romPath, rom.image);
        auto h = mkgamerom::withCopierHeader(rom.image);
        writeFile(hdrPath, h);
        std::string text = mkgamerom::dataFileText(rom);
        ASSERT_EQ(common::writeFileAtomic(dataPath, text), "");
    }
};

}  // namespace

TEST_F(EditorTest, OpenRomListsBlocksAndStrings) {
    for (const std::string& path : {hdrPath, romPath}) {
        open(ed, port, path, dataPath);
        ASSERT_TRUE(ed.romLoaded());
        EXPECT_EQ(ed.HeaderSize, path == hdrPath ? 512u : 0u);
        EXPECT_EQ(ed.RomSize, path == hdrPath ? 0x200200u : 0x200000u);
        EXPECT_TRUE(ed.DataLoaded);
        EXPECT_TRUE(ed.DataMenuEnabled);
        EXPECT_EQ(ed.Caption, "Script Editor: Vexmoor Tales 2 - [ vt2data.txt ]");
        ASSERT_EQ(ed.bList.items.size(), rom.blocks.size());
        EXPECT_EQ(ed.bList.items[0], "Block C20000");
        EXPECT_EQ(ed.bList.items[5], "Block DFFF00");
        EXPECT_EQ(ed.bList.selected, 0);
        EXPECT_EQ(ed.bList.hint, "6 item(s)");
        EXPECT_EQ(ed.pList.items, (std::vector<std::string>{"String# 0    ", "String# 1    ", "String# 2    ",
                                                            "String# 3    "}));
        EXPECT_EQ(ed.pList.hint, "4 item(s)");
        EXPECT_EQ(ed.pList.selected, 0);
        EXPECT_EQ(ed.StringPointers, rom.blocks[0].strings);
        EXPECT_EQ(ed.CurrentStringOffset, rom.blocks[0].strings[0]);
        EXPECT_EQ(ed.StatusPanels[0], "Offset: 000000 | PTR: 100000 -> 000000");
        EXPECT_EQ(ed.StatusPanels[1], "Line {Kana, Ascii}: 0, 0");
        EXPECT_EQ(ed.KanaCaption, "Kana Text: String #0");
        EXPECT_EQ(ed.DumpFolder, dir.file("Dumps"));
        EXPECT_TRUE(std::filesystem::is_directory(ed.DumpFolder));
        EXPECT_EQ(ed.TranslationPath, dir.file("Dumps/00C20000.txt"));
        // The data file's directives: text editor and kana window shown, hex hidden.
        EXPECT_TRUE(ed.windowVisible(Window::TextEditor));
        EXPECT_TRUE(ed.windowVisible(Window::KanaText));
        EXPECT_FALSE(ed.windowVisible(Window::HexData));
        EXPECT_EQ(ed.takeFocusRequest(), Focus::BlockList);
        ASSERT_FALSE(ed.CurrentText.empty());
        EXPECT_EQ(ed.CurrentText[0].word, 'W');
    }
    ASSERT_EQ(port.openRequests.size(), 4u);
    EXPECT_EQ(port.openRequests[0].title, "Open ROM File");
    EXPECT_EQ(port.openRequests[0].filter, "SNES ROM | *.s*c; *.fig;");
    EXPECT_EQ(port.openRequests[0].initialFolder, dir.path());
    EXPECT_EQ(port.openRequests[1].title, "Open Text Block Data File");
    EXPECT_EQ(port.openRequests[1].filter, "Font Format File | *.txt");
    EXPECT_EQ(port.openRequests[1].initialFolder, dir.path());
}

TEST_F(EditorTest, SelectingBlocksAndStrings) {
    open(ed, port, romPath, dataPath);
    ed.takeFocusRequest();
    ed.StringListClick(2);
    EXPECT_EQ(ed.CurrentString, 2);
    EXPECT_EQ(ed.KanaCaption, "Kana Text: String #2");
    EXPECT_EQ(ed.CurrentStringOffset, rom.blocks[0].strings[2]);
    EXPECT_EQ(ed.takeFocusRequest(), Focus::StringList);
    EXPECT_EQ(ed.CurrentText.back().word, 0xFFFF);

    // A block that begins with opcode 89 has no strings.
    ed.BlockListClick(port, 2);
    EXPECT_EQ(ed.CurrentBlock, 2);
    EXPECT_TRUE(ed.pList.items.empty());
    EXPECT_EQ(ed.pList.hint, "0 item(s)");
    EXPECT_EQ(ed.pList.selected, -1);
    // Nothing of the previous string stays: PTR field, kana caption, text.
    EXPECT_EQ(ed.CurrentString, -1);
    EXPECT_EQ(ed.StatusPanels[0], "Offset: 000000 | PTR: 0000 -> 000000");
    EXPECT_EQ(ed.KanaCaption, "Kana Text: String #0");
    EXPECT_TRUE(ed.CurrentText.empty());
    EXPECT_EQ(ed.takeFocusRequest(), Focus::BlockList);

    EXPECT_TRUE(ed.KanaTextShown().empty());

    // The kana text window shows the selected string, control texts as the
    // text box shows them.
    ed.BlockListClick(port, 3);
    ed.StringListClick(2);
    EXPECT_EQ(ed.KanaTextShown(), u"\u3068\u3046\u3060\u3044\u3082\u308A:\n"
                                  u"\u304A\u3084\u3059\u307F\u306A\u3055\u3044\u3002[Key]\n"
                                  u"\u30AB\u30F3\u30C6\u30E9{9000}[$8123]");
    ed.ToggleHideCodes();
    EXPECT_EQ(ed.KanaTextShown().substr(16), u"\n\u30AB\u30F3\u30C6\u30E9{9000}");
    ed.ToggleHideCodes();

    ed.BlockListClick(port, 1);
    EXPECT_EQ(ed.pList.items.size(), 3u);
    EXPECT_EQ(ed.CurrentString, 0);
    EXPECT_EQ(ed.TranslationPath, dir.file("Dumps/00C21000.txt"));

    // The block at the end of the image runs off it.
    ed.BlockListClick(port, 5);
    port.expectMessage("Scripting Read Error: Pointers could not be loaded.");
    EXPECT_EQ(ed.StringCount, kWalkFailed);
    EXPECT_TRUE(ed.pList.items.empty());
    ed.StringListClick(0);  // nothing listed: nothing happens
    EXPECT_EQ(ed.CurrentString, -1);

    // Scroll offsets are reset unless the text editor is the active window.
    ed.BlockListClick(port, 0);
    ed.UpperScroll = 32;
    ed.TextEditorActive = true;
    ed.StringListClick(1);
    EXPECT_EQ(ed.StatusPanels[1], "Line {Kana, Ascii}: 2, 0");
    ed.TextEditorActive = false;
    ed.StringListClick(1);
    EXPECT_EQ(ed.UpperScroll, 0);
}

TEST_F(EditorTest, OpenRomFailures) {
    port.cancelOpen();
    ed.OpenRomFile(port);
    EXPECT_FALSE(ed.romLoaded());
    EXPECT_FALSE(ed.DataMenuEnabled);

    port.answerOpen(dir.file("missing.smc"));
    ed.OpenRomFile(port);
    port.expectMessage("Fatal Error: Could not open file!");
    EXPECT_FALSE(ed.romLoaded());

    open(ed, port, romPath, dataPath);
    ASSERT_TRUE(ed.romLoaded());
    // A missing file keeps the loaded ROM.
    port.answerOpen(dir.file("missing.smc"));
    ed.OpenRomFile(port);
    port.expectMessage("Fatal Error: Could not open file!");
    EXPECT_TRUE(ed.romLoaded());

    // A wrong title, a file too short to hold one, and the headered image
    // given the wrong length all leave no ROM loaded.
    auto wrong = rom.image;
    wrong[0xFFC0 + 12] = '3';
    writeFile(dir.file("wrong.smc"), wrong);
    std::vector<uint8_t> tiny(100, 0);
    writeFile(dir.file("tiny.smc"), tiny);
    auto shifted = mkgamerom::withCopierHeader(rom.image);
    shifted.resize(shifted.size() - 0x200);  // bit 9 clear: read as headerless
    writeFile(dir.file("shifted.smc"), shifted);
    for (const char* name : {"wrong.smc", "tiny.smc", "shifted.smc"}) {
        open(ed, port, romPath, dataPath);
        ASSERT_TRUE(ed.romLoaded());
        port.answerOpen(dir.file(name));
        ed.OpenRomFile(port);
        port.expectMessage("Error: This is not the ROM used.\nPlease load the correct ROM.");
        EXPECT_FALSE(ed.romLoaded()) << name;
        EXPECT_FALSE(ed.DataMenuEnabled) << name;
        EXPECT_TRUE(ed.pList.items.empty()) << name;
        EXPECT_TRUE(ed.bList.items.empty()) << name;
        EXPECT_EQ(std::count(ed.Renderer.Screen.begin(), ed.Renderer.Screen.end(), 0), 320 * 256) << name;
        // Without a ROM the block and string commands do nothing.
        ed.BlockListClick(port, 0);
        EXPECT_TRUE(ed.pList.items.empty());
    }
}

TEST_F(EditorTest, DataFileCommand) {
    // Without a ROM the command is disabled.
    EXPECT_FALSE(ed.LoadDataFile(port));

    port.answerOpen(romPath);
    port.answerOpen(dir.file("none.txt"));
    ed.OpenRomFile(port);
    port.expectMessage("Fatal Error: Could not open FONT file!");
    EXPECT_FALSE(ed.DataLoaded);
    EXPECT_TRUE(ed.bList.items.empty());
    EXPECT_EQ(ed.Caption, "Script Editor: Vexmoor Tales 2");

    port.answerOpen(dataPath);
    EXPECT_TRUE(ed.LoadDataFile(port));
    EXPECT_EQ(ed.bList.items.size(), 6u);

    // A second file empties the block list and starts again at entry 0.
    std::string second = ".BLOCK C24000 7\n.TextWindow hide\n";
    ASSERT_EQ(common::writeFileAtomic(dir.file("second.txt"), second), "");
    port.answerOpen(dir.file("second.txt"));
    ASSERT_TRUE(ed.LoadDataFile(port));
    EXPECT_EQ(ed.BlockTable, (std::vector<BlockEntry>{{0xC24000, 7}}));
    EXPECT_EQ(ed.bList.items, std::vector<std::string>{"Block C24000"});
    EXPECT_EQ(ed.pList.items.size(), 2u);
    EXPECT_EQ(ed.Caption, "Script Editor: Vexmoor Tales 2 - [ second.txt ]");
    EXPECT_FALSE(ed.windowVisible(Window::TextEditor));
    EXPECT_EQ(ed.Table.WordEntries[0x41].text, "A");  // kept from the first file
    EXPECT_EQ(ed.CurrentString, 0);

    // A file without blocks: the lists are empty and selections do nothing.
    ASSERT_EQ(common::writeFileAtomic(dir.file("empty.txt"), std::string("nothing here\n")), "");
    port.answerOpen(dir.file("empty.txt"));
    ASSERT_TRUE(ed.LoadDataFile(port));
    EXPECT_TRUE(ed.bList.items.empty());
    EXPECT_EQ(ed.bList.hint, "0 item(s)");
    EXPECT_TRUE(ed.DataLoaded);
    EXPECT_TRUE(ed.pList.items.empty());  // the old strings are not clickable
    ed.StringListClick(0);
    EXPECT_EQ(ed.CurrentString, -1);

    // More than 4096 blocks: the rest are dropped, and the user is told.
    std::string many;
    for (int i = 0; i < 4098; ++i) many += ".BLOCK C24000\n";
    ASSERT_EQ(common::writeFileAtomic(dir.file("many.txt"), many), "");
    port.answerOpen(dir.file("many.txt"));
    ASSERT_TRUE(ed.LoadDataFile(port));
    port.expectMessage("Warning: Only the first 4096 blocks were loaded; 2 further \".BLOCK\" line(s) were ignored.",
                       "", MsgIcon::Exclamation);
    EXPECT_EQ(ed.bList.items.size(), 4096u);
}

TEST_F(EditorTest, NewRomWithoutNewDataFileWalksTheBlockAgain) {
    open(ed, port, romPath, dataPath);
    // Another image of the game whose first block points elsewhere.
    auto other = rom.image;
    other[0x2000B] = 0x20;  // first string pointer $D00000 -> $D00020
    writeFile(dir.file("other.smc"), other);
    port.answerOpen(dir.file("other.smc"));
    port.cancelOpen();
    ed.OpenRomFile(port);
    EXPECT_TRUE(ed.DataLoaded);
    EXPECT_EQ(ed.bList.selected, 0);
    EXPECT_EQ(ed.StringPointers[0], 0x100020u);
    EXPECT_EQ(ed.Caption, "Script Editor: Vexmoor Tales 2 - [ vt2data.txt ]");
}

TEST_F(EditorTest, MoreThan4096StringsAreCut) {
    auto big = rom.image;
    mkgamerom::ScriptWriter w(big, 0x120000);
    for (int i = 0; i < 4100; ++i) w.farOperand(60, 0xD00000);
    w.opcode(89);
    writeFile(dir.file("big.smc"), big);
    ASSERT_EQ(common::writeFileAtomic(dir.file("big.txt"), std::string(".BLOCK D20000\n")), "");
    open(ed, port, dir.file("big.smc"), dir.file("big.txt"));
    port.expectMessage("Warning: Block D20000 refers to more than 4096 strings; only the first 4096 are listed.", "",
                       MsgIcon::Exclamation);
    EXPECT_EQ(ed.pList.items.size(), 4096u);
    EXPECT_EQ(ed.pList.items.back(), "String# 4095 ");
}

TEST_F(EditorTest, ViewOptionsAndRedraw) {
    // A data file without ".FORMAT": the first redraw sets 16 x 16 and draws.
    ASSERT_EQ(common::writeFileAtomic(dir.file("plain.txt"), std::string(".BLOCK C20000\n")), "");
    open(ed, port, romPath, dir.file("plain.txt"));
    EXPECT_FALSE(ed.View.formatSet);
    std::vector<uint16_t> before = ed.Renderer.Screen;
    ed.ToggleHideCodes();
    EXPECT_TRUE(ed.View.hideCodes);
    EXPECT_TRUE(ed.View.formatSet);
    EXPECT_EQ(ed.View.glyphHeight, 16);
    EXPECT_NE(ed.Renderer.Screen, before);  // the code texts are gone
    unsigned frames = ed.FrameRevision;
    ed.ToggleVwf();
    ed.SetBoxColor(BoxColor::Green);
    ed.SetBoxFill(BoxFill::Solid);
    ed.ToggleTranslatedText();
    EXPECT_EQ(ed.FrameRevision, frames + 8);  // both boxes, four times
    EXPECT_TRUE(ed.View.useVwf);
    EXPECT_EQ(ed.View.color, BoxColor::Green);
    EXPECT_EQ(ed.View.fill, BoxFill::Solid);
    EXPECT_TRUE(ed.View.translatedText);
    ed.StringListClick(0);  // a string selection clears the translated text mark
    EXPECT_FALSE(ed.View.translatedText);
}

TEST_F(EditorTest, SmallCommands) {
    ed.SaveRomFile(port);  // no ROM: nothing
    open(ed, port, hdrPath, dataPath);
    ed.SaveRomFile(port);
    port.expectMessage("ROM File saved successfully!");
    std::vector<uint8_t> saved;
    ASSERT_EQ(common::readWholeFile(hdrPath, saved), common::ReadStatus::Ok);
    EXPECT_EQ(saved, ed.RomBuffer);
    std::filesystem::remove(hdrPath);
    std::filesystem::create_directory(hdrPath);  // cannot be replaced
    ed.SaveRomFile(port);
    port.expectMessage("Fatal Error: Could not open ROM File for saving...");

    port.answerSave(dir.file("ram.bin"));
    ed.DumpMemory(port);
    EXPECT_EQ(port.saveRequests.back().title, "Dump Working RAM to file...");
    EXPECT_EQ(port.saveRequests.back().initialFolder, dir.path());
    std::vector<uint8_t> ram;
    ASSERT_EQ(common::readWholeFile(dir.file("ram.bin"), ram), common::ReadStatus::Ok);
    EXPECT_EQ(ram, std::vector<uint8_t>(131072, 0));
    port.answerSave(dir.file("no/such/folder/ram.bin"));
    ed.DumpMemory(port);
    port.expectMessage("Error: Could not open file for saving...");
    port.answerSave(std::nullopt);
    ed.DumpMemory(port);

    ed.EditorKeys(port);
    port.expectMessage(
        "Shift + UP  : Scroll the KANA Textbox Data Up by 'ONE line'.\nShift + DOWN: Scroll the KANA Textbox Data "
        "Down by 'ONE line'.\nCtrl  + UP  : Scroll the ASCII Textbox Data Up by 'ONE line'.\nCtrl  + DOWN: Scroll "
        "the ASCII Textbox Data Down by 'ONE line'.\n");

    ed.Exit();
    EXPECT_TRUE(ed.CloseRequested);
}

TEST(EditorGameFiles, OpensTheBuildsFiles) {
    ScriptedPort port;
    TempFolder dir;
    ScriptEditor ed(dir.path());
    // Copies, so that the "Dumps" folder is made in the temporary folder.
    for (const char* name : {"vt2_hdr.smc", "vt2data.txt"})
        std::filesystem::copy_file(gameFile(name), dir.file(name));
    port.answerOpen(dir.file("vt2_hdr.smc"));
    port.answerOpen(dir.file("vt2data.txt"));
    ed.OpenRomFile(port);
    EXPECT_EQ(ed.HeaderSize, 512u);
    EXPECT_EQ(ed.bList.items.size(), 6u);
    EXPECT_EQ(ed.pList.items.size(), 4u);
}

TEST(SideWindows, PlacementAndListSplit) {
    Rect main{100, 50, 336, 320}, txt{0, 0, 300, 300}, list{0, 0, 300, 260};
    SidePlacement p = placeSideWindows(main, txt, list, false);
    EXPECT_EQ(p.textEditor, (Point{438, 50}));
    EXPECT_EQ(p.list, (Point{438, 352}));
    EXPECT_EQ(p.kana, (Point{100, 372}));
    EXPECT_EQ(placeSideWindows(main, txt, list, true).kana, (Point{438, 614}));
    // On a 1400 x 1000 screen: the main window moves left to make room, and
    // only what still does not fit is pulled inside, overlapping.
    const Rect area{0, 0, 1400, 1000}, kana{0, 0, 340, 150};
    const struct {
        Rect main;
        Point mainAt, textAt, listAt, kanaAt;
    } cases[] = {
        {{100, 50, 336, 320}, {100, 50}, {438, 50}, {438, 352}, {100, 372}},      // fits as it is
        {{800, 50, 336, 320}, {762, 50}, {1100, 50}, {1100, 352}, {762, 372}},    // main moves left
        {{0, 700, 1300, 290}, {0, 700}, {1100, 700}, {1100, 740}, {0, 850}},      // overlap at last
    };
    for (const auto& c : cases) {
        const SidePlacement q = placeSideWindows(c.main, txt, list, false, area, kana);
        EXPECT_EQ(q.main, c.mainAt) << c.main.x;
        EXPECT_EQ(q.textEditor, c.textAt) << c.main.x;
        EXPECT_EQ(q.list, c.listAt) << c.main.x;
        EXPECT_EQ(q.kana, c.kanaAt) << c.main.x;
    }
    // An odd width leaves the rightmost pixel column uncovered.
    ListSplit s = splitListWindow(301, 200);
    EXPECT_EQ(s.blocks, (Rect{0, 0, 150, 200}));
    EXPECT_EQ(s.strings, (Rect{150, 0, 150, 200}));
    // The hex data window starts at the first cell over rows of 0000.
    HexDataView hex;
    EXPECT_TRUE(hex.isCursor(0, 0));
    EXPECT_EQ(hex.cellText(0, 7), "0000");
    hex.data[2] = 0x34;
    hex.data[3] = 0x12;
    EXPECT_EQ(hex.cellText(0, 1), "1234");
    hex.firstOffset = 4096 - 16;
    EXPECT_EQ(hex.cellText(1, 0), "0000");  // past the end of the area
}

TEST(SideWindows, HexDataKeysAndScrolling) {
    HexDataView hex;
    hex.setVisibleRows(4);
    using K = HexKey;
    struct Step {
        K key;
        int first, row, column;
    } steps[] = {
        {K::Up, 0, 0, 0},     // top of the area: nothing moves
        {K::Left, 0, 0, 7},   // first column: to the last, then Up (nothing)
        {K::Right, 0, 1, 0},  // last column: to the first, then Down
        {K::Down, 0, 2, 0},  {K::Down, 0, 3, 0},
        {K::Down, 16, 3, 0},  // bottom row: scrolls a row
        {K::Up, 16, 2, 0},   {K::Up, 16, 1, 0},  {K::Up, 16, 0, 0},
        {K::Up, 0, 0, 0},     // top row: scrolls back
        {K::Other, 0, 0, 0},
    };
    for (const auto& s : steps) {
        hex.key(s.key);
        EXPECT_EQ((std::array{hex.firstOffset, hex.cursorRow, hex.cursorColumn}),
                  (std::array{s.first, s.row, s.column}));
    }
    // The cursor never leaves the area: the last row shows at the bottom.
    for (int i = 0; i < 300; ++i) hex.key(K::Down);
    EXPECT_EQ(hex.firstOffset, 4096 - 4 * 16);
    EXPECT_EQ(hex.cursorRow, 3);
    hex.cursorColumn = 7;
    hex.key(K::Right);
    EXPECT_EQ(hex.cursorOffset(), 4096 - 16);
    EXPECT_EQ(hex.cellStyle(3, 0).ink, 0xFF0000u);
    EXPECT_EQ(hex.cellStyle(3, 1).ink, 0xFFFFFFu);
    EXPECT_EQ(hex.cellStyle(2, 0).ink, 0x008080u);
    hex.setVisibleRows(2);  // a smaller window keeps the cursor inside it
    EXPECT_EQ(hex.cursorRow, 1);
}

TEST_F(EditorTest, HexDataCaptionAndPreview) {
    open(ed, port, romPath, dataPath);
    ed.StringListClick(1);
    ed.HexData.setVisibleRows(8);
    ed.HexKeyDown(HexKey::Down);
    ed.HexKeyDown(HexKey::Right);
    EXPECT_EQ(ed.HexCaption(), "Hex Data - $" + [&] {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%08X", (0x7E0000u | rom.blocks[0].strings[1]) + 18u);
        return std::string(buf);
    }());
    // The value 0 shows the ROM glyph for 32 (blank); 'A' shows a letter.
    auto lit = [](const std::array<uint16_t, 128>& p) { return std::count(p.begin(), p.end(), 0xFFFF); };
    EXPECT_EQ(lit(ed.HexPreview()), 0);
    ed.HexData.data[18] = 'A';
    auto romA = ed.HexPreview();
    EXPECT_GT(lit(romA), 10);
    ed.ToggleTranslatedText();  // the built-in 8 x 16 glyph of the low byte
    EXPECT_GT(lit(ed.HexPreview()), 10);
    EXPECT_NE(ed.HexPreview(), romA);
    ed.HexData.data[19] = 0x20;  // above 4095: the glyph for 32
    ed.ToggleTranslatedText();
    EXPECT_EQ(lit(ed.HexPreview()), 0);
    EXPECT_EQ(zoomedClientSize({320, 256}), (Size{640, 512}));
}
