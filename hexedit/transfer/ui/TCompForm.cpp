#include "hexedit/transfer/ui/TCompForm.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

namespace hexedit::transfer {

int CompareLines::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(list_.size());
}

QVariant CompareLines::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
    return QString::fromStdString(list_.line(static_cast<size_t>(index.row())));
}

void CompareLines::sync() {
    if (version_ == list_.version()) return;
    beginResetModel();
    version_ = list_.version();
    endResetModel();
}

// A window of its own rather than a tool window: a tool window lets the main
// window's shortcuts through, and Tab (the edit mode key) would then never
// reach the path boxes.
TCompForm::TCompForm(CompareFiles& model, QWidget* parent) : QWidget(parent, Qt::Window), model_(model) {
    setObjectName(QStringLiteral("TCompForm"));
    resize(460, 360);
    auto* grid = new QGridLayout(this);

    Note = new QLabel(QString::fromLatin1(kCompareNote), this);
    Note->setWordWrap(true);
    grid->addWidget(Note, 0, 0, 1, 3);

    auto row = [&](int r, int tag, const char* label, const char* editName, const char* buttonName) {
        auto* l = new QLabel(QString::fromLatin1(label), this);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(editName));
        edit->setAccessibleName(QString::fromLatin1(label));
        l->setBuddy(edit);
        auto* button = new QPushButton(QStringLiteral("..."), this);
        button->setObjectName(QString::fromLatin1(buttonName));
        button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
        grid->addWidget(l, r, 0);
        grid->addWidget(edit, r, 1);
        grid->addWidget(button, r, 2);
        connect(edit, &QLineEdit::textEdited, this,
                [this, tag](const QString& text) { model_.pathEdited(tag, text.toStdString()); });
        connect(button, &QPushButton::clicked, this, [this, tag] { model_.browseClick(tag); });
        return std::pair{edit, button};
    };
    std::tie(Edit1, Button1) = row(1, 0, "Source File", "Edit1", "Button1");
    std::tie(Edit2, Button2) = row(2, 1, "Compare File", "Edit2", "Button2");

    Button3 = new QPushButton(QStringLiteral("Compare"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    connect(Button3, &QPushButton::clicked, this, [this] { model_.Button3Click(); });
    grid->addWidget(Button3, 3, 0, 1, 3, Qt::AlignRight);

    CompList = new QListView(this);
    CompList->setObjectName(QStringLiteral("CompList"));
    CompList->setAccessibleName(QStringLiteral("CompList"));
    CompList->setUniformItemSizes(true);
    CompList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    CompList->setSelectionMode(QAbstractItemView::SingleSelection);
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setStyleHint(QFont::Monospace);
    CompList->setFont(mono);
    lines_ = new CompareLines(model_.results(), this);
    CompList->setModel(lines_);
    connect(CompList, &QListView::doubleClicked, this,
            [this](const QModelIndex& i) { model_.CompListDblClick(static_cast<size_t>(i.row())); });
    CompList->installEventFilter(this);
    grid->addWidget(CompList, 4, 0, 1, 3);
    grid->setRowStretch(4, 1);

    model_.setView(this);
    refresh();
}

TCompForm::~TCompForm() { model_.setView(nullptr); }

void TCompForm::refresh() {
    setWindowTitle(QString::fromStdString(model_.caption()));
    QLineEdit* edits[] = {Edit1, Edit2};
    for (int tag = 0; tag < 2; ++tag) {
        const QString text = QString::fromStdString(model_.path(tag));
        if (edits[tag]->text() != text) edits[tag]->setText(text);
    }
    for (QPushButton* b : {Button1, Button2, Button3}) b->setEnabled(!model_.comparing());
    lines_->sync();
}

void TCompForm::showWindow() {
    if (!placed_ && parentWidget()) {
        // First showing: centred over the main window.
        move(parentWidget()->frameGeometry().center() - rect().center());
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

void TCompForm::closeWindow() { hide(); }

void TCompForm::closeEvent(QCloseEvent* e) {
    model_.closed();
    QWidget::closeEvent(e);
}

bool TCompForm::eventFilter(QObject* watched, QEvent* e) {
    if (watched == CompList && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) && CompList->currentIndex().isValid()) {
            model_.CompListDblClick(static_cast<size_t>(CompList->currentIndex().row()));
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

}  // namespace hexedit::transfer
