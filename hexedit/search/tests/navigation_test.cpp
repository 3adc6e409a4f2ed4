// Goto window, jump list, bookmarks, return offsets, relative jump and string
// length over a fake session; bookmarks and the menu state also over the
// real main window model.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <unistd.h>

#include "common/fileio.h"
#include "common/testing/ScriptedPort.h"
#include "hexedit/app/TarnwickModel.h"
#include "hexedit/core/testing/TestSession.h"
#include "hexedit/search/NavigationCommands.h"

using namespace hexedit;
using namespace hexedit::search;
using common::MsgIcon;

namespace {

// Runs `script` as the user's actions while the window is up; a window the
// script leaves open is closed from the title bar.
struct FakeGotoView : GotoView {
    GotoWindow* window = nullptr;
    std::function<void()> script;
    bool open = false;
    void execModal() override {
        open = true;
        if (script) script();
        open = false;
    }
    void closeWindow() override { open = false; }
    void refresh() override {}
};

struct FakeListView : JumpListView {
    int shows = 0, focus = 0;
    void showList() override { ++shows; }
    void closeList() override {}
    void listChanged() override {}
    void focusMainWindow() override { ++focus; }
};

struct NavEnv {
    common::testing::ScriptedPort port;
    hexedit::testing::TestSession session{port};
    NavigationCommands nav{session};
    FakeGotoView gotoView;
    FakeListView listView;
    ViewState& view = session.viewState;

