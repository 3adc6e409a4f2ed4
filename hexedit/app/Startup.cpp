#include "hexedit/app/Startup.h"

#include "hexedit/app/ui/TAboutBox.h"
#include "hexedit/core/ui/TDataPad.h"
#include "hexedit/romtools/ui/RomToolWindows.h"
#include "hexedit/search/ui/NavigationWindows.h"
#include "hexedit/search/ui/SearchWindows.h"
#include "hexedit/transfer/ui/TDumpForm.h"
#include "hexedit/tiles/ui/TTileForm.h"
#include "hexedit/tableedit/ui/TTMForm.h"
#include "hexedit/transfer/ui/TCompForm.h"

namespace hexedit {

Tarnwick::Tarnwick() {
    mainWindow = std::make_unique<TDataPad>(model);
    port.setParent(mainWindow.get());
    mainWindow->setWindowIcon(programIcon());
    aboutBox = std::make_unique<TAboutBox>(mainWindow.get());
    app.aboutBox = aboutBox.get();
    romWindows = std::make_unique<romtools::RomToolWindows>(*mainWindow, app.rom);
    searchWindows = std::make_unique<search::SearchWindows>(*mainWindow, app.search);
    navigationWindows = std::make_unique<search::NavigationWindows>(*mainWindow, app.navigation);
    dumpForm = std::make_unique<transfer::TDumpForm>(app.dump, mainWindow.get());
    tableEditor = std::make_unique<tableedit::TTMForm>(app.tableEditor, mainWindow.get());
    tileForm = std::make_unique<tiles::TTileForm>(app.tiles, mainWindow.get());
    compForm = std::make_unique<transfer::TCompForm>(app.compare, mainWindow.get());
}

Tarnwick::~Tarnwick() = default;

void Tarnwick::start(const QStringList& arguments) {
    mainWindow->show();
    if (!arguments.isEmpty() && !arguments.first().isEmpty()) model.openPath(arguments.first().toStdString());
}

}  // namespace hexedit
