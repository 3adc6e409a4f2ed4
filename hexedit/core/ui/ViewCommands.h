#pragma once
// The view's menu commands on the main window: the three Edit toggles, the
// Japanese view, the "Display Offset as..." radio group and the pop-up
// menu's paste entries. The window's own entries are used when it has them.

#include <QAction>
#include <QActionGroup>
#include <QObject>

#include <functional>
#include <string_view>

#include "common/port/Port.h"
#include "hexedit/core/ui/HexViewPane.h"

#include <QMenu>

namespace hexedit::ui {

class ViewCommands : public QObject {
    Q_OBJECT
public:
    // The window's own entry for a handler name ("HexEditMode1Click"), or
    // nullptr; entries it lacks are created here.
    using ExistingAction = std::function<QAction*(std::string_view handler)>;
    ViewCommands(ViewBinding& binding, common::Port& port, QObject* parent = nullptr, ExistingAction existing = {});

    // Edit menu
    QAction* HexEditMode1;  // "&Hex / Text Edit Mode" (Tab)
    QAction* D_MBE;         // "Enable / Disable 16-Bit ASCII Input" (Shift+Tab)
    QAction* D_DTE;         // "Enable / Disable DTE Inserting" (Alt+Tab)
    // Option menu
    QAction* ViewKana;  // "View Text &Data as Japanese" (Ctrl+D)
    QActionGroup* OffsetGroup;
    QAction* Standard;  // "&Standard ( Linear Offset )" (Ctrl+Alt+S)
    QAction* LoROM1;    // "SNES &Lo-ROM ( Slow ROM )" (Ctrl+Alt+L)
    QAction* LoROM2;    // "SNES &Lo-ROM ( Fast ROM )" (Ctrl+Alt+F)
    QAction* HiROM1;    // "SNES &Hi-ROM" (Ctrl+Alt+H)
    QAction* SnesMem1;  // "SNES &Memory" (Ctrl+Alt+M)
    // Pop-up menu, under "&Paste to Current Location"
    QAction* AsText1;  // "As Text..."
    QAction* AsHex1;   // "As Hex..."

    // Check marks from the view.
    void syncChecks();

private:
    ViewBinding& binding_;
    common::Port& port_;
};

}  // namespace hexedit::ui
