#pragma once
// The search subsystem on the main window's model: the Data List and the
// Find window working on the DataPad's file, table and view.

#include "hexedit/core/DataPad.h"
#include "hexedit/search/DataList.h"
#include "hexedit/search/FindWindow.h"
#include "hexedit/search/SearchHost.h"

namespace hexedit::search {

class SearchCommands : public SearchHost {
public:
    explicit SearchCommands(DataPad& pad)
        : pad_(pad),
          list(pad.editor, pad.table, pad.view, pad.port(), *this),
          find(pad.editor, pad.table, pad.view, pad.port(), list, *this) {}
    SearchCommands(const SearchCommands&) = delete;
    SearchCommands& operator=(const SearchCommands&) = delete;

    void repaintView() override { pad_.notifyRepaint(); }

private:
    DataPad& pad_;

public:
    DataList list;
    FindWindow find;
};

}  // namespace hexedit::search
