#include <QCloseEvent>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

#include "common/testing/ScriptedPort.h"
#include "hexedit/app/TarnwickModel.h"
#include "hexedit/core/ui/PaintBox.h"
#include "hexedit/core/ui/TDataPad.h"
#include "hexedit/tiles/TileEditor.h"

using namespace hexedit;

namespace {

struct Expected {
    const char* path;  // captions of the menus above the entry, '/'-separated
    const char* caption;
    const char* shortcut;
};

// The menu map as users see it.
const Expected kMenus[] = {
    {"&File", "&Open File for Editing...", "Ctrl+O"},
    {"&File/Open Table File", "Table #1", ""},
    {"&File/Open Table File", "Table #2", ""},
    {"&File", "Reload Current ROM Data", "Ctrl+U"},
    {"&File/Recent ROM Files", "", ""},
    {"&File/Recent TABLE Files", "", ""},
    {"&File", "&Save File...", "Ctrl+S"},
    {"&File", "Save File &As", "Ctrl+A"},
    {"&File/Swap Table Files", "...", "Ctrl+1"},
    {"&File/Swap Table Files", "...", "Ctrl+2"},
    {"&File/Swap Table Files", "Ascii.tbl", "Ctrl+3"},
    {"&File", "Update &Config File...", ""},
    {"&File", "E&xit", "Alt+F4"},
    {"&Edit", "&Copy as Hex", "Ctrl+Shift+C"},
    {"&Edit", "&Copy as Text", "Ctrl+Shift+T"},
    {"&Edit", "&Hex / Text Edit Mode", "Tab"},
    {"&Edit", "Enable / Disable 16-Bit ASCII Input", "Shift+Tab"},
    {"&Edit", "Enable / Disable DTE Inserting", "Alt+Tab"},
    {"&Edit", "&Dump Text ", "F10"},
    {"&Edit", "Dump &Binary Data", "F11"},
    {"&Edit/Dump &From List", "Binary Dump...", ""},
    {"&Edit/Dump &From List", "Text Dump...", ""},
    {"&Edit", "Save &Bookmark", "Ctrl+B"},
    {"&Edit", "Save &Dump Bookmark", "F2"},
    {"&Edit", "External Program Settings...", ""},
    {"&Edit", "Execute External Program", "Ctrl+X"},
    {"&Edit", "&Insert Binary Data", ""},
    {"&Edit", "BYTE Fill", "F4"},
    {"&Edit", "Remove SNES Header", ""},
    {"&Tools", "&Table Editor", "Ctrl+T"},
    {"&Tools", "Table &Maker", "Ctrl+M"},
    {"&Tools", "Tile &Editor", "Ctrl+L"},
    {"&Tools", "Snes To &Hex", "Ctrl+E"},
    {"&Tools", "&Create an IPS File", "F5"},
    {"&Tools", "Create a BPS File...", ""},
    {"&Tools", "&Patch Current File", "F6"},
    {"&Tools", "&Increase / Decrease ROM Size ", "Ctrl+N"},
    {"&Tools", "&Repair SNES Checksum", "Ctrl+P"},
    {"&Tools", "C&ompare Files", "Ctrl+C"},
    {"&Tools", "Str&ing Length Calculator", "F7"},
    {"&Search", "&Text Search", "Ctrl+F"},
    {"&Search", "&Hex Search", "Ctrl+H"},
    {"&Search", "&Kana Search", "Ctrl+K"},
    {"&Search", "Search Again", "F3"},
    {"&Search", "&Relative Search", "Ctrl+R"},
    {"&Search", "&Goto to Offset", "Ctrl+G"},
    {"&Search", "&Jump Offset List", "Ctrl+J"},
    {"&Search", "Return to Last Offset", "Shift+F9"},
    {"&Search", "Execute &Relative Jump", "F9"},
    {"&Search", "&Relative Jump Settings", "F8"},
    {"&Option", "Editor &Settings... ", "Ctrl+Z"},
    {"&Option/Set &Font...", "Hex Font", ""},
    {"&Option/Set &Font...", "Text Font", ""},
    {"&Option/Set &Font...", "Set All Fonts", ""},
    {"&Option", "View &Offset Panel", ""},
    {"&Option", "View Stat&us Bar", ""},
    {"&Option", "Editor Always on Top...", ""},
    {"&Option", "View JUMP List", "Ctrl+W"},
    {"&Option", "View Text &Data as Japanese", "Ctrl+D"},
    {"&Option", "View Value Inspector", "Ctrl+I"},
    {"&Option/Display Offset as...", "&Standard ( Linear Offset )", "Ctrl+Alt+S"},
    {"&Option/Display Offset as...", "SNES &Lo-ROM ( Slow ROM )", "Ctrl+Alt+L"},
    {"&Option/Display Offset as...", "SNES &Lo-ROM ( Fast ROM )", "Ctrl+Alt+F"},
    {"&Option/Display Offset as...", "SNES &Hi-ROM", "Ctrl+Alt+H"},
    {"&Option/Display Offset as...", "SNES &Memory", "Ctrl+Alt+M"},
    {"&Help", "&Help Topics", "F1"},
    {"&Help", "&About Tarnwick for Win32", ""},
    {"PopUp1", "&Copy as Text", ""},
    {"PopUp1", "&Copy as Hex", ""},
    {"PopUp1/&Paste to Current Location", "As Text...", ""},
    {"PopUp1/&Paste to Current Location", "As Hex...", ""},
    {"PopUp1", "Exit Program", ""},
};

QMenu* childMenu(const QList<QAction*>& actions, const QString& caption) {
    for (QAction* a : actions)
        if (a->menu() && a->text() == caption) return a->menu();
    return nullptr;
}

std::string makeFile(const QTemporaryDir& dir, const char* name, const std::string& bytes) {
    std::string p = dir.filePath(QString::fromLatin1(name)).toStdString();
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
}

}  // namespace

