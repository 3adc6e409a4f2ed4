#pragma once
// Navigation of the Search, Edit, Tools and Options menus: goto, jump list,
// bookmarks, return offsets, relative jump and string length, registered
// with the session's command table.

#include "hexedit/core/EditSession.h"
#include "hexedit/search/Goto.h"
#include "hexedit/search/RelativeJump.h"
#include "hexedit/search/StringLength.h"

namespace hexedit::search {

class NavigationCommands {
public:
    explicit NavigationCommands(EditSession& session)
        : gotoWindow(session), jumpList(session), relativeJump(session), stringLength(session) {
        CommandTable& c = session.commands();
        const EnableWhen when = session.when();
        c.add({.name = "GotoOffset1Click",
               .caption = "&Goto to Offset",
               .shortcut = "Ctrl+G",
               .hint = "Move the cursor to an offset",
               .enabled = when.fileOpen(),
               .run = [this] { gotoWindow.GotoOffset1Click(); }});
        c.add({.name = "JumpOffsetList1Click",
               .caption = "&Jump Offset List",
               .shortcut = "Ctrl+J",
               .hint = "Jump to a bookmark of the table",
               .enabled = when.tableSlot(),
               .run = [this] { gotoWindow.JumpOffsetList1Click(); }});
        c.add({.name = "SaveBookmark1Click",
               .caption = "Save &Bookmark",
               .shortcut = "Ctrl+B",
               .hint = "Add the cursor offset to the table as a bookmark",
               .enabled = when.tableSlot(),
               .run = [this] { gotoWindow.SaveBookmark1Click(); }});
        c.add({.name = "ReturntoLastOffset1Click",
               .caption = "Return to Last Offset",
               .shortcut = "Shift+F9",
               .hint = "Go back to the offset before the last relative jump",
               .enabled = when.returnOffsets(),
               .run = [this] { gotoWindow.ReturntoLastOffset1Click(); }});
        c.add({.name = "ViewJUMPList1Click",
               .caption = "View JUMP List",
               .shortcut = "Ctrl+W",
               .hint = "Show the list of the table's bookmarks",
               .run = [this] { jumpList.ViewJUMPList1Click(); }});
        c.add({.name = "RelativeJumpSettings1Click",
               .caption = "&Relative Jump Settings",
               .shortcut = "F8",
               .hint = "Set how pointers are followed",
               .run = [this] { relativeJump.RelativeJumpSettings1Click(); }});
        c.add({.name = "ExecuteRelativeJump1Click",
               .caption = "Execute &Relative Jump",
               .shortcut = "F9",
               .hint = "Follow the pointer at the cursor",
               .enabled = when.fileOpen(),
               .run = [this] { relativeJump.ExecuteRelativeJump1Click(); }});
        c.add({.name = "StringLengthCalculator1Click",
               .caption = "Str&ing Length Calculator",
               .shortcut = "F7",
               .hint = "Measure a string: press at the start and end, or once on a selection",
               .enabled = when.fileOpen(),
               .run = [this] { stringLength.StringLengthCalculator1Click(); }});
    }
    NavigationCommands(const NavigationCommands&) = delete;
    NavigationCommands& operator=(const NavigationCommands&) = delete;

    GotoWindow gotoWindow;
    JumpListWindow jumpList;
    RelativeJump relativeJump;
    StringLength stringLength;
};

}  // namespace hexedit::search
