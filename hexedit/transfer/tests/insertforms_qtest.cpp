// The external program's settings window on Qt: its boxes show and change
// the settings, "Done" names the main window's menu entry.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "common/ui/QtPort.h"

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

    // A real program through the Qt port: it gets the file with the
    // editor's data and its change is read back.
    void externalProgramRunsOnTheData() {
        struct Port : common::QtPort {
            std::string script;
            std::vector<std::string> said;
            std::vector<std::string> openFiles(const common::OpenRequest&) override { return {script}; }
            bool message(const common::Message& m) override {
                said.push_back(m.text);
                return true;
            }
        } port;
        QTemporaryDir dir;
        const QString rom = dir.filePath(QStringLiteral("game.smc"));
        const QString program = dir.filePath(QStringLiteral("ins"));
        QFile f(program);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\nsleep 0.2\nprintf '%s+' \"$(cat \"$1\")\" > \"$1\"\n");
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        QFile r(rom);
        QVERIFY(r.open(QIODevice::WriteOnly));
        r.write("OLD");
        r.close();
        port.script = dir.filePath(QStringLiteral("script.txt")).toStdString();

        TarnwickModel app(port);
        TDataPad w(app.pad);
        QVERIFY(app.pad.openPath(rom.toStdString()));
        const uint8_t n = 'N';
        app.pad.writeBytes(0, std::span(&n, 1));
        app.settings.external = {program.toStdString(), "%ROMFILE", true};
        app.pad.runCommand("ExecuteExternalProgram1Click");
        QCOMPARE(port.said, std::vector<std::string>{"Operation Performed!"});
        auto bytes = app.pad.editor().fileBytes();
        QCOMPARE(std::string(bytes.begin(), bytes.end()), std::string("NLD+"));
        QVERIFY(app.pad.editor().Modified);
    }
};

QTEST_MAIN(InsertFormsTest)
#include "insertforms_qtest.moc"