class TDataPadTest : public QObject {
    Q_OBJECT

private slots:
    void layoutAndCaption() {
        common::testing::ScriptedPort port;
        DataPad model(port);
        TDataPad w(model);
        QCOMPARE(w.windowTitle(), QStringLiteral("Tarnwick for Windows[*]"));
        QVERIFY(model.editor().EditorReady);
        QCOMPARE(w.findChild<QScrollBar*>("VScrl"), w.VScrl);
        QCOMPARE(w.VScrl->orientation(), Qt::Vertical);
        QCOMPARE(w.HexData->parentWidget(), w.Panel3);
        QCOMPARE(w.TblData->parentWidget(), w.Panel2);
        QCOMPARE(w.Memo1->parentWidget(), w.Panel2);
        QCOMPARE(w.statusBar(), w.SBar);
        for (QWidget* c : {static_cast<QWidget*>(w.HexData), static_cast<QWidget*>(w.TblData),
                           static_cast<QWidget*>(w.VScrl), static_cast<QWidget*>(w.Memo1)})
            QCOMPARE(c->accessibleName(), c->objectName());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!w.Memo1->isVisible());
        QVERIFY(w.VScrl->geometry().left() < w.Panel3->geometry().left());
        QVERIFY(w.Panel3->geometry().right() < w.Panel2->geometry().left());
        QVERIFY(w.SBarPanel1->isVisible() && w.SBarPanel2->isVisible());
        const QFontMetrics fm(w.HexData->font());
        QCOMPARE(w.Panel3->width(), 16 * fm.horizontalAdvance("DD") + fm.horizontalAdvance("DDDDDDDDD "));
        QVERIFY(w.SBarPanel1->width() >=
                w.SBarPanel1->fontMetrics().horizontalAdvance(
                    "Dec: 000 Hex: 00 Bin: 00000000 Offset: 00000000 [000%] Asc 'A'=00        "));
    }

    void everyMenuEntryWithItsShortcut() {
        common::testing::ScriptedPort port;
        TarnwickModel app(port);  // every subsystem registers its entries
        DataPad& model = app.pad;
        TDataPad w(model);
        QStringList top;
        for (QAction* a : w.menuBar()->actions()) top << a->text();
        QCOMPARE(top, (QStringList{"&File", "&Edit", "&Tools", "&Search", "&Option", "&Help"}));
        QMap<QMenu*, int> seen;  // entries matched so far, in menu order
        for (const Expected& e : kMenus) {
            const QStringList path = QString::fromLatin1(e.path).split('/');
            QMenu* m = path[0] == "PopUp1" ? w.PopUp1 : childMenu(w.menuBar()->actions(), path[0]);
            for (int i = 1; m && i < path.size(); ++i) m = childMenu(m->actions(), path[i]);
            QVERIFY2(m, e.path);
            QAction* found = nullptr;
            const auto actions = m->actions();
            for (int i = seen.value(m); i < actions.size(); ++i) {
                if (!actions[i]->menu() && !actions[i]->isSeparator() &&
                    actions[i]->text().section('\t', 0, 0) == e.caption) {
                    found = actions[i];
                    seen[m] = i + 1;
                    break;
                }
            }
            QVERIFY2(found, (QString::fromLatin1(e.path) + " > " + e.caption).toUtf8());
            QCOMPARE(found->shortcut().toString(QKeySequence::PortableText), QString::fromLatin1(e.shortcut));
        }
        QVERIFY(!w.command("OffsetFont1Click")->isVisible());
        QVERIFY(w.command("StandardClick")->isChecked());
        QVERIFY(!w.command("LoROM1Click")->isChecked());
        QCOMPARE(w.command("AsText1Click")->data().toInt(), 1);
        QCOMPARE(w.command("AsHex1Click")->data().toInt(), 0);
        QVERIFY(w.command("HexEditMode1Click")->isCheckable());
        QVERIFY(w.command("NoSuchHandler") == nullptr);
    }

    void enablingFollowsTheState() {
        QTemporaryDir dir;
        common::testing::ScriptedPort port;
        TarnwickModel app(port);  // every subsystem registers its entries
        DataPad& model = app.pad;
        TDataPad w(model);
        QVERIFY(!w.command("SaveFile1Click")->isEnabled());
        QVERIFY(!w.command("PastetoCurrentLocation1")->isEnabled());
        QVERIFY(!w.command("SwapTableFiles1")->isEnabled());
        QVERIFY(!w.command("DumpFromList1")->isEnabled());
        QVERIFY(!w.command("ReturntoLastOffset1Click")->isEnabled());
        QVERIFY(w.command("Open1Click")->isEnabled());

        makeFile(dir, "game.tbl", "41=A\n[00000000-00000004]x\n");
        auto path = makeFile(dir, "game.smc", std::string(16, 'A'));
        port.answerOpen(path);
        w.command("Open1Click")->trigger();
        QCOMPARE(w.windowTitle(), QStringLiteral("Tarnwick for Windows - \"game.smc\"[*]"));
        QCOMPARE(app.tiles.caption(), std::string("Tile Editor - \"game.smc\""));
        QVERIFY(w.command("SaveFile1Click")->isEnabled());
        QVERIFY(w.command("HexEditMode1Click")->isEnabled());
        QVERIFY(w.command("PastetoCurrentLocation1")->isEnabled());
        QVERIFY(w.command("SwapTableFiles1")->isEnabled());
        QVERIFY(w.command("DumpFromList1")->isEnabled());
        QCOMPARE(w.command("tblv1Click")->text(), QStringLiteral("game.tbl"));
        QCOMPARE(w.command("tblv2Click")->text(), QStringLiteral("..."));
        QCOMPARE(w.VScrl->maximum(), 65535);
        QCOMPARE(w.VScrl->pageStep(), 256);

        model.nav().ReturnCount = 1;
        model.UpdateMenuItems();
        QVERIFY(w.command("ReturntoLastOffset1Click")->isEnabled());
    }

    void commandsAndKeysRunThroughTheModel() {
        QTemporaryDir dir;
        common::testing::ScriptedPort port;
        DataPad model(port);
        TDataPad w(model);
        int runs = 0;
        model.commands().add({.name = "HelpTopics1Click", .run = [&] { ++runs; }});
        model.UpdateMenuItems();
        QVERIFY(w.command("HelpTopics1Click")->isEnabled());
        w.command("HelpTopics1Click")->trigger();
        QCOMPARE(runs, 1);
        // Entries nobody handles yet are not offered.
        QVERIFY(!w.command("EditorColors1Click")->isEnabled());

        QStatusTipEvent tip(QStringLiteral("Goes somewhere"));
        QApplication::sendEvent(&w, &tip);
        QCOMPARE(w.SBarPanel2->text(), QStringLiteral("Goes somewhere"));

        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        // Keys the view does not use reach the next key handler, in order.
        std::vector<Key> previewed;
        model.commands().addKeyHandler([&](const KeyPress& k) {
            previewed.push_back(k.key);
            return k.key == Key::F12;
        });
        w.VScrl->setFocus();
        QTest::keyClick(w.VScrl, Qt::Key_F12);
        QTest::keyClick(w.VScrl, Qt::Key_Escape);
        QCOMPARE(previewed, (std::vector<Key>{Key::F12, Key::Escape}));

        // Shortcuts reach their commands from anywhere in the window.
        port.answerOpen(makeFile(dir, "game.bin", "abcd"));
        QTest::keyClick(w.VScrl, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(port.openRequests.size(), size_t(1));
        QTest::keyClick(&w, Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(int(model.table().TableSlot), 2);
        QTest::keyClick(&w, Qt::Key_Tab);
        QVERIFY(model.hexView.TextMode);
        QVERIFY(w.command("HexEditMode1Click")->isChecked());
        // An input method's committed text is typed at the cursor.
        QVERIFY(w.testAttribute(Qt::WA_InputMethodEnabled));
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("xy"));
        QApplication::sendEvent(&w, &commit);
        QCOMPARE(std::string(reinterpret_cast<const char*>(model.editor().FileBuffer()), 4), std::string("xycd"));
        QTest::keyClick(&w, Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(model.hexView.Disable16Bit);
    }

    void closeIsRefusedOnlyWhenTheSaveFails() {
        QTemporaryDir dir;
        common::testing::ScriptedPort port;
        DataPad model(port);
        TDataPad w(model);
        port.answerOpen(makeFile(dir, "game.bin", "abc"));
        model.files.Open1Click();
        model.editorState().Modified = true;
        model.editorState().CurrentPath = dir.filePath("missing/game.bin").toStdString();
        port.answerQuestion(true);
        QCloseEvent refused;
        QApplication::sendEvent(&w, &refused);
        QVERIFY(!refused.isAccepted());
        port.takeMessage();
        port.takeMessage();
        port.answerQuestion(false);
        QCloseEvent accepted;
        QApplication::sendEvent(&w, &accepted);
        QVERIFY(accepted.isAccepted());
        port.takeMessage();
        QVERIFY(!model.editor().hasBuffer());
    }

    // Unsaved changes show in the title's marker and in the status bar,
    // which also names the file written; Cancel on closing keeps them.
    void unsavedStateIsShownAndCancelKeepsIt() {
        QTemporaryDir dir;
        common::testing::ScriptedPort port;
        DataPad model(port);
        TDataPad w(model);
        const std::string path = makeFile(dir, "game.bin", "abc");
        port.answerOpen(path);
        model.files.Open1Click();
        QVERIFY(!w.isWindowModified());
        model.writeBytes(0, std::vector<uint8_t>{0x11});
        QVERIFY(w.isWindowModified());
        QCOMPARE(w.SBarState->text(), QStringLiteral("Unsaved changes"));
        QCOMPARE(w.SBarState->accessibleName(), QStringLiteral("File state"));

        port.cancelQuestion();
        QCloseEvent cancelled;
        QApplication::sendEvent(&w, &cancelled);
        QVERIFY(!cancelled.isAccepted());
        QCOMPARE(port.takeMessage().buttons, common::MsgButtons::YesNoCancel);
        QVERIFY(model.editor().Modified);

        w.command("SaveFile1Click")->trigger();
        port.takeMessage();
        QVERIFY(!w.isWindowModified());
        QCOMPARE(w.SBarState->text(), QStringLiteral("Written: ") + QString::fromStdString(path));
    }

    // The DTE toggle keeps its key and gets one desktops leave alone, both
    // named in the entry.
    void dteToggleHasASecondKey() {
        common::testing::ScriptedPort port;
        DataPad model(port);
        TDataPad w(model);
        QAction* dte = w.command("D_DTEClick");
        QCOMPARE(dte->shortcuts().size(), 2);
        QCOMPARE(dte->shortcuts()[0], QKeySequence(Qt::ALT | Qt::Key_Tab));
        QVERIFY(dte->text().endsWith(QStringLiteral("Ctrl+Shift+D")));
        QVERIFY(dte->text().startsWith(QStringLiteral("Enable / Disable DTE Inserting\t")));
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const bool before = model.hexView.DteInserting;
        QTest::keyClick(&w, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(model.hexView.DteInserting, !before);
    }
};

QTEST_MAIN(TDataPadTest)
#include "tdatapad_test.moc"
