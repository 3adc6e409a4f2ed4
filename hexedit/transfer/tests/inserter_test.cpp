// The external program: its arguments, its menu caption, and running it on
// the editor's data with the result read back.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/testing/ScriptedPort.h"
#include "hexedit/core/testing/FakeSession.h"
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
        inserter.captionChanged = [this](const std::string& c) { caption = c; };
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
    hexedit::testing::FakeSession session{port};
    ExternalProgram settings;
    ExternalInserter inserter{session, settings};
    std::string caption;
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
    EXPECT_EQ(session.busyRuns, 1);
    port.expectMessage("Operation Performed!", {}, MsgIcon::Exclamation);
    EXPECT_EQ(held(), "INSERTED!");
    EXPECT_TRUE(session.editor().Modified);
    ASSERT_TRUE(session.buffer.undo());
    EXPECT_EQ(held(), "NEWDATA");
}

TEST_F(InserterTest, RefusalsLeaveTheDataAsItWas) {
    session.buffer.markSaved();
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
    session.keepGoing = false;
    port.answerOpen("/work/script.txt");
    session.commands().run("ExecuteExternalProgram1Click");
    EXPECT_TRUE(port.runs.at(1).stopped);
    port.expectMessage("The external program was stopped; the data was not read back.", {}, MsgIcon::Exclamation);
    EXPECT_FALSE(session.buffer.canUndo());
}

TEST_F(InserterTest, SettingsWindowNamesTheMenuEntry) {
    port.answerOpen("/opt/tools/inserter2");
    inserter.GetApp1Click();
    EXPECT_EQ(port.openRequests.back().title, "Select the Inserter to be used...");
    EXPECT_EQ(settings.AppName, "/opt/tools/inserter2");
    EXPECT_EQ(caption, "Execute External Program \"inserter2\"");
    settings.AppName.clear();
    inserter.DoneClick();
    EXPECT_EQ(caption, "Execute External Program \"\"");
}

}  // namespace
