// The paint boxes draw the view's cells, and the window's keys, menus,
// mouse and scroll bar reach the view.

#include <QMainWindow>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

#include "common/testing/ScriptedPort.h"
#include "hexedit/core/ui/HexViewPane.h"
#include "hexedit/core/ui/ViewCommands.h"

using namespace hexedit;
using namespace hexedit::ui;

class ViewPaneTest : public QObject {
    Q_OBJECT

    struct Setup {
        EditorState ed;
        TableData tbl;
        ViewState vs;
        HexView view{ed, tbl, vs};
        common::testing::ScriptedPort port;
        QMainWindow window;
        ViewPane* pane;
        ViewCommands* commands;
        Setup() {
            std::vector<uint8_t> data(65535, 0);
            for (int i = 0; i < 64; ++i) data[i] = static_cast<uint8_t>(0x40 + i);
            ed.storage = std::move(data);
            ed.FileSize = 64;
            ed.BufferSize = 65535;
            ed.CurrentPath = "/tmp/demo.bin";
            ed.EditorReady = true;
            tbl.setByte(0x41, "A");
            tbl.PairTable[0x4243] = "BC";
            pane = new ViewPane(view);
            window.setCentralWidget(pane);
            commands = new ViewCommands(pane->binding(), port, &window);
            QMenu* edit = window.menuBar()->addMenu(QStringLiteral("&Edit"));
            commands->addEditToggles(edit);
            QMenu* option = window.menuBar()->addMenu(QStringLiteral("&Option"));
            commands->addJapaneseView(option);
            commands->addOffsetMenu(option);
            commands->installKeyPreview(&window);
            QObject::connect(&pane->binding(), &ViewBinding::statusTextChanged, window.statusBar(),
                             [this](const QString& t) { window.statusBar()->showMessage(t); });
            window.resize(800, 400);
            window.show();
            window.activateWindow();
            view.FormPaint();
        }
        QColor at(QWidget* w, QPoint p) { return w->grab().toImage().pixelColor(p); }
        // A point in the middle of a cell.
        QPoint mid(const ViewCell& c, int row) {
            return {c.x + c.width / 2, row * view.page().lineHeight + view.page().lineHeight / 2};
        }
        QPoint corner(const ViewCell& c, int row) { return {c.x + 1, row * view.page().lineHeight + 1}; }
    };

private slots:
    void paintedCellsHaveTheirColours() {
        Setup s;
        QVERIFY(QTest::qWaitForWindowExposed(&s.window));
        s.vs.ColorTable[kHex2Color].background = 0x0000FF;    // even hex columns on red
        s.vs.ColorTable[kSubstringColor].background = 0xFF0000;  // pairs on blue
        s.vs.CursorColumn = 3;
        s.view.FormPaint();
        const ViewPage& page = s.view.page();
        QVERIFY(page.valid);
        // Cursor cell: grey; even column: red; odd column: black background.
        QCOMPARE(s.at(s.pane->HexData(), s.corner(page.hexRows[0].cells[1 + 3], 0)), QColor(0x80, 0x80, 0x80));
        QCOMPARE(s.at(s.pane->HexData(), s.corner(page.hexRows[0].cells[1 + 2], 0)), QColor(0xFF, 0, 0));
        QCOMPARE(s.at(s.pane->HexData(), s.corner(page.hexRows[0].cells[1 + 1], 0)), QColor(0, 0, 0));
        // Text column: the pair "BC" (bytes 2 and 3) carries the cursor.
        const ViewCell& pair = page.textRows[0].cells[2];
        QCOMPARE(pair.count, 2);
        QCOMPARE(s.at(s.pane->TblData(), s.corner(pair, 0)), QColor(0x80, 0x80, 0x80));
        s.vs.CursorRow = 1;
        s.view.FormPaint();
        QCOMPARE(s.at(s.pane->TblData(), s.corner(page.textRows[0].cells[2], 0)), QColor(0, 0, 0xFF));
        // Glyphs are drawn in the text colour somewhere inside the cell.
        const QImage img = s.pane->HexData()->grab().toImage();
        const ViewCell& label = page.hexRows[0].cells[0];
        bool white = false;
        for (int x = label.x; x < label.x + label.width; ++x)
            for (int y = 0; y < page.lineHeight; ++y)
                if (img.pixelColor(x, y) == QColor(Qt::white)) white = true;
        QVERIFY(white);
        if (qEnvironmentVariableIsSet("VIEW_SCREENSHOT"))
            s.window.grab().save(qEnvironmentVariable("VIEW_SCREENSHOT"));
        // The panel widths follow the view.
        QCOMPARE(s.pane->HexData()->width(), s.view.hexPanelWidth());
    }

