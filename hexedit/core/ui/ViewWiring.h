#pragma once
// Attaches the hex view to the main window: its paint boxes, scroll bar,
// status bar panel, key preview and the view's menu entries (Edit toggles,
// Japanese view, "Display Offset as...", paste), and repaints the view when
// the main window's model announces a change.

#include <QObject>

#include "hexedit/core/DataPad.h"
#include "hexedit/core/ui/HexViewPane.h"
#include "hexedit/core/ui/ViewCommands.h"

namespace hexedit {
class TDataPad;
}

namespace hexedit::ui {

class ViewWiring : public QObject, public DataPadObserver {
    Q_OBJECT
public:
    explicit ViewWiring(TDataPad& window);
    ~ViewWiring() override;
    // The wiring of a main window (fonts and colours are set through it).
    static ViewWiring* of(TDataPad& window);

    ViewBinding* binding = nullptr;
    ViewCommands* commands = nullptr;

    // DataPadObserver
    void formPaint() override;
    void menusChanged() override;
    void scrollRangeChanged() override;

private:
    DataPad& model_;
};

}  // namespace hexedit::ui
