#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "common/testing/ScriptedPort.h"
#include "hexedit/core/DataPad.h"
#include "hexedit/tiles/TileEditor.h"

using namespace hexedit;
using common::MsgButtons;
using common::MsgIcon;
namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void spit(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

std::string pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 + 3);
    return s;
}

struct Recorder : DataPadView {
    int paints = 0, menus = 0, titles = 0, ranges = 0, closes = 0;
    void formPaint() override { ++paints; }
    void menusChanged() override { ++menus; }
    void titlesChanged() override { ++titles; }
    void scrollRangeChanged() override { ++ranges; }
    void closeRequested() override { ++closes; }
};

constexpr char kModified[] = "File has been modified. Do you wish to save the data?";
constexpr char kModifiedTitle[] = "ROM Data Modified...";
constexpr char kSaved[] = "Rom file was saved successfully!";

class DataPadTest : public ::testing::Test {
protected:
    DataPadTest() {
        char tmpl[] = "/tmp/datapad_testXXXXXX";
        dir = mkdtemp(tmpl);
        pad.setView(&seen);
        EXPECT_TRUE(pad.FormCreate(dir.string()));
    }
    ~DataPadTest() override { fs::remove_all(dir); }

    std::string file(const std::string& name, const std::string& bytes) {
        auto p = dir / name;
        spit(p, bytes);
        return p.string();
    }
    // Chooses `path` in the open dialog; `savestate` answers the header question.
    void open(const std::string& path, std::optional<bool> savestate = std::nullopt) {
        port.answerOpen(path);
        if (savestate) port.answerQuestion(*savestate);
        pad.files.Open1Click();
    }
    void expectSaved() { port.expectMessage(kSaved, "", MsgIcon::Exclamation); }

    fs::path dir;
    common::testing::ScriptedPort port;
    DataPad pad{port};
    tiles::TileEditor tiles{pad};  // keeps its caption and the savestate palette
    Recorder seen;
};

}  // namespace

TEST_F(DataPadTest, StartUpState) {
    EXPECT_TRUE(pad.editor().EditorReady);
    EXPECT_EQ(pad.view().BytesPerRow, 16);
    EXPECT_EQ(pad.view().PageBytes, 256);
    EXPECT_EQ(pad.editor().LastDirectory, dir.string());
    EXPECT_EQ(pad.MainCaption, "Tarnwick for Windows");
    EXPECT_FALSE(pad.commandEnabled("SaveFile1Click"));
    EXPECT_FALSE(pad.commandEnabled("SwapTableFiles1"));
    EXPECT_EQ(pad.files.SwapCaptions[0], "...");
}

TEST_F(DataPadTest, OpenSmallFileKeepsAZeroTailAndSavesOnlyItsBytes) {
    auto path = file("game.smc", pattern(10));
    pad.view().CursorRow = 3;
    pad.view().TopOffset = 0x100;
    open(path);
    ASSERT_EQ(port.openRequests.size(), 1u);
    EXPECT_EQ(port.openRequests[0].filter, "All files (*.*)|*.*");
    EXPECT_EQ(port.openRequests[0].initialFolder, dir.string());
    EXPECT_EQ(pad.editor().CurrentPath, path);
    EXPECT_EQ(pad.editor().FileSize, 10);
    EXPECT_EQ(pad.editor().BufferSize, 65535);
    EXPECT_EQ(pad.editor().HeaderSkip, 0u);
    EXPECT_EQ(pad.editor().FileBuffer()[9], static_cast<uint8_t>(pattern(10)[9]));
    for (int i = 10; i < 65535; ++i) ASSERT_EQ(pad.editor().FileBuffer()[i], 0) << i;
    EXPECT_EQ(pad.view().CursorRow, 0);
    EXPECT_EQ(pad.view().TopOffset, 0);
    EXPECT_EQ(pad.MainCaption, "Tarnwick for Windows - \"game.smc\"");
    EXPECT_EQ(tiles.caption(), "Tile Editor - \"game.smc\"");
    EXPECT_TRUE(pad.when().fileOpen()());
    EXPECT_FALSE(pad.when().tableSlot()());
    EXPECT_GT(seen.paints, 0);
    EXPECT_GT(seen.ranges, 0);
    // No Table #1: the built-in ASCII table.
    EXPECT_EQ(pad.table().ByteTable[0x41], "A");
    EXPECT_FALSE(pad.table().ByteTable[0x1F].has_value());

    pad.writeBytes(0, std::vector<uint8_t>{static_cast<uint8_t>('X')});
    EXPECT_TRUE(pad.files.SaveFile1Click());
    expectSaved();
    EXPECT_FALSE(pad.editor().Modified);
    auto written = slurp(path);
    EXPECT_EQ(written.size(), 10u);
    EXPECT_EQ(written[0], 'X');
    EXPECT_EQ(written.substr(1), pattern(10).substr(1));
}

