#pragma once
// Attaches the hex view to the main window: its paint boxes, scroll bar and
// status bar panel, and repaints the view when the main window's model
// announces a change. The view's menu entries and keys run through the
// model's command table.

#include <QObject>

#include "hexedit/core/DataPad.h"
#include "hexedit/core/ui/HexViewPane.h"

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

    // DataPadObserver
    void formPaint() override;
    void scrollRangeChanged() override;

private:
    DataPad& model_;
};

}  // namespace hexedit::ui
