#pragma once
// The editor states that enable menu entries, as rules for their records in
// the command table: the one place each state is tested.

#include "hexedit/core/CommandTable.h"
#include "hexedit/core/Document.h"
#include "hexedit/core/NavigationState.h"

namespace hexedit {

class EnableWhen {
public:
    EnableWhen(const Document& doc, const NavigationState& nav) : doc_(&doc), nav_(&nav) {}

    // A file is open; with `also`, that rule must hold too.
    CommandRule fileOpen(CommandRule also = {}) const {
        return [doc = doc_, also = std::move(also)] { return doc->editor().fileOpen() && (!also || also()); };
    }
    // A relative jump left an offset to return to.
    CommandRule returnOffsets() const {
        return [nav = nav_] { return nav->ReturnCount != 0; };
    }
    // The table holds a dump bookmark.
    CommandRule dumpBookmark() const {
        return [doc = doc_] { return doc->table().DumpMarkCount() > 0; };
    }
    // Table #1 or Table #2 has a path.
    CommandRule tableSlot() const {
        return [doc = doc_] { return !doc->table().TablePaths[0].empty() || !doc->table().TablePaths[1].empty(); };
    }

private:
    const Document* doc_;
    const NavigationState* nav_;
};

}  // namespace hexedit
