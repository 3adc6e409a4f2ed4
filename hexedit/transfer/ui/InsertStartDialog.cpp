#include "hexedit/transfer/ui/InsertStartDialog.h"

#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "hexedit/transfer/ui/TDumpForm.h"

namespace hexedit::transfer {

InsertStartDialog::InsertStartDialog(BinaryInsert& model, TDumpForm& form)
    : QObject(&form), model_(model), form_(form) {
    model_.setView(this);
}

InsertStartDialog::~InsertStartDialog() { model_.setView(nullptr); }

void InsertStartDialog::setStatusText(const std::string& text) { form_.status()->setText(QString::fromStdString(text)); }

std::string InsertStartDialog::askStart(const std::string& start) {
    const QString caption = form_.windowTitle();
    QLineEdit* beg = form_.startBox();
    QList<QWidget*> unused = {form_.endBox(), form_.nameBox()};
    form_.endBox()->clear();
    form_.nameBox()->clear();
    beg->setText(QString::fromStdString(start));
    for (QWidget* w : unused) {
        w->setEnabled(false);
        QPalette pal = w->palette();
        pal.setColor(QPalette::Base, Qt::lightGray);
        w->setPalette(pal);
    }
    form_.button()->setEnabled(false);
    form_.setWindowTitle(QStringLiteral("Binary Data[ Press Enter to Insert ]"));
    form_.setWindowModality(Qt::ApplicationModal);
    // Filters added last see the events first.
    beg->installEventFilter(this);
    form_.installEventFilter(this);
    const bool wasVisible = form_.isVisible();
    accepted_ = false;
    form_.show();
    form_.activateWindow();
    beg->setFocus();
    QEventLoop loop;
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
    beg->removeEventFilter(this);
    form_.removeEventFilter(this);
    const std::string typed = accepted_ ? beg->text().toStdString() : std::string();

    form_.hide();
    form_.setWindowModality(Qt::NonModal);
    for (QWidget* w : unused) {
        w->setEnabled(true);
        w->setPalette(QPalette());
    }
    form_.setWindowTitle(caption);
    form_.refresh();
    if (wasVisible) form_.showWindow();
    return typed;
}

void InsertStartDialog::finish(bool accepted) {
    accepted_ = accepted;
    if (loop_) loop_->quit();
}

bool InsertStartDialog::eventFilter(QObject* watched, QEvent* e) {
    if (!loop_) return QObject::eventFilter(watched, e);
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            finish(true);
            return true;
        }
        if (key == Qt::Key_Escape) {
            form_.startBox()->clear();
            finish(false);
            return true;
        }
    }
    if (watched == &form_ && (e->type() == QEvent::Close || e->type() == QEvent::Hide)) finish(false);
    return QObject::eventFilter(watched, e);
}

}  // namespace hexedit::transfer
