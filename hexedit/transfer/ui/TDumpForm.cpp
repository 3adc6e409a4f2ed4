#include "hexedit/transfer/ui/TDumpForm.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

#include "common/ui/Accessibility.h"

namespace hexedit::transfer {

namespace {

// Offset boxes take hex digits only, folded to upper case.
class HexBoxValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        const std::string folded = offsetBoxText(input.toStdString());
        if (static_cast<qsizetype>(folded.size()) != input.size()) return Invalid;
        input = QString::fromStdString(folded);
        return Acceptable;
    }
};

void setIfChanged(QLineEdit* box, const std::string& text) {
    const QString t = QString::fromStdString(text);
    if (box->text() != t) box->setText(t);
}

}  // namespace

TDumpForm::TDumpForm(Dumper& model, QWidget* mainWindow) : QWidget(mainWindow, Qt::Tool), model_(model) {
    setObjectName(QStringLiteral("TDumpForm"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* grid = new QGridLayout(this);

    status_ = new QLabel(this);
    DFile_ = new QLineEdit(this);
    DFile_->setObjectName(QStringLiteral("DFile"));
    DFile_->setMaxLength(260);
    status_->setBuddy(DFile_);
    grid->addWidget(status_, 0, 0, 1, 2);
    grid->addWidget(DFile_, 1, 0, 1, 2);

    auto* begLabel = new QLabel(QStringLiteral("Start Offset"), this);
    auto* endLabel = new QLabel(QStringLiteral("Ending Offset"), this);
    BegOfs_ = new QLineEdit(this);
    BegOfs_->setObjectName(QStringLiteral("BegOfs"));
    EndOfs_ = new QLineEdit(this);
    EndOfs_->setObjectName(QStringLiteral("EndOfs"));
    begLabel->setBuddy(BegOfs_);
    endLabel->setBuddy(EndOfs_);
    for (QLineEdit* box : {BegOfs_, EndOfs_}) {
        box->setMaxLength(8);
        box->setValidator(new HexBoxValidator(box));
    }
    grid->addWidget(begLabel, 2, 0);
    grid->addWidget(endLabel, 2, 1);
    grid->addWidget(BegOfs_, 3, 0);
    grid->addWidget(EndOfs_, 3, 1);

    Button1_ = new QPushButton(this);
    Button1_->setObjectName(QStringLiteral("Button1"));
    Button1_->setAutoDefault(false);
    grid->addWidget(Button1_, 4, 0, 1, 2);

    for (QLineEdit* box : {DFile_, BegOfs_, EndOfs_}) {
        connect(box, &QLineEdit::textChanged, this, [this] { boxesToModel(); });
        box->installEventFilter(this);
    }
    connect(Button1_, &QPushButton::clicked, this, [this] { model_.Button1Click(); });

    model_.setView(this);
    refresh();
    status_->setText(QStringLiteral("Enter file name"));
    common::nameControls(this);
    resize(300, sizeHint().height());
}

TDumpForm::~TDumpForm() { model_.setView(nullptr); }

void TDumpForm::boxesToModel() {
    if (syncing_) return;
    model_.DFile = DFile_->text().toStdString();
    model_.BegOfs = BegOfs_->text().toStdString();
    model_.EndOfs = EndOfs_->text().toStdString();
    Button1_->setEnabled(model_.buttonEnabled());
}

void TDumpForm::refresh() {
    syncing_ = true;
    setWindowTitle(QString::fromStdString(model_.caption));
    status_->setText(QString::fromStdString(model_.statusText));
    setIfChanged(DFile_, model_.DFile);
    setIfChanged(BegOfs_, model_.BegOfs);
    setIfChanged(EndOfs_, model_.EndOfs);
    Button1_->setText(QString::fromStdString(model_.buttonCaption));
    Button1_->setEnabled(model_.buttonEnabled());
    syncing_ = false;
}

void TDumpForm::showWindow() {
    QWidget* main = parentWidget();
    if (!isVisible() && main) {
        const QRect r = main->frameGeometry();
        move(r.right() - width() - 40, r.top() + 80);
    }
    show();
    raise();
    // The user goes on moving the cursor in the main window.
    if (main) main->activateWindow();
}

void TDumpForm::closeWindow() { hide(); }

void TDumpForm::focusName() {
    activateWindow();
    DFile_->setFocus();
}

void TDumpForm::closeEvent(QCloseEvent* e) {
    model_.closed();
    QWidget::closeEvent(e);
}

void TDumpForm::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        model_.escapeElsewhere();
        return;
    }
    QWidget::keyPressEvent(e);
}

bool TDumpForm::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress && (watched == DFile_ || watched == BegOfs_ || watched == EndOfs_)) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Escape) {
            model_.escapeInBox();
            return true;
        }
        if (watched == DFile_ && (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)) {
            model_.Button1Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

}  // namespace hexedit::transfer
