#include <QtTest>

#include <QMessageBox>
#include <QPushButton>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextBrowser>

#include "common/screenfit.h"
#include "common/ui/HelpWindow.h"
#include "common/ui/QtPort.h"
#include "common/ui/WindowRules.h"

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

    void fitIntoArea_data() {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("fitted");
        const QRect area(0, 0, 1400, 1000);
        QTest::newRow("inside") << QRect(10, 20, 300, 200) << QRect(10, 20, 300, 200);
        QTest::newRow("past right and bottom") << QRect(311, 240, 1390, 960) << QRect(10, 40, 1390, 960);
        QTest::newRow("left and above") << QRect(-50, -10, 300, 200) << QRect(0, 0, 300, 200);
        QTest::newRow("larger than the area") << QRect(100, 100, 1600, 1200) << area;
    }
    void fitIntoArea() {
        QFETCH(QRect, frame);
        QFETCH(QRect, fitted);
        const common::Rect r = common::fitInto({frame.x(), frame.y(), frame.width(), frame.height()}, {0, 0, 1400, 1000});
        QCOMPARE(QRect(r.x, r.y, r.width, r.height), fitted);
    }

    // A window restored past the screen's edge opens fully on the screen.
    void windowsOpenOnScreen() {
        common::WindowRules::install();
        QWidget w;
        const QRect area = w.screen()->availableGeometry();
        w.resize(area.width() - 10, area.height() - 40);
        w.move(area.x() + 311, area.y() + 240);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(area.contains(w.frameGeometry()));
        // Larger than the screen: shrunk to it.
        QWidget big;
        big.resize(area.width() + 300, area.height() + 300);
        big.show();
        QVERIFY(QTest::qWaitForWindowExposed(&big));
        QVERIFY(area.contains(big.frameGeometry()));
    }

    // A box opens above the window that asked, also when that one stays on
    // top and the port's own window is hidden; Cancel is told apart.
    void boxesOpenAboveTheAskingWindow() {
        QWidget main;  // the port's window, hidden like the main window behind a tool
        common::QtPort port(&main);
        QWidget tool;
        tool.setWindowFlag(Qt::WindowStaysOnTopHint);
        tool.show();
        tool.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&tool));
        QCOMPARE(port.dialogParent(), &tool);

        QWidget* owner = nullptr;
        bool onTop = false;
        QStringList buttons;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            owner = box->parentWidget();
            onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            for (QAbstractButton* b : box->buttons()) buttons << b->text().remove('&');
            box->button(QMessageBox::Cancel)->click();
        });
        const common::Answer a = port.choose({"Save Table Data", "Save File", common::MsgIcon::Question,
                                              common::MsgButtons::YesNoCancel});
        QCOMPARE(a, common::Answer::Cancel);
        QCOMPARE(owner, &tool);
        QVERIFY(onTop);
        QCOMPARE(buttons.size(), 3);
    }

    // The guide in the program's own window: its headings as contents, a
    // search box, a button for the desktop's browser; a missing guide is
    // refused.
    void helpWindowShowsTheGuide() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("guide.html"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("<h1>Guide</h1><h2 id=\"road\">A job</h2><p>first</p><h2 id=\"tiles\">The <b>tile</b> editor</h2>"
                "<p>Palette cells</p>");
        f.close();
        common::HelpWindow help;
        QVERIFY(!help.showGuide(dir.filePath(QStringLiteral("missing.html"))));
        QVERIFY(help.showGuide(path));
        QCOMPARE(help.Contents->count(), 2);
        QCOMPARE(help.Contents->item(1)->text(), QStringLiteral("The tile editor"));
        QVERIFY(help.find(QStringLiteral("Palette")));
        QCOMPARE(help.Browser->textCursor().selectedText(), QStringLiteral("Palette"));
        QVERIFY(help.find(QStringLiteral("first")));  // from the top again
        QVERIFY(!help.find(QStringLiteral("nowhere")));
        QCOMPARE(help.SearchBox->accessibleName(), QStringLiteral("Search the guide"));
        QVERIFY(help.BrowserButton->isEnabled());
    }
};

QTEST_MAIN(QtPortTest)
#include "qtport_test.moc"
