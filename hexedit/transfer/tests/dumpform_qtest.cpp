// The dump window on Qt: boxes and button, keys, and the modal dump list.

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

#include "common/fileio.h"
#include "common/testing/ModalGuard.h"
#include "common/testing/ScriptedPort.h"
#include "hexedit/app/Startup.h"
#include "hexedit/core/testing/TestSession.h"
#include "hexedit/core/ui/TDataPad.h"
#include "hexedit/search/ui/TListForm.h"
#include "hexedit/transfer/ui/TDumpForm.h"

using namespace hexedit;
using namespace hexedit::transfer;

namespace {

struct Env {
    common::testing::ScriptedPort port;
    hexedit::testing::TestSession session{port};
    search::DataList list{session};
    Dumper dump{session, list};
    QWidget main;
    TDumpForm form{dump, &main};
    search::TListForm listForm{list, &main};
    QTemporaryDir dir;

    Env() {
        session.tableData.buildAsciiTable();
        session.load(std::vector<uint8_t>{'H', 'e', 'r', 'o', 0x01}, "t.bin");
    }
    std::string read(const QString& name) {
        std::vector<uint8_t> out;
        common::readWholeFile(dir.filePath(name).toStdString(), out);
        return std::string(out.begin(), out.end());
    }
};

}  // namespace

class DumpFormTest : public QObject {
    Q_OBJECT
private slots:
    void boxesButtonAndKeys() {
        Env e;
        QCOMPARE(e.form.nameBox()->accessibleName(), QStringLiteral("Enter file name"));
        QCOMPARE(e.form.startBox()->accessibleName(), QStringLiteral("Start Offset"));
        QCOMPARE(e.form.endBox()->accessibleName(), QStringLiteral("Ending Offset"));
        QCOMPARE(e.form.button()->text(), QStringLiteral("Done"));

        e.session.moveCursorTo(1);
        e.dump.DumpText1Click();
        QVERIFY(e.form.isVisible());
        QCOMPARE(e.form.windowTitle(), QStringLiteral("Dump Text Data [Press F10 to Dump]"));
        QCOMPARE(e.form.startBox()->text(), QStringLiteral("00000001"));
        QVERIFY(!e.form.button()->isEnabled());
        QTest::keyClicks(e.form.endBox(), "3g-z");  // hex digits only
        QCOMPARE(e.form.endBox()->text(), QStringLiteral("3"));
        e.form.endBox()->clear();
        QTest::keyClicks(e.form.endBox(), "0a");
        QCOMPARE(QString::fromStdString(e.dump.EndOfs), QStringLiteral("0A"));
        e.form.endBox()->setText(QStringLiteral("3"));
        QTest::keyClicks(e.form.nameBox(), e.dir.filePath(QStringLiteral("t.txt")));
        QVERIFY(e.form.button()->isEnabled());
        if (!qEnvironmentVariableIsEmpty("TOOLSET_SHOTS"))
            e.form.grab().save(qEnvironmentVariable("TOOLSET_SHOTS") + QStringLiteral("/dumpform.png"));

        QTest::keyClick(e.form.nameBox(), Qt::Key_Return);  // Enter in the name box: the button
        e.port.expectMessage("Data was dumped to the text file...", "Text Dumping...", common::MsgIcon::Exclamation);
        QCOMPARE(e.read(QStringLiteral("t.txt")), std::string("ero"));
        QVERIFY(!e.form.isVisible());
        QCOMPARE(e.form.button()->text(), QStringLiteral("Dump Data"));

        e.dump.SaveDumpBookmark1Click();
        QCOMPARE(e.form.button()->text(), QStringLiteral("Save Data"));
        QTest::keyClicks(e.form.nameBox(), "x");
        QTest::keyClick(e.form.startBox(), Qt::Key_Escape);  // Escape in a box empties all three
        QVERIFY(!e.form.isVisible());
        QCOMPARE(e.dump.DumpState, int(Idle));
        QVERIFY(e.form.nameBox()->text().isEmpty() && e.form.startBox()->text().isEmpty());

        e.dump.DumpBinaryData1Click();
        e.form.close();  // the title bar
        QCOMPARE(e.dump.DumpState, int(Idle));
    }

    void mainWindowKeysOpenTheDumpWindow() {
        QTemporaryDir dir;
        const std::string rom = dir.filePath("game.smc").toStdString();
        std::ofstream(rom, std::ios::binary) << std::string(300, '\x41');
        std::ofstream(dir.filePath("game.tbl").toStdString(), std::ios::binary) << "41=a\n";
        Tarnwick app;
        app.start({QString::fromStdString(rom)});
        app.mainWindow->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app.mainWindow.get()));
        QTest::keyClick(app.mainWindow.get(), Qt::Key_F10);
        QCOMPARE(app.app.dump.DumpState, int(TextPending));
        QVERIFY(app.dumpForm->isVisible());
        QCOMPARE(app.dumpForm->windowTitle(), QStringLiteral("Dump Text Data [Press F10 to Dump]"));
        QTest::keyClick(app.dumpForm->startBox(), Qt::Key_Escape);
        QVERIFY(!app.dumpForm->isVisible());
        app.mainWindow->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app.mainWindow.get()));
        QTest::keyClick(app.mainWindow.get(), Qt::Key_F2);
        QCOMPARE(app.dumpForm->button()->text(), QStringLiteral("Save Data"));
    }

    void dumpListIsModal() {
        Env e;
        e.session.tableData.DumpMarks = {"[00000000-00000001]" + e.dir.filePath(QStringLiteral("a")).toStdString(),
                                         "[00000002-00000003]" + e.dir.filePath(QStringLiteral("b")).toStdString()};
        bool shown = false;
        common::testing::whenModal([&] {
            shown = QApplication::activeModalWidget() == &e.listForm;
            QCOMPARE(e.listForm.windowTitle(), QStringLiteral("BINARY Dump List: 2 dump label(s)"));
            QCOMPARE(e.listForm.listBox()->selectionMode(), QAbstractItemView::ExtendedSelection);
            e.listForm.listBox()->selectAll();
            QTest::keyClick(e.listForm.listBox(), Qt::Key_Return);
        });
        e.dump.BinaryDump1Click();
        QVERIFY(shown);
        QVERIFY(!e.listForm.isVisible());
        e.port.expectMessage("Data was dumped to the binary file...", "Binary Dumping...", common::MsgIcon::Exclamation);
        QCOMPARE(e.read(QStringLiteral("a.dat")), std::string("He"));
        QCOMPARE(e.read(QStringLiteral("b.dat")), std::string("ro"));
        QCOMPARE(e.listForm.listBox()->selectionMode(), QAbstractItemView::SingleSelection);
    }
};

QTEST_MAIN(DumpFormTest)
#include "dumpform_qtest.moc"
