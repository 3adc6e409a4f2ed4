#include <QtTest>

#include "common/ui/QtPort.h"

class QtPortTest : public QObject {
    Q_OBJECT
private slots:
    void filterConversion() {
        QCOMPARE(common::toQtFilter("Tbl files (*.tbl)|*.TBL"), QStringLiteral("Tbl files (*.TBL *.tbl)"));
        QCOMPARE(common::toQtFilter("SNES ROM | *.s*c; *.fig;"),
                 QStringLiteral("SNES ROM (*.s*c *.S*C *.fig *.FIG)"));
        // "*.*" also lists names without a dot.
        QCOMPARE(common::toQtFilter("All files (*.*)|*.*|Ips|*.ips"),
                 QStringLiteral("All files (*);;Ips (*.ips *.IPS)"));
        QCOMPARE(common::toQtFilter("All Files | *.*"), QStringLiteral("All Files (*)"));
    }
    void clipboardRoundTrip() {
        common::QtPort port;
        port.setClipboardText("41 42");
        QCOMPARE(QString::fromStdString(port.clipboardText()), QStringLiteral("41 42"));
    }
};

QTEST_MAIN(QtPortTest)
#include "qtport_test.moc"
