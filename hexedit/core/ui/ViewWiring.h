#pragma once
// Attaches the hex view to the main window: its paint boxes, scroll bar and
// status bar panel; the main window has it repaint the view when its model
// asks. The view's menu entries and keys run through the model's command
// table.

#include <QObject>

#include "hexedit/core/DataPad.h"
#include "hexedit/core/ui/HexViewPane.h"

namespace hexedit {
class TDataPad;
}

namespace hexedit::ui {

class ViewWiring : public QObject {
    Q_OBJECT
public:
    explicit ViewWiring(TDataPad& window);
    // The wiring of a main window (fonts and colours are set through it).
    static ViewWiring* of(TDataPad& window);

    ViewBinding* binding = nullptr;

    // The page is built anew and painted.
    void formPaint();
    void scrollRangeChanged();

private:
    DataPad& model_;
};

}  // namespace hexedit::ui
