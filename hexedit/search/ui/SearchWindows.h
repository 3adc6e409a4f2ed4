#pragma once
// The search windows of the main window: the Find window and the Data List,
// created once, and the Search menu commands connected to them.

#include <memory>

#include "hexedit/search/SearchCommands.h"

namespace hexedit {
class TDataPad;
}

namespace hexedit::search {

class TOptsForm;
class TListForm;

class SearchWindows {
public:
    SearchWindows(TDataPad& mainWindow, SearchCommands& commands);
    ~SearchWindows();

    SearchCommands& commands;
    std::unique_ptr<TOptsForm> optsForm;
    std::unique_ptr<TListForm> listForm;
};

}  // namespace hexedit::search
