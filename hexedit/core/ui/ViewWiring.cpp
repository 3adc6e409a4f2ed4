#include "hexedit/core/ui/ViewWiring.h"

#include "hexedit/core/ui/PaintBox.h"
#include "hexedit/core/ui/TDataPad.h"

namespace hexedit::ui {

ViewWiring::ViewWiring(TDataPad& window) : QObject(&window), model_(window.model) {
    DataPad& model = window.model;
    binding = new ViewBinding(model.hexView, window.HexData, window.TblData, window.VScrl, window.Panel3,
                              window.Panel2, this);
    connect(binding, &ViewBinding::statusTextChanged, &window, &TDataPad::setStatusText);
    // Presses in the paint boxes and the view's toggles update the menus.
    connect(binding, &ViewBinding::menusNeedUpdate, this, [&model] { model.UpdateMenuItems(); });
    binding->relayout();
}

ViewWiring* ViewWiring::of(TDataPad& window) { return window.findChild<ViewWiring*>(); }

void ViewWiring::formPaint() {
    model_.hexView.FormPaint();
    binding->scrollBarChanged();
}

void ViewWiring::scrollRangeChanged() { binding->scrollBarChanged(); }

}  // namespace hexedit::ui
