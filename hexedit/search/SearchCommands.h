#pragma once
// The search subsystem: the Data List and the Find window on the editing
// session, and the Search menu's commands registered with it.

#include "hexedit/core/EditSession.h"
#include "hexedit/search/DataList.h"
#include "hexedit/search/FindWindow.h"

namespace hexedit::search {

class SearchCommands {
public:
    explicit SearchCommands(EditSession& session) : list(session), find(session, list) {
        CommandTable& c = session.commands();
        c.add("TextSearch1Click", [this] { find.TextSearch1Click(); });
        c.add("HexSearch1Click", [this] { find.HexSearch1Click(); });
        c.add("KanaSearch1Click", [this] { find.KanaSearch1Click(); });
        c.add("SearchAgain1Click", [this] { find.SearchAgain1Click(); });
        c.add("RelativeSearch1Click", [this] { find.RelativeSearch1Click(); });
    }
    SearchCommands(const SearchCommands&) = delete;
    SearchCommands& operator=(const SearchCommands&) = delete;

    DataList list;
    FindWindow find;
};

}  // namespace hexedit::search
