#include "hexedit/core/ui/HexViewPane.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGlyphRun>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

namespace hexedit::ui {

namespace {
QString cellText(const ViewCell& c) {
    return QString::fromRawData(reinterpret_cast<const QChar*>(c.text.data()), static_cast<qsizetype>(c.text.size()));
}
}  // namespace

// Backgrounds cell by cell; then the glyphs of all cells of one text colour
// in one glyph run, which is what keeps a full page within a few
// milliseconds. Cells with a character the font lacks are drawn as text so
// that Qt's font fallback finds a face for it.
void paintViewRows(QPainter& p, const ViewPage& page, bool textColumn, const QtTextMetrics& font, const QRect& dirty) {
    if (!page.valid) return;
    const auto& rows = textColumn ? page.textRows : page.hexRows;
    const int h = std::max(1, page.lineHeight);
    const int first = std::max(0, dirty.top() / h);
    const int last = std::min(static_cast<int>(rows.size()) - 1, dirty.bottom() / h);
    p.setFont(font.font());
    const int ascent = font.ascent();
    const QRawFont& raw = font.rawFont();

    struct Batch {
        uint32_t color;
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };
    std::vector<Batch> batches;
    std::vector<std::pair<const ViewCell*, int>> fallback;
    quint32 glyphs[256];
    QPointF advances[256];
    for (int r = first; r <= last; ++r) {
        const int y = r * h;
        for (const ViewCell& c : rows[r].cells) {
            if (c.width <= 0 || c.x > dirty.right() || c.x + c.width <= dirty.left()) continue;
            p.fillRect(c.x, y, c.width, h, windowsColor(c.background));
            if (c.text.empty()) continue;
            int n = 256;
            const bool ok = raw.isValid() && c.text.size() <= 256 &&
                            raw.glyphIndexesForChars(reinterpret_cast<const QChar*>(c.text.data()),
                                                     static_cast<int>(c.text.size()), glyphs, &n) &&
                            raw.advancesForGlyphIndexes(glyphs, advances, n);
            bool missing = !ok;
            for (int i = 0; ok && i < n; ++i)
                if (glyphs[i] == 0) missing = true;
            if (missing) {
                fallback.emplace_back(&c, r);
                continue;
            }
            auto it = std::find_if(batches.begin(), batches.end(),
                                   [&](const Batch& b) { return b.color == c.textColor; });
            if (it == batches.end()) it = batches.insert(batches.end(), Batch{c.textColor, {}, {}});
            qreal x = c.x;
            for (int i = 0; i < n; ++i) {
                it->glyphs.push_back(glyphs[i]);
                it->positions.push_back(QPointF(x, y + ascent));
                x += advances[i].x();
            }
        }
    }
    for (const Batch& b : batches) {
        QGlyphRun run;
        run.setRawFont(raw);
        run.setGlyphIndexes(b.glyphs);
        run.setPositions(b.positions);
        p.setPen(windowsColor(b.color));
        p.drawGlyphRun(QPointF(0, 0), run);
    }
    for (const auto& [c, r] : fallback) {
        p.setPen(windowsColor(c->textColor));
        p.drawText(c->x, r * h + ascent, cellText(*c));
    }
}

// ---------------------------------------------------------------- ViewBinding

ViewBinding::ViewBinding(HexView& view, QWidget* hexData, QWidget* tblData, QScrollBar* vscrl, QFrame* panel3,
                         QFrame* panel2, QObject* parent)
    : QObject(parent),
      view_(view),
      hexData_(hexData),
      tblData_(tblData),
      vscrl_(vscrl),
      panel3_(panel3),
      panel2_(panel2),
      hexMetrics_(defaultViewFont()),
      textMetrics_(defaultViewFont()) {
    for (QWidget* box : {hexData, tblData}) {
        box->setMouseTracking(true);
        box->setAttribute(Qt::WA_OpaquePaintEvent);
        box->installEventFilter(this);
    }
    vscrl_->setFocusPolicy(Qt::NoFocus);  // keys always reach the window
    vscrl_->installEventFilter(this);     // its wheel scrolls as the view's
    connect(vscrl_, &QScrollBar::actionTriggered, this, &ViewBinding::scrollAction);
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(500);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (hexData_) view_.Timer1Timer(hexData_->window()->isVisible());
    });
    timer_->start();
    dragScroll_ = new QTimer(this);
    dragScroll_->setInterval(50);
    connect(dragScroll_, &QTimer::timeout, this, [this] { view_.mouseDrag(dragText_); });
    applyPanelColors();
    view_.setHost(this);
    fontsChanged();
}

