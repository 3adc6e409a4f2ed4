#include <QApplication>

#include "common/fileio.h"
#include "compress/ui/TcmForm.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VT2Comp"));
    // Output goes below the folder the program was started in.
    vt2comp::TcmForm form(common::currentFolder());
    form.show();
    return app.exec();
}
