// The colour settings window and the settings applied to the main window:
// grid presses, saving a colour, fonts, the status bar, recent-file menus
// and a dropped file.

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "common/testing/ModalGuard.h"
#include "common/testing/ScriptedPort.h"
#include "hexedit/core/ui/SettingsWiring.h"
#include "hexedit/core/ui/TColForm.h"
#include "hexedit/core/ui/TDataPad.h"
#include "hexedit/core/ui/ViewWiring.h"

using namespace hexedit;

class SettingsFormsTest : public QObject {
    Q_OBJECT

private slots:
    void colourWindowPicksAndSaves() {
        common::testing::ScriptedPort port;
        DataPad model(port);
        EditorSettings settings(model);
        TDataPad w(model);
        new ui::SettingsWiring(w, settings);
        TColForm form(settings, &w);
        QCOMPARE(form.ColBox->count(), 16);
        QCOMPARE(form.ColBox->accessibleName(), QStringLiteral("ColBox"));
        QCOMPARE(form.ColGrid->accessibleName(), QStringLiteral("ColGrid"));
        common::testing::whenModal([&] {
            form.ColBox->setCurrentRow(kHexPanelBackground);
            QVERIFY(!settings.colors.foregroundEnabled());
            form.ColBox->setCurrentRow(kTextColor);
            // Left: text colour from the last cell; right: background from the first.
            const QSize s = form.ColGrid->size();
            QTest::mousePress(form.ColGrid, Qt::LeftButton, {}, QPoint(s.width() - 2, s.height() - 2));
            QTest::mouseRelease(form.ColGrid, Qt::LeftButton, {}, QPoint(s.width() - 2, s.height() - 2));
            QTest::mousePress(form.ColGrid, Qt::RightButton, {}, QPoint(2, 2));
            QTest::mouseRelease(form.ColGrid, Qt::RightButton, {}, QPoint(2, 2));
            QCOMPARE(form.Label1->palette().color(QPalette::WindowText), QColor(Qt::white));
            form.SaveButton->click();
            form.BlinkBox->setChecked(false);
            if (qEnvironmentVariableIsSet("SETTINGS_SCREENSHOT"))
                form.grab().save(qEnvironmentVariable("SETTINGS_SCREENSHOT"));
            form.FinishButton->click();
        });
        model.runCommand("EditorColors1Click");
        QCOMPARE(model.view().ColorTable[kTextColor], (ColorPair{kWhite, 0}));
        QVERIFY(!model.hexView.BlinkEnabled);
    }

    void mainWindowFollowsTheSettings() {
        QTemporaryDir dir;
        common::testing::ScriptedPort port;
        DataPad model(port);
        EditorSettings settings(model);
        TDataPad w(model);
        new ui::SettingsWiring(w, settings);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        port.answerFont(common::FontSpec{settings.HexFont.face, 20});
        model.runCommand("HexFont1Click");
        QCOMPARE(ui::ViewWiring::of(w)->binding->hexFont().pointSize(), 20);
        model.runCommand("ViewStatusBar1Click");
        QVERIFY(w.statusBar()->isHidden());

        const QString rom = dir.filePath(QStringLiteral("a.bin"));
        QFile f(rom);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("ABCD");
        f.close();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(rom)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&w, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&w, &drop);
        QCOMPARE(QString::fromStdString(model.editor().CurrentPath), rom);
        QCOMPARE(w.command("RecentROM1")->text(), QStringLiteral("&1 ") + rom);
        QVERIFY(w.command("RecentROM1")->isEnabled());
        if (qEnvironmentVariableIsSet("SETTINGS_SCREENSHOT")) {
            QMenu* m = w.menu("RecentROMFiles1");
            m->popup(w.mapToGlobal(QPoint(40, 40)));
            m->grab().save(qEnvironmentVariable("SETTINGS_SCREENSHOT") + QStringLiteral(".menu.png"));
            m->hide();
        }
    }
};

QTEST_MAIN(SettingsFormsTest)
#include "settingsforms_qtest.moc"
