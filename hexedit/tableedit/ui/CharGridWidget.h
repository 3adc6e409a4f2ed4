#pragma once
// jGrid: shows the table editor's character grid and forwards the mouse.

#include <QWidget>

#include "hexedit/tableedit/ui/CharGridPainter.h"

namespace hexedit::tableedit {

class TableEditor;

class CharGridWidget : public QWidget {
    Q_OBJECT
public:
    explicit CharGridWidget(TableEditor& model, QWidget* parent = nullptr);
    const QFont& gridFont() const { return painter_.font(); }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    TableEditor& model_;
    CharGridPainter painter_;
};

}  // namespace hexedit::tableedit