TEST_F(DataPadTest, OpenCancelledOrUnreadableKeepsTheOpenFile) {
    auto first = file("first.bin", pattern(100));
    open(first);
    port.cancelOpen();
    pad.files.Open1Click();
    EXPECT_EQ(pad.editor().CurrentPath, first);

    open((dir / "missing.bin").string());
    port.expectMessage("Fata Error: Unable to open file.", "", MsgIcon::Stop);
    EXPECT_EQ(pad.editor().CurrentPath, first);
    EXPECT_EQ(pad.editor().FileSize, 100);
    EXPECT_EQ(pad.MainCaption, "Tarnwick for Windows - \"first.bin\"");
}

TEST_F(DataPadTest, ModifiedFileIsOfferedForSavingBeforeOpening) {
    auto first = file("first.bin", pattern(20));
    auto second = file("second.bin", pattern(30));
    open(first);
    pad.writeBytes(0, std::vector<uint8_t>{static_cast<uint8_t>(0xEE)});

    // No: the changes are dropped.
    port.answerQuestion(false);
    open(second);
    port.expectMessage(kModified, kModifiedTitle, MsgIcon::Question, MsgButtons::YesNo);
    EXPECT_EQ(slurp(first), pattern(20));
    EXPECT_EQ(pad.editor().CurrentPath, second);
    EXPECT_FALSE(pad.editor().Modified);

    // Yes: saved first, then the other file opens.
    pad.writeBytes(0, std::vector<uint8_t>{static_cast<uint8_t>(0xEE)});
    port.answerQuestion(true);
    open(first);
    port.expectMessage(kModified, kModifiedTitle, MsgIcon::Question, MsgButtons::YesNo);
    expectSaved();
    EXPECT_EQ(static_cast<uint8_t>(slurp(second)[0]), 0xEE);
    EXPECT_EQ(pad.editor().CurrentPath, first);
}

TEST_F(DataPadTest, FailedSaveIsReportedAndKeepsTheChanges) {
    fs::create_directory(dir / "gone");
    auto path = file("gone/game.bin", pattern(40));
    open(path);
    pad.editorState().Modified = true;
    fs::remove_all(dir / "gone");

    EXPECT_FALSE(pad.files.SaveFile1Click());
    auto m = port.takeMessage();
    EXPECT_EQ(m.text.rfind("Fata Error: Problem writing to the file.\n\"" + path + "\".", 0), 0u) << m.text;
    EXPECT_EQ(m.icon, MsgIcon::Stop);
    EXPECT_TRUE(pad.editor().Modified);

    // Opening another file stops when the save the user asked for fails.
    port.answerQuestion(true);
    pad.files.Open1Click();
    port.expectMessage(kModified, kModifiedTitle, MsgIcon::Question, MsgButtons::YesNo);
    EXPECT_EQ(port.takeMessage().icon, MsgIcon::Stop);
    EXPECT_EQ(pad.editor().CurrentPath, path);
    EXPECT_TRUE(pad.editor().Modified);
    EXPECT_TRUE(port.openRequests.size() == 1u);
}

