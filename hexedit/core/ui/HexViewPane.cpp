#include "hexedit/core/ui/HexViewPane.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGlyphRun>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace hexedit::ui {

namespace {
constexpr int kBorder = 1;  // the panels' single black line

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
    const int h = page.lineHeight;
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
    std::vector<const ViewCell*> fallback;
    std::vector<int> fallbackRow;
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
                fallback.push_back(&c);
                fallbackRow.push_back(r);
                continue;
            }
            auto it = std::find_if(batches.begin(), batches.end(), [&](const Batch& b) { return b.color == c.textColor; });
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
    for (size_t i = 0; i < fallback.size(); ++i) {
        const ViewCell& c = *fallback[i];
        p.setPen(windowsColor(c.textColor));
        p.drawText(c.x, fallbackRow[i] * h + ascent, cellText(c));
    }
}

// ---------------------------------------------------------------- ViewBox

ViewBox::ViewBox(ViewPane& pane, bool textColumn, QWidget* parent) : QWidget(parent), pane_(pane), text_(textColumn) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
}

void ViewBox::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    const auto& colors = pane_.view().view().ColorTable;
    p.fillRect(e->rect(), windowsColor(colors[text_ ? kTextPanelBackground : kHexPanelBackground].background));
    paintViewRows(p, pane_.view().page(), text_, pane_.metricsFor(text_), e->rect());
}

void ViewBox::move(QPoint pos) {
    if (text_) pane_.view().TblDataMouseMove(pos.x(), pos.y());
    else pane_.view().HexDataMouseMove(pos.x(), pos.y());
}

void ViewBox::mouseMoveEvent(QMouseEvent* e) { move(e->position().toPoint()); }

void ViewBox::mousePressEvent(QMouseEvent* e) {
    move(e->position().toPoint());
    pane_.view().mousePressed();
    e->accept();
}

void ViewBox::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !rect().contains(e->position().toPoint())) return;
    move(e->position().toPoint());
    if (text_) pane_.view().TblDataClick();
    else pane_.view().HexDataClick();
}

void ViewBox::wheelEvent(QWheelEvent* e) { QApplication::sendEvent(pane_.VScrl(), e); }

void ViewBox::contextMenuEvent(QContextMenuEvent* e) {
    if (QMenu* menu = pane_.popupMenu()) menu->popup(e->globalPos());
}

// ---------------------------------------------------------------- ViewPane

ViewPane::ViewPane(HexView& view, QWidget* parent)
    : QWidget(parent), view_(view), hexMetrics_(defaultViewFont()), textMetrics_(defaultViewFont()) {
    vscrl_ = new QScrollBar(Qt::Vertical, this);
    vscrl_->setObjectName(QStringLiteral("VScrl"));
    vscrl_->setFocusPolicy(Qt::NoFocus);  // keys always reach the window
    panel3_ = new QFrame(this);
    panel3_->setObjectName(QStringLiteral("Panel3"));
    panel2_ = new QFrame(this);
    panel2_->setObjectName(QStringLiteral("Panel2"));
    for (QFrame* f : {panel3_, panel2_}) {
        f->setFrameShape(QFrame::Box);
        f->setLineWidth(kBorder);
        f->setAutoFillBackground(true);
        QPalette pal = f->palette();
        pal.setColor(QPalette::WindowText, Qt::black);
        f->setPalette(pal);
    }
    hexData_ = new ViewBox(*this, false, panel3_);
    hexData_->setObjectName(QStringLiteral("HexData"));
    tblData_ = new ViewBox(*this, true, panel2_);
    tblData_->setObjectName(QStringLiteral("TblData"));
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(500);
    connect(timer_, &QTimer::timeout, this, [this] { view_.Timer1Timer(window()->isVisible()); });
    timer_->start();
    connect(vscrl_, &QScrollBar::actionTriggered, this, &ViewPane::scrollAction);
    applyPanelColors();
    view_.setHost(this);
    fontsChanged();
}

ViewPane::~ViewPane() { view_.setHost(nullptr); }

const QtTextMetrics& ViewPane::metricsFor(bool textColumn) const {
    if (!textColumn) return hexMetrics_;
    return view_.JapaneseView() ? kanaMetrics_ : textMetrics_;
}

void ViewPane::setHexFont(const QFont& font) {
    hexMetrics_.setFont(font);
    fontsChanged();
}

void ViewPane::setTextFont(const QFont& font) {
    textMetrics_.setFont(font);
    fontsChanged();
}

void ViewPane::fontsChanged() {
    kanaMetrics_.setFont(japaneseFont(textMetrics_.font(), &japaneseFound_));
    hexData_->setFont(hexMetrics_.font());
    tblData_->setFont(textMetrics_.font());
    view_.setFonts(&hexMetrics_, &textMetrics_, &kanaMetrics_);
    layoutPanels();
    view_.Panel3Resize(hexData_->height(), tblData_->width());
}

