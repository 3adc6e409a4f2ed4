// The main window shows the hex view of the open file: painted cells, keys,
// mouse and the view's menu entries through the window's own actions.

#include <QApplication>
#include <QFile>
#include <QWheelEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "common/testing/ScriptedPort.h"
#include "hexedit/core/ui/PaintBox.h"
#include "hexedit/core/ui/TDataPad.h"
#include "hexedit/core/ui/ViewFonts.h"
#include "hexedit/core/ui/ViewWiring.h"

using namespace hexedit;

class ViewWiringTest : public QObject {
    Q_OBJECT

    static QString makeFile(QTemporaryDir& dir, const char* name, const std::string& bytes) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        f.open(QIODevice::WriteOnly);
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return f.fileName();
    }

private slots:
    void mainWindowShowsAndEditsTheView() {
        QTemporaryDir dir;
        common::testing::ScriptedPort port;
        DataPad model(port);
        TDataPad w(model);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // A Shift-JIS table and a file using it.
        makeFile(dir, "game.tbl", "41=A\n\x82\xA0=x\n01=\x82\xA0\n0203=\x8A\xBF\n");
        port.answerOpen(makeFile(dir, "game.smc", std::string("\x01\x02\x03\x41", 4) + std::string(60, '\x41')).toStdString());
        w.command("Open1Click")->trigger();
        const ViewPage& page = model.hexView.page();
        QVERIFY(page.valid);
        QVERIFY(page.hexRows.size() > 10);
        QCOMPARE(model.view().PageBytes, static_cast<int>(page.hexRows.size()) * 16);
        QCOMPARE(w.Panel3->width(), model.hexView.hexPanelWidth());
        QCOMPARE(w.VScrl->maximum(), 65535);
        ui::ViewWiring* wiring = ui::ViewWiring::of(w);
        QVERIFY(wiring);
        QCOMPARE(wiring->binding->HexData(), w.HexData);

        // The cursor cell is grey in both boxes, the others black.
        auto pixel = [&](QWidget* box, const ViewCell& c, int row) {
            return box->grab().toImage().pixelColor(c.x + 1, row * page.lineHeight + 1);
        };
        QCOMPARE(pixel(w.HexData, page.hexRows[0].cells[1], 0), QColor(0x80, 0x80, 0x80));
        QCOMPARE(pixel(w.HexData, page.hexRows[0].cells[2], 0), QColor(0, 0, 0));
        QCOMPARE(pixel(w.TblData, page.textRows[0].cells[0], 0), QColor(0x80, 0x80, 0x80));
        QVERIFY(w.SBarPanel1->text().startsWith(QStringLiteral("Dec: 001 Hex: 01")));

        // Keys: the window previews them whatever has the focus.
        QTest::keyClick(&w, Qt::Key_Right);
        QCOMPARE(model.view().CursorOffset, 1);
        QTest::keyClick(&w, Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(model.view().BytesPerRow, 17);
        QCOMPARE(w.Panel3->width(), model.hexView.hexPanelWidth());
        QTest::keyClick(&w, Qt::Key_Left, Qt::ControlModifier);
        QTest::keyClicks(&w, QStringLiteral("ff"));
        QCOMPARE(model.editor().FileBuffer()[1], 0xFF);
        QVERIFY(model.editor().Modified);

        // The Edit toggles are the window's own check entries.
        QAction* mode = w.command("HexEditMode1Click");
        QTest::keyClick(&w, Qt::Key_Tab);
        QVERIFY(model.hexView.TextMode);
        QVERIFY(mode->isChecked());
        QTest::keyClick(&w, Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(w.command("D_MBEClick")->isChecked());
        QTest::keyClick(&w, Qt::Key_Tab, Qt::AltModifier);
        QVERIFY(w.command("D_DTEClick")->isChecked());
        QTest::keyClick(&w, 'A');
        QCOMPARE(model.editor().FileBuffer()[2], 0x41);
        mode->trigger();
        QVERIFY(!model.hexView.TextMode);

        // "Display Offset as...": one radio entry at a time.
        QTest::keyClick(&w, Qt::Key_H, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(model.view().OffsetFormat, kOffsetHiRom);
        QVERIFY(w.command("HiROM1Click")->isChecked());
        QVERIFY(!w.command("StandardClick")->isChecked());
        QCOMPARE(QString::fromStdU16String(page.hexRows[0].cells[0].text), QStringLiteral("00C00000 "));

        // The Japanese view reads the table as Shift-JIS.
        QTest::keyClick(&w, Qt::Key_D, Qt::ControlModifier);
        QVERIFY(w.command("ViewKanaClick")->isChecked());
        QCOMPARE(page.textRows[0].cells[0].text, std::u16string(u"\u3042"));
        if (qEnvironmentVariableIsSet("VIEW_SCREENSHOT")) w.grab().save(qEnvironmentVariable("VIEW_SCREENSHOT"));

        // Mouse: a click on a hex cell puts the cursor there.
        const ViewCell& target = page.hexRows[3].cells[1 + 7];
        QTest::mouseClick(w.HexData, Qt::LeftButton, {}, QPoint(target.x + 2, 3 * page.lineHeight + 2));
        QCOMPARE(model.view().CursorOffset, 3 * 16 + 7);

        // A drag selects; the status shows it and Copy as Hex takes it.
        const ViewCell& from = page.hexRows[1].cells[1 + 2];
        QTest::mousePress(w.HexData, Qt::LeftButton, {}, QPoint(from.x + 2, page.lineHeight + 2));
        QMouseEvent drag(QEvent::MouseMove, QPointF(from.x + 2 + 16 * 0, page.lineHeight * 2 + 2),
                         w.HexData->mapToGlobal(QPointF(from.x + 2, page.lineHeight * 2 + 2)), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(w.HexData, &drag);
        QTest::mouseRelease(w.HexData, Qt::LeftButton, {}, QPoint(from.x + 2, page.lineHeight * 2 + 2));
        QCOMPARE(model.hexView.selection()->first, 16 + 2);
        QCOMPARE(model.hexView.selection()->last, 32 + 2);
        QVERIFY(w.SBarPanel1->text().contains(QStringLiteral("Sel: 00000012-00000022 Len: 17 (11h)")));
        QVERIFY(w.command("CopyasHex2Click")->isEnabled());
        QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(port.clipboard.size(), 17u * 3 - 1);
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!model.hexView.selection());
        QVERIFY(!w.command("CopyasHex2Click")->isEnabled());
        QTest::mouseClick(w.HexData, Qt::LeftButton, {}, QPoint(target.x + 2, 3 * page.lineHeight + 2));

        // Paste as hex from the pop-up menu.
        port.clipboard = "12 34";
        w.command("AsHex1Click")->trigger();
        QCOMPARE(model.editor().FileBuffer()[3 * 16 + 7], 0x12);
        QCOMPARE(model.editor().FileBuffer()[3 * 16 + 8], 0x34);
        port.clearMessages();

        // The wheel scrolls the view by rows, the cursor keeping its place.
        auto turn = [&](QWidget* target, int angle) {
            QWheelEvent e(QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, angle), Qt::NoButton,
                          {}, Qt::NoScrollPhase, false);
            QApplication::sendEvent(target, &e);
        };
        for (int notch = 0; notch < 8; ++notch) turn(w.HexData, -120);
        QCOMPARE(model.view().TopOffset, 8 * 3 * 16);
        QCOMPARE(model.view().CursorOffset, 8 * 3 * 16 + 3 * 16 + 9);  // after the paste
        QCOMPARE(w.VScrl->value(), model.view().TopOffset);
        turn(w.VScrl, 120);
        turn(w.TblData, 120);
        QCOMPARE(model.view().TopOffset, 6 * 3 * 16);

        // A highlighted menu entry's hint shows in the hint panel.
        QAction* open = w.command("Open1Click");
        QVERIFY(!open->statusTip().isEmpty());
        open->showStatusText(&w);
        QCOMPARE(w.SBarPanel2->text(), open->statusTip());
    }

    void cellColoursAndBlink() {
        QTemporaryDir dir;
        common::testing::ScriptedPort port;
        DataPad model(port);
        TDataPad w(model);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        makeFile(dir, "game.tbl", "41=A\n4243=BC\n");
        port.answerOpen(makeFile(dir, "game.smc", "ABCD").toStdString());
        w.command("Open1Click")->trigger();
        auto& colors = model.view().ColorTable;
        colors[kHex2Color].background = 0x0000FF;        // even hex columns on red
        colors[kSubstringColor].background = 0xFF0000;   // pairs on blue
        colors[kHex1Color].background = 0x00FF00;        // odd columns and blink "off" on green
        model.view().CursorColumn = 3;
        model.notifyRepaint();
        const ViewPage& page = model.hexView.page();
        auto pixel = [&](QWidget* box, const ViewCell& c) { return box->grab().toImage().pixelColor(c.x + 1, 1); };
        const auto& hex = page.hexRows[0].cells;
        QCOMPARE(pixel(w.HexData, hex[1 + 2]), QColor(0xFF, 0, 0));
        QCOMPARE(pixel(w.HexData, hex[1 + 1]), QColor(0, 0xFF, 0));
        QCOMPARE(pixel(w.HexData, hex[1 + 3]), QColor(0x80, 0x80, 0x80));  // cursor
        // "BC" covers bytes 1 and 2; the cursor is on "D" after it.
        const ViewCell& pair = page.textRows[0].cells[1];
        QCOMPARE(pair.count, 2);
        QCOMPARE(pixel(w.TblData, pair), QColor(0, 0, 0xFF));
        model.view().CursorColumn = 2;  // the pair's second byte
        model.notifyRepaint();
        QCOMPARE(pixel(w.TblData, page.textRows[0].cells[1]), QColor(0x80, 0x80, 0x80));
        // Glyphs are drawn in the text colour inside the offset label.
        const QImage img = w.HexData->grab().toImage();
        bool white = false;
        for (int x = 0; x < hex[0].width; ++x)
            for (int y = 0; y < page.lineHeight; ++y) white |= img.pixelColor(x, y) == QColor(Qt::white);
        QVERIFY(white);
        // The blink timer switches the cursor cell to its "off" colours and back.
        ui::ViewBinding* b = ui::ViewWiring::of(w)->binding;
        QCOMPARE(b->Timer1()->interval(), 500);
        QVERIFY(b->Timer1()->isActive());
        model.hexView.Timer1Timer(true);
        model.hexView.Timer1Timer(true);
        QCOMPARE(pixel(w.HexData, page.hexRows[0].cells[1 + 2]), QColor(0, 0xFF, 0));
        model.hexView.Timer1Timer(true);
        QCOMPARE(pixel(w.HexData, page.hexRows[0].cells[1 + 2]), QColor(0x80, 0x80, 0x80));
        // The scroll bar's page step moves four pages through PlaceCursor.
        w.VScrl->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(model.view().CursorOffset, 2 + 4 * model.view().PageBytes);
        QCOMPARE(w.VScrl->sliderPosition(), model.view().TopOffset);
        w.VScrl->triggerAction(QAbstractSlider::SliderToMaximum);
        QCOMPARE(model.view().TopOffset, 65535 - model.view().PageBytes);
        QCOMPARE(w.VScrl->sliderPosition(), model.view().TopOffset);
    }

    void defaultFonts() {
        const QFont f = ui::defaultViewFont();
        QVERIFY(QFontInfo(f).fixedPitch());
        bool found = false;
        const QFont j = ui::japaneseFont(f, &found);
        // The build machine has IPA fonts; any Japanese face will do.
        if (found) QVERIFY(QFontDatabase::families(QFontDatabase::Japanese).contains(j.family()) ||
                           j.family() == QStringLiteral("MS Gothic") || j.family() == QStringLiteral("MS Mincho"));
        else QCOMPARE(j, f);
    }
};

QTEST_MAIN(ViewWiringTest)
#include "viewwiring_qtest.moc"
