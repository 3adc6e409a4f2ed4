#include "hexedit/tableedit/ui/TTMForm.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>

#include "common/codepage.h"
#include "common/ui/Accessibility.h"
#include "hexedit/tableedit/ui/CharGridWidget.h"

namespace hexedit::tableedit {

namespace {

QString fromUtf16(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr int kClientWidth = CharGrid::Left + CharGrid::Width + 21;
constexpr int kClientHeight = CharGrid::Top + CharGrid::Height + 6;

}  // namespace

int TableLines::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

QVariant TableLines::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
    return fromUtf16(model_.toDisplay(shown_[static_cast<size_t>(index.row())]));
}

void TableLines::sync() {
    if (shown_ == model_.lines()) return;
    beginResetModel();
    shown_ = model_.lines();
    endResetModel();
}

TTMForm::TTMForm(TableEditor& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("TTMForm"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setModal(true);

    menu_ = new QMenuBar(this);
    QMenu* file = menu_->addMenu(QStringLiteral("&File"));
    QAction* open = file->addAction(QStringLiteral("&Open Table File"), this, [this] { model_.OpenTableFile1Click(); });
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    QAction* save = file->addAction(QStringLiteral("&Save Table File"), this, [this] { model_.SaveTableFile1Click(); });
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    QAction* exit = file->addAction(QStringLiteral("E&xit"), this, [this] { model_.Exit1Click(); });
    exit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));
    QMenu* edit = menu_->addMenu(QStringLiteral("&Edit"));
    QAction* sort = edit->addAction(QStringLiteral("Sort Table List"), this, [this] { model_.SortTableList1Click(); });
    sort->setShortcut(QKeySequence(Qt::Key_F3));
    reverse_ = edit->addAction(QStringLiteral("Reverse Value Increment"), this,
                               [this] { model_.ReverseValueIncrement1Click(); });
    reverse_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    reverse_->setCheckable(true);
    QMenu* help = menu_->addMenu(QStringLiteral("&Help"));
    QAction* topics = help->addAction(QStringLiteral("Help Topics"), this, [this] { model_.HelpTopics1Click(); });
    topics->setShortcut(QKeySequence(Qt::Key_F1));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setMenuBar(menu_);
    auto* client = new QWidget(this);
    client->setFixedSize(kClientWidth, kClientHeight);
    layout->addWidget(client);

    const QFont japanese = japaneseFont(14, false);
    TblList_ = new QListView(client);
    TblList_->setObjectName(QStringLiteral("TblList"));
    TblList_->setGeometry(4, 4, CharGrid::Left - 8, kClientHeight - 8);
    TblList_->setFont(japanese);
    TblList_->setUniformItemSizes(true);
    TblList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TblList_->setSelectionMode(QAbstractItemView::SingleSelection);
    lines_ = new TableLines(model_, this);
    TblList_->setModel(lines_);
    connect(TblList_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { selectionToModel(); });
    connect(TblList_, &QListView::doubleClicked, this, [this] {
        selectionToModel();
        model_.listActivate();
    });
    TblList_->viewport()->installEventFilter(this);

    TblVal_ = new QLineEdit(client);
    TblVal_->setObjectName(QStringLiteral("TblVal"));
    TblVal_->setGeometry(CharGrid::Left, 6, kClientWidth - CharGrid::Left - 4, 24);
    TblVal_->setFont(japanese);
    TblVal_->setMaxLength(static_cast<int>(TableEditor::MaxEntryChars));
    connect(TblVal_, &QLineEdit::textEdited, this, [this] { entryToModel(); });
    connect(TblVal_, &QLineEdit::cursorPositionChanged, this, [this] {
        if (!refreshing_) entryToModel();
    });

    auto* group = new QGroupBox(QStringLiteral(" Character Selection "), client);
    group->setGeometry(CharGrid::Left, 30, kClientWidth - CharGrid::Left - 4, 33);
    auto* buttons = new QButtonGroup(this);
    for (int i = 0; i < CharGrid::SelectionCount; ++i) {
        auto* r = new QRadioButton(QString::fromLatin1(CharGrid::selectionNames()[static_cast<size_t>(i)]), group);
        r->setGeometry(8 + i * 98, 14, 96, 18);
        buttons->addButton(r, i);
        radios_[static_cast<size_t>(i)] = r;
    }
    connect(buttons, &QButtonGroup::idClicked, this, [this](int id) { model_.characterSelection(id); });

    jGrid_ = new CharGridWidget(model_, client);
    jGrid_->move(CharGrid::Left, CharGrid::Top);
    TScrl_ = new QScrollBar(Qt::Vertical, client);
    TScrl_->setObjectName(QStringLiteral("TScrl"));
    TScrl_->setGeometry(CharGrid::Left + CharGrid::Width + 1, CharGrid::Top, 16, CharGrid::Height);
    TScrl_->setRange(CharGrid::ScrollMin, CharGrid::ScrollMax);
    TScrl_->setSingleStep(CharGrid::SmallChange);
    TScrl_->setPageStep(CharGrid::LargeChange);
    connect(TScrl_, &QScrollBar::valueChanged, this, [this](int v) {
        if (!refreshing_) model_.scrolled(v);
    });

    ClickMe_ = new QToolButton(client);
    ClickMe_->setObjectName(QStringLiteral("ClickMe"));
    ClickMe_->setAccessibleName(QStringLiteral("ClickMe"));
    ClickMe_->setAutoRaise(true);
    ClickMe_->setFocusPolicy(Qt::NoFocus);
    ClickMe_->setFont(jGrid_->gridFont());
    ClickMe_->hide();
    connect(ClickMe_, &QToolButton::clicked, this, [this] { model_.clickMeClick(); });

