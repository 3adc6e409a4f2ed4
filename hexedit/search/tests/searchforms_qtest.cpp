// The find window and the data list on Qt: controls and captions, keys
// through the filter, the kana grid, the list's jumps and pop-up menu.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTemporaryDir>
#include <QtTest>

#include "common/testing/ModalGuard.h"
#include "common/testing/ScriptedPort.h"
#include "hexedit/core/testing/TestSession.h"
#include "hexedit/app/Startup.h"
#include "hexedit/core/ui/TDataPad.h"
#include "hexedit/search/ui/SearchWindows.h"
#include "hexedit/search/ui/KanaGridWidget.h"
#include "hexedit/search/ui/TListForm.h"
#include "hexedit/search/ui/TOptsForm.h"

using namespace hexedit;
using namespace hexedit::search;

namespace {

struct Env {
    common::testing::ScriptedPort port;
    hexedit::testing::TestSession session{port};
    TableData& table = session.tableData;
    ViewState& view = session.viewState;
    DataList list{session};
    FindWindow find{session, list};
    TOptsForm form{find};
    TListForm listForm{list};

    Env() {
        table.buildAsciiTable();
        session.load(std::vector<uint8_t>(65535, '.'), "t.bin");
    }
    void put(size_t at, std::string_view s) { session.poke(at, s); }
};

// Runs `actions` once the modal window is up.
void whenShown(std::function<void()> actions) { common::testing::whenModal(std::move(actions)); }

QString dir() {
    QString d = qEnvironmentVariable("TOOLSET_SHOTS");
    return d.isEmpty() ? QDir::tempPath() : d;
}

}  // namespace

class SearchFormsTest : public QObject {
    Q_OBJECT
private slots:
    void controlsAndCaptions() {
        Env e;
        TOptsForm& f = e.form;
        QCOMPARE(f.findChild<QLabel*>()->text(), QStringLiteral("Enter Data:"));
        QCOMPARE(f.findChild<QPushButton*>(QStringLiteral("FindBtn"))->text(), QStringLiteral("&Find"));
        QStringList buttons;
        for (auto* b : f.findChildren<QPushButton*>()) buttons << b->text();
        QVERIFY(buttons.contains(QStringLiteral("Select &All Options on Form")));
        QVERIFY(buttons.contains(QStringLiteral("&Remove All Options on Form")));
        QCOMPARE(f.option(Option::IgCase)->text(), QStringLiteral("Ignore &Case"));
        QCOMPARE(f.option(Option::SaveFnd)->text(), QStringLiteral("&Save Finds in a Search List."));
        QCOMPARE(f.option(Option::WildCrd)->text(), QStringLiteral("Use \" * \" for &Wildcards."));
        QCOMPARE(f.option(Option::FindFromStart)->text(), QStringLiteral("Start Search From the &Begining"));
        QCOMPARE(f.option(Option::IncFind)->text(), QStringLiteral("Enable &Incremental Search"));
        QCOMPARE(f.option(Option::FindLimit)->text(), QStringLiteral("Limit Search Results to 128 Finds"));
        for (Option o : allOptions()) QVERIFY(!f.option(o)->isChecked());
        QCOMPARE(f.classList()->count(), 5);
        QCOMPARE(f.classList()->item(0)->text(), QStringLiteral("Punctuation"));
        QCOMPARE(f.classList()->item(4)->text(), QStringLiteral("Katakana"));
        QCOMPARE(f.classList()->currentRow(), 0);
        QCOMPARE(f.grid()->objectName(), QStringLiteral("fGrid"));
        // Screen readers find the box by its label, the grid and list by name.
        QCOMPARE(f.findBox()->accessibleName(), QStringLiteral("Enter Data:"));
        QCOMPARE(f.grid()->accessibleName(), QStringLiteral("fGrid"));
        QCOMPARE(e.listForm.listBox()->accessibleName(), QStringLiteral("ListBox1"));
    }

