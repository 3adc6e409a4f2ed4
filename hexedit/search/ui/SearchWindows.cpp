#include "hexedit/search/ui/SearchWindows.h"

#include "hexedit/core/ui/TDataPad.h"
#include "hexedit/search/ui/TListForm.h"
#include "hexedit/search/ui/TOptsForm.h"

namespace hexedit::search {

SearchWindows::SearchWindows(TDataPad& mainWindow) : commands(mainWindow.model) {
    optsForm = std::make_unique<TOptsForm>(commands.find, &mainWindow);
    listForm = std::make_unique<TListForm>(commands.list, &mainWindow);
    FindWindow& f = commands.find;
    mainWindow.connectCommand("TextSearch1Click", [&f] { f.TextSearch1Click(); });
    mainWindow.connectCommand("HexSearch1Click", [&f] { f.HexSearch1Click(); });
    mainWindow.connectCommand("KanaSearch1Click", [&f] { f.KanaSearch1Click(); });
    mainWindow.connectCommand("SearchAgain1Click", [&f] { f.SearchAgain1Click(); });
    mainWindow.connectCommand("RelativeSearch1Click", [&f] { f.RelativeSearch1Click(); });
}

SearchWindows::~SearchWindows() = default;

}  // namespace hexedit::search
