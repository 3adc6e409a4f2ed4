#include "hexedit/search/ui/KanaGridWidget.h"

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>

#include "hexedit/search/FindWindow.h"

namespace hexedit::search {

KanaGridWidget::KanaGridWidget(FindWindow& model, QWidget* parent)
    : QWidget(parent), model_(model), font_(japaneseFont(14)) {
    setObjectName(QStringLiteral("fGrid"));
    setFixedSize(KanaGrid::Width + 1, KanaGrid::Height + 1);
    setMouseTracking(true);
}

QFont KanaGridWidget::japaneseFont(int pixelSize) {
    const QStringList families = QFontDatabase::families();
    QString face = QStringLiteral("IPAGothic");
    if (!families.contains(face)) face = QStringLiteral("IPAMincho");
    QFont f(face);
    f.setPixelSize(pixelSize);
    f.setStyleStrategy(QFont::PreferMatch);
    return f;
}

void KanaGridWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setPen(QColor(0xC0, 0xC0, 0xC0));
    for (int c = 0; c <= KanaGrid::Columns; ++c) p.drawLine(c * KanaGrid::CellSize, 0, c * KanaGrid::CellSize, KanaGrid::Height);
    for (int r = 0; r <= KanaGrid::Rows; ++r) p.drawLine(0, r * KanaGrid::CellSize, KanaGrid::Width, r * KanaGrid::CellSize);
    p.setFont(font_);
    const QFontMetrics fm(font_);
    for (const auto& cell : model_.grid.layout()) {
        const QRect box(cell.x, cell.y, KanaGrid::CellSize, KanaGrid::CellSize);
        if (cell.highlighted) {
            // A flat button on the cell under the mouse.
            p.fillRect(box.adjusted(1, 1, 0, 0), palette().button());
            p.setPen(palette().light().color());
            p.drawLine(box.topLeft() + QPoint(1, 1), box.topRight() + QPoint(-1, 1));
            p.drawLine(box.topLeft() + QPoint(1, 1), box.bottomLeft() + QPoint(1, -1));
            p.setPen(palette().dark().color());
            p.drawLine(box.bottomLeft() + QPoint(1, 0), box.bottomRight());
            p.drawLine(box.topRight() + QPoint(0, 1), box.bottomRight());
        }
        p.setPen(palette().text().color());
        p.drawText(cell.textX, cell.textY + fm.ascent(),
                   QString::fromUtf16(cell.text.data(), static_cast<qsizetype>(cell.text.size())));
    }
}

void KanaGridWidget::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    model_.gridMouseMove(pos.x(), pos.y());
}

void KanaGridWidget::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const QPoint pos = e->position().toPoint();
    model_.gridClick(pos.x(), pos.y());
}

}  // namespace hexedit::search