TEST_F(DataPadTest, SavestateHeaderHiddenOnRequestAndWrittenBack) {
    std::string bytes = pattern(5000);
    bytes[1560] = 0x1F;  // colour 0: red
    bytes[1561] = 0x00;
    auto path = file("game.zst", bytes);
    open(path, true);
    port.expectMessage("This is a ZSnes SaveState file. Do you wish to\nRemove the header and edit the other data only?",
                       "Confirmation...", MsgIcon::Question, MsgButtons::YesNo);
    EXPECT_EQ(pad.editor().HeaderSkip, 3091u);
    EXPECT_EQ(pad.editor().FileSize, 5000 - 3091);
    EXPECT_EQ(pad.editor().BufferSize, 65535 - 3091);
    EXPECT_EQ(pad.editor().FileBuffer()[0], static_cast<uint8_t>(bytes[3091]));
    ASSERT_NE(tiles.savestatePalette(), nullptr);
    EXPECT_EQ((*tiles.savestatePalette())[0], 0xF820);

    pad.writeBytes(0, std::vector<uint8_t>{static_cast<uint8_t>(0x55)});
    ASSERT_TRUE(pad.files.SaveFile1Click());
    expectSaved();
    std::string expected = bytes;
    expected[3091] = 0x55;
    EXPECT_TRUE(slurp(path) == expected);

    // No: the header stays visible, the palette is read all the same.
    bytes[1560] = 0x00;  // colour 0: black
    spit(path, bytes);
    open(path, false);
    port.takeMessage();
    EXPECT_EQ(pad.editor().HeaderSkip, 0u);
    EXPECT_EQ(pad.editor().FileSize, 5000);
    EXPECT_EQ((*tiles.savestatePalette())[0], 0);

    // Too short to hold the header: not asked.
    open(file("tiny.zst", pattern(100)));
    EXPECT_EQ(pad.editor().HeaderSkip, 0u);
    EXPECT_EQ(pad.editor().FileSize, 100);
}

TEST_F(DataPadTest, SaveAs) {
    auto path = file("game.bin", pattern(64));
    open(path);
    port.answerSave(std::nullopt);
    pad.files.SaveFileAs1Click();
    EXPECT_EQ(pad.editor().CurrentPath, path);
    EXPECT_EQ(port.saveRequests.back().filter, "All files (*.*)|*.*");
    EXPECT_EQ(port.saveRequests.back().defaultExtension, "");

    auto copy = (dir / "copy.bin").string();
    pad.editorState().Modified = true;
    port.answerSave(copy);
    pad.files.SaveFileAs1Click();
    expectSaved();
    EXPECT_EQ(pad.editor().CurrentPath, copy);
    EXPECT_EQ(slurp(copy), pattern(64));
    EXPECT_FALSE(pad.editor().Modified);
    EXPECT_EQ(pad.MainCaption, "Tarnwick for Windows - \"copy.bin\"");
    EXPECT_EQ(tiles.caption(), "Tile Editor - \"copy.bin\"");

    // A name that cannot be written: reported, kept as the current name.
    auto bad = (dir / "no/such/folder.bin").string();
    pad.editorState().Modified = true;
    port.answerSave(bad);
    pad.files.SaveFileAs1Click();
    EXPECT_EQ(port.takeMessage().icon, MsgIcon::Stop);
    EXPECT_EQ(pad.editor().CurrentPath, bad);
    EXPECT_TRUE(pad.editor().Modified);
    EXPECT_EQ(pad.MainCaption, "Tarnwick for Windows - \"folder.bin\"");
}

