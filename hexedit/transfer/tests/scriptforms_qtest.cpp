// The script round trip in Tarnwick32: the dump window writes the script;
// the insert shows its report and changes the data only on Apply, as one
// step that one undo takes back.

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/testing/ModalGuard.h"
#include "common/testing/ScriptedPort.h"
#include "hexedit/app/TarnwickModel.h"
#include "hexedit/core/ui/TDataPad.h"
#include "hexedit/transfer/ui/TScriptForms.h"

using namespace hexedit;
using namespace hexedit::transfer;

class ScriptFormsTest : public QObject {
    Q_OBJECT

private slots:
    void dumpThenInsertWithApplyCancelAndUndo() {
        QTemporaryDir tmp;
        const std::string dir = tmp.path().toStdString();
        const std::string data = qEnvironmentVariable("TOOLSET_DATA").toStdString() + "/demo/";
        std::filesystem::copy_file(data + "demo.bin", dir + "/demo.bin");
        std::filesystem::copy_file(data + "demo.tbl", dir + "/demo.tbl");
        common::testing::ScriptedPort port;
        TarnwickModel app(port);
        TDataPad w(app.pad);
        TScriptForms forms(app.script, &w);
        QCOMPARE(forms.dump->Pointers->accessibleName(), QStringLiteral("Pointers"));
        QCOMPARE(forms.insert->Report->accessibleName(), QStringLiteral("Insert report"));
        QCOMPARE(forms.insert->Fill->accessibleName(), QStringLiteral("Fill freed space with"));
        QVERIFY(app.pad.files.openPath(dir + "/demo.bin"));
        const std::vector<uint8_t> original(app.pad.bytes().begin(), app.pad.bytes().end());

        const std::string script = dir + "/demo.txt";
        port.answerSave(script);
        common::testing::whenModal([&] {
            forms.dump->Pointers->setText(QStringLiteral("7F00,5,16,lorom,1"));
            forms.dump->Space->setText(QStringLiteral("8200-83FF"));
            if (qEnvironmentVariableIsSet("SCRIPT_SCREENSHOT")) forms.dump->grab().save(qEnvironmentVariable("SCRIPT_SCREENSHOT") + "dump.png");
            forms.dump->DumpButton->click();
        });
        app.pad.runCommand("DumpScript1Click");
        port.expectMessage("The script was written to\n" + script, kScriptDumpTitle, common::MsgIcon::Exclamation);
        std::stringstream text;
        text << std::ifstream(script).rdbuf();
        std::string edited = text.str();
        const size_t at = edited.find("\nYou found the sword!");
        QVERIFY(at != std::string::npos);
        edited.replace(at, 21, "\nYou found the sword at last!");
        std::ofstream(script, std::ios::binary) << edited;

        for (const bool apply : {false, true}) {
            port.answerOpen(script);
            common::testing::whenModal([&] {
                QVERIFY(forms.insert->Report->toPlainText().contains(QStringLiteral("5 strings placed (4 where they were)")));
                forms.insert->Fill->setText(QStringLiteral("EE"));
                if (qEnvironmentVariableIsSet("SCRIPT_SCREENSHOT")) forms.insert->grab().save(qEnvironmentVariable("SCRIPT_SCREENSHOT") + "insert.png");
                (apply ? forms.insert->ApplyButton : forms.insert->CancelButton)->click();
            });
            app.pad.runCommand("InsertScript1Click");
            QCOMPARE(app.pad.document().canUndo(), apply);
        }
        const auto bytes = app.pad.bytes();
        QCOMPARE(int(bytes[0x7F04]), 0x00);  // pointer 2 now points to the free space
        QCOMPARE(int(bytes[0x7F05]), 0x82);
        QCOMPARE(int(bytes[0x804F]), 0xEE);  // its old place filled
        QVERIFY(app.pad.document().modified());
        app.pad.runCommand("Undo1Click");
        QVERIFY(!app.pad.document().canUndo());
        QVERIFY(std::equal(original.begin(), original.end(), app.pad.bytes().begin()));
    }
};

QTEST_MAIN(ScriptFormsTest)
#include "scriptforms_qtest.moc"