ViewBinding::~ViewBinding() { view_.setHost(nullptr); }

const QtTextMetrics& ViewBinding::metricsFor(bool textColumn) const {
    if (!textColumn) return hexMetrics_;
    return view_.japaneseFace() ? kanaMetrics_ : textMetrics_;
}

void ViewBinding::setHexFont(const QFont& font) {
    hexMetrics_.setFont(font);
    fontsChanged();
}

void ViewBinding::setTextFont(const QFont& font) {
    textMetrics_.setFont(font);
    fontsChanged();
}

void ViewBinding::fontsChanged() {
    kanaMetrics_.setFont(japaneseFont(textMetrics_.font(), &japaneseFound_));
    hexData_->setFont(hexMetrics_.font());
    tblData_->setFont(textMetrics_.font());
    view_.setFonts(&hexMetrics_, &textMetrics_, &kanaMetrics_);
    setPanelWidth();
    relayout();
}

void ViewBinding::relayout() {
    // Until the window is shown and laid out the page keeps its size.
    if (hexData_->isVisible() && hexData_->height() > 0) view_.Panel3Resize(hexData_->height(), tblData_->width());
    else view_.FormPaint();
}

void ViewBinding::applyPanelColors() {
    const auto& colors = view_.view().ColorTable;
    for (auto [frame, item] : {std::pair{panel3_.data(), kHexPanelBackground},
                               std::pair{panel2_.data(), kTextPanelBackground}}) {
        if (!frame) continue;
        frame->setAutoFillBackground(true);
        QPalette pal = frame->palette();
        pal.setColor(QPalette::Window, windowsColor(colors[item].background));
        frame->setPalette(pal);
        frame->update();
    }
    pageRepainted();
}

void ViewBinding::setPanelWidth() {
    if (!panel3_) return;
    const int frame = 2 * panel3_->frameWidth();
    panel3_->setFixedWidth(view_.hexPanelWidth() + frame);
}

void ViewBinding::paintBox(QWidget* box, bool textColumn, const QRect& dirty) {
    QPainter p(box);
    const auto& colors = view_.view().ColorTable;
    p.fillRect(dirty, windowsColor(colors[textColumn ? kTextPanelBackground : kHexPanelBackground].background));
    paintViewRows(p, view_.page(), textColumn, metricsFor(textColumn), dirty);
}