TEST_F(DataPadTest, ReloadReadsTheDiskAgainAndKeepsTheRest) {
    auto path = file("game.bin", pattern(70000));
    open(path);
    pad.view().TopOffset = 0x100;
    pad.view().CursorOffset = 0x105;
    pad.writeBytes(0, std::vector<uint8_t>{static_cast<uint8_t>(0xAA)});
    std::string changed = pattern(70000);
    changed[0] = 0x42;
    spit(path, changed);

    pad.files.RefreshCurrentROM1Click();
    EXPECT_EQ(pad.editor().FileBuffer()[0], 0x42);
    EXPECT_TRUE(pad.editor().Modified);
    EXPECT_EQ(pad.view().TopOffset, 0x100);
    EXPECT_EQ(pad.view().CursorOffset, 0x105);

    // The file is gone: reported, the buffer that was open stays.
    fs::remove(path);
    pad.files.RefreshCurrentROM1Click();
    port.expectMessage("Error: ROM File not found.\n\"" + path + "\".");
    ASSERT_TRUE(pad.editor().hasBuffer());
    EXPECT_EQ(pad.editor().FileSize, 70000);
    EXPECT_EQ(pad.editor().FileBuffer()[0], 0x42);

    // Nothing open: nothing happens.
    DataPad empty(port);
    empty.FormCreate(dir.string());
    empty.files.RefreshCurrentROM1Click();
    EXPECT_FALSE(empty.editor().hasBuffer());
}

TEST_F(DataPadTest, ReloadOfAShorterFileKeepsTheCursorInside) {
    auto path = file("game.bin", pattern(200000));
    open(path);
    pad.view().TopOffset = PlaceCursor(pad.view(), 150000, pad.editor().BufferSize);
    spit(path, pattern(1000));
    pad.files.RefreshCurrentROM1Click();
    EXPECT_EQ(pad.editor().BufferSize, 65535);
    EXPECT_LT(pad.view().CursorOffset, pad.editor().BufferSize);
}

// Commands place the cursor and the paint then pulls a page that runs past
// the end back; the cursor must stay on the byte it was given.
TEST_F(DataPadTest, TheCursorStaysOnItsByteInTheLastPage) {
    open(file("big.bin", pattern(0x200000)));
    pad.hexView.Panel3Resize(28 * pad.hexView.LineHeight(), 400);
    auto placed = [&](int32_t offset) {
        pad.moveCursorTo(offset);
        pad.hexView.FormPaint();
        return pad.view().CursorOffset;
    };
    EXPECT_EQ(placed(0x1FFF00), 0x1FFF00);  // a goto beyond the buffer
    EXPECT_EQ(placed(0x1FFFFF), 0x1FFFFF);
    EXPECT_EQ(placed(0x1FFF80), 0x1FFF80);
    EXPECT_EQ(placed(0x1FFE80), 0x1FFE80);
    // The file loses its last 80h bytes: the page runs past the new end.
    const int32_t before = pad.view().TopOffset;
    ASSERT_TRUE(pad.splice(0x1FFF80, 0x80, {}));
    pad.hexView.FormPaint();
    EXPECT_LT(pad.view().TopOffset, before);
    EXPECT_EQ(pad.view().CursorOffset, 0x1FFE80);
    // Undo puts the cursor where the bytes came back.
    pad.edit.Undo1Click();
    pad.hexView.FormPaint();
    EXPECT_EQ(pad.view().CursorOffset, 0x1FFF80);
}

TEST_F(DataPadTest, FilesTooLargeForTheEditorAreRefusedBeforeReading) {
    auto first = file("first.bin", pattern(10));
    open(first);
    auto huge = dir / "huge.bin";
    { std::ofstream(huge, std::ios::binary).put('x'); }
    fs::resize_file(huge, kMaxFileLength + 1);  // sparse: takes no disk space
    open(huge.string());
    auto m = port.takeMessage();
    EXPECT_EQ(m.text, "Error: The file is too large to edit (2 GB at most).\n\"" + huge.string() + "\".");
    EXPECT_EQ(m.icon, MsgIcon::Stop);
    EXPECT_EQ(pad.editor().CurrentPath, first);
    EXPECT_EQ(pad.editor().FileSize, 10);
}

