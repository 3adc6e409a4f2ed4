#include "hexedit/search/ui/TListForm.h"

#include <QAction>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QListView>
#include <QMenu>
#include <QVBoxLayout>

#include "common/ui/Accessibility.h"
#include "common/codepage.h"

namespace hexedit::search {

int DataListLines::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(list_.lines().size());
}

QVariant DataListLines::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
    const std::u16string text = common::cp1252ToUtf16(list_.lines()[static_cast<size_t>(index.row())]);
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

void DataListLines::reset() {
    beginResetModel();
    endResetModel();
}

TListForm::TListForm(DataList& model, QWidget* parent) : QWidget(parent, Qt::Tool), model_(model) {
    setObjectName(QStringLiteral("TListForm"));
    resize(380, 320);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    ListBox1_ = new QListView(this);
    ListBox1_->setObjectName(QStringLiteral("ListBox1"));
    ListBox1_->setUniformItemSizes(true);
    ListBox1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setStyleHint(QFont::Monospace);
    ListBox1_->setFont(mono);
    lines_ = new DataListLines(model_, this);
    ListBox1_->setModel(lines_);
    layout->addWidget(ListBox1_);
    connect(ListBox1_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { selectionToModel(); });
    connect(ListBox1_, &QListView::doubleClicked, this, [this] {
        selectionToModel();
        model_.activate();
    });
    ListBox1_->installEventFilter(this);

    popup_ = new QMenu(this);
    CreateTBL1_ = popup_->addAction(QStringLiteral("Create table with Selected values"));
    CreateTBL1_->setObjectName(QStringLiteral("CreateTBL1"));
    connect(CreateTBL1_, &QAction::triggered, this, [this] { model_.CreateTBL1Click(); });
    QAction* dump = popup_->addAction(QStringLiteral("Dump Data to a File"));
    connect(dump, &QAction::triggered, this, [this] { model_.dumpToFile(); });
    popup_->addSeparator();
    QAction* start = popup_->addAction(QStringLiteral("Jump to Starting Offset"));
    connect(start, &QAction::triggered, this, [this] { model_.jumpToStartingOffset(); });
    QAction* end = popup_->addAction(QStringLiteral("Jump to Ending Offset"));
    connect(end, &QAction::triggered, this, [this] { model_.jumpToEndingOffset(); });
    popup_->addSeparator();
    QAction* exit = popup_->addAction(QStringLiteral("Exit"));
    exit->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(exit, &QAction::triggered, this, [this] { model_.exit(); });
    ListBox1_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListBox1_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { popup_->popup(ListBox1_->viewport()->mapToGlobal(pos)); });

    model_.setView(this);
    common::nameControls(this);
    listChanged();
}

TListForm::~TListForm() { model_.setView(nullptr); }

void TListForm::listChanged() {
    syncing_ = true;
    setWindowTitle(QString::fromLatin1(model_.caption().c_str()));
    ListBox1_->setSelectionMode(model_.multiSelect() ? QAbstractItemView::ExtendedSelection
                                                     : QAbstractItemView::SingleSelection);
    lines_->reset();
    QItemSelection sel;
    for (int r : model_.selection()) sel.select(lines_->index(r), lines_->index(r));
    ListBox1_->selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
    if (!model_.selection().empty()) ListBox1_->setCurrentIndex(lines_->index(model_.selection().front()));
    CreateTBL1_->setEnabled(model_.createTableEnabled());
    syncing_ = false;
}

void TListForm::selectionToModel() {
    if (syncing_) return;
    std::vector<int> rows;
    for (const QModelIndex& i : ListBox1_->selectionModel()->selectedRows()) rows.push_back(i.row());
    model_.setSelection(std::move(rows));
}

void TListForm::showList() {
    if (!placed_ && parentWidget()) {
        // First showing: over the right half of the main window.
        const QRect main = parentWidget()->frameGeometry();
        move(main.center().x() + (main.width() / 2 - width()) / 2, main.top() + 60);
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

void TListForm::showListModal() {
    setWindowModality(Qt::ApplicationModal);
    showList();
    if (isVisible()) {
        QEventLoop loop;
        modalLoop_ = &loop;
        loop.exec();
        modalLoop_ = nullptr;
    }
    setWindowModality(Qt::NonModal);
    listChanged();  // single selection again
}

void TListForm::closeList() { hide(); }

void TListForm::hideEvent(QHideEvent* e) {
    if (modalLoop_) modalLoop_->quit();
    QWidget::hideEvent(e);
}

void TListForm::closeEvent(QCloseEvent* e) {
    model_.closed();
    QWidget::closeEvent(e);
}

bool TListForm::eventFilter(QObject* watched, QEvent* e) {
    if (watched == ListBox1_ && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            selectionToModel();
            model_.activate();
            return true;
        }
        if (k->key() == Qt::Key_Escape) {
            model_.escape();
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

}  // namespace hexedit::search