bool ViewBinding::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Wheel && (watched == hexData_ || watched == tblData_ || watched == vscrl_)) {
        auto* w = static_cast<QWheelEvent*>(e);
        // Some platforms turn Shift+wheel into a horizontal turn.
        const QPoint angle = w->angleDelta(), pixels = w->pixelDelta();
        view_.MouseWheel(angle.y() ? angle.y() : angle.x(), pixels.y() ? pixels.y() : pixels.x(),
                         w->modifiers() & Qt::ShiftModifier);
        return true;
    }
    const bool hex = watched == hexData_;
    const bool text = watched == tblData_;
    if (!hex && !text) return false;
    QWidget* box = static_cast<QWidget*>(watched);
    auto move = [&](QPoint pos) {
        if (text) view_.TblDataMouseMove(pos.x(), pos.y());
        else view_.HexDataMouseMove(pos.x(), pos.y());
    };
    switch (e->type()) {
    case QEvent::Paint:
        paintBox(box, text, static_cast<QPaintEvent*>(e)->rect());
        return true;
    case QEvent::MouseMove: {
        auto* m = static_cast<QMouseEvent*>(e);
        const QPoint pos = m->position().toPoint();
        move(pos);
        if (!(m->buttons() & Qt::LeftButton)) return true;
        view_.mouseDrag(text);
        dragText_ = text;
        if (pos.y() < 0 || pos.y() >= box->height()) dragScroll_->start();
        else dragScroll_->stop();
        return true;
    }
    case QEvent::MouseButtonPress: {
        auto* m = static_cast<QMouseEvent*>(e);
        move(m->position().toPoint());
        view_.mousePressed();
        if (m->button() != Qt::LeftButton) return false;  // the right button opens the pop-up menu
        view_.mouseDown(text, m->modifiers() & Qt::ShiftModifier);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
            dragScroll_->stop();
            view_.mouseUp();
        }
        return true;
    case QEvent::ContextMenu:
        if (popup_) {
            popup_->popup(static_cast<QContextMenuEvent*>(e)->globalPos());
            return true;
        }
        return false;
    case QEvent::Show:
        if (hex) relayout();
        return false;
    case QEvent::Resize: {
        // A new height changes the page; a new width of the hex box only
        // follows a change of BytesPerRow, which keeps PageBytes.
        auto* r = static_cast<QResizeEvent*>(e);
        if (hex && r->oldSize().height() != r->size().height()) relayout();
        else if (text) view_.Panel2Resize(tblData_->width());
        return false;
    }
    default: return false;
    }
}

void ViewBinding::panelWidthChanged() { setPanelWidth(); }

void ViewBinding::pageRepainted() {
    if (hexData_) hexData_->update();
    if (tblData_) tblData_->update();
}

void ViewBinding::rowsRepainted(int rowA, int rowB) {
    const int h = view_.page().lineHeight;
    for (int r : {rowA, rowB}) {
        hexData_->update(0, r * h, hexData_->width(), h);
        tblData_->update(0, r * h, tblData_->width(), h);
    }
}

void ViewBinding::blinkRepainted() {
    const BlinkCellState& b = view_.BlinkCell();
    const ViewPage& page = view_.page();
    const auto& rows = b.textColumn ? page.textRows : page.hexRows;
    if (!b.valid || b.row >= static_cast<int>(rows.size()) || b.cellIndex >= rows[b.row].cells.size()) return;
    const ViewCell& c = rows[b.row].cells[b.cellIndex];
    (b.textColumn ? tblData_ : hexData_)->update(c.x, b.row * page.lineHeight, c.width, page.lineHeight);
}

void ViewBinding::statusChanged() { emit statusTextChanged(QString::fromStdString(view_.statusText())); }

void ViewBinding::menusChanged() { emit menusNeedUpdate(); }

void ViewBinding::scrollBarChanged() {
    const ScrollBarState s = view_.VScrlChange();
    syncing_ = true;
    vscrl_->setRange(s.minimum, s.maximum);
    vscrl_->setSingleStep(std::max(1, s.singleStep));
    vscrl_->setPageStep(std::max(1, s.pageStep));
    vscrl_->setSliderPosition(s.position);
    syncing_ = false;
}

void ViewBinding::scrollAction(int action) {
    if (syncing_) return;
    ScrollCode code = ScrollCode::Other;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: code = ScrollCode::LineUp; break;
    case QAbstractSlider::SliderSingleStepAdd: code = ScrollCode::LineDown; break;
    case QAbstractSlider::SliderPageStepSub: code = ScrollCode::PageUp; break;
    case QAbstractSlider::SliderPageStepAdd: code = ScrollCode::PageDown; break;
    case QAbstractSlider::SliderMove: code = ScrollCode::Track; break;
    case QAbstractSlider::SliderToMinimum: code = ScrollCode::Top; break;
    case QAbstractSlider::SliderToMaximum: code = ScrollCode::Bottom; break;
    default: break;
    }
    view_.VScrlScroll(code, vscrl_->sliderPosition());
    // The view decides where the page is; the slider follows it.
    syncing_ = true;
    vscrl_->setSliderPosition(view_.VScrlChange().position);
    syncing_ = false;
}

}  // namespace hexedit::ui
