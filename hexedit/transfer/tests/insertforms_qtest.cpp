// The external program's settings window on Qt: its boxes show and change
// the settings, "Done" names the main window's menu entry.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "common/testing/ModalGuard.h"
#include "common/testing/ScriptedPort.h"
#include "hexedit/app/TarnwickModel.h"
#include "hexedit/core/ui/TDataPad.h"
#include "hexedit/transfer/ui/TAppIns.h"

using namespace hexedit;
using namespace hexedit::transfer;

class InsertFormsTest : public QObject {
    Q_OBJECT

private slots:
    void settingsWindowEditsAndNamesTheEntry() {
        common::testing::ScriptedPort port;
        TarnwickModel app(port);
        TDataPad w(app.pad);
        TAppIns form(app.inserter, &w);
        app.settings.external.AppArgs = "%ROMFILE";
        QCOMPARE(form.AppName->accessibleName(), QStringLiteral("Program"));
        QCOMPARE(form.AppArgs->accessibleName(), QStringLiteral("Arguments"));
        common::testing::whenModal([&] {
            QCOMPARE(form.AppArgs->text(), QStringLiteral("%ROMFILE"));
            QTest::keyClicks(form.AppName, QStringLiteral("/usr/local/bin/inserter"));
            form.HideIns->setChecked(true);
            if (qEnvironmentVariableIsSet("INSERT_SCREENSHOT")) form.grab().save(qEnvironmentVariable("INSERT_SCREENSHOT"));
            form.DoneButton->click();
        });
        app.pad.runCommand("ExternalProgramSettings1Click");
        QVERIFY(!form.isVisible());
        QCOMPARE(app.settings.external.AppName, std::string("/usr/local/bin/inserter"));
        QVERIFY(app.settings.external.HideIns);
        QCOMPARE(w.command("ExecuteExternalProgram1Click")->text(),
                 QStringLiteral("Execute External Program \"inserter\""));
    }
};

QTEST_MAIN(InsertFormsTest)
#include "insertforms_qtest.moc"
