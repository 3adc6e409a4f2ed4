// The script editor's forms: start-up windows and menus, and the synthetic
// ROM opened through the scripted port with its blocks and strings listed.
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include "common/testing/ScriptedPort.h"
#include "scripted/ui/TmyForm.h"

using namespace scripted::ui;

namespace {

QString gameFile(const char* name) {
    return QString::fromLocal8Bit(qgetenv("TOOLSET_DATA")) + QStringLiteral("/game/") + QLatin1String(name);
}

QStringList menuTexts(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator()) continue;
        QString t = a->text();
        if (!a->shortcut().isEmpty()) t += QStringLiteral("\t") + a->shortcut().toString();
        out << t;
    }
    return out;
}

void clickRow(QListWidget* list, int row) {
    QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

void saveShot(QWidget* w, const char* name) {
    QByteArray dir = qgetenv("VT2_SCREENSHOTS");
    if (dir.isEmpty()) return;
    w->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/") + QLatin1String(name));
}

}  // namespace

class VT2TextUiTest : public QObject {
    Q_OBJECT
private slots:
    void startUpWindowsAndMenus() {
        common::testing::ScriptedPort port;
        Windows w = createWindows(&port);
        QCOMPARE(w.main->windowTitle(), QStringLiteral("Script Editor: Vexmoor Tales 2"));
        QCOMPARE(w.txt->windowTitle(), QStringLiteral("Text Editor[*]"));
        QCOMPARE(w.hex->windowTitle(), QStringLiteral("Hex Data"));
        QCOMPARE(w.kana->windowTitle(), QStringLiteral("Kana Text: String #0"));
        QCOMPARE(w.cm->windowTitle(), QStringLiteral("List Data"));
        QCOMPARE(w.cm->bList->font().family(), fixedFont().family());
        QFontMetrics fm(w.cm->bList->font());
        QCOMPARE(fm.horizontalAdvance(QStringLiteral("iiii")), fm.horizontalAdvance(QStringLiteral("WWWW")));

        QStringList menus;
        QList<QStringList> items;
        for (QAction* a : w.main->menuBar()->actions()) {
            menus << a->text();
            items << menuTexts(a->menu());
        }
        QCOMPARE(menus, (QStringList{"&File", "&View", "&options", "&Program", "&Help"}));
        QCOMPARE(items[0], (QStringList{"&Open ROM File\tCtrl+O", "Load Text Block Data File\tCtrl+F",
                                        "&Save Text File\tCtrl+S", "S&ave Rom File\tCtrl+A", "E&xit\tAlt+X"}));
        QCOMPARE(items[1], (QStringList{"Display &Pointer List\tCtrl+P", "Display &Text Editor\tCtrl+T",
                                        "Display Kana Text Dump\tCtrl+K", "Display He&x Data\tCtrl+X", "Zoom in x 2",
                                        "Default Window Size\tCtrl+W", "Wrap Long Lines in Text Editor\tCtrl+Shift+W"}));
        QCOMPARE(items[2], (QStringList{"Hide Control Codes\tCtrl+H", "Use VWF Routine\tCtrl+U", "Textbox Color..."}));
        QMenu* colour = w.main->menuBar()->actions()[2]->menu()->actions()[2]->menu();
        QVERIFY(colour);
        QCOMPARE(menuTexts(colour), (QStringList{"Blue", "Green", "Red", "Gradient", "Solid"}));
        QCOMPARE(items[3], (QStringList{"Text Editor Stay on top", "Dump Memory\tCtrl+M"}));
        QCOMPARE(items[4], QStringList{"Editor Keys"});
        QVERIFY(w.main->Blue1->isChecked());
        QVERIFY(w.main->Gradient1->isChecked());
        QVERIFY(!w.main->LoadTextBlockDataFile1->isEnabled());
        QVERIFY(!w.main->DisplayHexData1->isEnabled());
        QCOMPARE(w.main->DTT->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_D));
        QVERIFY(w.main->actions().contains(w.main->DTT));

