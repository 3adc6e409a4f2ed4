#include "hexedit/search/ui/SearchWindows.h"

#include "hexedit/core/ui/TDataPad.h"
#include "hexedit/search/ui/TListForm.h"
#include "hexedit/search/ui/TOptsForm.h"

namespace hexedit::search {

SearchWindows::SearchWindows(TDataPad& mainWindow, SearchCommands& c) : commands(c) {
    optsForm = std::make_unique<TOptsForm>(commands.find, &mainWindow);
    listForm = std::make_unique<TListForm>(commands.list, &mainWindow);
}

SearchWindows::~SearchWindows() = default;

}  // namespace hexedit::search