TEST_F(DataPadTest, CompanionTableIsLoadedAsTableOne) {
    file("game.tbl", "41=Z\n(10h)Start\n[00000000-00000010]Dump\n");
    open(file("game.smc", pattern(10)));
    EXPECT_EQ(pad.table().TablePaths[0], (dir / "game.tbl").string());
    EXPECT_EQ(pad.table().TableSlot, 0);
    EXPECT_FALSE(pad.editor().AutoLoadTable);
    EXPECT_EQ(pad.table().ByteTable[0x41], "Z");
    EXPECT_EQ(pad.files.SwapCaptions[0], "game.tbl");
    EXPECT_TRUE(pad.when().tableSlot()());
    EXPECT_TRUE(pad.when().dumpBookmark()());
    EXPECT_FALSE(pad.when().returnOffsets()());

    // No extension: the name with "tbl" appended.
    file("romtbl", "41=Y\n");
    open(file("rom", pattern(10)));
    EXPECT_EQ(pad.table().ByteTable[0x41], "Y");
    EXPECT_EQ(pad.files.SwapCaptions[0], "romtbl");

    // With Table #1 set and no companion, the table in use stays.
    open(file("plain.bin", pattern(10)));
    EXPECT_EQ(pad.table().ByteTable[0x41], "Y");
}

TEST_F(DataPadTest, TableCommandsAndSwapMenu) {
    auto tbl = file("second.tbl", "41=B\n");
    // Swap entries do nothing before a table is named.
    pad.files.tblv2Click();
    EXPECT_EQ(pad.table().TableSlot, 0);

    port.answerOpen(tbl);
    pad.files.Tbl21Click();
    EXPECT_EQ(port.openRequests.back().filter, "Tbl files (*.tbl)|*.TBL");
    EXPECT_EQ(pad.table().TableSlot, 1);
    EXPECT_EQ(pad.table().TablePaths[1], tbl);
    EXPECT_EQ(pad.files.SwapCaptions[1], "second.tbl");
    EXPECT_EQ(pad.table().ByteTable[0x41], "B");
    EXPECT_TRUE(pad.when().tableSlot()());

    pad.tableState().CharShift = 1;
    pad.files.Asciitbl1Click();
    EXPECT_EQ(pad.table().TableSlot, 2);
    EXPECT_EQ(pad.table().ByteTable[0x40], "A");

    pad.files.tblv2Click();
    EXPECT_EQ(pad.table().TableSlot, 1);
    EXPECT_EQ(pad.table().ByteTable[0x41], "B");

    // Cancelled dialog: the slot changes, nothing is loaded.
    port.cancelOpen();
    pad.files.Tbl11Click();
    EXPECT_EQ(pad.table().TableSlot, 0);
    EXPECT_EQ(pad.files.SwapCaptions[0], "...");
    EXPECT_EQ(pad.table().ByteTable[0x41], "B");
}

TEST_F(DataPadTest, MissingTableFileLeavesAnEmptyTable) {
    auto tbl = file("marks.tbl", "41=A\n[00000000-00000001]x\n");
    port.answerOpen(tbl);
    pad.files.Tbl11Click();
    EXPECT_TRUE(pad.when().dumpBookmark()());
    fs::remove(tbl);
    pad.files.tblv1Click();
    port.expectMessage("Could not load the table file...");
    EXPECT_FALSE(pad.table().ByteTable[0x41].has_value());
    EXPECT_FALSE(pad.when().dumpBookmark()());
    EXPECT_TRUE(pad.when().tableSlot()());  // the slot keeps its path
}

