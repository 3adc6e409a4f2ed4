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
        c.add("GotoOffset1Click", [this] { gotoWindow.GotoOffset1Click(); });
        c.add("JumpOffsetList1Click", [this] { gotoWindow.JumpOffsetList1Click(); });
        c.add("SaveBookmark1Click", [this] { gotoWindow.SaveBookmark1Click(); });
        c.add("ReturntoLastOffset1Click", [this] { gotoWindow.ReturntoLastOffset1Click(); },
              [this] { return gotoWindow.returnEnabled(); });
        c.add("ViewJUMPList1Click", [this] { jumpList.ViewJUMPList1Click(); });
        c.add("RelativeJumpSettings1Click", [this] { relativeJump.RelativeJumpSettings1Click(); });
        c.add("ExecuteRelativeJump1Click", [this] { relativeJump.ExecuteRelativeJump1Click(); });
        c.add("StringLengthCalculator1Click", [this] { stringLength.StringLengthCalculator1Click(); });
    }
    NavigationCommands(const NavigationCommands&) = delete;
    NavigationCommands& operator=(const NavigationCommands&) = delete;

    GotoWindow gotoWindow;
    JumpListWindow jumpList;
    RelativeJump relativeJump;
    StringLength stringLength;
};

}  // namespace hexedit::search
