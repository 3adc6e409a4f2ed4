#pragma once
// Start-up of Tarnwick32: the model and every window, created once in the
// program's order, then a file named on the command line is opened as if it
// had been chosen in the open dialog.

#include <QStringList>
#include <memory>

#include "common/ui/QtPort.h"
#include "hexedit/app/TarnwickModel.h"

namespace hexedit {

class TDataPad;
class TAboutBox;
namespace romtools {
class RomToolWindows;
}
class TColForm;
namespace ui {
class SettingsWiring;
}
namespace transfer {
class TAppIns;
}
namespace search {
class SearchWindows;
class NavigationWindows;
class ValueInspectorDock;
}
namespace tiles {
class TTileForm;
}
namespace tableedit {
class TTMForm;
}
namespace transfer {
class TCompForm;
class TScriptForms;
class TDumpForm;
}

class Tarnwick {
public:
    Tarnwick();
    ~Tarnwick();

    // Shows the main window and opens the first argument, if any.
    void start(const QStringList& arguments);

    common::QtPort port;
    TarnwickModel app{port};
    DataPad& model = app.pad;
    std::unique_ptr<TDataPad> mainWindow;
    std::unique_ptr<transfer::TAppIns> appIns;
    std::unique_ptr<TAboutBox> aboutBox;
    std::unique_ptr<romtools::RomToolWindows> romWindows;  // TExpander, TSnes2Hex
    std::unique_ptr<search::SearchWindows> searchWindows;  // TOptsForm, TListForm
    std::unique_ptr<search::NavigationWindows> navigationWindows;  // TJumpForm, TJMPForm, TRelForm, TStringLen
    std::unique_ptr<search::ValueInspectorDock> inspectorDock;
    std::unique_ptr<transfer::TDumpForm> dumpForm;
    std::unique_ptr<tiles::TTileForm> tileForm;
    std::unique_ptr<TColForm> colForm;
    std::unique_ptr<tableedit::TTMForm> tableEditor;
    std::unique_ptr<transfer::TCompForm> compForm;
    std::unique_ptr<transfer::TScriptForms> scriptForms;
};

}  // namespace hexedit
