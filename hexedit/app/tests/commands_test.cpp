// The command table of the whole program: every menu entry has its handler,
// and the table's own rules.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>

#include "common/testing/ScriptedPort.h"
#include "hexedit/app/TarnwickModel.h"
#include "hexedit/core/MenuHints.h"

namespace hexedit {
namespace {

TEST(CommandTable, EveryMenuEntryHasAHandler) {
    common::testing::ScriptedPort port;
    TarnwickModel app(port);
    const auto unbound = app.pad.commands().unbound();
    EXPECT_EQ(std::set<std::string>(unbound.begin(), unbound.end()), std::set<std::string>{});
}

bool isCommand(const MenuEntry& e) {
    return e.kind == EntryKind::Command || e.kind == EntryKind::Check || e.kind == EntryKind::Radio;
}

TEST(CommandTable, EveryCommandHasAHandlerAHintAndACaption) {
    common::testing::ScriptedPort port;
    TarnwickModel app(port);
    for (const MenuEntry& e : mainMenuMap()) {
        if (!isCommand(e)) continue;
        SCOPED_TRACE(std::string(e.name));
        EXPECT_TRUE(app.pad.commands().has(e.name));
        EXPECT_FALSE(menuHint(e.name).empty());
        // The recent-file entries take their captions from the lists.
        if (e.name != "RecentROM1" && e.name != "RecentTable1") {
            EXPECT_FALSE(e.caption.empty());
        }
    }
}

// Each state group in turn: every entry's enabling rule runs, and an entry
// of a group that is off is never enabled; while busy none is.
TEST(CommandTable, EveryEnablingRuleRunsInEachStateGroup) {
    common::testing::ScriptedPort port;
    TarnwickModel app(port);
    const auto dir = std::filesystem::temp_directory_path() / ("tarnwick_groups_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    ASSERT_TRUE(app.pad.FormCreate(dir.string()));
    auto check = [&](const char* state) {
        app.pad.UpdateMenuItems();
        for (const MenuEntry& e : mainMenuMap()) {
            if (!isCommand(e)) continue;
            SCOPED_TRACE(std::string(state) + " " + std::string(e.name));
            const bool enabled = app.pad.commandEnabled(e.name);
            if (!app.pad.Menus.enabled(e.name)) {
                EXPECT_FALSE(enabled);
            }
        }
        app.pad.runBusy("busy", [&](const common::Progress&) {
            for (const MenuEntry& e : mainMenuMap()) {
                if (isCommand(e)) {
                    EXPECT_FALSE(app.pad.commandEnabled(e.name)) << e.name;
                }
            }
            return true;
        });
    };
    check("nothing open");
    const auto rom = (dir / "game.bin").string();
    std::ofstream(rom, std::ios::binary) << std::string(300, 'A');
    ASSERT_TRUE(app.pad.files.openPath(rom));
    check("file open");
    app.pad.nav().ReturnCount = 1;
    check("return offset");
    app.pad.tableState().DumpMarks.push_back("[00000000-00000004]x");
    check("dump list");
    app.pad.tableState().TablePaths[0] = (dir / "game.tbl").string();
    check("table slots");
    app.pad.view().SelectionAnchor = 0;
    app.pad.view().SelectionEnd = 10;
    check("selection");
    std::filesystem::remove_all(dir);
}

TEST(CommandTable, RefusesUnknownAndDuplicateNamesAndOrdersKeyHandlers) {
    CommandTable t;
    EXPECT_THROW(t.add("NoSuchEntry1Click", [] {}), std::logic_error);
    EXPECT_THROW(t.add("File1", [] {}), std::logic_error);  // a menu, not a command
    int runs = 0;
    bool allowed = false;
    t.add("Open1Click", [&] { ++runs; }, [&] { return allowed; });
    EXPECT_THROW(t.add("Open1Click", [] {}), std::logic_error);
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
