#pragma once
// The main window's menus as data: every entry with its caption, shortcut
// and handler name, which of them the editor state enables, and the flags
// UpdateMenuItems computes. The form builds its menus from this map, and
// each subsystem finds its commands in the form by handler name.

#include <span>
#include <string_view>

namespace hexedit {

enum class EntryKind { Menu, Command, Check, Radio, Separator };

struct MenuEntry {
    std::string_view parent;    // name of the menu holding the entry: "" = the menu bar
    EntryKind kind;
    std::string_view name;      // handler of a command ("Open1Click"); name of a menu ("File1")
    std::string_view caption;
    std::string_view shortcut;  // portable key text ("Ctrl+O"); empty = none
    bool checked = false;       // initial check mark of Check and Radio entries
    bool hidden = false;
    int tag = 0;
};

// The main menu bar and the pop-up menu, whose root is kPopupMenu.
inline constexpr std::string_view kPopupMenu = "PopUp1";
std::span<const MenuEntry> mainMenuMap();
const MenuEntry* findMenuEntry(std::string_view name);
// A second key beside an entry's own, where desktops keep the entry's key
// for themselves (Alt+Tab switches windows); empty for other entries.
std::string_view secondShortcut(std::string_view name);

// What enables an entry.
enum class MenuGroup { Always, FileOpen, ReturnOffset, DumpList, TableSlots };
MenuGroup menuGroupOf(std::string_view name);

struct MenuFlags {
    bool fileOpen = false;      // a file is open (CurrentPath not empty)
    bool returnOffset = false;  // ReturnCount is not 0
    bool dumpList = false;      // the table holds a dump bookmark
    bool tableSlots = false;    // Table #1 or Table #2 has a path
    bool enabled(MenuGroup g) const;
    bool enabled(std::string_view name) const { return enabled(menuGroupOf(name)); }
    bool operator==(const MenuFlags&) const = default;
};

}  // namespace hexedit
