#pragma once
// The hex view on screen. ViewBinding attaches the view to the main window's
// controls: the paint boxes HexData (offsets and hex bytes) and TblData
// (decoded text) draw the cells of the view's page and forward mouse events,
// the scroll bar VScrl forwards its actions, the 500 ms timer the blink, and
// whatever the view reports as changed is repainted.

#include <QFrame>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>

#include "hexedit/core/HexView.h"
#include "hexedit/core/ui/ViewFonts.h"

class QKeyEvent;

namespace hexedit::ui {

// Draws one column of the page (hex or text rows) within `dirty`.
void paintViewRows(QPainter& p, const ViewPage& page, bool textColumn, const QtTextMetrics& font, const QRect& dirty);

class ViewBinding : public QObject, public ViewHost {
    Q_OBJECT
public:
    // The panels hold the paint boxes; Panel3's width is set to fit the hex
    // column, Panel2 takes what is left in the window's layout.
    ViewBinding(HexView& view, QWidget* hexData, QWidget* tblData, QScrollBar* vscrl, QFrame* panel3,
                QFrame* panel2, QObject* parent = nullptr);
    ~ViewBinding() override;

    HexView& view() { return view_; }
    QWidget* HexData() const { return hexData_; }
    QWidget* TblData() const { return tblData_; }
    QScrollBar* VScrl() const { return vscrl_; }
    QFrame* Panel3() const { return panel3_; }
    QFrame* Panel2() const { return panel2_; }
    QTimer* Timer1() const { return timer_; }

    void setHexFont(const QFont& font);
    void setTextFont(const QFont& font);
    QFont hexFont() const { return hexMetrics_.font(); }
    QFont textFont() const { return textMetrics_.font(); }
    // True when the Japanese view has a Japanese face to draw with.
    bool hasJapaneseFace() const { return japaneseFound_; }
    QFont japaneseFace() const { return kanaMetrics_.font(); }
    const QtTextMetrics& metricsFor(bool textColumn) const;
    // Both paint boxes open this pop-up menu (when the window does not).
    void setPopupMenu(QMenu* menu) { popup_ = menu; }
    // Background colours of the panels from the colour table (14 and 15).
    void applyPanelColors();
    // Sizes from the controls: after the window was laid out.
    void relayout();

    // ViewHost
    void pageRepainted() override;
    void rowsRepainted(int rowA, int rowB) override;
    void blinkRepainted() override;
    void statusChanged() override;
    void panelWidthChanged() override;
    void scrollBarChanged() override;
    void menusChanged() override;

signals:
    void statusTextChanged(const QString& text);
    void menusNeedUpdate();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void paintBox(QWidget* box, bool textColumn, const QRect& dirty);
    void fontsChanged();
    void scrollAction(int action);
    void setPanelWidth();

    HexView& view_;
    QPointer<QWidget> hexData_, tblData_;
    QPointer<QScrollBar> vscrl_;
    QPointer<QFrame> panel3_, panel2_;
    QtTextMetrics hexMetrics_, textMetrics_, kanaMetrics_;
    bool japaneseFound_ = false;
    QTimer* timer_;
    QPointer<QMenu> popup_;
    bool syncing_ = false;
    // While a drag holds the pointer above or below a box, the view keeps
    // scrolling a row at a time.
    QTimer* dragScroll_;
    bool dragText_ = false;
};

}  // namespace hexedit::ui
