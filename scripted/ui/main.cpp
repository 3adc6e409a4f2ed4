#include <QApplication>

#include "scripted/ScriptEditor.h"
#include "scripted/ui/TmyForm.h"
#include "common/ui/WindowRules.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(scripted::kAppTitle));
    common::WindowRules::install();
    app.setQuitOnLastWindowClosed(false);
    auto windows = scripted::ui::createWindows();
    QObject::connect(windows.main.get(), &scripted::ui::TmyForm::closed, &app, &QApplication::quit);
    windows.main->show();
    windows.main->sync();
    windows.main->placeSideWindows();
    return app.exec();
}
