// The tile window on Qt: its boxes and names, the menu bound from the
// model, keys and mouse reaching the model, the scroll bar, and the window
// shown from the main window's Tools menu.

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QScrollBar>
#include <QtTest>

#include "common/testing/ModalGuard.h"
#include "common/testing/ScriptedPort.h"
#include "hexedit/core/testing/TestSession.h"
#include "hexedit/tiles/ui/TTileForm.h"

using namespace hexedit;
using namespace hexedit::tiles;

namespace {

struct Env {
    common::testing::ScriptedPort port;
    hexedit::testing::TestSession session{port};
    TileEditor model{session};
    TTileForm form{model};
    Env() {
        std::vector<uint8_t> bytes(0x20000);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
        session.load(std::move(bytes), "game.smc");
    }
    QAction* action(const QString& caption) {
        for (QAction* a : form.actions)
            if (a && a->text() == caption) return a;
        return nullptr;
    }
};

}  // namespace

class TileFormTest : public QObject {
    Q_OBJECT
private slots:
    void controlsAreNamedAndMenusBound() {
        Env env;
        QCOMPARE(env.form.TBox->size(), QSize(256, 256));
        QCOMPARE(env.form.ClipBox->size(), QSize(256, 128));
        for (const char* name : {"TBox", "ChrBox", "ClipBox", "ClrBox", "TVScrl"})
            QCOMPARE(env.form.findChild<QWidget*>(name)->accessibleName(), QString(name));
        QAction* nes = env.action("N.E.S");
        QVERIFY(nes);
        QCOMPARE(nes->shortcut(), QKeySequence("2"));
        QAction* table = env.action("&Table Editor ");
        QVERIFY(table);
        QCOMPARE(table->shortcut(), QKeySequence("Ctrl+T"));
        nes->trigger();
        QCOMPARE(env.model.Format, 1);
        QVERIFY(nes->isChecked());
        QCOMPARE(env.form.panels[1]->text(), QString("NES. Mode"));
        QVERIFY(env.action("&Independent Cursor Box")->isChecked());
    }

    void exportWritesABitmapOfTheArea() {
        Env env;
        env.model.FormShow();
        QAction* item = env.action("'TILE DATA' to BITMAP File");
        QVERIFY(item);
        const QString path = QDir::temp().filePath("tileform_export.bmp");
        env.port.answerSave(path.toStdString());
        item->trigger();
        const QImage image(path);
        QCOMPARE(image.size(), QSize(128, 128));
        const uint16_t c = env.model.colorOf(env.model.tiles[5]);
        QCOMPARE(image.pixelColor(5, 0).red() >> 3, c >> 11);
        QFile::remove(path);
    }

    void pngExportKeepsTheWindowSize() {
        Env env;
        env.model.FormShow();
        env.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&env.form));
        // Both the size the window opened with and one the user chose.
        for (const QSize wanted : {env.form.size(), env.form.size() + QSize(90, 40)}) {
            env.form.resize(wanted);
            QCoreApplication::processEvents();
            const QSize before = env.form.size();
            // A long name, as a full path in a message would be.
            QDir dir(QDir::temp().filePath(QString(120, QLatin1Char('d'))));
            QVERIFY(dir.mkpath("."));
            for (const char* caption : {"'TILE DATA' to PNG File", "'CURRENT PALETTE' to PNG File"}) {
                env.port.answerSave(dir.filePath("export.png").toStdString());
                env.action(caption)->trigger();
                QVERIFY(QFile::exists(dir.filePath("export.png")));
                QCoreApplication::processEvents();
                QCOMPARE(env.form.size(), before);
            }
            QVERIFY(dir.removeRecursively());
        }
        env.form.hide();
    }

    void indexedPngKeepsIndicesAndColourImagesAreNotIndexed() {
        Env env;
        env.model.FormShow();
        const std::string path = QDir::temp().filePath("tileform_indexed.png").toStdString();
        const IndexedImage out = env.model.indexedImage(3);
        QVERIFY(env.form.writeIndexedImage(path, out));
        const auto in = env.form.readIndexedImage(path);
        QVERIFY(in && in->indexed);
        QVERIFY(in->indices == out.indices);
        QCOMPARE(in->colors[1], out.colors[1]);
        QVERIFY(QImage(8, 8, QImage::Format_RGB32).save(QString::fromStdString(path)));
        QVERIFY(!env.form.readIndexedImage(path)->indexed);
        QFile::remove(QString::fromStdString(path));
        QVERIFY(!env.form.readIndexedImage(path));
    }

    void characterCopiedToTheClipboardPastesBack() {
        Env env;
        env.model.FormShow();
        env.model.character[1] = 9;
        env.model.character[TileEditor::kChar] = 200;
        QAction* send = env.action("Send 'CHAR DATA' To Windows Clipboard");
        QVERIFY(send);
        send->trigger();
        env.model.character.fill(0);
        env.action("Paste to 'CHAR DATA' From Windows Clipboard")->trigger();
        QCOMPARE(env.model.character[1], uint8_t{9});
        QCOMPARE(env.model.character[TileEditor::kChar], uint8_t{200});
    }

    void showingKeysMouseAndScrollBar() {
        Env env;
        env.session.viewState.TopOffset = 0x800;
        common::testing::whenModal([&] {
            QVERIFY(env.form.isVisible());
            QVERIFY(!env.session.host.mainWindowVisible);
            QCOMPARE(env.form.panels[2]->text(), QString("Position: 00000800"));
            QTest::keyClick(&env.form, Qt::Key_Down);
            QCOMPARE(env.model.TopOffset, 0x800 + 128);
            QTest::keyClick(&env.form, Qt::Key_Plus, Qt::KeypadModifier);
            QCOMPARE(env.model.TopOffset, 0x800 + 136);
            QTest::keyClick(&env.form, Qt::Key_Minus);  // not the numeric pad: nothing
            QCOMPARE(env.model.TopOffset, 0x800 + 136);
            QTest::keyClick(&env.form, Qt::Key_Tab);
            QVERIFY(env.model.FreeGrid);
            env.form.TVScrl->triggerAction(QAbstractSlider::SliderPageStepAdd);
            QCOMPARE(env.model.TopOffset, 0x800 + 136 + 2048);
            QCOMPARE(env.form.TVScrl->value(), env.model.TopOffset);
            // A right click drops the (blank) character at the box.
            QTest::mouseMove(env.form.TBox, QPoint(20, 20));
            QTest::mouseClick(env.form.TBox, Qt::RightButton, {}, QPoint(20, 20));
            QCOMPARE(env.model.BoxX, 10);
            QVERIFY(env.session.editorState.Modified);
            QTest::keyClick(&env.form, Qt::Key_Escape);
        });
        env.session.commandTable.run("TileEditor1Click");
        QVERIFY(!env.form.isVisible());
        QVERIFY(env.session.host.mainWindowVisible);
        QCOMPARE(env.session.viewState.CursorOffset, 0x800 + 136 + 2048);
    }
};

QTEST_MAIN(TileFormTest)
#include "tileform_qtest.moc"
