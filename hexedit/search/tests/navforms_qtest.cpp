// The navigation windows on Qt: the Goto window's key rules, Escape and
// Enter; the settings and string length windows; the value inspector's
// panel in the main window; accessible names.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "common/testing/ModalGuard.h"
#include "common/fileio.h"
#include "common/testing/ScriptedPort.h"
#include "hexedit/app/TarnwickModel.h"
#include "hexedit/core/ui/TDataPad.h"
#include "hexedit/core/testing/TestSession.h"
#include "hexedit/search/NavigationCommands.h"
#include "hexedit/search/ui/TJMPForm.h"
#include "hexedit/search/ui/TJumpForm.h"
#include "hexedit/search/ui/TRelForm.h"
#include "hexedit/search/ui/TStringLen.h"
#include "hexedit/search/ui/ValueInspectorDock.h"

using namespace hexedit;
using namespace hexedit::search;

namespace {

struct Env {
    common::testing::ScriptedPort port;
    hexedit::testing::TestSession session{port};
    NavigationCommands nav{session};
    TJumpForm jump{nav.gotoWindow};
    TJMPForm jmp{nav.jumpList};
    TRelForm rel{nav.relativeJump};
    TStringLen len{nav.stringLength};

    Env() {
        session.load(std::vector<uint8_t>(0x20000, 0));
        session.tableData.BookmarkList = {"Intro->[1234]", "Shop->[8000]"};
        session.tableData.TablePaths[0] = "game.tbl";  // the bookmark entries want a table slot
    }
    int32_t cursor() const { return session.viewState.CursorOffset; }
};

}  // namespace

class NavFormsTest : public QObject {
    Q_OBJECT
private slots:
    void gotoTypesHexOrDecimalAndEscapeCancels() {
        Env e;
        common::testing::whenModal([&] {
            QCOMPARE(e.jump.windowTitle(), QStringLiteral("Goto Offset"));
            QCOMPARE(e.jump.positionGroup()->title(), QStringLiteral(" File Position "));
            QVERIFY(!e.jump.jumpList()->isEnabled());
            QVERIFY(e.jump.addressButton(pcOFFSET)->isChecked());
            QTest::keyClicks(e.jump.textBox(), "1a-g!2");
            QCOMPARE(e.jump.textBox()->text(), QStringLiteral("1A2"));
            QTest::keyClick(e.jump.textBox(), Qt::Key_Escape);
        });
        e.session.commands().run("GotoOffset1Click");
        QCOMPARE(e.cursor(), 0);

        common::testing::whenModal([&] {
            e.jump.decimalBox()->click();
            QVERIFY(!e.jump.hexBox()->isChecked());
            QTest::keyClicks(e.jump.textBox(), "1F00");
            QCOMPARE(e.jump.textBox()->text(), QStringLiteral("100"));
            QTest::keyClick(e.jump.textBox(), Qt::Key_Return);
        });
        e.session.commands().run("GotoOffset1Click");
        QCOMPARE(e.cursor(), 0x64);
    }

    void jumpListAndBookmarkControls() {
        Env e;
        common::testing::whenModal([&] {
            QCOMPARE(e.jump.windowTitle(), QStringLiteral("Jump List Offset"));
            QVERIFY(!e.jump.textBox()->isEnabled());
            QVERIFY(!e.jump.decimalBox()->isEnabled());
            QCOMPARE(e.jump.jumpList()->count(), 2);
            QTest::keyClicks(e.jump.jumpList(), "S");  // typed letters do not choose
            QCOMPARE(e.jump.jumpList()->currentIndex(), -1);  // nothing chosen yet
            e.jump.jumpList()->setCurrentIndex(1);
            QTest::keyClick(e.jump.jumpList(), Qt::Key_Return);
        });
        e.session.commands().run("JumpOffsetList1Click");
        QCOMPARE(e.cursor(), 0x8000);

        e.session.tableFile("");
        e.session.moveCursorTo(0x1A2B);
        common::testing::whenModal([&] {
            QCOMPARE(e.jump.windowTitle(), QStringLiteral("Bookmark"));
            QCOMPARE(e.jump.positionGroup()->title(), QStringLiteral(" Save Bookmark "));
            QTest::keyClicks(e.jump.textBox(), "Boss room: the long name");
            QCOMPARE(e.jump.textBox()->text(), QStringLiteral("Boss room: the long "));
            e.jump.findChild<QPushButton*>(QStringLiteral("jbut"))->click();
        });
        e.session.commands().run("SaveBookmark1Click");
        QCOMPARE(e.session.tableFileText(), std::string("(1A2Bh)Boss room: the long \r\n"));
    }