void ViewPane::applyPanelColors() {
    const auto& colors = view_.view().ColorTable;
    for (auto [frame, item] : {std::pair{panel3_, kHexPanelBackground}, std::pair{panel2_, kTextPanelBackground}}) {
        QPalette pal = frame->palette();
        pal.setColor(QPalette::Window, windowsColor(colors[item].background));
        frame->setPalette(pal);
    }
    update();
}

void ViewPane::layoutPanels() {
    const int sbw = vscrl_->sizeHint().width();
    const int h = height();
    vscrl_->setGeometry(0, 0, sbw, h);
    const int w3 = view_.hexPanelWidth() + 2 * kBorder;
    panel3_->setGeometry(sbw, 0, w3, h);
    panel2_->setGeometry(sbw + w3, 0, std::max(0, width() - sbw - w3), h);
    hexData_->setGeometry(kBorder, kBorder, std::max(0, w3 - 2 * kBorder), std::max(0, h - 2 * kBorder));
    tblData_->setGeometry(kBorder, kBorder, std::max(0, panel2_->width() - 2 * kBorder),
                          std::max(0, h - 2 * kBorder));
}

void ViewPane::resizeEvent(QResizeEvent*) {
    layoutPanels();
    view_.Panel3Resize(hexData_->height(), tblData_->width());
}

void ViewPane::panelWidthChanged() {
    layoutPanels();
    view_.Panel2Resize(tblData_->width());
}

void ViewPane::pageRepainted() {
    hexData_->update();
    tblData_->update();
}

void ViewPane::rowsRepainted(int rowA, int rowB) {
    const int h = view_.page().lineHeight;
    for (int r : {rowA, rowB}) {
        hexData_->update(0, r * h, hexData_->width(), h);
        tblData_->update(0, r * h, tblData_->width(), h);
    }
}

void ViewPane::blinkRepainted() {
    const BlinkCellState& b = view_.BlinkCell();
    const ViewPage& page = view_.page();
    const auto& rows = b.textColumn ? page.textRows : page.hexRows;
    if (!b.valid || b.row >= static_cast<int>(rows.size()) || b.cellIndex >= rows[b.row].cells.size()) return;
    const ViewCell& c = rows[b.row].cells[b.cellIndex];
    (b.textColumn ? tblData_ : hexData_)->update(c.x, b.row * page.lineHeight, c.width, page.lineHeight);
}

void ViewPane::statusChanged() { emit statusTextChanged(QString::fromStdString(view_.statusText())); }

void ViewPane::menusChanged() { emit menusNeedUpdate(); }

void ViewPane::scrollBarChanged() { syncScrollBar(); }

void ViewPane::syncScrollBar() {
    const ScrollBarState s = view_.VScrlChange();
    syncing_ = true;
    vscrl_->setRange(s.minimum, s.maximum);
    vscrl_->setSingleStep(std::max(1, s.singleStep));
    vscrl_->setPageStep(std::max(1, s.pageStep));
    vscrl_->setSliderPosition(s.position);
    syncing_ = false;
}

void ViewPane::scrollAction(int action) {
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
    const ScrollBarState s = view_.VScrlChange();
    syncing_ = true;
    vscrl_->setSliderPosition(s.position);
    syncing_ = false;
}

bool ViewPane::handleKey(QKeyEvent* e) {
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    ViewKey key;
    switch (e->key()) {
    case Qt::Key_Left: key = ViewKey::Left; break;
    case Qt::Key_Right: key = ViewKey::Right; break;
    case Qt::Key_Up: key = ViewKey::Up; break;
    case Qt::Key_Down: key = ViewKey::Down; break;
    case Qt::Key_Home: key = ViewKey::Home; break;
    case Qt::Key_End: key = ViewKey::End; break;
    case Qt::Key_PageUp: key = ViewKey::PageUp; break;
    case Qt::Key_PageDown: key = ViewKey::PageDown; break;
    case Qt::Key_Backspace: key = ViewKey::Backspace; break;
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
        view_.FormKeyDown(ViewKey::Modifier, ctrl);
        return false;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;  // never moves the focus; the Edit toggles own these keys
    default: {
        const QString text = e->text();
        const bool typed = !text.isEmpty() && (text.at(0).unicode() >= 0x20 || text.at(0) == QLatin1Char('\r')) &&
                           text.at(0).unicode() != 0x7F &&
                           !(ctrl && !(e->modifiers() & Qt::AltModifier));
        if (!typed) {
            view_.FormKeyDown(ViewKey::Other, ctrl);
            return false;
        }
        for (char32_t ch : text.toUcs4()) view_.FormKeyPress(ch);
        return true;
    }
    }
    return view_.FormKeyDown(key, ctrl);
}

}  // namespace hexedit::ui
