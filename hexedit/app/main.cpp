#include <QApplication>

#include "hexedit/app/Startup.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Hex and Tile Editor For Windows"));
    hexedit::Tarnwick tarnwick;
    tarnwick.start(QApplication::arguments().mid(1));
    return app.exec();
}
