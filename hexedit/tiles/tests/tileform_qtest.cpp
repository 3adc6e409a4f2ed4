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
#include "hexedit/core/testing/FakeSession.h"
#include "hexedit/tiles/ui/TTileForm.h"

using namespace hexedit;
using namespace hexedit::tiles;

namespace {

struct Env {
    common::testing::ScriptedPort port;
    hexedit::testing::FakeSession session{port};
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

    void showingKeysMouseAndScrollBar() {
        Env env;
        env.session.viewState.TopOffset = 0x800;
        common::testing::whenModal([&] {
            QVERIFY(env.form.isVisible());
            QVERIFY(!env.session.mainWindowVisible);
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
        QVERIFY(env.session.mainWindowVisible);
        QCOMPARE(env.session.viewState.CursorOffset, 0x800 + 136 + 2048);
    }
};

QTEST_MAIN(TileFormTest)
#include "tileform_qtest.moc"