TEST_F(DataPadTest, MenuRulesFollowTheState) {
    pad.nav().ReturnCount = 2;
    EXPECT_TRUE(pad.when().returnOffsets()());
    EXPECT_FALSE(pad.when().fileOpen()());
    // The form is told nothing while the editor is not ready.
    const int before = seen.menus;
    pad.editorState().EditorReady = false;
    pad.UpdateMenuItems();
    EXPECT_EQ(seen.menus, before);
}

TEST_F(DataPadTest, CloseQuery) {
    int closing = 0;
    const Subscription events = pad.document().subscribe([&](const DocumentEvent& e) {
        if (std::holds_alternative<doc::Closing>(e)) ++closing;
    });
    auto path = file("game.bin", pattern(10));
    open(path);
    EXPECT_TRUE(pad.files.FormCloseQuery());
    EXPECT_EQ(closing, 1);
    EXPECT_FALSE(pad.editor().EditorReady);

    pad.editorState().Modified = true;
    port.answerQuestion(false);
    EXPECT_TRUE(pad.files.FormCloseQuery());
    port.expectMessage(kModified, kModifiedTitle, MsgIcon::Question, MsgButtons::YesNo);

    pad.writeBytes(0, std::vector<uint8_t>{static_cast<uint8_t>(0x11)});
    port.answerQuestion(true);
    EXPECT_TRUE(pad.files.FormCloseQuery());
    port.expectMessage(kModified, kModifiedTitle, MsgIcon::Question, MsgButtons::YesNo);
    expectSaved();
    EXPECT_EQ(slurp(path)[0], 0x11);

    // A save that fails keeps the window open with the changes.
    pad.editorState().Modified = true;
    pad.editorState().CurrentPath = (dir / "no/such/game.bin").string();
    port.answerQuestion(true);
    EXPECT_FALSE(pad.files.FormCloseQuery());
    port.expectMessage(kModified, kModifiedTitle, MsgIcon::Question, MsgButtons::YesNo);
    EXPECT_EQ(port.takeMessage().icon, MsgIcon::Stop);
    EXPECT_TRUE(pad.editor().EditorReady);
    EXPECT_TRUE(pad.editor().Modified);

    // Cancel keeps the window open with the changes.
    port.cancelQuestion();
    EXPECT_FALSE(pad.files.FormCloseQuery());
    EXPECT_EQ(port.takeMessage().buttons, MsgButtons::YesNoCancel);
    EXPECT_TRUE(pad.editor().EditorReady);
    EXPECT_TRUE(pad.editor().Modified);

    pad.files.FormClose();
    EXPECT_FALSE(pad.editor().hasBuffer());
    pad.files.Exit1Click();
    EXPECT_EQ(seen.closes, 1);
}

TEST_F(DataPadTest, ChangedBytesAreDrawnInTheirColourUntilSaved) {
    open(file("game.bin", pattern(10)));
    pad.writeBytes(2, std::vector<uint8_t>{0x11});
    auto textColour = [&](int j) {
        pad.hexView.FormPaint();
        return pad.hexView.page().hexRows.at(0).cells.at(1 + j).textColor;
    };
    EXPECT_EQ(textColour(2), kDefaultChangedColor);
    EXPECT_NE(textColour(3), kDefaultChangedColor);
    pad.view().MarkChanges = false;
    EXPECT_NE(textColour(2), kDefaultChangedColor);
    pad.view().MarkChanges = true;
    EXPECT_TRUE(pad.files.SaveFile1Click());
    port.takeMessage();
    EXPECT_NE(textColour(2), kDefaultChangedColor);
}

TEST_F(DataPadTest, CommandLinePathOpensLikeTheDialog) {
    file("game.tbl", "41=Q\n");
    auto path = file("game.smc", pattern(10));
    auto cwd = fs::current_path();
    fs::current_path(dir);
    bool ok = pad.files.openPath("game.smc");
    fs::current_path(cwd);
    EXPECT_TRUE(ok);
    EXPECT_EQ(pad.editor().CurrentPath, path);
    EXPECT_EQ(pad.table().ByteTable[0x41], "Q");
    EXPECT_TRUE(port.openRequests.empty());
}

