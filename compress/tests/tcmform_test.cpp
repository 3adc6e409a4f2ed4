#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>
#include <algorithm>
#include <filesystem>

#include "common/testing/ScriptedPort.h"
#include "compress/Codec.h"
#include "compress/tests/TestRom.h"
#include "compress/ui/TcmForm.h"

using namespace vt2comp;
using namespace vt2comp::testing;
using common::testing::ScriptedPort;
using Bytes = std::vector<uint8_t>;

namespace {

// The scripted port reports through GoogleTest; outside a GoogleTest run its
// failures land in the ad hoc result.
bool scriptedPortFailed() { return ::testing::UnitTest::GetInstance()->ad_hoc_test_result().Failed(); }

QStringList listLines(const QListWidget* list) {
    QStringList lines;
    for (int k = 0; k < list->count(); ++k) lines << list->item(k)->text();
    return lines;
}

QAction* menuAction(QMenuBar* bar, const QString& menu) {
    for (QAction* a : bar->actions())
        if (a->text() == menu) return a;
    return nullptr;
}

}  // namespace

class TcmFormTest : public QObject {
    Q_OBJECT
private slots:
    void captionMenusAndShortcuts() {
        TempDir dir;
        ScriptedPort port;
        TcmForm form(dir.path(), &port);
        QCOMPARE(form.windowTitle(), QStringLiteral("Compression Utility: Lumbrine[*]"));
        QCOMPARE(form.OpenROMFile1->text(), QStringLiteral("&Open ROM File"));
        QCOMPARE(form.OpenROMFile1->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(form.SaveROMFile1->text(), QStringLiteral("&Save ROM File"));
        QCOMPARE(form.SaveROMFile1->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(form.Exit1->text(), QStringLiteral("E&xit "));
        QCOMPARE(form.Exit1->shortcut(), QKeySequence(QStringLiteral("Alt+X")));
        QCOMPARE(form.Graphics1->text(), QStringLiteral("Start Menu Tiles - $C06321"));
        QCOMPARE(form.Graphics1->data().toInt(), 0);
        QCOMPARE(form.RecompressBlock1->text(), QStringLiteral("Recompress Block..."));

        QAction* edit = menuAction(form.menuBar(), QStringLiteral("&Edit"));
        QVERIFY(edit && edit->menu());
        QStringList items;
        for (QAction* a : edit->menu()->actions()) items << a->text();
        QCOMPARE(items, (QStringList{QStringLiteral("Decompress Block..."), QStringLiteral("Recompress Block...")}));
        QVERIFY(menuAction(form.menuBar(), QStringLiteral("&File")));
        QCOMPARE(form.ListBox1->font().family(), QStringLiteral("Arial"));

        // Commands that need a ROM wait for one.
        QVERIFY(form.OpenROMFile1->isEnabled());
        QVERIFY(!form.SaveROMFile1->isEnabled());
        QVERIFY(!form.Graphics1->isEnabled());
        QVERIFY(!form.RecompressBlock1->isEnabled());
        QVERIFY(!scriptedPortFailed());
    }

    // Open the ROM, unpack the block, edit the data file, pack it back, save,
    // and read the saved ROM's bytes.
    void wholeRoad() {
        TempDir dir;
        TestRom rom = makeTestRom(true);
        const std::string romPath = dir.file("game.smc");
        writeFile(romPath, rom.file);
        ScriptedPort port;
        TcmForm form(dir.path(), &port);
        form.show();

        port.answerOpen(romPath);
        form.OpenROMFile1->trigger();
        QVERIFY(form.SaveROMFile1->isEnabled());
        QVERIFY(form.Graphics1->isEnabled());
        // The status bar tells which ROM is loaded.
        QCOMPARE(form.StatusLabel->accessibleName(), QStringLiteral("ROM state"));
        QCOMPARE(form.StatusLabel->text(),
                 QStringLiteral("ROM: game.smc (%1 bytes, copier header)").arg(rom.file.size()));

        form.Graphics1->trigger();
        QCOMPARE(listLines(form.ListBox1), QStringList{QStringLiteral("Sucessfully decompressed \"VT2_6521.dat\"")});
        const std::string data = dir.path() + "/Comp/VT2_6521.dat";
        const std::string record = dir.path() + "/Comp/00006521.txt";
        QVERIFY(std::filesystem::exists(record));

        Bytes edited = readFile(data);
        QVERIFY(edited.size() >= rom.payload.size());
        for (size_t k = 0; k < 512; ++k) edited[k] = static_cast<uint8_t>(k & 0x0F);  // a new, plainer first tile row
        writeFile(data, edited);

        port.answerOpen(record);
        form.RecompressBlock1->trigger();
        QCOMPARE(listLines(form.ListBox1),
                 QStringList{QStringLiteral("Success: Data was recompressed completely! [ VT2_6521.dat ] ")});
        QCOMPARE(port.processEventsCalls, 1);
        QVERIFY(form.isWindowModified());
        QVERIFY(form.StatusLabel->text().contains(QStringLiteral("Unsaved changes")));

        if (const char* shots = std::getenv("VT2COMP_SCREENSHOT")) form.grab().save(QString::fromUtf8(shots));

        form.SaveROMFile1->trigger();
        port.expectMessage("\"game.smc\" has been saved!", {}, common::MsgIcon::Exclamation);
        QVERIFY(form.StatusLabel->text().endsWith(QStringLiteral("Written: ") + QString::fromStdString(romPath)));

        const Bytes saved = readFile(romPath);
        QCOMPARE(saved.size(), rom.file.size());
        // Header and every byte outside the block are as before.
        const size_t s = 0x200 + kBlockStart, e = 0x200 + rom.blockEnd;
        QVERIFY(std::equal(rom.file.begin(), rom.file.begin() + static_cast<long>(s), saved.begin()));
        QVERIFY(std::equal(rom.file.begin() + static_cast<long>(e), rom.file.end(), saved.begin() + static_cast<long>(e)));
        // The block unpacks to the edited file.
        const std::span<const uint8_t> image = std::span<const uint8_t>(saved).subspan(0x200);
        Bytes out(kDataCapacity);
        DecodeResult r = DecodeBlock(image, kBlockStart, out);
        QCOMPARE(r.status, DecodeStatus::Ok);
        QVERIFY(r.end <= rom.blockEnd);
        out.resize(r.count);
        QVERIFY(out.size() >= edited.size());
        QVERIFY(std::equal(edited.begin(), edited.end(), out.begin()));

        // A further change not saved: Exit asks, No discards it.
        std::fill_n(edited.begin(), 64, 0);
        writeFile(data, edited);
        port.answerOpen(record);
        form.RecompressBlock1->trigger();
        port.cancelQuestion();  // Cancel keeps the window open
        form.Exit1->trigger();
        QCOMPARE(port.takeMessage().buttons, common::MsgButtons::YesNoCancel);
        QVERIFY(form.isVisible());
        port.answerQuestion(false);
        form.Exit1->trigger();
        port.expectMessage("The ROM has been changed by recompressing. Do you wish to save it?",
                           "ROM Data Modified...", common::MsgIcon::Question, common::MsgButtons::YesNo);
        QCOMPARE(readFile(romPath), saved);
        QVERIFY(!form.isVisible());
        QVERIFY(!form.utility().state().romLoaded());
        QVERIFY(!scriptedPortFailed());
    }

};

QTEST_MAIN(TcmFormTest)
#include "tcmform_test.moc"
