#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Hex and Tile Editor For Windows"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Tarnwick for Windows"));
    window.show();
    return app.exec();
}