// Files opened mapped hold the same bytes as files read whole, and every
// change, undo, redo and release of scanned pages behaves the same: changes
// in place are written into the mapping, the first change of the length
// copies it.
TEST_F(DataPadTest, MappedFilesBehaveAsFilesReadWhole) {
    std::mt19937 rng(32);
    for (const size_t size : {size_t{10}, size_t{65534}, size_t{65535}, size_t{70001}, size_t{300000}}) {
        std::string bytes(size, '\0');
        for (char& c : bytes) c = static_cast<char>(rng());
        const std::string path = file("m.bin", bytes);
        for (int round = 0; round < 4; ++round) {
            common::testing::ScriptedPort port2;
            DataPad whole(port2), mapped(port2);
            mapped.files.MapFiles = true;
            for (DataPad* p : {&whole, &mapped}) {
                ASSERT_TRUE(p->FormCreate(dir.string()));
                ASSERT_TRUE(p->files.openPath(path));
            }
            EXPECT_EQ(mapped.editor().mapped(), size >= 65535) << size;
            auto same = [&](const std::string& what) {
                ASSERT_EQ(mapped.editor().FileSize, whole.editor().FileSize) << what << size;
                ASSERT_EQ(mapped.editor().BufferSize, whole.editor().BufferSize) << what << size;
                ASSERT_TRUE(std::ranges::equal(mapped.bytes(), whole.bytes())) << what << size;
                ASSERT_EQ(mapped.document().canUndo(), whole.document().canUndo()) << what << size;
            };
            same("open ");
            // Changes in place first; from step 30 on the length may change too.
            for (int step = 0; step < 40; ++step) {
                const auto fileSize = static_cast<uint32_t>(whole.editor().FileSize);
                const auto at = static_cast<int32_t>(rng() % fileSize);
                const auto room = static_cast<int32_t>(fileSize - static_cast<uint32_t>(at));
                const auto length = std::min<int32_t>(room, static_cast<int32_t>(rng() % 3 ? rng() % 8 + 1 : rng() % 90000));
                std::vector<uint8_t> some(static_cast<size_t>(length));
                for (uint8_t& v : some) v = static_cast<uint8_t>(rng());
                std::vector<uint8_t> scattered(whole.editor().fileBytes().begin(), whole.editor().fileBytes().end());
                for (int k = 0; k < 5; ++k) scattered[rng() % scattered.size()] ^= 0x5A;
                const unsigned kind = rng() % (step < 30 ? 7 : 8);
                if (kind == 5) mapped.editor().releaseScanned(0, fileSize);  // as a finished search does
                for (DataPad* p : {&whole, &mapped}) {
                    switch (kind) {
                        case 0: p->writeBytes(at, some); break;
                        case 1: p->writeBytes(at, std::span(some).first(std::min<size_t>(1, some.size())), EditKind::Typing); break;
                        case 2: p->fill(at, length, some.empty() ? 0 : some[0]); break;
                        case 3: p->document().replaceBuffer(scattered); break;
                        case 4: p->document().undo(); break;
                        case 5: p->document().redo(); break;
                        case 6: p->document().undo(), p->document().undo(); break;
                        default: p->splice(at, length % 3, std::span(some).first(std::min<size_t>(2, some.size()))); break;
                    }
                }
                same("step " + std::to_string(step) + " kind " + std::to_string(kind) + " ");
                if (step == 29) {
                    EXPECT_EQ(mapped.editor().mapped(), size >= 65535) << size;
                }
            }
            while (whole.document().canUndo()) {
                whole.document().undo();
                mapped.document().undo();
            }
            same("undo ");
            EXPECT_TRUE(std::ranges::equal(mapped.editor().fileBytes().first(size),
                                           std::span(reinterpret_cast<const uint8_t*>(bytes.data()), size)));
        }
    }
    // Saved while still mapped: the same file, written safely.
    const std::string path = file("s.bin", pattern(100000));
    DataPad mapped(port);
    mapped.files.MapFiles = true;
    ASSERT_TRUE(mapped.FormCreate(dir.string()));
    ASSERT_TRUE(mapped.files.openPath(path));
    ASSERT_TRUE(mapped.editor().mapped());
    EXPECT_EQ(mapped.document().save((dir / "copy.bin").string()), "");
    EXPECT_EQ(slurp(dir / "copy.bin"), pattern(100000));
}

