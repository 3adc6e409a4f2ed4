#include <QApplication>
#include <QMessageBox>
#include <memory>
#include <new>

#include "hexedit/app/Startup.h"
#include "common/ui/WindowRules.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Hex and Tile Editor For Windows"));
    common::WindowRules::install();
    std::unique_ptr<hexedit::Tarnwick> tarnwick;
    try {
        tarnwick = std::make_unique<hexedit::Tarnwick>();
    } catch (const std::bad_alloc&) {
        QMessageBox::critical(nullptr, QString(), QStringLiteral("Fatal Error: Error allocating main memory..."));
        return 1;
    }
    tarnwick->start(QApplication::arguments().mid(1));
    return app.exec();
}
