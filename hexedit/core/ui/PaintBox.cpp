#include "hexedit/core/ui/PaintBox.h"

#include <QMouseEvent>
#include <QPainter>

namespace hexedit {

PaintBox::PaintBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void PaintBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    if (onPaint) onPaint(p);
}

void PaintBox::mousePressEvent(QMouseEvent* e) {
    if (onMousePress) onMousePress(*e);
    else QWidget::mousePressEvent(e);
}

}  // namespace hexedit