        // Editor Keys and Exit through the menus.
        w.main->show();
        w.main->EditorKeys1->trigger();
        QVERIFY(port.takeMessage().text.starts_with("Shift + UP  : Scroll the KANA"));
        QSignalSpy closed(w.main.get(), &TmyForm::closed);
        w.main->Exit1->trigger();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!w.main->isVisible());
    }

    void openRomListsBlocksAndStrings() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const char* name : {"vt2_hdr.smc", "vt2data.txt"})
            QVERIFY(QFile::copy(gameFile(name), dir.filePath(QLatin1String(name))));
        common::testing::ScriptedPort port;
        Windows w = createWindows(&port);
        w.main->show();
        w.main->sync();
        QVERIFY(w.cm->isVisible());
        QVERIFY(!w.txt->isVisible());

        port.answerOpen(dir.filePath(QStringLiteral("vt2_hdr.smc")).toStdString());
        port.answerOpen(dir.filePath(QStringLiteral("vt2data.txt")).toStdString());
        w.main->OpenROMFile1->trigger();
        QVERIFY(port.messages().empty());
        QVERIFY(!port.pendingAnswers());
        QCOMPARE(w.main->windowTitle(), QStringLiteral("Script Editor: Vexmoor Tales 2 - [ vt2data.txt ]"));
        QVERIFY(w.main->LoadTextBlockDataFile1->isEnabled());
        QVERIFY(w.main->UseVWFRoutine1->isChecked());  // ".VWF ON"
        QCOMPARE(w.cm->bList->count(), 6);
        QCOMPARE(w.cm->bList->item(0)->text(), QStringLiteral("Block C20000"));
        QCOMPARE(w.cm->bList->currentRow(), 0);
        QCOMPARE(w.cm->bList->toolTip(), QStringLiteral("6 item(s)"));
        QCOMPARE(w.cm->pList->count(), 4);
        QCOMPARE(w.cm->pList->item(3)->text(), QStringLiteral("String# 3    "));
        QCOMPARE(w.cm->pList->toolTip(), QStringLiteral("4 item(s)"));
        QCOMPARE(w.main->statusPanels[0]->text(), QStringLiteral("Offset: 000000 | PTR: 100000 -> 000000"));
        QCOMPARE(w.main->statusPanels[1]->text(), QStringLiteral("Line {Kana, Ascii}: 0, 0"));
        // Shown and hidden by the data file.
        QVERIFY(w.txt->isVisible());
        QVERIFY(w.kana->isVisible());
        QVERIFY(!w.hex->isVisible());
        QVERIFY(QDir(dir.filePath(QStringLiteral("Dumps"))).exists());

        // Clicks in the lists run the selections.
        clickRow(w.cm->pList, 2);
        QCOMPARE(w.kana->windowTitle(), QStringLiteral("Kana Text: String #2"));
        QCOMPARE(w.main->editor().CurrentString, 2);
        // The kana text window holds the selected string's text, read-only.
        QVERIFY(w.kana->kanaEdit->isReadOnly());
        QCOMPARE(w.kana->kanaEdit->toPlainText(), QStringLiteral("You found {9000} a heart\ncharm![$8123]"));
        clickRow(w.cm->bList, 3);
        clickRow(w.cm->pList, 2);
        QCOMPARE(w.kana->kanaEdit->toPlainText().section(QLatin1Char('\n'), 1, 1),
                 QString::fromStdU16String(u"\u304A\u3084\u3059\u307F\u306A\u3055\u3044\u3002[Key]"));
        clickRow(w.cm->bList, 1);
        QCOMPARE(w.cm->pList->count(), 3);
        QCOMPARE(w.cm->pList->currentRow(), 0);
        QCOMPARE(w.kana->windowTitle(), QStringLiteral("Kana Text: String #0"));
        clickRow(w.cm->bList, 2);
        QCOMPARE(w.cm->pList->count(), 0);
        QCOMPARE(w.cm->pList->toolTip(), QStringLiteral("0 item(s)"));
        clickRow(w.cm->bList, 5);
        QCOMPARE(port.takeMessage().text, std::string("Scripting Read Error: Pointers could not be loaded."));
        QVERIFY(port.messages().empty());
        QCOMPARE(w.cm->pList->count(), 0);
        clickRow(w.cm->bList, 5);  // a click on the current block runs the selection again
        QCOMPARE(port.takeMessage().text, std::string("Scripting Read Error: Pointers could not be loaded."));
        clickRow(w.cm->bList, 0);
        clickRow(w.cm->pList, 1);
        QCOMPARE(w.main->statusPanels[0]->text(),
                 QString::asprintf("Offset: 000000 | PTR: %04X -> 000000", w.main->editor().StringPointers[1]));

        // The translation file is in the editor; typing redraws the lower box.
        QCOMPARE(w.txt->TDMemo->toPlainText().left(24), QStringLiteral("// Do not erase these: \n"));
        QCOMPARE(w.txt->TDMemo->textCursor().blockNumber(), 11);  // at ".STRING 1"
        QCOMPARE(w.txt->TDMemo->accessibleName(), QStringLiteral("TDMemo"));
        std::vector<uint16_t> before = w.main->editor().Renderer.Screen;
        w.txt->TDMemo->moveCursor(QTextCursor::Down);
        QTest::keyClicks(w.txt->TDMemo, QStringLiteral("Fare paid[KEY]"));
        QTRY_VERIFY(w.main->editor().TranslationBuffer.size() == 13);
        QVERIFY(w.main->editor().Renderer.Screen != before);
        QCOMPARE(w.txt->TDMemo->textCursor().blockNumber(), 12);  // the caret stays where it was
        w.txt->TDMemo->insertPlainText(QString(QChar(0xE9)));  // one character, one byte
        QTRY_VERIFY(w.main->editor().TranslationBuffer.size() == 14);
        QCOMPARE(w.main->editor().TranslationBuffer[11], uint8_t(0xE9));
        QVERIFY(w.txt->isWindowModified());
        QCOMPARE(w.main->stateLabel->text(), QStringLiteral("Unsaved text"));
        // The program's keys work from the text editor window: Ctrl+S saves.
        w.txt->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.txt));
        QTest::keyClick(w.txt->TDMemo, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(port.takeMessage().text, std::string("\"00C20000.txt\" was saved successfully!"));
        QVERIFY(!w.txt->isWindowModified());
        QVERIFY(w.main->stateLabel->text().startsWith(QStringLiteral("Written: ")));
        QCOMPARE(w.main->stateLabel->accessibleName(), QStringLiteral("File state"));
        // Long lines wrap on screen only.
        QTest::keyClick(w.txt->TDMemo, Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(w.txt->TDMemo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QVERIFY(w.main->WrapLines1->isChecked());
        w.main->WrapLines1->trigger();
        QCOMPARE(w.txt->TDMemo->lineWrapMode(), QPlainTextEdit::NoWrap);

        // Shift+Down scrolls the upper box by one line.
        QTest::keyClick(w.main.get(), Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(w.main->statusPanels[1]->text(), QStringLiteral("Line {Kana, Ascii}: 1, 0"));

        // The side windows keep their places beside the main window.
        w.main->placeSideWindows();
        QCOMPARE(w.txt->frameGeometry().left(), w.main->frameGeometry().right() + 1 + 2);
        QCOMPARE(w.cm->frameGeometry().top(), w.txt->frameGeometry().bottom() + 1 + 2);

        // View commands and options update the menus.
        w.main->HideCodes->trigger();
        QVERIFY(w.main->HideCodes->isChecked());
        w.main->Red1->trigger();
        QVERIFY(w.main->Red1->isChecked());
        QVERIFY(!w.main->Blue1->isChecked());
        w.main->TextEditorStayOnTop1->trigger();
        QVERIFY(w.main->TextEditorStayOnTop1->isChecked());
        QVERIFY(w.txt->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(w.txt->isVisible());
        w.cm->close();
        QVERIFY(!w.cm->isVisible());
        w.main->HideCodes->trigger();  // another command leaves it closed
        QVERIFY(!w.cm->isVisible());
        w.main->DisplayPointerList1->trigger();
        QVERIFY(w.cm->isVisible());
        w.main->Zoominx21->trigger();
        QCOMPARE(w.main->Video->size(), QSize(640, 512));
        saveShot(w.main.get(), "zoom.png");
        w.main->DefaultWindowSize1->trigger();
        QCOMPARE(w.main->Video->size(), QSize(320, 256));

        // The hex data window (shown only by a data file): keys move its
        // cursor, the caption follows.
        QCOMPARE(w.hex->windowTitle(), QStringLiteral("Hex Data"));
        w.main->editor().ShowWindow(scripted::Window::HexData, true);
        w.main->editor().HexData.data[2] = 'A';
        w.main->sync();
        QVERIFY(w.hex->isVisible());
        QVERIFY(w.main->editor().HexData.visibleRows > 1);
        QTest::keyClick(w.hex, Qt::Key_Right);
        QTest::keyClick(w.hex, Qt::Key_Down);
        QCOMPARE(w.hex->windowTitle(), QString::asprintf("Hex Data - $%08X",
                                                         (0x7E0000u | w.main->editor().CurrentStringOffset) + 18u));
        QTest::keyClick(w.hex, Qt::Key_Up);
        QVERIFY(std::count(w.hex->chPic->pixels.begin(), w.hex->chPic->pixels.end(), 0xFFFF) > 10);

        if (!qEnvironmentVariableIsEmpty("VT2_SCREENSHOTS")) {
            // The whole screen as a user sees it (meaningful on a real or
            // virtual X display).
            QTest::qWait(500);
            QGuiApplication::primaryScreen()->grabWindow(0).save(
                QString::fromLocal8Bit(qgetenv("VT2_SCREENSHOTS")) + QStringLiteral("/screen.png"));
        }
        saveShot(w.main.get(), "main.png");
        if (!qEnvironmentVariableIsEmpty("VT2_SCREENSHOTS")) {
            // The long letter of Block C24000, green and solid, codes hidden,
            // scrolled down by three lines.
            clickRow(w.cm->bList, 4);
            w.main->Green1->trigger();
            w.main->Solid1->trigger();
            w.main->HideCodes->trigger();
            for (int i = 0; i < 3; ++i) QTest::keyClick(w.main.get(), Qt::Key_Down, Qt::ShiftModifier);
            saveShot(w.main.get(), "letter.png");
            w.main->HideCodes->trigger();
        }
        saveShot(w.cm, "list.png");
        saveShot(w.txt, "text.png");
        saveShot(w.kana, "kana.png");
        saveShot(w.hex, "hex.png");
        QVERIFY(port.messages().empty());

        // Closing with unsaved text asks first.
        QTest::keyClicks(w.txt->TDMemo, QStringLiteral("!"));
        QTRY_VERIFY(w.main->editor().TextModified);
        port.cancelQuestion();  // Cancel keeps the program and its windows open
        w.main->Exit1->trigger();
        QCOMPARE(port.takeMessage().buttons, common::MsgButtons::YesNoCancel);
        QVERIFY(w.main->isVisible() && w.txt->isVisible());
        port.answerQuestion(false);
        w.main->close();
        QCOMPARE(port.takeMessage().text, std::string("TEXT data not saved. Do you wish to save it?"));
        QVERIFY(!w.main->isVisible());
    }

    // Every byte of a translation file is saved back as it was after typing
    // elsewhere: A0h stays, a lone CR is no line break.
    void translationBytesRoundTrip() {
        QTemporaryDir dir;
        for (const char* name : {"vt2_hdr.smc", "vt2data.txt"})
            QVERIFY(QFile::copy(gameFile(name), dir.filePath(QLatin1String(name))));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Dumps")));
        QByteArray bytes("// Do not erase these: \r\n.STRING 0\r\n");
        for (int b = 0; b < 256; ++b)
            if (b != '\n') bytes += char(b);
        bytes += "\r\n.ENDS\r\n";
        QFile file(dir.filePath(QStringLiteral("Dumps/00C20000.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();

        common::testing::ScriptedPort port;
        Windows w = createWindows(&port);
        port.answerOpen(dir.filePath(QStringLiteral("vt2_hdr.smc")).toStdString());
        port.answerOpen(dir.filePath(QStringLiteral("vt2data.txt")).toStdString());
        w.main->OpenROMFile1->trigger();
        w.txt->TDMemo->moveCursor(QTextCursor::End);
        QTest::keyClicks(w.txt->TDMemo, QStringLiteral("x"));
        QTRY_VERIFY(w.main->editor().TextModified);
        w.main->SaveTextFile1->trigger();
        QCOMPARE(port.takeMessage().text, std::string("\"00C20000.txt\" was saved successfully!"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bytes + "x");
    }
};

QTEST_MAIN(VT2TextUiTest)
#include "ui_test.moc"
