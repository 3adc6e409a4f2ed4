// The external program's settings window on Qt: its boxes show and change
// the settings, "Done" names the main window's menu entry; a real program
// run; the dump window asking for the insertion's start.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QFile>
#include <QTemporaryDir>
#include <QLabel>
#include <QTest>

#include <fstream>

#include "common/ui/QtPort.h"

#include "common/testing/ModalGuard.h"
#include "common/testing/ScriptedPort.h"
#include "hexedit/app/TarnwickModel.h"
#include "hexedit/core/ui/TDataPad.h"
#include "hexedit/core/testing/TestSession.h"
#include "hexedit/transfer/ui/InsertStartDialog.h"
#include "hexedit/transfer/ui/TAppIns.h"
#include "hexedit/transfer/ui/TDumpForm.h"

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
        QVERIFY(app.pad.files.openPath(rom.toStdString()));
        const uint8_t n = 'N';
        app.pad.writeBytes(0, std::span(&n, 1));
        app.settings.external = {program.toStdString(), "%ROMFILE", true};
        app.pad.runCommand("ExecuteExternalProgram1Click");
        QCOMPARE(port.said, std::vector<std::string>{"Operation Performed!"});
        auto bytes = app.pad.editor().fileBytes();
        QCOMPARE(std::string(bytes.begin(), bytes.end()), std::string("NLD+"));
        QVERIFY(app.pad.editor().Modified);
    }

    // The dump window in its insertion mode: only the start box is in use,
    // Enter inserts, Escape cancels, and the window is put back afterwards.
    void startBoxOnlyThenPutBack() {
        common::testing::ScriptedPort port;
        hexedit::testing::TestSession session{port};
        search::DataList list{session};
        Dumper dump{session, list};
        BinaryInsert insert{session};
        QWidget main;
        TDumpForm form{dump, &main};
        new InsertStartDialog(insert, form);
        QTemporaryDir dir;
        const std::string data = dir.filePath(QStringLiteral("d.bin")).toStdString();
        std::ofstream(data, std::ios::binary) << "XY";
        session.load(std::vector<uint8_t>(0x100, 0));
        session.viewState.CursorOffset = 0x20;

        for (bool enter : {false, true}) {
            port.answerOpen(data);
            if (enter) port.answerQuestion(true);
            common::testing::whenModal([&] {
                QCOMPARE(form.windowTitle(), QStringLiteral("Binary Data[ Press Enter to Insert ]"));
                QCOMPARE(form.startBox()->text(), QStringLiteral("20"));
                QVERIFY(!form.endBox()->isEnabled() && !form.nameBox()->isEnabled() && !form.button()->isEnabled());
                QCOMPARE(form.status()->text(), QStringLiteral("Enter file name"));
                form.startBox()->setText(QStringLiteral("F0"));
                QTest::keyClick(form.startBox(), enter ? Qt::Key_Return : Qt::Key_Escape);
            });
            insert.InsertBinaryData1Click();
            QVERIFY(!form.isVisible());
            QVERIFY(form.endBox()->isEnabled() && form.nameBox()->isEnabled());
        }
        port.expectMessage("Are you sure you want to insert at this position?", "Insert Data to the file...",
                           common::MsgIcon::Question, common::MsgButtons::YesNo);
        port.expectMessage("Binary Data successfully inserted...", {}, common::MsgIcon::Exclamation);
        QCOMPARE(session.editor().byteAt(0xF0), uint8_t('X'));
        QCOMPARE(session.editor().byteAt(0xF1), uint8_t('Y'));
    }
};

QTEST_MAIN(InsertFormsTest)
#include "insertforms_qtest.moc"
