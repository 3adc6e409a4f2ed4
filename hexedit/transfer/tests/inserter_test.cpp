// The external program: its arguments, its menu caption, and running it on
// the editor's data with the result read back.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/testing/ScriptedPort.h"
#include "hexedit/core/testing/TestSession.h"
#include "hexedit/transfer/BinaryInsert.h"
#include "hexedit/transfer/ExternalInserter.h"

using namespace hexedit;
using namespace hexedit::transfer;
using common::MsgIcon;
namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

TEST(ExternalArguments, KeywordsInAnyCaseBecomeWholePaths) {
    const std::string rom = "/roms/my game.smc", script = "/work/script 1.txt";
    const struct {
        const char* list;
        Args expected;
    } cases[] = {
        {"%ROMFILE %SCRIPTFILE", {rom, script}},
        {"-r %romfile -s %ScriptFile", {"-r", rom, "-s", script}},
        {"--rom=%RomFile", {"--rom=" + rom}},
        {"  plain   words ", {"plain", "words"}},
        {"\"two words\" \"\"", {"two words", ""}},
        {"%ROMFIL %SCRIPTFILE%ROMFILE", {"%ROMFIL", script + rom}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(buildArguments(c.list, rom, script), c.expected) << c.list;
    EXPECT_EQ(externalMenuCaption("/usr/bin/atlas"), "Execute External Program \"atlas\"");
    EXPECT_EQ(externalMenuCaption("C:\\tools\\ins.exe"), "Execute External Program \"ins.exe\"");
    EXPECT_EQ(externalMenuCaption(""), "Execute External Program \"\"");
}

class InserterTest : public ::testing::Test {
protected:
    InserterTest() {
        char tmpl[] = "/tmp/inserter_testXXXXXX";
        dir = mkdtemp(tmpl);
        rom = (dir / "game.smc").string();
        std::ofstream(rom, std::ios::binary) << "OLDDATA";
        session.load({'N', 'E', 'W', 'D', 'A', 'T', 'A'}, rom);
        settings.AppName = "/opt/ins/inserter";
        settings.AppArgs = "%ROMFILE %scriptfile";
    }
    ~InserterTest() override { fs::remove_all(dir); }
    std::string disk() {
        std::ifstream in(rom, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::string held() {
        auto b = session.editor().fileBytes();
        return {b.begin(), b.end()};
    }

    fs::path dir;
    std::string rom;
    common::testing::ScriptedPort port;
    hexedit::testing::TestSession session{port};
    ExternalProgram settings;
    ExternalInserter inserter{session, settings};
    std::string caption() { return session.commands().caption("ExecuteExternalProgram1Click"); }
};

TEST_F(InserterTest, WritesTheDataWaitsAndReadsTheResultBackAsOneUndoStep) {
    port.answerOpen("/work/script.txt");
    port.runWaits = 3;
    std::string seenByProgram;
    port.onRunFinished = [&](const auto&) {
        seenByProgram = disk();
        std::ofstream(rom, std::ios::binary) << "INSERTED!";
    };
    session.commands().run("ExecuteExternalProgram1Click");
    ASSERT_EQ(port.runs.size(), 1u);
    EXPECT_EQ(port.runs[0].program, "/opt/ins/inserter");
    EXPECT_EQ(port.runs[0].args, (Args{rom, "/work/script.txt"}));
    EXPECT_FALSE(port.runs[0].quiet);
    EXPECT_EQ(seenByProgram, "NEWDATA");
    EXPECT_EQ(session.host.busyRuns, 1);
    port.expectMessage("Operation Performed!", {}, MsgIcon::Exclamation);
    EXPECT_EQ(held(), "INSERTED!");
    EXPECT_TRUE(session.editor().Modified);
    ASSERT_TRUE(session.doc.undo());
    EXPECT_EQ(held(), "NEWDATA");
}

TEST_F(InserterTest, RefusalsLeaveTheDataAsItWas) {
    port.cancelOpen();
    session.commands().run("ExecuteExternalProgram1Click");
    EXPECT_TRUE(port.runs.empty());

    settings.AppName.clear();
    port.answerOpen("/work/script.txt");
    session.commands().run("ExecuteExternalProgram1Click");
    port.expectMessage("Error: No Inserter Application Loaded!");
    EXPECT_TRUE(port.runs.empty());

    settings.AppName = "/nowhere/ins";
    settings.HideIns = true;
    port.startSucceeds = false;
    port.answerOpen("/work/script.txt");
    session.commands().run("ExecuteExternalProgram1Click");
    EXPECT_TRUE(port.runs.at(0).quiet);
    port.expectMessage("Fatal Error: Could not execute the needed program!\nMake sure the program is in the location.",
                       {}, MsgIcon::Stop);
    EXPECT_EQ(held(), "NEWDATA");
    EXPECT_FALSE(session.editor().Modified);

    // Stopping the wait ends the program; nothing is read back.
    port.startSucceeds = true;
    port.runWaits = -1;
    session.host.keepGoing = false;
    port.answerOpen("/work/script.txt");
    session.commands().run("ExecuteExternalProgram1Click");
    EXPECT_TRUE(port.runs.at(1).stopped);
    port.expectMessage("The external program was stopped; the data was not read back.", {}, MsgIcon::Exclamation);
    EXPECT_FALSE(session.buffer.canUndo());
}

TEST_F(InserterTest, SettingsWindowNamesTheMenuEntry) {
    EXPECT_EQ(caption(), "Execute External Program");  // until the settings name it
    port.answerOpen("/opt/tools/inserter2");
    inserter.GetApp1Click();
    EXPECT_EQ(port.openRequests.back().title, "Select the Inserter to be used...");
    EXPECT_EQ(settings.AppName, "/opt/tools/inserter2");
    EXPECT_EQ(caption(), "Execute External Program \"inserter2\"");
    settings.AppName.clear();
    inserter.DoneClick();
    EXPECT_EQ(caption(), "Execute External Program \"\"");
}

}  // namespace

namespace {

struct FakeStartView : hexedit::transfer::InsertStartView {
    std::string status, shown, typed;
    bool asked = false;
    void setStatusText(const std::string& t) override { status = t; }
    std::string askStart(const std::string& start) override {
        asked = true;
        shown = start;
        return typed;
    }
};

class BinaryInsertTest : public ::testing::Test {
protected:
    BinaryInsertTest() {
        char tmpl[] = "/tmp/insert_testXXXXXX";
        dir = mkdtemp(tmpl);
        data = (dir / "data.bin").string();
        std::string bytes(100, '\0');
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i + 1);
        std::ofstream(data, std::ios::binary) << bytes;
        session.load(std::vector<uint8_t>(0x20000, 0xEE));
        session.viewState.CursorOffset = 0x1ABC;
        insert.setView(&view);
    }
    ~BinaryInsertTest() override { fs::remove_all(dir); }
    uint8_t at(int64_t o) { return session.editor().byteAt(o); }

    fs::path dir;
    std::string data;
    common::testing::ScriptedPort port;
    hexedit::testing::TestSession session{port};
    BinaryInsert insert{session};
    FakeStartView view;
};

constexpr char kSure[] = "Are you sure you want to insert at this position?";
constexpr char kTitle[] = "Insert Data to the file...";

TEST_F(BinaryInsertTest, FortyOfAHundredBytesFitBeforeTheEnd) {
    view.typed = "1ffd8";
    port.answerOpen(data);
    port.answerQuestion(true);
    port.answerQuestion(true);
    session.commands().run("InsertBinaryData1Click");
    EXPECT_EQ(view.status, "Enter file name");
    EXPECT_EQ(view.shown, "1ABC");
    port.expectMessage(kSure, kTitle, MsgIcon::Question, common::MsgButtons::YesNo);
    port.expectMessage("Only 40 byte(s) out of 100 byte(s) can be inserted. Is this ok?", kTitle, MsgIcon::Question,
                       common::MsgButtons::YesNo);
    port.expectMessage("Binary Data successfully inserted...", {}, MsgIcon::Exclamation);
    EXPECT_EQ(at(0x1FFD7), 0xEE);
    EXPECT_EQ(at(0x1FFD8), 1);
    EXPECT_EQ(at(0x1FFFF), 40);
    EXPECT_EQ(session.editor().FileSize, 0x20000);
    EXPECT_TRUE(session.buffer.canUndo());
}

TEST_F(BinaryInsertTest, RefusalsChangeNothing) {
    const struct {
        std::string typed;
        std::vector<bool> answers;
        std::string lastMessage;
    } cases[] = {
        {"", {}, ""},                                     // Escape
        {"10", {false}, kSure},                           // No to the question
        {"1FFD8", {true, false}, "Only 40 byte(s) out of 100 byte(s) can be inserted. Is this ok?"},
        {"20000", {true}, "Error: The start offset lies beyond the end of the file."},
        {"FFFFFFFFF", {true}, "Error: The start offset lies beyond the end of the file."},
    };
    for (const auto& c : cases) {
        view.typed = c.typed;
        port.answerOpen(data);
        for (bool a : c.answers) port.answerQuestion(a);
        insert.InsertBinaryData1Click();
        std::string last;
        while (!port.messages().empty()) last = port.takeMessage().text;
        EXPECT_EQ(last, c.lastMessage) << c.typed;
        EXPECT_FALSE(session.buffer.canUndo()) << c.typed;
    }
    port.answerOpen((dir / "missing.bin").string());
    view.asked = false;
    insert.InsertBinaryData1Click();
    port.expectMessage("Fatal Error: Could not open requested file.\n" + (dir / "missing.bin").string(), {},
                       MsgIcon::Stop);
    EXPECT_FALSE(view.asked);
}

}  // namespace
