#pragma once
// The layout of the main window's menus: where each entry stands, its kind,
// its handler name, whether it starts hidden or checked. A command's
// caption, keys, hint and rules are in its record in the command table,
// declared by the subsystem that handles it; a menu that holds entries has
// its caption and hint here. The form builds its menus from this map, and
// each subsystem finds its commands in the form by handler name.

#include <span>
#include <string_view>

namespace hexedit {

enum class EntryKind { Menu, Command, Check, Radio, Separator };

struct MenuEntry {
    std::string_view parent;  // name of the menu holding the entry: "" = the menu bar
    EntryKind kind;
    std::string_view name;          // handler of a command ("Open1Click"); name of a menu ("File1")
    std::string_view caption = {};  // of a menu
    std::string_view hint = {};     // of a menu below the menu bar
    bool checked = false;           // initial check mark of Check and Radio entries
    bool hidden = false;
    int tag = 0;
};

// The main menu bar and the pop-up menu, whose root is kPopupMenu.
inline constexpr std::string_view kPopupMenu = "PopUp1";
std::span<const MenuEntry> mainMenuMap();
const MenuEntry* findMenuEntry(std::string_view name);
// A command, check or radio entry (not a menu or separator).
bool isCommandEntry(const MenuEntry* e);

}  // namespace hexedit
