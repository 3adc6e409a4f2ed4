// The compare window on Qt: controls, captions and accessible names, the
// boxes and buttons forwarded to the model, the list's jumps, and a result
// list of a hundred thousand lines.

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

#include "common/testing/ScriptedPort.h"
#include "hexedit/core/testing/TestSession.h"
#include "hexedit/transfer/ui/TCompForm.h"

using namespace hexedit;
using namespace hexedit::transfer;
using common::MsgIcon;

namespace {

struct Env {
    QTemporaryDir dir;
    common::testing::ScriptedPort port;
    hexedit::testing::TestSession session{port};
    CompareFiles model{session};
    TCompForm form{model};

    QString file(const QString& name, const std::vector<uint8_t>& bytes) {
        const QString path = dir.filePath(name);
        std::ofstream(path.toStdString(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    void compare(const QString& a, const QString& b) {
        form.Edit1->clear();
        form.Edit2->clear();
        QTest::keyClicks(form.Edit1, a);
        QTest::keyClicks(form.Edit2, b);
        QTest::mouseClick(form.Button3, Qt::LeftButton);
        port.expectMessage("File comparison completed!", "", MsgIcon::Exclamation);
    }
    QString row(int r) const { return form.CompList->model()->index(r, 0).data().toString(); }
};

}  // namespace

class CompareFormTest : public QObject {
    Q_OBJECT
private slots:
    void controlsAndCaptions() {
        Env e;
        QVERIFY(e.session.commands().run("CompareFiles1Click"));
        QVERIFY(e.form.isVisible());
        QVERIFY(!e.form.isModal());
        QCOMPARE(e.form.windowTitle(), QStringLiteral("Compare Files..."));
        QCOMPARE(e.form.Note->text(),
                 QStringLiteral("If either file opened is the current ROM file, then it has to be saved first."));
        QCOMPARE(e.form.Button1->text() + e.form.Button2->text() + e.form.Button3->text(),
                 QStringLiteral("......Compare"));
        QCOMPARE(e.form.Edit1->accessibleName() + e.form.Edit2->accessibleName() + e.form.CompList->accessibleName(),
                 QStringLiteral("Source FileCompare FileCompList"));
        QStringList labels;
        for (QLabel* l : e.form.findChildren<QLabel*>())
            if (l->buddy()) labels << l->text();
        QCOMPARE(labels, (QStringList{"Source File", "Compare File"}));

        // "..." fills its own box from the open dialog in LastDirectory.
        e.session.editorState.LastDirectory = "/roms";
        e.port.answerOpen("/roms/b.smc");
        QTest::mouseClick(e.form.Button2, Qt::LeftButton);
        QCOMPARE(e.form.Edit2->text(), QStringLiteral("/roms/b.smc"));
        QCOMPARE(e.form.Edit1->text(), QString());
        const auto& r = e.port.openRequests.at(0);
        QVERIFY(r.initialFolder == "/roms" && r.title.empty() && r.filter == "All files (*.*)|*.*");
    }

    void resultsAndJumps() {
        Env e;
        e.session.load(std::vector<uint8_t>(0x1000, 0));
        std::vector<uint8_t> a(0x300, 5), b = a;
        b[0x10] = b[0x11] = b[0x12] = 0;
        b[0x2F0] = 0;
        e.form.show();
        e.compare(e.file("a.bin", a), e.file("b.bin", b));
        QCOMPARE(e.form.windowTitle(), QStringLiteral("Compare Files...Results: 2 difference(s) found."));
        QCOMPARE(e.form.CompList->model()->rowCount(), 2);
        QCOMPARE(e.row(0), QStringLiteral("[00000010] ;      3 bytes different at location."));

        e.form.CompList->setCurrentIndex(e.form.CompList->model()->index(1, 0));
        QTest::keyClick(e.form.CompList, Qt::Key_Return);
        QCOMPARE(e.session.viewState.CursorOffset, 0x2F0);
        const QRect first = e.form.CompList->visualRect(e.form.CompList->model()->index(0, 0));
        QTest::mouseClick(e.form.CompList->viewport(), Qt::LeftButton, {}, first.center());
        QTest::mouseDClick(e.form.CompList->viewport(), Qt::LeftButton, {}, first.center());
        QCOMPARE(e.session.viewState.CursorOffset, 0x10);
        QVERIFY(e.form.isVisible());

        // A hundred thousand lines come from the model as the view asks.
        a.assign(200000, 0);
        b = a;
        for (size_t i = 0; i < b.size(); i += 2) b[i] = 1;
        e.form.resize(520, 420);
        e.compare(e.file("a.bin", a), e.file("b.bin", b));
        QCOMPARE(e.form.CompList->model()->rowCount(), 100000);
        QCOMPARE(e.row(99999), QStringLiteral("[00030D3E] ;      1 byte  different at location."));
        e.form.CompList->scrollToBottom();
        const QString shots = qEnvironmentVariable("TOOLSET_SHOTS");
        if (!shots.isEmpty()) QVERIFY(e.form.grab().save(shots + QStringLiteral("/tcompform.png")));
    }
};

QTEST_MAIN(CompareFormTest)
#include "compareform_qtest.moc"
