// The ROM size and SNES-to-hex windows on Qt: controls, captions and
// accessible names, and events reaching the models.

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "common/testing/ModalGuard.h"
#include "common/testing/ScriptedPort.h"
#include "hexedit/core/testing/TestSession.h"
#include "hexedit/romtools/RomTools.h"
#include "hexedit/romtools/ui/TExpander.h"
#include "hexedit/romtools/ui/TSnes2Hex.h"

using namespace hexedit;
using namespace hexedit::romtools;

namespace {

struct Env {
    common::testing::ScriptedPort port;
    testing::TestSession session{port};
    RomTools tools{session};
    TExpander expander{tools.expander};
    TSnes2Hex converter{tools.snes2hex};

    Env() { session.load(std::vector<uint8_t>(0x180000, 0x20), "/tmp/game.smc"); }
};

void whenShown(std::function<void()> actions) { common::testing::whenModal(std::move(actions)); }

QString shotDir() {
    const QString d = qEnvironmentVariable("TOOLSET_SHOTS");
    return d.isEmpty() ? QDir::tempPath() : d;
}

}  // namespace

class RomFormsTest : public QObject {
    Q_OBJECT
private slots:
    void expanderControlsAndEvents() {
        Env e;
        TExpander& f = e.expander;
        whenShown([&] {
            QCOMPARE(f.windowTitle(), QStringLiteral("Change ROM Size"));
            QCOMPARE(f.sizeTxt()->text(), QStringLiteral("Size of ROM: 1572864 BYTES"));
            QVERIFY(f.unitButton(SizeUnit::Bytes)->isChecked());
            QCOMPARE(f.unitButton(SizeUnit::MegaBits)->text(), QStringLiteral("Mega-BITS"));
            f.unitButton(SizeUnit::MegaBits)->click();
            QCOMPARE(f.sizeTxt()->text(), QStringLiteral("Size of ROM: 12 Mega BITS"));
            QCOMPARE(f.expOther()->accessibleName(), QStringLiteral("New ROM Size:"));
            QCOMPARE(f.addHdr()->accessibleName(), QStringLiteral("Add Header"));
            QVERIFY(!f.addHdr()->isEnabled());
            f.addHeaderBox()->click();
            QVERIFY(f.addHdr()->isEnabled());
            QTest::keyClicks(f.expOther(), QStringLiteral("1x6-"));
            QCOMPARE(f.expOther()->text(), QStringLiteral("16"));
            QCOMPARE(e.tools.expander.ExpOther(), std::string("16"));
            f.grab().toImage().save(shotDir() + QStringLiteral("/tarnwick_rom_size.png"));
            QTest::keyClick(&f, Qt::Key_Escape);
        });
        e.tools.expander.IncreaseDecreaseROMSize1Click();
        QVERIFY(!f.isVisible());
        QCOMPARE(e.session.editor().FileSize, 0x180000);
    }

    void converterControlsAndEvents() {
        Env e;
        TSnes2Hex& f = e.converter;
        whenShown([&] {
            QCOMPARE(f.windowTitle(), QStringLiteral("Snes To Hex Convertor"));
            QCOMPARE(f.lorom1()->accessibleName(), QStringLiteral("ROM"));
            QCOMPARE(f.lorom2()->accessibleName(), QStringLiteral("SNES"));
            QCOMPARE(f.convertButton()->text(), QStringLiteral("Lo-ROM"));
            QCOMPARE(f.zstText()->text(), QStringLiteral("[$000]"));
            f.modeButton(ConvertMode::VideoRam)->click();
            QCOMPARE(f.convertButton()->text(), QStringLiteral("Vram  "));
            QCOMPARE(f.zstText()->text(), QStringLiteral("[$C13]"));
            f.modeButton(ConvertMode::HiRom)->click();
            QTest::keyClicks(f.lorom2(), QStringLiteral("c12345z9"));
            QCOMPARE(f.lorom2()->text(), QStringLiteral("C12345"));
            QCOMPARE(e.tools.snes2hex.direction(), ConvertDirection::AddressToOffset);
            f.headerBox()->click();
            f.convertButton()->click();
            QCOMPARE(f.lorom1()->text(), QStringLiteral("012545"));
            QTest::mouseClick(f.lorom1(), Qt::LeftButton);
            QCOMPARE(e.tools.snes2hex.direction(), ConvertDirection::OffsetToAddress);
            f.gotoButton()->click();
            QCOMPARE(e.session.cursor(), 0x12545);
            f.grab().toImage().save(shotDir() + QStringLiteral("/tarnwick_snes2hex.png"));
            QTest::keyClick(f.lorom2(), Qt::Key_Escape);
        });
        e.tools.snes2hex.SnesToHex1Click();
        QVERIFY(!f.isVisible());
    }
};

QTEST_MAIN(RomFormsTest)
#include "romforms_qtest.moc"
