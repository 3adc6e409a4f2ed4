#include "hexedit/search/ui/ValueInspectorDock.h"

#include <QCloseEvent>
#include <algorithm>
#include <QFontDatabase>
#include <QHeaderView>
#include <QMainWindow>
#include <QScreen>
#include <QStyle>
#include <QTableWidget>

#include "common/ui/Accessibility.h"

namespace hexedit::search {

namespace {
enum Column { TypeColumn, HexColumn, UnsignedColumn, SignedColumn, ColumnCount };
}

ValueInspectorDock::ValueInspectorDock(ValueInspector& model, TDataPad& window)
    : QDockWidget(&window), model_(model), window_(window) {
    setObjectName(QStringLiteral("ValueInspector"));
    setWindowTitle(QStringLiteral("Value Inspector"));
    ValueTable_ = new QTableWidget(0, ColumnCount, this);
    ValueTable_->setObjectName(QStringLiteral("ValueTable"));
    ValueTable_->setHorizontalHeaderLabels(
        {QStringLiteral("Type"), QStringLiteral("Hex"), QStringLiteral("Unsigned"), QStringLiteral("Signed")});
    ValueTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ValueTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    ValueTable_->setSelectionMode(QAbstractItemView::SingleSelection);
    ValueTable_->setFocusPolicy(Qt::ClickFocus);
    ValueTable_->verticalHeader()->hide();
    ValueTable_->setWordWrap(false);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    ValueTable_->setFont(mono);
    ValueTable_->verticalHeader()->setDefaultSectionSize(QFontMetrics(mono).height() + 4);
    ValueTable_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QHeaderView* header = ValueTable_->horizontalHeader();
    header->setStretchLastSection(true);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Columns as wide as their widest value, so the panel never scrolls sideways.
    const char* const widest[ColumnCount] = {"LoROM 16-bit", "FFFFFFFF", "4294967295", "-2147483648"};
    const QFontMetrics cellMetrics(mono);
    const QFontMetrics headerMetrics(header->font());
    int total = 2 * ValueTable_->frameWidth();
    for (int c = 0; c < ColumnCount; ++c) {
        const int w = std::max(cellMetrics.horizontalAdvance(QString::fromLatin1(widest[c])),
                               headerMetrics.horizontalAdvance(ValueTable_->horizontalHeaderItem(c)->text())) +
                      16;
        header->resizeSection(c, w);
        total += w;
    }
    ValueTable_->setMinimumWidth(total);
    setWidget(ValueTable_);
    connect(ValueTable_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { model_.activate(row); });

    refreshTimer_.setSingleShot(true);
    refreshTimer_.setInterval(0);
    connect(&refreshTimer_, &QTimer::timeout, this, [this] { refresh(); });

    window.addDockWidget(Qt::RightDockWidgetArea, this);
    setVisible(model_.shown());
    model_.setView(this);
    connect(&window, &TDataPad::menusUpdated, this, &ValueInspectorDock::followFlag);
    common::nameControls(this);
}

ValueInspectorDock::~ValueInspectorDock() {
    model_.setView(nullptr);
}

void ValueInspectorDock::showPanel(bool shown) {
    if (shown == isHidden()) {
        if (shown) widenWindow(true);
        setVisible(shown);
        if (!shown) widenWindow(false);
    }
    if (shown) raise();
}

void ValueInspectorDock::widenWindow(bool show) {
    if (isFloating() || window_.isMaximized() || window_.isFullScreen()) return;
    const int extent = style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, this);
    const int panel = (show ? sizeHint().width() : width()) + extent;
    int w = std::max(window_.width() + (show ? panel : -panel), window_.minimumSizeHint().width());
    if (const QScreen* s = window_.screen()) {
        // Kept on the screen: moved left as far as it would reach past the right edge.
        const QRect screen = s->availableGeometry();
        const QRect frame = window_.frameGeometry();
        const int margin = frame.width() - window_.width();
        w = std::min(w, screen.width() - margin);
        const int overflow = frame.left() + w + margin - 1 - screen.right();
        if (overflow > 0) window_.move(std::max(screen.left(), frame.left() - overflow), frame.top());
    }
    window_.resize(w, window_.height());
}

void ValueInspectorDock::followFlag() {
    if (model_.shown() == isHidden()) setVisible(model_.shown());
}

void ValueInspectorDock::closeEvent(QCloseEvent* e) {
    QDockWidget::closeEvent(e);
    if (!e->isAccepted()) return;
    widenWindow(false);
    model_.closed();
}

void ValueInspectorDock::showEvent(QShowEvent* e) {
    QDockWidget::showEvent(e);
    scheduleRefresh();
}

void ValueInspectorDock::scheduleRefresh() {
    if (isVisible() && !refreshTimer_.isActive()) refreshTimer_.start();
}

void ValueInspectorDock::refresh() {
    if (!isVisible()) return;
    const std::vector<InspectorRow> rows = model_.rows();
    const int count = static_cast<int>(rows.size());
    const bool build = ValueTable_->rowCount() != count;
    if (build) {
        ValueTable_->clearSpans();
        ValueTable_->setRowCount(count);
    }
    auto cell = [&](int row, int column, const std::string& text) {
        QTableWidgetItem* item = ValueTable_->item(row, column);
        if (!item) {
            item = new QTableWidgetItem;
            ValueTable_->setItem(row, column, item);
        }
        const QString t = QString::fromStdString(text);
        if (item->text() != t) item->setText(t);
    };
    for (int i = 0; i < count; ++i) {
        const InspectorRow& r = rows[static_cast<size_t>(i)];
        cell(i, TypeColumn, r.label);
        cell(i, HexColumn, r.hex);
        cell(i, UnsignedColumn, r.unsignedText);
        if (r.kind == InspectorRowKind::Pointer) {
            if (build) ValueTable_->setSpan(i, UnsignedColumn, 1, 2);
        } else {
            cell(i, SignedColumn, r.signedText);
        }
    }
}

}  // namespace hexedit::search
