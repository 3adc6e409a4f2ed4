#pragma once
// The value inspector's panel, docked at the right of the main window: a
// read-only table of the ValueInspector model's rows for the cursor. It
// refreshes only while shown, once per burst of cursor moves or repaints,
// and forwards double clicks and its own close button to the model.

#include <QDockWidget>
#include <QTimer>

#include "hexedit/core/ui/TDataPad.h"
#include "hexedit/search/ValueInspector.h"

class QMainWindow;
class QTableWidget;

namespace hexedit::search {

class ValueInspectorDock : public QDockWidget, public ValueInspectorView {
    Q_OBJECT
public:
    // Docks itself in the main window.
    ValueInspectorDock(ValueInspector& model, TDataPad& window);
    ~ValueInspectorDock() override;

    QTableWidget* table() const { return ValueTable_; }

    // ValueInspectorView
    void showPanel(bool shown) override;
    void rowsChanged() override { scheduleRefresh(); }


protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    // The settings file may have set the flag: the panel follows it when
    // the menus are brought up to date.
    void followFlag();
    void scheduleRefresh();
    void refresh();
    // The main window grows by the panel's width when it is shown from the
    // menu and shrinks back when it is hidden, so the view keeps its width.
    void widenWindow(bool show);

    ValueInspector& model_;
    QMainWindow& window_;
    QTableWidget* ValueTable_ = nullptr;
    QTimer refreshTimer_;
};

}  // namespace hexedit::search
