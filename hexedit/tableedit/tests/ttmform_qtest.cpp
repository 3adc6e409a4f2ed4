// The table editor window on Qt: controls and captions, typing and Enter,
// the grid with its flat button and scroll bar, list keys, and the two roads
// into it from the program (Tools menu, Data List).

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <fstream>

#include "common/testing/ModalGuard.h"
#include "hexedit/app/Startup.h"
#include "hexedit/core/ui/TDataPad.h"
#include "hexedit/search/ui/SearchWindows.h"
#include "hexedit/search/ui/TListForm.h"
#include "hexedit/tableedit/ui/CharGridWidget.h"
#include "hexedit/tableedit/ui/TTMForm.h"

using namespace hexedit;
using namespace hexedit::tableedit;

namespace {

QStringList rows(QListView* list) {
    QStringList out;
    for (int r = 0; r < list->model()->rowCount(); ++r) out << list->model()->index(r, 0).data().toString();
    return out;
}

QString shotsDir() {
    const QString d = qEnvironmentVariable("TOOLSET_SHOTS");
    return d.isEmpty() ? QDir::tempPath() : d;
}

}  // namespace

class TTMFormTest : public QObject {
    Q_OBJECT
private slots:
    void controlsAndCaptions() {
        Tarnwick app;
        TTMForm& f = *app.tableEditor;
        QCOMPARE(f.windowTitle(), QStringLiteral("Table Editor []"));
        QVERIFY(f.windowFlags() & Qt::WindowStaysOnTopHint);
        QStringList menus, items;
        for (QAction* m : f.menu()->actions()) {
            menus << m->text();
            for (QAction* a : m->menu()->actions()) items << a->text() + "\t" + a->shortcut().toString();
        }
        QCOMPARE(menus, (QStringList{"&File", "&Edit", "&Help"}));
        QCOMPARE(items, (QStringList{"&Open Table File\tCtrl+O", "&Save Table File\tCtrl+S", "E&xit\tAlt+X",
                                     "Sort Table List\tF3", "Reverse Value Increment\tCtrl+R", "Help Topics\tF1"}));
        QCOMPARE(f.findChild<QGroupBox*>()->title(), QStringLiteral(" Character Selection "));
        QStringList radios;
        for (int i = 0; i < 4; ++i) radios << f.selectionButton(i)->text();
        QCOMPARE(radios, (QStringList{"Punctuation", "Kana ASCII", "Hiragana", "Katakana"}));
        QVERIFY(f.selectionButton(0)->isChecked());
        QCOMPARE(f.scrollBar()->value(), 0x8140);
        for (QWidget* w : std::initializer_list<QWidget*>{f.tblList(), f.tblVal(), f.grid(), f.scrollBar(), f.clickMe()})
            QCOMPARE(w->accessibleName(), w->objectName());
    }

    // "&Table Editor" from the Tools menu: the current table is listed, the
    // main window hides; typing, the grid and the list keys; Escape closes.
    void editorThroughTheToolsMenu() {
        QTemporaryDir dir;
        const std::string rom = dir.filePath("game.smc").toStdString();
        std::ofstream(rom, std::ios::binary) << std::string(300, '\x41');
        std::ofstream(dir.filePath("game.tbl").toStdString(), std::ios::binary) << "41=A\r\n42=B\r\n";
        Tarnwick app;
        app.start({QString::fromStdString(rom)});
        TTMForm& f = *app.tableEditor;
        common::testing::whenModal([&] {
            QVERIFY(f.isVisible());
            QVERIFY(!app.mainWindow->isVisible());
            QCOMPARE(f.windowTitle(), QStringLiteral("Table Editor [game.tbl]"));
            QCOMPARE(rows(f.tblList()), (QStringList{"41=A", "42=B"}));
            QTest::keyClicks(f.tblVal(), QStringLiteral("43=c"));
            QTest::keyClick(f.tblVal(), Qt::Key_Return);
            QCOMPARE(rows(f.tblList()).last(), QStringLiteral("43=c"));
            QCOMPARE(f.tblList()->currentIndex().row(), 2);
            QCOMPARE(f.tblVal()->text(), QStringLiteral("44="));

            // Hiragana; the flat button follows the mouse and shows the code.
            f.selectionButton(2)->click();
            QCOMPARE(f.scrollBar()->value(), 0x82A0);
            QTest::mouseMove(f.grid(), QPoint(24 * 2 + 4, 4));
            QVERIFY(f.clickMe()->isVisible());
            QCOMPARE(f.clickMe()->toolTip(), QStringLiteral("82A2"));
            QCOMPARE(f.clickMe()->geometry().topLeft(), f.grid()->geometry().topLeft() + QPoint(48, 0));
            f.clickMe()->click();
            QCOMPARE(f.tblVal()->text(), QStringLiteral("44=\u3044"));
            QVERIFY(f.tblVal()->hasFocus());
            f.grab().save(shotsDir() + QStringLiteral("/table_editor.png"));
            f.scrollBar()->setValue(0x8000);  // no characters: the full-width space
            QTest::mouseClick(f.grid(), Qt::LeftButton, {}, QPoint(4, 4));
            QCOMPARE(f.tblVal()->text(), QStringLiteral("44=\u3044\u3000"));
            QTest::keyClick(f.tblVal(), Qt::Key_Backspace);
            QCOMPARE(app.app.tableEditor.entry(), std::string("44=\x82\xA2"));
            QTest::keyClick(f.tblVal(), Qt::Key_Return);

            // The list: Enter copies a line into the field, Delete removes it.
            f.tblList()->setFocus();
            f.tblList()->setCurrentIndex(f.tblList()->model()->index(0, 0));
            QTest::keyClick(f.tblList(), Qt::Key_Return);
            QCOMPARE(f.tblVal()->text(), QStringLiteral("41=A"));
            QTest::keyClick(f.tblList(), Qt::Key_Delete);
            QCOMPARE(rows(f.tblList()), (QStringList{"42=B", "43=c", "44=\u3044"}));
            QTest::keyClick(f.tblList(), Qt::Key_Escape);
        });
        app.mainWindow->command("TableEdit1Click")->trigger();
        QVERIFY(!f.isVisible());
        QVERIFY(app.mainWindow->isVisible());
    }

    // A relative search line in the Data List becomes a table.
    void createTableFromTheDataList() {
        Tarnwick app;
        search::TListForm& list = *app.searchWindows->listForm;
        app.app.search.list.append("[$00020010] bat             | A=E1 a=01 0=D0");
        app.app.search.list.show();
        TTMForm& f = *app.tableEditor;
        common::testing::whenModal([&] {
            QVERIFY(f.isVisible());
            QVERIFY(!list.isVisible());
            const QStringList lines = rows(f.tblList());
            QCOMPARE(lines.size(), 95);
            QVERIFY(lines.contains(QStringLiteral("E1=A")));
            QVERIFY(lines.contains(QStringLiteral("01=a")));
            QCOMPARE(f.tblList()->currentIndex().row(), 0);
            f.reject();
        });
        QVERIFY(list.createTableAction()->isEnabled());
        list.createTableAction()->trigger();
        QVERIFY(!f.isVisible());
        QVERIFY(!list.isVisible());
        QVERIFY(!app.app.search.list.visible());
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TTMFormTest t;
    return QTest::qExec(&t, argc, argv);
}
#include "ttmform_qtest.moc"