    void textSearchThroughTheBox() {
        Env e;
        e.put(0x500, "Hero");
        whenShown([&] {
            QCOMPARE(e.form.windowTitle(), QStringLiteral("Find: ASCII Text..."));
            QCOMPARE(e.form.height(), 119);
            QVERIFY(!e.form.grid()->isVisible());
            QTest::keyClicks(e.form.findBox(), QStringLiteral("Hero"));
            QCOMPARE(e.find.input(), std::string("Hero"));
            QTest::keyClick(e.form.findBox(), Qt::Key_Return);
        });
        e.find.TextSearch1Click();
        QVERIFY(!e.form.isVisible());
        QCOMPARE(e.view.CursorOffset, 0x500);
        QVERIFY(e.session.host.repaints > 0);
        QCOMPARE(e.form.findBox()->text(), QString());
    }

    void hexKeysAndEscape() {
        Env e;
        whenShown([&] {
            QTest::keyClicks(e.form.findBox(), QStringLiteral("a1gz"));
            QCOMPARE(e.form.findBox()->text(), QStringLiteral("A1"));
            e.form.option(Option::WildCrd)->click();
            QVERIFY(e.find.options.WildCrd);
            QTest::keyClick(e.form.findBox(), Qt::Key_Asterisk);
            QCOMPARE(e.form.findBox()->text(), QStringLiteral("A1**"));
            QTest::keyClick(e.form.findBox(), Qt::Key_Backspace);
            QCOMPARE(e.form.findBox()->text(), QStringLiteral("A1"));
            // Escape from a check box closes too.
            QTest::keyClick(e.form.option(Option::IgCase), Qt::Key_Escape);
        });
        e.find.HexSearch1Click();
        QVERIFY(!e.form.isVisible());
        QCOMPARE(e.find.state.PatternLength, 0);
    }

    void kanaGridInsertsAndDraws() {
        Env e;
        e.table.clear();
        e.table.ByteTable[0x31] = "\x82\xA0";
        e.table.PairTable[0x0102] = "\x82\xA2";
        e.put(0x40, "\x31\x01\x02");
        whenShown([&] {
            QVERIFY(e.form.grid()->isVisible());
            QVERIFY(e.form.classList()->isVisible());
            e.form.classList()->setCurrentRow(3);
            QCOMPARE(e.find.grid.currentClass(), 3);
            QTest::mouseMove(e.form.grid(), QPoint(3 * 24 + 5, 5));
            QTest::mouseClick(e.form.grid(), Qt::LeftButton, {}, QPoint(24 + 5, 5));
            QTest::mouseClick(e.form.grid(), Qt::LeftButton, {}, QPoint(3 * 24 + 5, 5));
            QTest::keyClicks(e.form.findBox(), QStringLiteral("ab"));  // swallowed
            QCOMPARE(e.form.findBox()->text(), QStringLiteral("\u3042\u3044"));
            const QImage shot = e.form.grab().toImage();
            shot.save(dir() + QStringLiteral("/tarnwick_find_kana.png"));
            QTest::keyClick(e.form.findBox(), Qt::Key_Return);  // not in kana mode
            QVERIFY(e.form.isVisible());
            e.form.findChild<QPushButton*>(QStringLiteral("FindBtn"))->click();
        });
        e.find.KanaSearch1Click();
        QCOMPARE(e.find.state.PatternLength, 3);
        QCOMPARE(e.view.CursorOffset, 0x40);
    }

