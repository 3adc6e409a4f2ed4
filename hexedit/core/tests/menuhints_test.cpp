#include <gtest/gtest.h>

#include "hexedit/core/MenuHints.h"
#include "hexedit/core/MenuMap.h"

using namespace hexedit;

// Every entry below the menu bar tells in the hint panel what it does.
TEST(MenuHints, EveryCommandAndSubmenuHasAShortHint) {
    for (const MenuEntry& e : mainMenuMap()) {
        if (e.kind == EntryKind::Separator || e.parent.empty()) continue;
        SCOPED_TRACE(std::string(e.name));
        const std::string_view hint = menuHint(e.name);
        EXPECT_FALSE(hint.empty());
        EXPECT_LE(hint.size(), 70u);
    }
    EXPECT_TRUE(menuHint("File1").empty());
    EXPECT_TRUE(menuHint("NoSuchEntry").empty());
}
