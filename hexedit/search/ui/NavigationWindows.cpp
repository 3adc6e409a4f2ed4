#include "hexedit/search/ui/NavigationWindows.h"

#include "hexedit/core/ui/TDataPad.h"
#include "hexedit/search/ui/TJMPForm.h"
#include "hexedit/search/ui/TJumpForm.h"
#include "hexedit/search/ui/TRelForm.h"
#include "hexedit/search/ui/TStringLen.h"

namespace hexedit::search {

NavigationWindows::NavigationWindows(TDataPad& mainWindow, NavigationCommands& c) {
    jumpForm = std::make_unique<TJumpForm>(c.gotoWindow, &mainWindow);
    jmpForm = std::make_unique<TJMPForm>(c.jumpList, &mainWindow);
    relForm = std::make_unique<TRelForm>(c.relativeJump, &mainWindow);
    stringLen = std::make_unique<TStringLen>(c.stringLength, &mainWindow);
}

NavigationWindows::~NavigationWindows() = default;

}  // namespace hexedit::search