    void relativeSearchFillsTheList() {
        Env e;
        e.put(0x321, "\x02\x01\x14");
        whenShown([&] {
            QVERIFY(!e.form.option(Option::SaveFnd)->isEnabled());
            QCOMPARE(e.form.findBox()->maxLength(), 15);
            QTest::keyClicks(e.form.findBox(), QStringLiteral("bat"));
            QTest::keyClick(e.form.findBox(), Qt::Key_Return);
        });
        e.find.RelativeSearch1Click();
        QVERIFY(!e.form.progressBar()->isVisible());
        QVERIFY(e.listForm.isVisible());
        QCOMPARE(e.listForm.windowTitle(), QStringLiteral("Data List: 1 Match(es) Found!"));
        QListView* lb = e.listForm.listBox();
        QCOMPARE(lb->model()->rowCount(), 1);
        QCOMPARE(lb->model()->index(0, 0).data().toString(),
                 QStringLiteral("[$00000321] bat             | A=E1 a=01 0=D0"));
        e.listForm.grab().toImage().save(dir() + QStringLiteral("/tarnwick_data_list.png"));
    }

    void listJumpsAndMenu() {
        Env e;
        e.list.append("[$00001234]");
        e.list.append("[$00004321]");
        e.list.setCaption(matchCaption(2));
        e.list.show();
        QVERIFY(e.listForm.isVisible());
        QListView* lb = e.listForm.listBox();
        QCOMPARE(lb->selectionModel()->selectedRows().size(), 1);
        lb->setFocus();
        QTest::keyClick(lb, Qt::Key_Return);
        QCOMPARE(e.view.CursorOffset, 0x1234);
        lb->setCurrentIndex(lb->model()->index(1, 0));
        const QRect r = lb->visualRect(lb->model()->index(1, 0));
        QTest::mouseClick(lb->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(lb->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(e.view.CursorOffset, 0x4321);
        QVERIFY(e.listForm.isVisible());  // stays open

        QStringList items;
        for (QAction* a : e.listForm.popupMenu()->actions()) items << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(items, (QStringList{"Create table with Selected values", "Dump Data to a File", "-",
                                     "Jump to Starting Offset", "Jump to Ending Offset", "-", "Exit"}));
        QVERIFY(e.listForm.createTableAction()->isVisible());
        QVERIFY(e.listForm.createTableAction()->isEnabled());  // search results
        QCOMPARE(e.listForm.popupMenu()->actions().last()->shortcut(), QKeySequence(Qt::Key_Escape));
        QTest::keyClick(lb, Qt::Key_Escape);
        QVERIFY(!e.listForm.isVisible());
        QVERIFY(!e.list.visible());
    }

    // The Search menu of the program opens the window in each mode; a match
    // moves the main window's cursor.
    void searchMenuOfTheProgram() {
        QTemporaryDir dir;
        const QString rom = dir.filePath(QStringLiteral("game.bin"));
        {
            QFile f(rom);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QByteArray bytes(4096, '.');
            bytes.replace(0x800, 5, "Sword");
            f.write(bytes);
        }
        Tarnwick app;
        app.start({rom});
        TOptsForm& form = *app.searchWindows->optsForm;
        QCOMPARE(form.parentWidget(), app.mainWindow.get());
        const std::pair<const char*, QString> commands[] = {
            {"TextSearch1Click", QStringLiteral("Find: ASCII Text...")},
            {"HexSearch1Click", QStringLiteral("Find: HEX Search...")},
            {"KanaSearch1Click", QStringLiteral("Find: KANA Search...")},
            {"RelativeSearch1Click", QStringLiteral("Find: Relative Search...")},
        };
        for (const auto& [name, caption] : commands) {
            QAction* a = app.mainWindow->command(name);
            QVERIFY(a && a->isEnabled());
            bool shown = false;
            whenShown([&, caption = caption] {
                shown = form.isVisible() && form.isModal() && form.windowTitle() == caption;
                QTest::keyClick(form.findBox(), Qt::Key_Escape);
            });
            a->trigger();
            QVERIFY2(shown, name);
        }
        whenShown([&] {
            QTest::keyClicks(form.findBox(), QStringLiteral("Sword"));
            QTest::keyClick(form.findBox(), Qt::Key_Return);
        });
        app.mainWindow->command("TextSearch1Click")->trigger();
        QCOMPARE(app.model.view().CursorOffset, 0x800);
    }
};

QTEST_MAIN(SearchFormsTest)
#include "searchforms_qtest.moc"
