#include "hexedit/tableedit/ui/CharGridWidget.h"

#include <QMouseEvent>
#include <QPainter>

#include "hexedit/tableedit/TableEditor.h"

namespace hexedit::tableedit {

CharGridWidget::CharGridWidget(TableEditor& model, QWidget* parent) : QWidget(parent), model_(model) {
    setObjectName(QStringLiteral("jGrid"));
    setFixedSize(CharGrid::Width, CharGrid::Height);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CharGridWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    painter_.paint(p, model_.grid, palette().button().color(), Qt::black);
}

void CharGridWidget::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    model_.gridMouseMove(pos.x(), pos.y());
}

void CharGridWidget::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const QPoint pos = e->position().toPoint();
    model_.gridClick(pos.x(), pos.y());
}

}  // namespace hexedit::tableedit
