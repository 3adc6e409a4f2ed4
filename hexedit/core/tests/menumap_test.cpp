#include <gtest/gtest.h>

#include <set>

#include "hexedit/core/MenuMap.h"

using namespace hexedit;

TEST(MenuMap, NamesAreUniqueAndParentsExist) {
    std::set<std::string_view> names, menus{"", kPopupMenu}, shortcuts;
    for (const auto& e : mainMenuMap()) {
        EXPECT_TRUE(menus.count(e.parent)) << e.name << " in unknown menu " << e.parent;
        if (e.kind == EntryKind::Separator) continue;
        EXPECT_TRUE(names.insert(e.name).second) << "duplicate " << e.name;
        if (e.kind == EntryKind::Menu) menus.insert(e.name);
        if (!e.shortcut.empty()) {
            EXPECT_TRUE(shortcuts.insert(e.shortcut).second) << "duplicate key " << e.shortcut;
        }
    }
    // Every name the enabling rules use is an entry of the map.
    for (std::string_view n : {"BYTEFill1Click", "PastetoCurrentLocation1", "ExecuteExternalProgram1Click",
                               "ReturntoLastOffset1Click", "DumpFromList1", "SwapTableFiles1",
                               "SaveDumpBookmark1Click", "JumpOffsetList1Click", "SaveBookmark1Click"})
        EXPECT_NE(findMenuEntry(n), nullptr) << n;
}

TEST(MenuMap, EnablingGroups) {
    int fileOpen = 0, tableSlots = 0;
    for (const auto& e : mainMenuMap()) {
        if (e.kind == EntryKind::Separator) continue;
        if (menuGroupOf(e.name) == MenuGroup::FileOpen) ++fileOpen;
        if (menuGroupOf(e.name) == MenuGroup::TableSlots) ++tableSlots;
    }
    EXPECT_EQ(fileOpen, 29);  // with the two script commands
    EXPECT_EQ(tableSlots, 4);
    EXPECT_EQ(menuGroupOf("Open1Click"), MenuGroup::Always);
    EXPECT_EQ(menuGroupOf("ReturntoLastOffset1Click"), MenuGroup::ReturnOffset);
    EXPECT_EQ(menuGroupOf("DumpFromList1"), MenuGroup::DumpList);

    MenuFlags f;
    EXPECT_TRUE(f.enabled("Open1Click"));
    EXPECT_FALSE(f.enabled("SaveFile1Click"));
    f.fileOpen = true;
    EXPECT_TRUE(f.enabled("SaveFile1Click"));
    EXPECT_FALSE(f.enabled("SwapTableFiles1"));
    f.tableSlots = true;
    EXPECT_TRUE(f.enabled("SwapTableFiles1"));
    EXPECT_FALSE(f.enabled("DumpFromList1"));
    EXPECT_FALSE(f.enabled("ReturntoLastOffset1Click"));
}
