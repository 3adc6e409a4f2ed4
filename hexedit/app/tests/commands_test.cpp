// The command table of the whole program: every menu entry has its handler,
// and the table's own rules.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <stdexcept>

#include "common/testing/ScriptedPort.h"
#include "hexedit/app/TarnwickModel.h"

namespace hexedit {
namespace {

TEST(CommandTable, EveryMenuEntryHasAHandler) {
    common::testing::ScriptedPort port;
    TarnwickModel app(port);
    const auto unbound = app.pad.commands().unbound();
    EXPECT_EQ(std::set<std::string>(unbound.begin(), unbound.end()), std::set<std::string>{});
}

bool isCommand(const MenuEntry& e) { return isCommandEntry(&e); }

// A record for every command of the layout, with a caption (or a rule for
// one), a short hint and keys used once.
TEST(CommandTable, EveryCommandHasAHandlerAHintAndACaption) {
    common::testing::ScriptedPort port;
    TarnwickModel app(port);
    std::set<std::string_view> keys;
    for (const MenuEntry& e : mainMenuMap()) {
        if (!isCommand(e)) continue;
        SCOPED_TRACE(std::string(e.name));
        const MenuCommand* c = app.pad.commands().find(e.name);
        ASSERT_NE(c, nullptr);
        EXPECT_TRUE(c->run);
        EXPECT_FALSE(c->hint.empty());
        EXPECT_LE(c->hint.size(), 70u);
        EXPECT_TRUE(!c->caption.empty() || c->captionRule);
        for (std::string_view k : {c->shortcut, c->secondShortcut})
            if (!k.empty()) {
                EXPECT_TRUE(keys.insert(k).second) << "duplicate key " << k;
            }
    }
}

// Each state in turn: every entry's enabling rule runs and gives what the
// table says; while busy none is enabled.
TEST(CommandTable, EveryEnablingRuleInEachStateGroup) {
    enum State { NoFile, FileOpen, ReturnOffsets, DumpBookmark, TableSlot, kStates };
    // Entries enabled only in some states; every other one always is.
    const std::map<std::string_view, std::set<int>> only = {
        {"SaveFile1Click", {FileOpen}},
        {"SaveFileAs1Click", {FileOpen}},
        {"HexEditMode1Click", {FileOpen}},
        {"DumpText1Click", {FileOpen}},
        {"DumpBinaryData1Click", {FileOpen}},
        {"ExecuteExternalProgram1Click", {FileOpen}},
        {"InsertBinaryData1Click", {FileOpen}},
        {"BYTEFill1Click", {FileOpen}},
        {"TileEditor1Click", {FileOpen}},
        {"CreateanIPSFile1Click", {FileOpen}},
        {"CreateaBPSFile1Click", {FileOpen}},
        {"PatchCurrentFile1Click", {FileOpen}},
        {"IncreaseDecreaseROMSize1Click", {FileOpen}},
        {"RepairSNESChecksum1Click", {FileOpen}},
        {"StringLengthCalculator1Click", {FileOpen}},
        {"DumpScript1Click", {FileOpen}},
        {"InsertScript1Click", {FileOpen}},
        {"TextSearch1Click", {FileOpen}},
        {"HexSearch1Click", {FileOpen}},
        {"KanaSearch1Click", {FileOpen}},
        {"SearchAgain1Click", {FileOpen}},
        {"RelativeSearch1Click", {FileOpen}},
        {"GotoOffset1Click", {FileOpen}},
        {"ExecuteRelativeJump1Click", {FileOpen}},
        {"PastetoCurrentLocation1", {FileOpen}},
        // With a file open and bytes selected (the state sets both).
        {"CopyasText1Click", {FileOpen}},
        {"CopyasHex1Click", {FileOpen}},
        {"CopyasText2Click", {FileOpen}},
        {"CopyasHex2Click", {FileOpen}},
        {"ReturntoLastOffset1Click", {ReturnOffsets}},
        {"DumpFromList1", {DumpBookmark}},
        {"SwapTableFiles1", {TableSlot}},
        {"SaveBookmark1Click", {TableSlot}},
        {"SaveDumpBookmark1Click", {TableSlot}},
        {"JumpOffsetList1Click", {TableSlot}},
        // By their own state, which no group sets.
        {"Undo1Click", {}},
        {"Redo1Click", {}},
    };
    // By the recent lists, which outlive the groups.
    const std::set<std::string_view> ownRule = {"RecentROM1", "RecentTable1"};
    common::testing::ScriptedPort port;
    const auto dir = std::filesystem::temp_directory_path() / ("tarnwick_groups_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto rom = (dir / "game.bin").string();
    std::ofstream(rom, std::ios::binary) << std::string(300, 'A');
    for (int state = NoFile; state < kStates; ++state) {
        TarnwickModel app(port);
        ASSERT_TRUE(app.pad.FormCreate(dir.string()));
        if (state == FileOpen) {
            ASSERT_TRUE(app.pad.files.openPath(rom));
            app.pad.view().SelectionAnchor = 0;
            app.pad.view().SelectionEnd = 10;
        }
        if (state == ReturnOffsets) app.pad.nav().ReturnCount = 1;
        if (state == DumpBookmark) app.pad.tableState().DumpMarks.push_back("[00000000-00000004]x");
        if (state == TableSlot) app.pad.tableState().TablePaths[0] = (dir / "game.tbl").string();
        for (const MenuEntry& e : mainMenuMap()) {
            if (e.kind == EntryKind::Separator) continue;
            SCOPED_TRACE(std::to_string(state) + " " + std::string(e.name));
            if (ownRule.count(e.name)) continue;
            const auto it = only.find(e.name);
            EXPECT_EQ(app.pad.commandEnabled(e.name), it == only.end() || it->second.count(state) > 0);
        }
        app.pad.runBusy("busy", [&](const common::Progress&) {
            for (const MenuEntry& e : mainMenuMap())
                if (isCommand(e)) {
                    EXPECT_FALSE(app.pad.commandEnabled(e.name)) << e.name;
                }
            return true;
        });
    }
    std::filesystem::remove_all(dir);
}

TEST(CommandTable, RefusesUnknownAndDuplicateNamesAndOrdersKeyHandlers) {
    CommandTable t;
    EXPECT_THROW(t.add({.name = "NoSuchEntry1Click", .run = [] {}}), std::logic_error);
    EXPECT_THROW(t.add({.name = "File1", .run = [] {}}), std::logic_error);  // a menu, not a command
    EXPECT_THROW(t.add({.name = "Exit1Click"}), std::logic_error);           // no handler
    EXPECT_THROW(t.enableMenu("Exit1Click", [] { return true; }), std::logic_error);  // not a menu
    int runs = 0;
    bool allowed = false;
    t.add({.name = "Open1Click", .enabled = [&] { return allowed; }, .run = [&] { ++runs; }});
    EXPECT_THROW(t.add({.name = "Open1Click", .run = [] {}}), std::logic_error);
    EXPECT_FALSE(t.run("Open1Click"));
    allowed = true;
    EXPECT_TRUE(t.run("Open1Click"));
    EXPECT_EQ(runs, 1);
    EXPECT_THROW(t.run("Exit1Click"), std::logic_error);  // no handler

    std::vector<int> order;
    t.addKeyHandler([&](const KeyPress&) { order.push_back(1); return false; });
    t.addKeyHandler([&](const KeyPress& k) { order.push_back(2); return k.key == Key::F1; });
    t.addKeyHandler([&](const KeyPress&) { order.push_back(3); return true; });
    EXPECT_TRUE(t.previewKey({Key::F1}));
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

}  // namespace
}  // namespace hexedit
