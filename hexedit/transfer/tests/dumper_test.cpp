// The dump window's commands: two-press dumps and dump bookmarks, the range
// rule, the files written, and dumps from the Data List.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <numeric>

#include "common/fileio.h"
#include "common/testing/ScriptedPort.h"
#include "hexedit/core/TableLoader.h"
#include "hexedit/core/testing/TestSession.h"
#include "hexedit/transfer/Dumper.h"

// Allocations are watched: the largest one while gWatch is set, and those
// of gFailFrom bytes or more fail.
namespace {
std::atomic<bool> gWatch{false};
std::atomic<size_t> gLargest{0};
std::atomic<size_t> gFailFrom{SIZE_MAX};
}  // namespace

[[gnu::noinline]] void* operator new(std::size_t n) {
    if (n >= gFailFrom) throw std::bad_alloc();
    if (gWatch)
        for (size_t cur = gLargest; n > cur && !gLargest.compare_exchange_weak(cur, n);) {
        }
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
// Arrays too: a sanitizer's own array forms would not come through the above.
[[gnu::noinline]] void* operator new[](std::size_t n) { return ::operator new(n); }
[[gnu::noinline]] void operator delete[](void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace hexedit::transfer {
namespace {

using common::MsgIcon;

struct FakeDumpView : DumpView {
    int shows = 0, closes = 0, focus = 0;
    void showWindow() override { ++shows; }
    void closeWindow() override { ++closes; }
    void refresh() override {}
    void focusName() override { ++focus; }
};

struct FakeListView : search::DataListView {
    int shows = 0;
    void showList() override { ++shows; }
    void closeList() override {}
    void listChanged() override {}
};

constexpr char kTable[] = "41=A\n4142=AB\n";

struct DumpEnv {
    common::testing::ScriptedPort port;
    hexedit::testing::TestSession session{port};
    search::DataList list{session};
    Dumper dump{session, list};
    FakeDumpView view;
    FakeListView listView;
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "tarnwick_dump_test";

    DumpEnv() {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        dump.setView(&view);
        list.setView(&listView);
        std::vector<uint8_t> bytes(100);
        std::iota(bytes.begin(), bytes.end(), uint8_t{0});
        session.load(bytes, "/roms/game.smc");
        parseTableText(session.tableData, kTable);
    }
    ~DumpEnv() { std::filesystem::remove_all(dir); }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::string read(const std::string& name) const {
        std::vector<uint8_t> out;
        if (common::readWholeFile(path(name), out) != common::ReadStatus::Ok) return "<missing>";
        return std::string(out.begin(), out.end());
    }
    void key(const char* command, int32_t cursor) {
        session.moveCursorTo(cursor);
        ASSERT_TRUE(session.commands().run(command));
    }
};

TEST(Dumper, TwoPressesDumpTextAndBinaryAndRefuseTheOtherKind) {
    DumpEnv e;
    e.key("DumpText1Click", 0x10);
    EXPECT_EQ(e.dump.DumpState, TextPending);
    EXPECT_EQ(e.dump.caption, "Dump Text Data [Press F10 to Dump]");
    EXPECT_EQ(e.dump.statusText, "Enter file name");
    EXPECT_EQ(e.dump.buttonCaption, "Done");
    EXPECT_EQ(e.dump.BegOfs, "00000010");
    EXPECT_EQ(e.dump.EndOfs, "");
    EXPECT_EQ(e.view.shows, 1);

    e.key("DumpBinaryData1Click", 0x12);
    e.port.expectMessage("Can't dump BINARY when you started with TEXT dump.");
    EXPECT_EQ(e.dump.DumpState, TextPending);

    e.key("DumpText1Click", 0x13);  // no name: stays pending
    e.port.expectMessage("No file name specified...", "File Error...", MsgIcon::Stop);
    EXPECT_EQ(e.dump.DumpState, TextPending);
    EXPECT_EQ(e.dump.EndOfs, "00000013");
    EXPECT_TRUE(e.dump.visible());
    EXPECT_EQ(e.view.focus, 1);

    e.dump.DFile = e.path("t.txt");
    e.key("DumpText1Click", 0x13);
    e.port.expectMessage("Data was dumped to the text file...", "Text Dumping...", MsgIcon::Exclamation);
    EXPECT_EQ(e.read("t.txt"), "($10)($11)($12)($13)");
    EXPECT_EQ(e.dump.DumpState, Idle);
    EXPECT_FALSE(e.dump.visible());
    EXPECT_EQ(e.dump.buttonCaption, "Dump Data");

    e.key("DumpBinaryData1Click", 0x41);
    EXPECT_EQ(e.dump.caption, "Dump BINARY Data [Press F11 to Dump]");
    EXPECT_EQ(e.dump.DFile, "");  // emptied whenever shown
    e.key("DumpText1Click", 0x42);
    e.port.expectMessage("Can't dump TEXT when you started with BINARY dump.");
    e.dump.DFile = e.path("b.dat");
    e.key("DumpBinaryData1Click", 0x42);
    e.port.expectMessage("Data was dumped to the binary file...", "Binary Dumping...", MsgIcon::Exclamation);
    EXPECT_EQ(e.read("b.dat"), "AB");
    EXPECT_EQ(e.dump.DumpState, Idle);

    // A pair is never formed from the range's last byte and the one after it.
    e.key("DumpText1Click", 0x40);
    e.dump.DFile = e.path("t2.txt");
    e.key("DumpText1Click", 0x41);
    e.port.clearMessages();
    EXPECT_EQ(e.read("t2.txt"), "($40)A");

    // A file that cannot be created ends the dump and closes the window.
    e.key("DumpBinaryData1Click", 0);
    e.dump.DFile = e.path("no/such/folder.dat");
    e.key("DumpBinaryData1Click", 1);
    e.port.expectMessage("Fatal Error: Could not create\n " + e.path("no/such/folder.dat"), "File Error...",
                         MsgIcon::Stop);
    EXPECT_EQ(e.dump.DumpState, Idle);
    EXPECT_FALSE(e.dump.visible());
}

TEST(Dumper, LongTextDumpsGoToTheFileInPiecesAndSurviveAFailedAllocation) {
    DumpEnv e;
    constexpr size_t kRange = size_t{8} << 20;  // long enough for the progress bar
    e.session.load(std::vector<uint8_t>(kRange, 0x41), "/roms/game.smc");
    auto dump = [&](const char* name, const char* end) {
        e.dump.BegOfs = "0";
        e.dump.EndOfs = end;
        e.dump.DFile = e.path(name);
        e.dump.textDump();
    };
    gLargest = 0;
    gWatch = true;
    dump("long.txt", "7FFFFF");
    gWatch = false;
    e.port.expectMessage("Data was dumped to the text file...", "Text Dumping...", MsgIcon::Exclamation);
    EXPECT_EQ(std::filesystem::file_size(e.path("long.txt")), kRange);
    EXPECT_LT(gLargest.load(), size_t{2} << 20);  // not the whole text

    e.session.host.keepGoing = false;  // cancelled: no file, no message
    dump("cancelled.txt", "7FFFFF");
    e.session.host.keepGoing = true;
    EXPECT_FALSE(std::filesystem::exists(e.path("cancelled.txt")));

    {
        gFailFrom = 64 << 10;
        const std::unique_ptr<void, void (*)(void*)> restore(&gFailFrom, [](void*) { gFailFrom = SIZE_MAX; });
        dump("failed.txt", "FFFF");
    }
    e.port.expectMessage("Fatal Error: Could not allocate memory for data dumping.", {}, MsgIcon::Stop);
    EXPECT_EQ(e.dump.DumpState, Idle);
    EXPECT_FALSE(std::filesystem::exists(e.path("failed.txt")));
    dump("after.txt", "2");
    e.port.expectMessage("Data was dumped to the text file...", "Text Dumping...", MsgIcon::Exclamation);
    EXPECT_EQ(e.read("after.txt"), "AAA");
}

TEST(Dumper, RangesAreCutAtTheFileEndAndCheckedPerDumpKind) {
    using namespace std::string_literals;
    struct Case {
        std::string beg, end;
        std::string binary;  // the file, or "!" and the message
        std::string text;    // the same; empty: not tried
    };
    const std::string lessThanZero = "!Sorry, but the Data size to dump was LESS THAN Zero!";
    const std::string startLess = "!Sorry, but the Start offset must\nbe less than the Ending Offset.";
    const std::string endLess = "!Ending Address is Less Than Starting Address...";
    const Case cases[] = {
        {"10", "10", "\x10", "($10)"},
        {"60", "FFFFFFFF", "\x60\x61\x62\x63", "($60)($61)($62)($63)"},  // cut to the file's end
        {"64", "FFFF", "", ""},                                          // cut to nothing
        {"63", "65", "\x63\0\0"s, ""},                                   // the zero tail inside the buffer
        {"70", "FFFF", lessThanZero, lessThanZero},
        {"FFFFFFFF", "FFFFFFFF", lessThanZero, lessThanZero},
        {"20", "10", startLess, endLess},
        {"80000000", "10", startLess, endLess},
    };
    for (const auto& c : cases) {
        for (bool text : {false, true}) {
            const std::string& expected = text ? c.text : c.binary;
            if (text && expected.empty() && c.binary != "") continue;
            DumpEnv e;
            e.dump.BegOfs = c.beg;
            e.dump.EndOfs = c.end;
            e.dump.DFile = e.path("out");
            text ? e.dump.textDump() : e.dump.binaryDump();
            SCOPED_TRACE(c.beg + "-" + c.end + (text ? " text" : " binary"));
            if (!expected.empty() && expected[0] == '!') {
                e.port.expectMessage(expected.substr(1));
                EXPECT_EQ(e.read("out"), "<missing>");
            } else {
                e.port.clearMessages();
                EXPECT_EQ(e.read("out"), expected);
            }
        }
    }
}

TEST(Dumper, DumpBookmarksGoToTheTableFile) {
    DumpEnv e;
    const std::string table = e.session.tableFile(kTable);
    e.key("SaveDumpBookmark1Click", 0x10);
    EXPECT_EQ(e.dump.DumpState, BookmarkPending);
    EXPECT_EQ(e.dump.caption, "Dump Bookmark [F2 - Save Bookmark]");
    EXPECT_EQ(e.dump.buttonCaption, "Save Data");
    const int repaints = e.session.host.repaints;
    e.key("SaveDumpBookmark1Click", 0x20);
    e.port.expectMessage("No bookmark name entered...");
    EXPECT_EQ(e.dump.DumpState, BookmarkPending);
    EXPECT_EQ(e.view.focus, 1);
    EXPECT_GT(e.session.host.repaints, repaints + 1);  // the cursor move and the command's own

    e.dump.DFile = "Intro text";
    e.key("SaveDumpBookmark1Click", 0x2F);
    e.port.expectMessage("Bookmark was saved to the table file...", "Dump Bookmark...", MsgIcon::Exclamation);
    const std::string saved = std::string(kTable) + "[00000010-0000002F]Intro text\r\n";
    EXPECT_EQ(e.session.tableFileText(), saved);
    EXPECT_EQ(e.dump.DumpState, Idle);
    EXPECT_EQ(e.dump.buttonCaption, "Dump Data");

    e.session.tableData.TablePaths[e.session.tableData.TableSlot] = table + ".missing";  // appending fails
    e.key("SaveDumpBookmark1Click", 0);
    e.dump.DFile = "x";
    e.dump.EndOfs = "5";
    e.dump.Button1Click();  // the button saves with the end box
    e.port.expectMessage("No Table file to Save Bookmark to...");
    EXPECT_EQ(e.read(table), saved);
    EXPECT_FALSE(e.dump.visible());
}

TEST(Dumper, ASelectionSetsTheRangeInOnePress) {
    DumpEnv e;
    e.session.tableFile(kTable);
    auto select = [&](int32_t anchor, int32_t end) {
        e.session.viewState.SelectionAnchor = anchor;
        e.session.viewState.SelectionEnd = end;
        e.session.viewState.CursorOffset = end;
    };
    struct Case {
        const char* command;
        int state;
    };
    for (const Case& c : {Case{"DumpText1Click", TextPending}, Case{"DumpBinaryData1Click", BinaryPending},
                          Case{"SaveDumpBookmark1Click", BookmarkPending}}) {
        select(0x21, 0x12);  // made backwards: the cursor is on the first byte
        ASSERT_TRUE(e.session.commands().run(c.command));
        EXPECT_EQ(e.dump.DumpState, c.state) << c.command;
        EXPECT_EQ(e.dump.BegOfs, "00000012") << c.command;
        EXPECT_EQ(e.dump.EndOfs, "00000021") << c.command;
        e.dump.escapeElsewhere();
    }
    // The second press dumps the selection as it stands.
    select(0x41, 0x42);
    e.session.commands().run("DumpBinaryData1Click");
    e.dump.DFile = e.path("sel.dat");
    e.session.commands().run("DumpBinaryData1Click");
    e.port.expectMessage("Data was dumped to the binary file...", "Binary Dumping...", MsgIcon::Exclamation);
    EXPECT_EQ(e.read("sel.dat"), "AB");
    select(0x10, 0x2F);
    e.session.commands().run("SaveDumpBookmark1Click");
    e.dump.DFile = "Sel";
    e.session.commands().run("SaveDumpBookmark1Click");
    e.port.expectMessage("Bookmark was saved to the table file...", "Dump Bookmark...", MsgIcon::Exclamation);
    EXPECT_TRUE(e.session.tableFileText().ends_with("\n[00000010-0000002F]Sel\r\n"));
}

TEST(Dumper, ButtonAndEscapeInTheWindow) {
    DumpEnv e;
    e.key("DumpBinaryData1Click", 0x41);
    e.dump.EndOfs = "42";
    e.dump.Button1Click();
    e.port.expectMessage("No file name specified...", "File Error...", MsgIcon::Stop);
    EXPECT_EQ(e.dump.DumpState, BinaryPending);
    e.dump.DFile = e.path("b.dat");
    e.dump.Button1Click();
    e.port.expectMessage("Data was dumped to the binary file...", "Binary Dumping...", MsgIcon::Exclamation);
    EXPECT_EQ(e.read("b.dat"), "AB");
    EXPECT_FALSE(e.dump.visible());

    e.key("DumpText1Click", 0x41);
    e.dump.DFile = "name";
    e.dump.escapeElsewhere();
    EXPECT_EQ(e.dump.DumpState, Idle);
    EXPECT_EQ(e.dump.DFile, "name");
    e.key("DumpText1Click", 0x41);
    e.dump.DFile = "name";
    e.dump.escapeInBox();
    EXPECT_EQ(e.dump.DumpState, Idle);
    EXPECT_EQ(e.dump.DFile + e.dump.BegOfs + e.dump.EndOfs, "");
    EXPECT_EQ(e.view.closes, 3);

    EXPECT_EQ(offsetBoxText("1a2b-3c4d5e6f7"), "1A2B3C4D");
    EXPECT_EQ(readOffsetBox("123456789"), 0xFFFFFFFF);
}

TEST(Dumper, DumpFromListWritesOneFilePerLabel) {
    DumpEnv e;
    e.session.commands().run("TextDump1Click");
    e.port.expectMessage("You have no available dump labels...");

    const std::string a = "[00000040-00000041]" + e.path("a"), b = "[00000010-00000011]" + e.path("b");
    e.session.tableData.DumpMarks = {a, b};
    e.session.commands().run("TextDump1Click");
    EXPECT_EQ(e.list.caption(), "TEXT Dump List: 2 dump label(s)");
    EXPECT_TRUE(e.list.multiSelect());
    EXPECT_EQ(e.list.lines(), e.session.tableData.DumpMarks);
    e.list.setSelection({0});
    e.list.activate();
    e.port.expectMessage("Data was dumped to the text file...", "Text Dumping...", MsgIcon::Exclamation);
    EXPECT_EQ(e.read("a.txt"), "($40)A");
    EXPECT_FALSE(e.list.multiSelect());

    e.session.commands().run("BinaryDump1Click");
    EXPECT_EQ(e.list.caption(), "BINARY Dump List: 2 dump label(s)");
    e.list.setSelection({0, 1});
    e.list.activate();
    e.port.expectMessage("Data was dumped to the binary file...", "Binary Dumping...", MsgIcon::Exclamation);
    EXPECT_EQ(e.read("a.dat"), "@A");
    EXPECT_EQ(e.read("b.dat"), "\x10\x11");
    EXPECT_EQ(e.dump.QuietDumps, 0);
    EXPECT_EQ(e.dump.DumpState, Idle);
    EXPECT_EQ(e.listView.shows, 2);

    // Escape in the list empties the start and end boxes.
    e.session.commands().run("BinaryDump1Click");
    e.list.escape();
    EXPECT_EQ(e.dump.BegOfs + e.dump.EndOfs, "");
    EXPECT_EQ(e.dump.DFile, e.path("b") + ".dat");
}

}  // namespace
}  // namespace hexedit::transfer
