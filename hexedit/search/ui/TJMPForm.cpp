#include "hexedit/search/ui/TJMPForm.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QVBoxLayout>

#include "common/codepage.h"
#include "common/ui/Accessibility.h"

namespace hexedit::search {

TJMPForm::TJMPForm(JumpListWindow& model, QWidget* parent) : QWidget(parent, Qt::Tool), model_(model) {
    setObjectName(QStringLiteral("TJMPForm"));
    setWindowTitle(QStringLiteral("Table File JUMP List..."));
    resize(260, 300);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    JmpList_ = new QListWidget(this);
    JmpList_->setObjectName(QStringLiteral("JmpList"));
    layout->addWidget(JmpList_);
    connect(JmpList_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { model_.activate(JmpList_->row(item)); });
    JmpList_->installEventFilter(this);
    model_.setView(this);
    common::nameControls(this);
}

TJMPForm::~TJMPForm() { model_.setView(nullptr); }

void TJMPForm::listChanged() {
    JmpList_->clear();
    for (const auto& item : model_.items()) {
        const std::u16string u = common::cp1252ToUtf16(item);
        JmpList_->addItem(QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size())));
    }
    if (JmpList_->count() > 0) JmpList_->setCurrentRow(0);
}

void TJMPForm::showList() {
    if (!placed_ && parentWidget()) {
        // First showing: at the right edge of the main window.
        const QRect main = parentWidget()->frameGeometry();
        move(main.right() - width() - 24, main.top() + 60);
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

void TJMPForm::closeList() { hide(); }

void TJMPForm::focusMainWindow() {
    if (QWidget* main = parentWidget()) main->activateWindow();
}

void TJMPForm::closeEvent(QCloseEvent* e) {
    model_.closed();
    QWidget::closeEvent(e);
}

bool TJMPForm::eventFilter(QObject* watched, QEvent* e) {
    if (watched == JmpList_ && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            model_.activate(JmpList_->currentRow());
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
