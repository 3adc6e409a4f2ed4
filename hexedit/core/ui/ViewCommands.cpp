#include "hexedit/core/ui/ViewCommands.h"

namespace hexedit::ui {

namespace {
QAction* makeAction(QObject* parent, const ViewCommands::ExistingAction& existing, const char* handler,
                    const char* name, const QString& caption, QList<QKeySequence> keys, bool checkable) {
    if (existing)
        if (QAction* a = existing(handler)) {
            a->setCheckable(checkable);
            return a;
        }
    auto* a = new QAction(caption, parent);
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcuts(keys);
    a->setShortcutContext(Qt::WindowShortcut);
    a->setCheckable(checkable);
    return a;
}
}  // namespace

ViewCommands::ViewCommands(ViewBinding& binding, common::Port& port, QObject* parent, ExistingAction existing)
    : QObject(parent), binding_(binding), port_(port) {
    HexView& v = binding_.view();
    HexEditMode1 = makeAction(this, existing, "HexEditMode1Click", "HexEditMode1",
                              QStringLiteral("&Hex / Text Edit Mode"), {QKeySequence(Qt::Key_Tab)}, true);
    D_MBE = makeAction(this, existing, "D_MBEClick", "D_MBE", QStringLiteral("Enable / Disable 16-Bit ASCII Input"),
                       {QKeySequence(Qt::SHIFT | Qt::Key_Tab), QKeySequence(Qt::SHIFT | Qt::Key_Backtab)}, true);
    D_DTE = makeAction(this, existing, "D_DTEClick", "D_DTE", QStringLiteral("Enable / Disable DTE Inserting"),
                       {QKeySequence(Qt::ALT | Qt::Key_Tab)}, true);
    ViewKana = makeAction(this, existing, "ViewKanaClick", "ViewKana", QStringLiteral("View Text &Data as Japanese"),
                          {QKeySequence(Qt::CTRL | Qt::Key_D)}, true);
    connect(HexEditMode1, &QAction::triggered, this, [&v] { v.HexEditMode1Click(); });
    connect(D_MBE, &QAction::triggered, this, [&v] { v.D_MBEClick(); });
    connect(D_DTE, &QAction::triggered, this, [&v] { v.D_DTEClick(); });
    connect(ViewKana, &QAction::triggered, this, [&v] { v.ViewKanaClick(); });

    OffsetGroup = new QActionGroup(this);
    OffsetGroup->setExclusive(true);
    struct Entry {
        QAction** action;
        const char* handler;
        const char* name;
        const char* caption;
        Qt::Key key;
        int32_t format;
    };
    const Entry entries[] = {
        {&Standard, "StandardClick", "Standard", "&Standard ( Linear Offset )", Qt::Key_S, kOffsetStandard},
        {&LoROM1, "LoROM1Click", "LoROM1", "SNES &Lo-ROM ( Slow ROM )", Qt::Key_L, kOffsetLoRomSlow},
        {&LoROM2, "LoROM2Click", "LoROM2", "SNES &Lo-ROM ( Fast ROM )", Qt::Key_F, kOffsetLoRomFast},
        {&HiROM1, "HiROM1Click", "HiROM1", "SNES &Hi-ROM", Qt::Key_H, kOffsetHiRom},
        {&SnesMem1, "SnesMem1Click", "SnesMem1", "SNES &Memory", Qt::Key_M, kOffsetSnesMemory},
    };
    for (const Entry& e : entries) {
        QAction* a = makeAction(this, existing, e.handler, e.name, QString::fromLatin1(e.caption),
                                {QKeySequence(Qt::CTRL | Qt::ALT | e.key)}, true);
        if (!a->actionGroup()) OffsetGroup->addAction(a);
        *e.action = a;
        const int32_t format = e.format;
        connect(a, &QAction::triggered, this, [&v, format] { v.setOffsetFormat(format); });
    }

    AsText1 = makeAction(this, existing, "AsText1Click", "AsText1", QStringLiteral("As Text..."), {}, false);
    AsHex1 = makeAction(this, existing, "AsHex1Click", "AsHex1", QStringLiteral("As Hex..."), {}, false);
    // The entry's tag chooses the mode: 1 text, 0 hex.
    AsText1->setData(1);
    AsHex1->setData(0);
    for (QAction* a : {AsText1, AsHex1})
        connect(a, &QAction::triggered, this, [this, a] { binding_.view().AsText1Click(port_, a->data().toInt() == 1); });

    connect(&binding_, &ViewBinding::menusNeedUpdate, this, &ViewCommands::syncChecks);
    syncChecks();
}

void ViewCommands::syncChecks() {
    HexView& v = binding_.view();
    HexEditMode1->setChecked(v.TextMode);
    D_MBE->setChecked(v.Disable16Bit);
    D_DTE->setChecked(v.DteInserting);
    ViewKana->setChecked(v.JapaneseView());
    const std::pair<QAction*, int32_t> formats[] = {{Standard, kOffsetStandard}, {LoROM1, kOffsetLoRomSlow},
                                                    {LoROM2, kOffsetLoRomFast}, {HiROM1, kOffsetHiRom},
                                                    {SnesMem1, kOffsetSnesMemory}};
    for (auto [a, format] : formats) a->setChecked(format == v.view().OffsetFormat);
}

}  // namespace hexedit::ui
