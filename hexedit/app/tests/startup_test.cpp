#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

#include "common/testing/ModalGuard.h"
#include "hexedit/app/Startup.h"
#include "hexedit/app/ui/TAboutBox.h"
#include "hexedit/core/ui/TDataPad.h"
#include "hexedit/search/ui/NavigationWindows.h"
#include "hexedit/search/ui/TJumpForm.h"
#include "hexedit/tableedit/ui/TTMForm.h"
#include "hexedit/tiles/ui/TTileForm.h"

using namespace hexedit;

class StartupTest : public QObject {
    Q_OBJECT

    QTemporaryDir config_;

private slots:
    // The settings and recent files go to a folder of the test's own.
    void initTestCase() { qputenv("XDG_CONFIG_HOME", config_.path().toUtf8()); }

    void commandLineFileIsOpenedWithItsTable() {
        QTemporaryDir dir;
        const std::string rom = dir.filePath("game.smc").toStdString();
        std::ofstream(rom, std::ios::binary) << std::string(300, '\x41');
        std::ofstream(dir.filePath("game.tbl").toStdString(), std::ios::binary) << "41=a\n";

        Tarnwick app;
        QVERIFY(app.model.editor().EditorReady);
        app.start({QString::fromStdString(rom)});
        QVERIFY(app.mainWindow->isVisible());
        QCOMPARE(app.mainWindow->windowTitle(), QStringLiteral("Tarnwick for Windows - \"game.smc\"[*]"));
        QCOMPARE(app.model.editor().FileSize, 300);
        QCOMPARE(app.model.table().ByteTable[0x41], std::optional<std::string>("a"));
        QCOMPARE(app.mainWindow->command("tblv1Click")->text(), QStringLiteral("game.tbl"));
        // Centred on the screen.
        const QPoint screenCentre = app.mainWindow->screen()->availableGeometry().center();
        QVERIFY((app.mainWindow->geometry().center() - screenCentre).manhattanLength() < 40);
    }

    void withoutArgumentsNothingIsOpen() {
        Tarnwick app;
        app.start({});
        QCOMPARE(app.mainWindow->windowTitle(), QStringLiteral("Tarnwick for Windows[*]"));
        QVERIFY(!app.model.editor().fileOpen());
    }

    // From the tile window: Goto puts the view's top on the offset typed,
    // and the table editor opens beside it without blocking, the main window
    // staying hidden; closing the tile window closes it too.
    void tileEditorGotoAndTableEditor() {
        QTemporaryDir dir;
        const std::string rom = dir.filePath("game.smc").toStdString();
        const std::string table = dir.filePath("game.tbl").toStdString();
        std::ofstream(rom, std::ios::binary) << std::string(0x20000, '\x41');
        std::ofstream(table, std::ios::binary) << "41=a\n";
        Tarnwick app;
        app.start({QString::fromStdString(rom)});
        auto action = [&](const QString& caption) -> QAction* {
            for (QAction* a : app.tileForm->actions)
                if (a && a->text() == caption) return a;
            return nullptr;
        };
        bool ran = false;
        common::testing::whenModal([&] {
            QVERIFY(app.tileForm->isVisible());
            common::testing::whenModal([&] {
                QTest::keyClicks(app.navigationWindows->jumpForm->textBox(), "3005");
                QTest::keyClick(app.navigationWindows->jumpForm->textBox(), Qt::Key_Return);
            });
            action("&Goto Offset")->trigger();
            QCOMPARE(app.app.tiles.TopOffset, 0x3005);
            QCOMPARE(app.tileForm->panels[2]->text(), QStringLiteral("Position: 00003005"));

            action("&Table Editor ")->trigger();
            QVERIFY(app.tableEditor->isVisible());
            QVERIFY(QApplication::activeModalWidget() == app.tileForm.get());
            QVERIFY(!app.mainWindow->isVisible());
            QCOMPARE(app.app.tableEditor.TableEditorFile, table);
            QTest::keyClick(app.tileForm.get(), Qt::Key_Escape);
            ran = true;
        });
        app.mainWindow->command("TileEditor1Click")->trigger();
        QVERIFY(ran);
        QVERIFY(!app.tableEditor->isVisible());
        QVERIFY(app.mainWindow->isVisible());
        QCOMPARE(app.model.view().CursorOffset, 0x3005);

        // The maker from the tile window keeps the file edited last.
        common::testing::whenModal([&] {
            action("Table &Maker")->trigger();
            QVERIFY(app.tableEditor->isVisible());
            QVERIFY(app.app.tableEditor.lines().empty());
            QCOMPARE(app.app.tableEditor.TableEditorFile, table);
            QTest::keyClick(app.tileForm.get(), Qt::Key_Escape);
        });
        app.mainWindow->command("TileEditor1Click")->trigger();
        QVERIFY(!app.tableEditor->isVisible());
    }

    void aboutBox() {
        Tarnwick app;
        TAboutBox& box = *app.aboutBox;
        QCOMPARE(box.windowTitle(), QStringLiteral("About Tarnwick for Windows"));
        QStringList texts;
        for (auto* l : box.findChildren<QLabel*>()) texts << l->text();
        QVERIFY(texts.contains("Tarnwick for Windows"));
        QVERIFY(texts.contains("Version: 2006.8.7"));
        QVERIFY(texts.contains("Windows Hex Editor"));
        QCOMPARE(box.OKButton->text(), QStringLiteral("OK"));
        QVERIFY(box.OKButton->isDefault());

        // "&About Tarnwick for Win32" shows it modally; OK and Escape close it.
        common::testing::whenModal([&] {
            QVERIFY(box.isVisible() && box.isModal());
            QTest::keyClick(&box, Qt::Key_A);
            QVERIFY(box.isVisible());
            box.OKButton->click();
        });
        app.mainWindow->command("About1Click")->trigger();
        QVERIFY(!box.isVisible());
        common::testing::whenModal([&] { QTest::keyClick(&box, Qt::Key_Escape); });
        app.mainWindow->command("About1Click")->trigger();
        QVERIFY(!box.isVisible());
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Hex and Tile Editor For Windows"));
    StartupTest t;
    return QTest::qExec(&t, argc, argv);
}
#include "startup_test.moc"