    void keysReachTheView() {
        Setup s;
        QVERIFY(QTest::qWaitForWindowExposed(&s.window));
        s.pane->HexData()->setFocus();
        QTest::keyClick(&s.window, Qt::Key_Right);
        QCOMPARE(s.vs.CursorOffset, 1);
        QTest::keyClick(s.pane->HexData(), Qt::Key_Down);
        QCOMPARE(s.vs.CursorOffset, 17);
        QVERIFY(s.pane->HexData()->hasFocus());
        QTest::keyClicks(s.pane->HexData(), QStringLiteral("4x1"));
        QCOMPARE(s.ed.FileBuffer()[17], 0x41);
        QVERIFY(s.ed.Modified);
        QVERIFY(s.window.statusBar()->currentMessage().startsWith(QStringLiteral("Dec: 082 Hex: 52")));
        // Tab, Shift+Tab and Alt+Tab toggle the Edit entries and keep the focus.
        QTest::keyClick(s.pane->HexData(), Qt::Key_Tab);
        QVERIFY(s.view.TextMode);
        QVERIFY(s.commands->HexEditMode1->isChecked());
        QVERIFY(s.pane->HexData()->hasFocus());
        QTest::keyClick(s.pane->HexData(), Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(s.view.Disable16Bit);
        QVERIFY(s.commands->D_MBE->isChecked());
        QTest::keyClick(s.pane->HexData(), Qt::Key_Tab, Qt::AltModifier);
        QVERIFY(s.view.DteInserting);
        QVERIFY(s.commands->D_DTE->isChecked());
        QVERIFY(s.pane->HexData()->hasFocus());
        // Text mode types through the table.
        QTest::keyClick(s.pane->HexData(), 'A');
        QCOMPARE(s.ed.FileBuffer()[18], 0x41);
        // Offset formats: a radio group with Ctrl+Alt shortcuts.
        QTest::keyClick(s.pane->HexData(), Qt::Key_L, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(s.vs.OffsetFormat, kOffsetLoRomSlow);
        QVERIFY(s.commands->LoROM1->isChecked());
        QVERIFY(!s.commands->Standard->isChecked());
        QCOMPARE(QString::fromStdU16String(s.view.page().hexRows[0].cells[0].text), QStringLiteral("00008000 "));
        QTest::keyClick(s.pane->HexData(), Qt::Key_D, Qt::ControlModifier);
        QVERIFY(s.view.JapaneseView());
        QVERIFY(s.commands->ViewKana->isChecked());
    }

    void mouseAndScrollBar() {
        Setup s;
        QVERIFY(QTest::qWaitForWindowExposed(&s.window));
        const ViewPage& page = s.view.page();
        const ViewCell& cell = page.hexRows[2].cells[1 + 5];
        QTest::mouseClick(s.pane->HexData(), Qt::LeftButton, {}, s.mid(cell, 2));
        QCOMPARE(s.vs.CursorOffset, 2 * 16 + 5);
        const ViewCell& item = page.textRows[0].cells[2];  // the pair of bytes 2 and 3
        QTest::mouseClick(s.pane->TblData(), Qt::LeftButton, {}, s.mid(item, 0));
        QCOMPARE(s.vs.CursorOffset, 3);
        // The scroll bar's page step moves four pages through PlaceCursor.
        QScrollBar* bar = s.pane->VScrl();
        QCOMPARE(bar->maximum(), 65535);
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(s.vs.CursorOffset, 3 + 4 * s.vs.PageBytes);
        QCOMPARE(bar->sliderPosition(), s.vs.TopOffset);
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        QCOMPARE(s.vs.TopOffset, 65535 - s.vs.PageBytes);
        QCOMPARE(bar->sliderPosition(), s.vs.TopOffset);
    }

    void blinkTimerRepaintsTheCursor() {
        Setup s;
        QVERIFY(QTest::qWaitForWindowExposed(&s.window));
        s.vs.ColorTable[kHex1Color].background = 0x00FF00;  // "off" background: green
        s.view.FormPaint();
        const ViewCell& c = s.view.page().hexRows[0].cells[1];
        QCOMPARE(s.pane->Timer1()->interval(), 500);
        s.view.Timer1Timer(true);
        s.view.Timer1Timer(true);
        QCOMPARE(s.at(s.pane->HexData(), s.corner(c, 0)), QColor(0, 0xFF, 0));
        s.view.Timer1Timer(true);
        QCOMPARE(s.at(s.pane->HexData(), s.corner(c, 0)), QColor(0x80, 0x80, 0x80));
    }

    void pasteFromThePopupMenu() {
        Setup s;
        QMenu popup;
        s.commands->addPasteMenu(&popup);
        s.pane->binding().setPopupMenu(&popup);
        s.port.clipboard = "DE AD";
        s.commands->AsHex1->trigger();
        QCOMPARE(s.ed.FileBuffer()[0], 0xDE);
        QCOMPARE(s.ed.FileBuffer()[1], 0xAD);
        s.port.clipboard = "AA";
        s.commands->AsText1->trigger();
        QCOMPARE(s.ed.FileBuffer()[2], 0x41);
        QCOMPARE(s.ed.FileBuffer()[3], 0x41);
        QVERIFY(!s.view.TextMode);
    }
};

QTEST_MAIN(ViewPaneTest)
#include "viewpane_qtest.moc"
