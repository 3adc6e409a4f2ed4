// BYTE Fill: two presses on the dump window's state, its messages, and the
// fill through the session.

#include <gtest/gtest.h>

#include "common/testing/ScriptedPort.h"
#include "hexedit/core/testing/TestSession.h"
#include "hexedit/transfer/ByteFill.h"

namespace hexedit::transfer {
namespace {

struct CountingView : DumpView {
    int shows = 0, closes = 0, refreshes = 0;
    void showWindow() override { ++shows; }
    void closeWindow() override { ++closes; }
    void refresh() override { ++refreshes; }
    void focusName() override {}
};

struct FillEnv {
    common::testing::ScriptedPort port;
    hexedit::testing::TestSession session{port};
    search::DataList list{session};
    Dumper dump{session, list};
    ByteFill fill{session, dump};
    CountingView view;

    FillEnv() {
        dump.setView(&view);
        fill.setView(&view);
        session.load(std::vector<uint8_t>(0x40, 0x11));
    }
    void press(int32_t cursor) {
        session.viewState.CursorOffset = cursor;
        session.commands().run("BYTEFill1Click");
    }
    std::vector<uint8_t> bytes() {
        auto b = session.editor().fileBytes();
        return {b.begin(), b.end()};
    }
};

TEST(ByteFill, ASelectionFillsTheBoxesInOnePress) {
    FillEnv e;
    e.session.viewState.SelectionAnchor = 0x08;
    e.session.viewState.SelectionEnd = 0x0B;
    e.press(0x0B);
    EXPECT_EQ(e.dump.BegOfs, "00000008");
    EXPECT_EQ(e.dump.EndOfs, "0000000B");
    e.dump.DFile = "FF";
    e.dump.Button1Click();
    e.port.expectMessage("BYTE Fill completed!");
    auto b = e.bytes();
    for (size_t i = 0; i < b.size(); ++i) EXPECT_EQ(b[i], i >= 8 && i <= 0xB ? 0xFF : 0x11) << i;
}

TEST(ByteFill, StartAfterEndFillsTheRangeInclusively) {
    FillEnv e;
    e.press(0x20);
    EXPECT_EQ(e.dump.DumpState, FillPending);
    EXPECT_EQ(e.dump.caption, "BYTE Fill...");
    EXPECT_EQ(e.dump.statusText, "Fill Byte Value");
    EXPECT_EQ(e.dump.BegOfs, "00000020");
    EXPECT_EQ(e.view.shows, 1);
    e.dump.DFile = "1a7";  // the low 8 bits count
    e.press(0x10);
    e.port.expectMessage("BYTE Fill completed!");
    EXPECT_EQ(e.dump.DumpState, Idle);
    EXPECT_EQ(e.view.closes, 1);
    auto b = e.bytes();
    for (size_t i = 0; i < b.size(); ++i) EXPECT_EQ(b[i], i >= 0x10 && i <= 0x20 ? 0xA7 : 0x11) << i;
    ASSERT_TRUE(e.session.doc.undo());
    EXPECT_EQ(e.bytes(), std::vector<uint8_t>(0x40, 0x11));
}

TEST(ByteFill, RefusalsKeepTheFillPendingAndTheBytes) {
    FillEnv e;
    e.press(0);
    e.press(0x3F);
    e.port.expectMessage("Error: Must enter a value to use as a FILLER!");
    const struct {
        const char* beg;
        const char* end;
        const char* message;
    } cases[] = {
        {"80000000", "10", "Error: One of the offsets are Invalid!"},
        {"0", "FFFFFFFF", "Error: One of the offsets are Invalid!"},
        {"0", "41", "Error: One of the offsets are Greater than file size!"},
    };
    e.dump.DFile = "00";
    for (const auto& c : cases) {
        e.dump.BegOfs = c.beg;
        e.dump.EndOfs = c.end;
        e.fill.fillRange();
        e.port.expectMessage(c.message);
        EXPECT_EQ(e.dump.DumpState, FillPending) << c.message;
    }
    EXPECT_FALSE(e.session.buffer.canUndo());
    // The window's button runs the same second step.
    e.dump.BegOfs = "3F";
    e.dump.EndOfs = "40";
    e.dump.Button1Click();
    e.port.expectMessage("BYTE Fill completed!");
    EXPECT_EQ(e.bytes()[0x3F], 0);
}

TEST(ByteFill, RefusedWhileADumpIsPending) {
    FillEnv e;
    e.session.commands().run("DumpText1Click");
    ASSERT_EQ(e.dump.DumpState, TextPending);
    e.press(8);
    e.port.expectMessage("Error: You tried to dump Data after initiating BYTE fill.");
    EXPECT_EQ(e.dump.DumpState, TextPending);
    EXPECT_NE(e.dump.caption, "BYTE Fill...");
}

}  // namespace
}  // namespace hexedit::transfer