    void jumpListWindow() {
        Env e;
        e.session.commands().run("ViewJUMPList1Click");
        QCOMPARE(e.jmp.windowTitle(), QStringLiteral("Table File JUMP List..."));
        QCOMPARE(e.jmp.list()->count(), 2);
        QTest::keyClick(e.jmp.list(), Qt::Key_Return);
        QCOMPARE(e.cursor(), 0x1234);
        QVERIFY(e.jmp.isVisible());
        QTest::keyClick(e.jmp.list(), Qt::Key_Escape);
        QVERIFY(!e.jmp.isVisible());
        QCOMPARE(e.jmp.list()->count(), 0);
    }

    void relativeSettingsAndStringLength() {
        Env e;
        e.session.commands().run("RelativeJumpSettings1Click");
        QCOMPARE(e.rel.windowTitle(), QStringLiteral("Relative Jump Settings..."));
        QVERIFY(e.rel.sizeButton(0)->isChecked());
        QVERIFY(e.rel.signButton(0)->isChecked());
        QVERIFY(e.rel.mappingButton(NormalValue)->isChecked());
        QVERIFY(e.rel.targetButton(true)->isChecked());
        e.rel.sizeButton(2)->click();
        e.rel.signButton(1)->click();
        e.rel.mappingButton(LoRomValue)->click();
        e.rel.targetButton(false)->click();
        QTest::keyClicks(e.rel.adjustmentBox(), "$123456789ABC");
        const RelativeJumpSettings& s = e.nav.relativeJump.settings;
        QCOMPARE(s.JumpSize, 2);
        QCOMPARE(s.JumpUnsigned, 1);
        QCOMPARE(s.JumpMapping, int(LoRomValue));
        QVERIFY(!s.addRel);
        QCOMPARE(s.adjustment, std::string("$123456789"));
        QTest::keyClick(&e.rel, Qt::Key_Escape);
        QVERIFY(!e.rel.isVisible());

        e.session.moveCursorTo(0x200);
        e.session.commands().run("StringLengthCalculator1Click");
        QVERIFY(e.len.isVisible());
        QCOMPARE(e.len.windowTitle(), QStringLiteral("String Length"));
        e.session.moveCursorTo(0x100);
        e.session.commands().run("StringLengthCalculator1Click");
        QCOMPARE(e.len.startBox()->text(), QStringLiteral("00000200"));
        QCOMPARE(e.len.endBox()->text(), QStringLiteral("00000100"));
        QCOMPARE(e.len.lengthBox()->text(), QStringLiteral("DEC:256 HEX:00000100"));
        e.len.close();
        QCOMPARE(e.len.startBox()->text(), QString());
        QCOMPARE(e.nav.stringLength.toggle, 0);
    }

    void valueInspectorFollowsTheCheckAndTheCursor() {
        common::testing::ScriptedPort port;
        TarnwickModel app(port);
        TDataPad w(app.pad);
        ValueInspectorDock dock(app.inspector, w);
        QTemporaryDir dir;
        const std::string rom = dir.filePath(QStringLiteral("rom.bin")).toStdString();
        QVERIFY(common::writeFileAtomic(rom, std::string("\x12\x34\x56")).empty());
        QVERIFY(app.pad.files.openPath(rom));
        w.show();
        QVERIFY(!dock.isVisible());

        QAction* check = w.command("ViewValueInspector1Click");
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_I, Qt::ControlModifier);
        QVERIFY(check->isChecked());
        QVERIFY(dock.isVisible());
        QCOMPARE(w.dockWidgetArea(&dock), Qt::RightDockWidgetArea);
        QTableWidget* t = dock.table();
        QCOMPARE(t->accessibleName(), QStringLiteral("ValueTable"));
        QTRY_COMPARE(t->rowCount(), 12);
        QCOMPARE(t->item(1, 0)->text(), QStringLiteral("8-bit"));
        QCOMPARE(t->item(1, 1)->text(), QStringLiteral("12"));
        QCOMPARE(t->columnSpan(8, 2), 2);  // the pointer's target

        app.pad.moveCursorTo(2);
        QTRY_COMPARE(t->item(1, 1)->text(), QStringLiteral("56"));
        QCOMPARE(t->item(2, 1)->text(), QStringLiteral("n/a"));

        dock.close();
        QVERIFY(!check->isChecked());
        QVERIFY(!app.settings.ValueInspector);
        check->trigger();
        QVERIFY(dock.isVisible());
    }

    void everyBoxAndListHasAnAccessibleName() {
        Env e;
        for (QWidget* form : std::initializer_list<QWidget*>{&e.jump, &e.jmp, &e.rel, &e.len}) {
            for (QWidget* w : form->findChildren<QWidget*>()) {
                if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QListWidget*>(w)) {
                    if (w->parentWidget() && qobject_cast<QComboBox*>(w->parentWidget())) continue;
                    QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(form->objectName()));
                }
            }
        }
        QCOMPARE(e.rel.adjustmentBox()->accessibleName(), QStringLiteral("Adjustment (Ex: 1,-1, $FF)"));
        QCOMPARE(e.len.lengthBox()->accessibleName(), QStringLiteral("Length"));
    }
};

QTEST_MAIN(NavFormsTest)
#include "navforms_qtest.moc"
