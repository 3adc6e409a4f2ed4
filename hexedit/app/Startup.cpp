#include "hexedit/app/Startup.h"

#include <QCoreApplication>
#include <cstdlib>

#include "common/fileio.h"

#include "hexedit/app/ui/TAboutBox.h"
#include "hexedit/core/ui/SettingsWiring.h"
#include "hexedit/core/ui/TColForm.h"
#include "hexedit/core/ui/TDataPad.h"
#include "hexedit/romtools/ui/RomToolWindows.h"
#include "hexedit/search/ui/NavigationWindows.h"
#include "hexedit/search/ui/SearchWindows.h"
#include "hexedit/search/ui/ValueInspectorDock.h"
#include "hexedit/transfer/ui/InsertStartDialog.h"
#include "hexedit/transfer/ui/TAppIns.h"
#include "hexedit/transfer/ui/TDumpForm.h"
#include "hexedit/tiles/ui/TTileForm.h"
#include "hexedit/tableedit/ui/TTMForm.h"
#include "hexedit/transfer/ui/TCompForm.h"
#include "hexedit/transfer/ui/TScriptForms.h"

namespace hexedit {

Tarnwick::Tarnwick() {
    mainWindow = std::make_unique<TDataPad>(model);
    port.setParent(mainWindow.get());
    mainWindow->setWindowIcon(programIcon());
    new ui::SettingsWiring(*mainWindow, app.settings);
    appIns = std::make_unique<transfer::TAppIns>(app.inserter, mainWindow.get());
    aboutBox = std::make_unique<TAboutBox>(mainWindow.get());
    app.aboutBox = aboutBox.get();
    romWindows = std::make_unique<romtools::RomToolWindows>(*mainWindow, app.rom);
    searchWindows = std::make_unique<search::SearchWindows>(*mainWindow, app.search);
    navigationWindows = std::make_unique<search::NavigationWindows>(*mainWindow, app.navigation);
    inspectorDock = std::make_unique<search::ValueInspectorDock>(app.inspector, *mainWindow);
    colForm = std::make_unique<TColForm>(app.settings, mainWindow.get());
    dumpForm = std::make_unique<transfer::TDumpForm>(app.dump, mainWindow.get());
    app.byteFill.setView(dumpForm.get());
    new transfer::InsertStartDialog(app.binaryInsert, *dumpForm);
    tableEditor = std::make_unique<tableedit::TTMForm>(app.tableEditor, mainWindow.get());
    tileForm = std::make_unique<tiles::TTileForm>(app.tiles, mainWindow.get());
    compForm = std::make_unique<transfer::TCompForm>(app.compare, mainWindow.get());
    scriptForms = std::make_unique<transfer::TScriptForms>(app.script, mainWindow.get());
    auto env = [](const char* name) {
        const char* v = std::getenv(name);
        return std::string(v ? v : "");
    };
    app.settings.start(common::currentFolder(), env("XDG_CONFIG_HOME"), env("HOME"),
                       QCoreApplication::applicationDirPath().toStdString());
}

Tarnwick::~Tarnwick() = default;

void Tarnwick::start(const QStringList& arguments) {
    mainWindow->show();
    if (!arguments.isEmpty() && !arguments.first().isEmpty()) model.files.openPath(arguments.first().toStdString());
}

}  // namespace hexedit
