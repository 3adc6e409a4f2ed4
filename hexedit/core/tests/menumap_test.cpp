#include <gtest/gtest.h>

#include <set>

#include "hexedit/core/MenuMap.h"

using namespace hexedit;

TEST(MenuMap, NamesAreUniqueParentsExistAndMenusHaveCaptionsAndHints) {
    std::set<std::string_view> names, menus{"", kPopupMenu};
    for (const auto& e : mainMenuMap()) {
        EXPECT_TRUE(menus.count(e.parent)) << e.name << " in unknown menu " << e.parent;
        if (e.kind == EntryKind::Separator) continue;
        EXPECT_TRUE(names.insert(e.name).second) << "duplicate " << e.name;
        EXPECT_EQ(findMenuEntry(e.name), &e);
        if (e.kind != EntryKind::Menu) continue;
        menus.insert(e.name);
        EXPECT_FALSE(e.caption.empty()) << e.name;
        // Every menu below the menu bar tells in the hint panel what it holds.
        EXPECT_EQ(e.hint.empty(), e.parent.empty()) << e.name;
        EXPECT_LE(e.hint.size(), 70u);
    }
    EXPECT_EQ(findMenuEntry("NoSuchEntry"), nullptr);
}
