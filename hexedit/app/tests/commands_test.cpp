// The command table of the whole program: every menu entry has its handler,
// and the table's own rules.

#include <gtest/gtest.h>

#include <algorithm>
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
    EXPECT_FALSE(t.run("Exit1Click"));  // no handler

    std::vector<int> order;
    t.addKeyHandler([&](const KeyPress&) { order.push_back(1); return false; });
    t.addKeyHandler([&](const KeyPress& k) { order.push_back(2); return k.key == Key::F1; });
    t.addKeyHandler([&](const KeyPress&) { order.push_back(3); return true; });
    EXPECT_TRUE(t.previewKey({Key::F1}));
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

}  // namespace
}  // namespace hexedit
