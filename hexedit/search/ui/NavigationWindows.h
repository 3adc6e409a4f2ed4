#pragma once
// The navigation windows of the main window, created once: the Goto window,
// the table's jump list, the relative jump settings and the string length.

#include <memory>

#include "hexedit/search/NavigationCommands.h"

namespace hexedit {
class TDataPad;
}

namespace hexedit::search {

class TJumpForm;
class TJMPForm;
class TRelForm;
class TStringLen;

class NavigationWindows {
public:
    NavigationWindows(TDataPad& mainWindow, NavigationCommands& commands);
    ~NavigationWindows();

    std::unique_ptr<TJumpForm> jumpForm;
    std::unique_ptr<TJMPForm> jmpForm;
    std::unique_ptr<TRelForm> relForm;
    std::unique_ptr<TStringLen> stringLen;
};

}  // namespace hexedit::search
