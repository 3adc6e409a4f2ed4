#include <QApplication>

#include "common/fileio.h"
#include "compress/ui/TcmForm.h"
#include "common/ui/WindowRules.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VT2Comp"));
    common::WindowRules::install();
    // Output goes below the folder the program was started in.
    vt2comp::TcmForm form(common::currentFolder());
    form.show();
    return app.exec();
}