    explicit NavEnv(size_t size = 0x20000) {
        session.load(std::vector<uint8_t>(size, 0));
        session.tableData.TablePaths[0] = "game.tbl";  // the bookmark entries want a table slot
        nav.gotoWindow.setView(&gotoView);
        gotoView.window = &nav.gotoWindow;
        nav.jumpList.setView(&listView);
    }
    // A goto with these actions in the window.
    void gotoWith(std::function<void(GotoWindow&)> actions) {
        gotoView.script = [this, actions] { actions(nav.gotoWindow); };
        session.commands().run("GotoOffset1Click");
    }
};

TEST(Goto, AddressAndValueFormats) {
    struct Case {
        const char* typed;
        bool decimal;
        int format;
        int32_t cursor;
    } cases[] = {
        {"100", true, pcOFFSET, 0x64},
        {"1a2b", false, pcOFFSET, 0x1A2B},          // letters folded
        {"x1-2", false, pcOFFSET, 0x12},            // other keys dropped
        {"818000", false, snLOROM, 0x8000},
        {"C12345", false, snHIROM, 0x12345},
        {"FFFFFF", false, pcOFFSET, 0x20000 - 256},  // beyond the buffer
        {"20000", false, pcOFFSET, 0x20000 - 256},   // the end itself
        {"99999999999", true, pcOFFSET, 0x20000 - 256},
        {"80000000", false, pcOFFSET, 0x20000 - 256},  // no negative offsets
        {"FFFFFFFF", false, pcOFFSET, 0x20000 - 256},
        {"80C12345", false, snHIROM, 0x20000 - 256},
        {"", false, pcOFFSET, 0x40},                 // nothing typed
    };
    for (const Case& c : cases) {
        NavEnv e;
        e.session.moveCursorTo(0x40);
        e.gotoWith([&](GotoWindow& w) {
            EXPECT_EQ(w.caption(), "Goto Offset");
            EXPECT_TRUE(w.textEnabled());
            EXPECT_FALSE(w.listEnabled());
            w.decimalClicked(c.decimal);
            w.addressFormat = c.format;
            w.setText(c.typed);
            w.done();
        });
        EXPECT_EQ(e.view.CursorOffset, c.cursor) << c.typed;
    }
}

TEST(Goto, EscapeLowRomAddressAndKeptFormats) {
    NavEnv e;
    e.session.moveCursorTo(0x40);
    e.gotoWith([](GotoWindow& w) {
        w.setText("1234");
        w.escape();
    });
    EXPECT_EQ(e.view.CursorOffset, 0x40);
    EXPECT_TRUE(e.nav.gotoWindow.text().empty());

    // A LoROM address below $8000 in its bank has no offset.
    e.gotoWith([](GotoWindow& w) {
        w.addressFormat = snLOROM;
        w.setText("7FFF");
    });
    e.port.expectMessage(kNotLoRomAddress, {}, MsgIcon::Exclamation);
    EXPECT_EQ(e.view.CursorOffset, 0x40);

    // Decimal stays chosen; switching to it drops hex letters.
    e.gotoWith([](GotoWindow& w) {
        EXPECT_EQ(w.addressFormat, snLOROM);
        w.addressFormat = pcOFFSET;
        w.setText("1F2");
        w.decimalClicked(true);
        EXPECT_EQ(w.text(), "12");
    });
    EXPECT_EQ(e.view.CursorOffset, 12);
    e.gotoWith([](GotoWindow& w) { EXPECT_FALSE(w.hexValue()); });
}

TEST(Goto, JumpListFormatsLimitAndEscape) {
    NavEnv e;
    e.session.tableData.BookmarkList = {"start->[1A2B]", "a[b]->[818000]", "end->[7FFFFF]", "none", "far->[80000000]"};
    struct Case {
        int row;
        int format;
        int32_t cursor;
    } cases[] = {
        {0, pcOFFSET, 0x1A2B},
        {1, snLOROM, 0x8000},        // the label's own "[" is skipped
        {2, pcOFFSET, 0x20000 - 256},  // beyond: the last page
        {3, pcOFFSET, 0x20000 - 256},  // no offset: stays
        {4, pcOFFSET, 0x20000 - 256},  // beyond, not negative
    };
    for (const Case& c : cases) {
        e.gotoView.script = [&] {
            GotoWindow& w = e.nav.gotoWindow;
            EXPECT_EQ(w.caption(), "Jump List Offset");
            EXPECT_EQ(w.groupCaption(), " File Position ");
            EXPECT_FALSE(w.textEnabled());
            EXPECT_TRUE(w.hexValue());
            w.decimalClicked(true);  // not while the list is enabled
            EXPECT_TRUE(w.hexValue());
            w.addressFormat = c.format;
            w.selectItem(c.row);
            w.done();
        };
        e.session.commands().run("JumpOffsetList1Click");
        EXPECT_EQ(e.view.CursorOffset, c.cursor) << c.row;
    }
    e.session.moveCursorTo(0x10);
    e.gotoView.script = [&] {
        e.nav.gotoWindow.selectItem(0);
        e.nav.gotoWindow.escape();
    };
    e.session.commands().run("JumpOffsetList1Click");
    EXPECT_EQ(e.view.CursorOffset, 0x10);
    EXPECT_EQ(e.nav.gotoWindow.selectedItem(), -1);
    // "Done" with no item chosen, also after an earlier choice: no jump.
    for (int round = 0; round < 2; ++round) {
        e.gotoView.script = [&] {
            EXPECT_EQ(e.nav.gotoWindow.selectedItem(), -1);
            e.nav.gotoWindow.done();
        };
        e.session.commands().run("JumpOffsetList1Click");
        EXPECT_EQ(e.view.CursorOffset, 0x10);
        e.gotoView.script = [&] { e.nav.gotoWindow.selectItem(0); };
        e.session.commands().run("JumpOffsetList1Click");
        EXPECT_EQ(e.view.CursorOffset, 0x1A2B);
        e.session.moveCursorTo(0x10);
    }
}

TEST(Goto, SmallBufferNeverGoesNegative) {
    NavEnv e;
    e.session.editorState.BufferSize = 100;  // a buffer smaller than a page
    e.gotoWith([](GotoWindow& w) { w.setText("FFFF"); });
    EXPECT_EQ(e.view.CursorOffset, 0);
}

TEST(Bookmark, SavedLineNameRulesAndFailure) {
    NavEnv e;
    const std::string table = e.session.tableFile("");
    e.session.moveCursorTo(0x1A2B);
    e.gotoView.script = [&] {
        GotoWindow& w = e.nav.gotoWindow;
        EXPECT_EQ(w.caption(), "Bookmark");
        EXPECT_EQ(w.groupCaption(), " Save Bookmark ");
        w.setText("Intro text:\r\n a long name to cut");
    };
    e.session.commands().run("SaveBookmark1Click");
    ASSERT_EQ(e.session.tableFileText(), "(1A2Bh)Intro text: a long n\r\n");

    e.gotoView.script = nullptr;  // the name box is emptied on opening
    e.session.commands().run("SaveBookmark1Click");
    EXPECT_EQ(e.session.tableFileText(), "(1A2Bh)Intro text: a long n\r\n");
    e.session.tableData.TablePaths[e.session.tableData.TableSlot] = table + ".missing";  // appending fails
    e.gotoView.script = [&] { e.nav.gotoWindow.setText("x"); };
    e.session.commands().run("SaveBookmark1Click");
    e.port.expectMessage(kNoBookmarkTable, {}, MsgIcon::Exclamation);
}

TEST(Bookmark, AppendedToTheTableFileAndListed) {
    const auto dir = std::filesystem::temp_directory_path() / ("tarnwick_nav_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    ASSERT_TRUE(common::writeFileAtomic((dir / "rom.bin").string(), std::string(0x4000, '\0')).empty());
    ASSERT_TRUE(common::writeFileAtomic((dir / "rom.tbl").string(), std::string("41=A")).empty());
    common::testing::ScriptedPort port;
    TarnwickModel app(port);
    app.pad.FormCreate(dir.string());
    ASSERT_TRUE(app.pad.files.openPath((dir / "rom.bin").string()));
    FakeGotoView view;
    app.navigation.gotoWindow.setView(&view);
    app.pad.moveCursorTo(0x1A2B);
    view.script = [&] { app.navigation.gotoWindow.setText("Boss"); };
    EXPECT_TRUE(app.pad.runCommand("SaveBookmark1Click"));
    std::vector<uint8_t> bytes;
    ASSERT_EQ(common::readWholeFile((dir / "rom.tbl").string(), bytes), common::ReadStatus::Ok);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "41=A\r\n(1A2Bh)Boss\r\n");
    EXPECT_EQ(app.pad.table().BookmarkList, std::vector<std::string>{"Boss->[1A2B]"});
    std::filesystem::remove_all(dir);
}

TEST(ReturnOffsets, SixtyFifthJumpAndWayBack) {
    common::testing::ScriptedPort port;
    TarnwickModel app(port);
    app.pad.FormCreate(".");
    // Bytes 01: each 8-bit relative jump moves the cursor one on.
    const auto path = std::filesystem::temp_directory_path() / ("tarnwick_ret_" + std::to_string(::getpid()));
    ASSERT_TRUE(common::writeFileAtomic(path.string(), std::string(0x100, '\1')).empty());
    ASSERT_TRUE(app.pad.files.openPath(path.string()));
    EXPECT_FALSE(app.pad.commandEnabled("ReturntoLastOffset1Click"));
    for (int i = 0; i < 65; ++i) ASSERT_TRUE(app.pad.runCommand("ExecuteRelativeJump1Click"));
    port.expectMessage(kReturnStackFull, {}, MsgIcon::Exclamation);
    EXPECT_EQ(app.pad.cursor(), 65);
    EXPECT_EQ(app.pad.nav().ReturnCount, 64);
    for (int i = 63; i >= 0; --i) {
        ASSERT_TRUE(app.pad.commandEnabled("ReturntoLastOffset1Click"));
        app.pad.runCommand("ReturntoLastOffset1Click");
        EXPECT_EQ(app.pad.cursor(), i);
    }
    EXPECT_FALSE(app.pad.commandEnabled("ReturntoLastOffset1Click"));
    std::filesystem::remove(path);
}

TEST(JumpListWindow, CopiesTheBookmarksAndJumpsUnconverted) {
    NavEnv e;
    e.session.tableData.BookmarkList = {"one->[818000]", "far->[7FFFFF]"};
    e.session.commands().run("ViewJUMPList1Click");
    EXPECT_EQ(e.nav.jumpList.items().size(), 2u);
    EXPECT_EQ(e.listView.shows, 1);
    e.nav.jumpList.activate(0);  // too far for this buffer
    e.port.expectMessage(kOutsideBuffer, {}, MsgIcon::Exclamation);
    e.session.tableData.BookmarkList = {"one->[1234]"};
    e.nav.jumpList.activate(0);  // still the copy made on showing
    e.port.expectMessage(kOutsideBuffer, {}, MsgIcon::Exclamation);
    e.nav.jumpList.escape();
    EXPECT_TRUE(e.nav.jumpList.items().empty());
    e.session.commands().run("ViewJUMPList1Click");
    e.nav.jumpList.activate(0);
    EXPECT_EQ(e.view.CursorOffset, 0x1234);
    EXPECT_EQ(e.listView.focus, 1);
    EXPECT_TRUE(e.nav.jumpList.visible());
}

TEST(RelativeJump, Targets) {
    struct Case {
        std::vector<uint8_t> bytes;
        int size;
        int isUnsigned;
        int mapping;
        bool relative;
        const char* adjustment;
        int64_t target;  // -1: refused
    } cases[] = {
        {{0xFE, 0xFF}, 1, 0, NormalValue, true, "", 0x1000 - 2},
        {{0xFE, 0xFF}, 1, 1, NormalValue, true, "", 0x1000 + 0xFFFE},
        {{0x00, 0x90, 0x81}, 2, 1, LoRomValue, false, "", 0x9000},
        {{0x34, 0x12}, 1, 1, HiRomValue, false, "$C10000", 0x011234},
        {{0x10}, 0, 0, NormalValue, true, "-1", 0x1000 + 0x0F},
        {{0x10}, 0, 0, NormalValue, true, " 3 ", 0x1000 + 0x13},
        {{0x80}, 0, 0, NormalValue, true, "", 0x1000 - 0x80},
        {{0x00, 0x00, 0x80}, 2, 0, NormalValue, true, "", -1},  // far below 0
        {{0xFF, 0xFF, 0xFF, 0xFF}, 3, 0, NormalValue, true, "", 0x1000 - 1},
        {{0xFF, 0xFF, 0xFF, 0xFF}, 3, 1, NormalValue, true, "", -1},
        {{0x00, 0x20}, 1, 0, NormalValue, false, "$FFFFFFFF", 0x1FFF},  // signed: -1
        {{0x00, 0x20}, 1, 1, NormalValue, false, "$FFFFFFFF", -1},      // unsigned: huge
        {{0x00, 0x20}, 1, 0, LoRomValue, false, "", -1},  // $00:2000 is no ROM
        {{0x00}, 0, 0, NormalValue, true, "12a", -1},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> buffer(0x20000, 0);
        std::copy(c.bytes.begin(), c.bytes.end(), buffer.begin() + 0x1000);
        RelativeJumpSettings s;
        s.JumpSize = c.size;
        s.JumpUnsigned = c.isUnsigned;
        s.JumpMapping = c.mapping;
        s.addRel = c.relative;
        s.adjustment = c.adjustment;
        const auto got = jumpTarget(s, buffer, 0x1000);
        if (c.target < 0) {
            EXPECT_TRUE(std::holds_alternative<JumpError>(got)) << c.adjustment;
        } else {
            ASSERT_TRUE(std::holds_alternative<int32_t>(got)) << c.adjustment;
            EXPECT_EQ(std::get<int32_t>(got), c.target) << c.adjustment;
        }
    }
}

TEST(RelativeJump, RefusalsLeaveCursorAndStack) {
    NavEnv e(0x100);
    RelativeJumpSettings& s = e.nav.relativeJump.settings;
    s.JumpSize = 3;
    const int32_t end = e.session.editorState.BufferSize;
    e.session.moveCursorTo(end - 2);  // four bytes would pass the end
    e.session.commands().run("ExecuteRelativeJump1Click");
    e.port.expectMessage(kValuePastBuffer, {}, MsgIcon::Exclamation);
    s.JumpSize = 0;
    s.adjustment = "$";
    e.session.commands().run("ExecuteRelativeJump1Click");
    e.port.expectMessage(kBadAdjustment, {}, MsgIcon::Exclamation);
    s.adjustment = "2";
    e.session.commands().run("ExecuteRelativeJump1Click");
    e.port.expectMessage(kOutsideBuffer, {}, MsgIcon::Exclamation);
    EXPECT_EQ(e.view.CursorOffset, end - 2);
    EXPECT_EQ(e.session.navState.ReturnCount, 0);
}

TEST(StringLength, TwoPressesSwapAndClose) {
    NavEnv e;
    StringLength& l = e.nav.stringLength;
    e.session.moveCursorTo(0x200);
    e.session.commands().run("StringLengthCalculator1Click");
    EXPECT_TRUE(l.visible());
    EXPECT_EQ(l.startText(), "00000200");
    EXPECT_EQ(l.toggle, 1);
    e.session.moveCursorTo(0x100);
    e.session.commands().run("StringLengthCalculator1Click");
    EXPECT_EQ(l.endText(), "00000100");
    EXPECT_EQ(l.lengthText(), "DEC:256 HEX:00000100");
    EXPECT_EQ(l.LengthMarks, (std::array<int32_t, 2>{0x100, 0x200}));
    EXPECT_EQ(l.toggle, 0);
    e.session.commands().run("StringLengthCalculator1Click");
    EXPECT_EQ(l.startText(), "00000100");
    EXPECT_TRUE(l.endText().empty());
    EXPECT_TRUE(l.lengthText().empty());
    l.close();
    EXPECT_EQ(l.toggle, 0);
    EXPECT_FALSE(l.visible());
    EXPECT_TRUE(l.startText().empty());
}

TEST(StringLength, ASelectionShowsItsLengthInOnePress) {
    NavEnv e;
    StringLength& l = e.nav.stringLength;
    e.session.moveCursorTo(0x10);
    e.session.commands().run("StringLengthCalculator1Click");  // a pending first mark is replaced
    e.session.viewState.SelectionAnchor = 0x11F;
    e.session.viewState.SelectionEnd = 0x100;
    e.session.commands().run("StringLengthCalculator1Click");
    EXPECT_TRUE(l.visible());
    EXPECT_EQ(l.startText(), "00000100");
    EXPECT_EQ(l.endText(), "0000011F");
    EXPECT_EQ(l.lengthText(), "DEC:32 HEX:00000020");
    EXPECT_EQ(l.toggle, 0);
}

TEST(StringLength, Placement) {
    const ScreenRect screen{0, 0, 1920, 1080};
    struct Case {
        ScreenRect main;
        int x, y;
    } cases[] = {
        {{100, 300, 800, 600}, 100, 200},  // above
        {{100, 50, 800, 600}, 100, 650},   // below
        {{100, 50, 800, 1000}, 810, 490},  // centred
        {{100, 100, 800, 600}, 100, 700},  // exactly the height above: below
    };
    for (const Case& c : cases) {
        const ScreenRect r = stringLengthPlacement(c.main, 300, 100, screen);
        EXPECT_EQ(r.x, c.x);
        EXPECT_EQ(r.y, c.y);
    }
}

}  // namespace