    // Escape closes from every control; Enter, Delete and Backspace act on
    // the list and the field.
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
    model_.setView(this);
    common::nameControls(this);
    refresh();
}

TTMForm::~TTMForm() { model_.setView(nullptr); }

void TTMForm::execModal() {
    TblVal_->setFocus();
    exec();
}

void TTMForm::showModeless() {
    setModal(false);
    show();
    raise();
    activateWindow();
    TblVal_->setFocus();
}

void TTMForm::closeWindow() {
    if (isVisible()) done(0);
}

void TTMForm::reject() { model_.closeRequested(); }

void TTMForm::refresh() {
    refreshing_ = true;
    setWindowTitle(QString::fromStdString(model_.caption()));
    lines_->sync();
    const auto sel = model_.selection();
    const QModelIndex current = sel ? lines_->index(*sel) : QModelIndex();
    if (TblList_->currentIndex() != current || (sel && !TblList_->selectionModel()->isSelected(current))) {
        TblList_->selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect);
        if (current.isValid()) TblList_->scrollTo(current);
    }
    const QString text = fromUtf16(model_.toDisplay(model_.entry()));
    if (TblVal_->text() != text) TblVal_->setText(text);
    const int caret = static_cast<int>(model_.toDisplay(std::string_view(model_.entry()).substr(0, model_.caret())).size());
    if (TblVal_->cursorPosition() != caret) TblVal_->setCursorPosition(caret);
    reverse_->setChecked(model_.ReverseIncrement);
    refreshing_ = false;
    gridChanged();
}

void TTMForm::gridChanged() {
    refreshing_ = true;
    const CharGrid& g = model_.grid;
    if (TScrl_->value() != g.position()) TScrl_->setValue(g.position());
    radios_[static_cast<size_t>(g.selection())]->setChecked(true);
    if (const auto r = g.buttonRect()) {
        ClickMe_->setGeometry(r->x, r->y, r->width, r->height);
        ClickMe_->setText(QString(QChar(CharGrid::glyph(g.code(*g.hover())))));
        ClickMe_->setToolTip(QString::fromStdString(g.hint()));
        ClickMe_->show();
        ClickMe_->raise();
    }
    jGrid_->update();
    refreshing_ = false;
}

void TTMForm::focusEntry() {
    TblVal_->setFocus();
    TblVal_->setCursorPosition(static_cast<int>(TblVal_->text().size()));
}

std::string TTMForm::boxBytes(const QString& text) const {
    // Characters without a code in the table's encoding (Shift-JIS, or
    // UTF-8 for a UTF-8 table) cannot be stored in a table line.
    std::string out;
    const std::u16string u = text.toStdU16String();
    for (size_t i = 0; i < u.size(); ++i) {
        const size_t n = u[i] >= 0xD800 && u[i] <= 0xDBFF && i + 1 < u.size() ? 2 : 1;  // a surrogate pair
        if (auto b = model_.fromDisplay(std::u16string_view(u).substr(i, n))) out += *b;
        i += n - 1;
    }
    return out;
}

void TTMForm::entryToModel() {
    if (refreshing_) return;
    const QString text = TblVal_->text();
    model_.entryEdited(boxBytes(text), boxBytes(text.left(TblVal_->cursorPosition())).size());
    // Dropped or cut characters: show what the model holds.
    if (fromUtf16(model_.toDisplay(model_.entry())) != text) refresh();
}

void TTMForm::selectionToModel() {
    if (refreshing_) return;
    const QModelIndex i = TblList_->currentIndex();
    model_.select(i.isValid() ? std::optional<int>(i.row()) : std::nullopt);
}

int TTMForm::rowAt(const QPoint& viewportPos) const {
    const QModelIndex i = TblList_->indexAt(viewportPos);
    return i.isValid() ? i.row() : -1;
}

bool TTMForm::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        const bool enter = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
        // (An open menu keeps Escape for itself.)
        if (k->key() == Qt::Key_Escape && !qobject_cast<QMenu*>(watched)) {
            model_.closeRequested();
            return true;
        }
        if (watched == TblVal_ && enter) {
            entryToModel();
            model_.entryEnter();
            return true;
        }
        if (watched == TblVal_ && k->key() == Qt::Key_Backspace && k->modifiers() == Qt::NoModifier &&
            !TblVal_->hasSelectedText()) {
            entryToModel();
            model_.entryBackspace();
            return true;
        }
        if (watched == TblList_ && (enter || k->key() == Qt::Key_Delete)) {
            selectionToModel();
            if (enter) model_.listActivate();
            else model_.listDelete();
            return true;
        }
    } else if (watched == TblList_->viewport()) {
        auto* m = static_cast<QMouseEvent*>(e);
        if (e->type() == QEvent::MouseButtonPress && m->button() == Qt::RightButton) {
            model_.listRightClick(rowAt(m->position().toPoint()));
            return true;
        }
        // Dragging a line onto another swaps the two.
        if (e->type() == QEvent::MouseButtonPress && m->button() == Qt::LeftButton) {
            dragFrom_ = rowAt(m->position().toPoint());
            dragStart_ = m->position().toPoint();
        } else if (e->type() == QEvent::MouseButtonRelease && m->button() == Qt::LeftButton && dragFrom_ >= 0) {
            const int from = std::exchange(dragFrom_, -1);
            const QPoint at = m->position().toPoint();
            const int to = rowAt(at);
            if ((at - dragStart_).manhattanLength() >= QApplication::startDragDistance() && to >= 0 && to != from) {
                model_.listDrag(from, to);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, e);
}

}  // namespace hexedit::tableedit
