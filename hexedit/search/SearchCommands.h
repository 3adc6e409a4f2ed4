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
        const EnableWhen when = session.when();
        c.add({.name = "TextSearch1Click",
               .caption = "&Text Search",
               .shortcut = "Ctrl+F",
               .hint = "Find text through the table",
               .enabled = when.fileOpen(),
               .run = [this] { find.TextSearch1Click(); }});
        c.add({.name = "HexSearch1Click",
               .caption = "&Hex Search",
               .shortcut = "Ctrl+H",
               .hint = "Find hex bytes",
               .enabled = when.fileOpen(),
               .run = [this] { find.HexSearch1Click(); }});
        c.add({.name = "KanaSearch1Click",
               .caption = "&Kana Search",
               .shortcut = "Ctrl+K",
               .hint = "Find Japanese kana through the table",
               .enabled = when.fileOpen(),
               .run = [this] { find.KanaSearch1Click(); }});
        c.add({.name = "SearchAgain1Click",
               .caption = "Search Again",
               .shortcut = "F3",
               .hint = "Find the next match of the last search",
               .enabled = when.fileOpen(),
               .run = [this] { find.SearchAgain1Click(); }});
        c.add({.name = "RelativeSearch1Click",
               .caption = "&Relative Search",
               .shortcut = "Ctrl+R",
               .hint = "Find text by the differences between its letters",
               .enabled = when.fileOpen(),
               .run = [this] { find.RelativeSearch1Click(); }});
    }
    SearchCommands(const SearchCommands&) = delete;
    SearchCommands& operator=(const SearchCommands&) = delete;

    DataList list;
    FindWindow find;
};

}  // namespace hexedit::search
