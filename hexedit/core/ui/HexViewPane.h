#pragma once
// The hex view on screen: the scroll bar VScrl, Panel3 holding the paint box
// HexData (offsets and hex bytes) and Panel2 holding TblData (decoded text).
// The paint boxes draw the cells of the view's page and forward mouse
// events; the pane forwards size changes, scroll bar actions and the blink
// timer, and repaints what the view reports as changed.

#include <QFrame>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>

#include "hexedit/core/HexView.h"
#include "hexedit/core/ui/ViewFonts.h"

#include <QMenu>
class QKeyEvent;

namespace hexedit::ui {

class ViewPane;

// Draws one column of the page (hex or text rows) within `dirty`.
void paintViewRows(QPainter& p, const ViewPage& page, bool textColumn, const QtTextMetrics& font, const QRect& dirty);

class ViewBox : public QWidget {
    Q_OBJECT
public:
    ViewBox(ViewPane& pane, bool textColumn, QWidget* parent);
    bool textColumn() const { return text_; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    void move(QPoint pos);
    ViewPane& pane_;
    bool text_;
};

class ViewPane : public QWidget, public ViewHost {
    Q_OBJECT
public:
    ViewPane(HexView& view, QWidget* parent = nullptr);
    ~ViewPane() override;

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
    bool hasJapaneseFace() const { return japaneseFound_; }
    const QtTextMetrics& metricsFor(bool textColumn) const;
    // Both paint boxes use this pop-up menu.
    void setPopupMenu(QMenu* menu) { popup_ = menu; }
    QMenu* popupMenu() const { return popup_; }
    // Background colours of the panels from the colour table (14 and 15).
    void applyPanelColors();

    // Key preview for the main window: cursor keys and typed characters go
    // to the view. Returns true when the event was used.
    bool handleKey(QKeyEvent* e);

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
    void resizeEvent(QResizeEvent* e) override;

private:
    void layoutPanels();
    void fontsChanged();
    void scrollAction(int action);
    void syncScrollBar();

    HexView& view_;
    QtTextMetrics hexMetrics_, textMetrics_, kanaMetrics_;
    bool japaneseFound_ = false;
    QScrollBar* vscrl_;
    QFrame* panel3_;
    QFrame* panel2_;
    ViewBox* hexData_;
    ViewBox* tblData_;
    QTimer* timer_;
    QPointer<QMenu> popup_;
    bool syncing_ = false;
};

}  // namespace hexedit::ui