// Another program truncating a large file while it is open: reading the lost
// part gives zeros instead of a crash, the changes stay, and saving asks
// before it writes the user's view (the changes and the granules around
// them intact, zeros for the rest of the lost part) over the file. A file
// changed on disk is told of as well, and saving over it can be declined.
TEST_F(DataPadTest, AMappedFileTruncatedByAnotherProgramKeepsTheChanges) {
    constexpr size_t kSize = 1 << 20, kCut = 200000;
    const std::string path = file("big.bin", pattern(kSize));
    DataPad big(port);
    big.files.MapFiles = true;
    ASSERT_TRUE(big.FormCreate(dir.string()));
    ASSERT_TRUE(big.files.openPath(path));
    ASSERT_TRUE(big.editor().mapped());
    const std::vector<uint8_t> edit{0xAA, 0xBB};
    ASSERT_TRUE(big.writeBytes(100, edit));
    ASSERT_TRUE(big.writeBytes(900000, edit));
    EXPECT_TRUE(big.editor().mapped());
    EXPECT_EQ(big.editor().ownBytes(), 2 * FileMapping::kGranule);
    std::string expected(big.editor().fileBytes().begin(), big.editor().fileBytes().end());
    const size_t keptFrom = 900000 / FileMapping::kGranule * FileMapping::kGranule;
    for (size_t i = kCut; i < kSize; ++i)
        if (i < keptFrom || i >= keptFrom + FileMapping::kGranule) expected[i] = 0;

    ASSERT_EQ(::truncate(path.c_str(), kCut), 0);
    EXPECT_EQ(big.bytes()[600000], 0);  // faults, and reads zero
    EXPECT_EQ(big.bytes()[900001], 0xBB);
    EXPECT_FALSE(big.files.checkOpenFile());
    const std::string told = port.takeMessage().text;
    EXPECT_NE(told.find("shorter"), std::string::npos) << told;
    EXPECT_TRUE(big.files.checkOpenFile());  // told once
    EXPECT_TRUE(big.document().undo());
    EXPECT_TRUE(big.document().redo());

    // Already told: saving writes the view without asking again.
    ASSERT_TRUE(big.files.SaveFile1Click());
    expectSaved();
    EXPECT_TRUE(slurp(path) == expected);
    EXPECT_TRUE(big.files.checkOpenFile());

    // Changed in place after the save: saving asks, and No keeps the file.
    ASSERT_TRUE(big.writeBytes(5, edit));
    {
        std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
        out.seekp(50);
        out << "other";
    }
    std::string other = expected;
    other.replace(50, 5, "other");
    ASSERT_TRUE(slurp(path) == other);
    port.answerQuestion(false);
    EXPECT_FALSE(big.files.SaveFile1Click());
    EXPECT_NE(port.takeMessage().text.find("Another program changed the open file."), std::string::npos);
    EXPECT_TRUE(slurp(path) == other);
    // Told once: the next save writes the view over it.
    EXPECT_TRUE(big.files.SaveFile1Click());
    expectSaved();
    expected.replace(5, 2, "\xAA\xBB");
    EXPECT_TRUE(slurp(path) == expected);
}
