#include "hexedit/romtools/ui/TExpander.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace hexedit::romtools {

namespace {

// Digits and '.' only; backspace edits as usual.
QLineEdit* sizeField(const char* name, const char* accessible, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setAccessibleName(QString::fromLatin1(accessible));
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]*")), e));
    return e;
}

}  // namespace

TExpander::TExpander(Expander& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("TExpander"));
    setWindowTitle(QString::fromLatin1(Expander::Caption));
    auto* layout = new QVBoxLayout(this);

    SizeTxt_ = new QLabel(this);
    SizeTxt_->setObjectName(QStringLiteral("SizeTxt"));
    layout->addWidget(SizeTxt_);

    auto* unitRow = new QHBoxLayout;
    const char* unitCaptions[] = {"BYTES", "Mega-BITS", "Mega-BYTES"};
    for (int i = 0; i < 3; ++i) {
        units_[i] = new QRadioButton(QString::fromLatin1(unitCaptions[i]), this);
        unitRow->addWidget(units_[i]);
        connect(units_[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on && !refreshing_) model_.unitChosen(static_cast<SizeUnit>(i));
        });
    }
    layout->addLayout(unitRow);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("New ROM Size:"), this), 0, 0);
    ExpOther_ = sizeField("ExpOther", "New ROM Size:", this);
    grid->addWidget(ExpOther_, 0, 1);
    addHeader_ = new QCheckBox(QStringLiteral("Add Header"), this);
    addHeader_->setObjectName(QStringLiteral("AddHeader"));
    grid->addWidget(addHeader_, 1, 0);
    addHdr_ = sizeField("addHdr", "Add Header", this);
    grid->addWidget(addHdr_, 1, 1);
    layout->addLayout(grid);
    connect(ExpOther_, &QLineEdit::textEdited, this, [this](const QString& t) { model_.ExpOtherEdited(t.toStdString()); });
    connect(addHdr_, &QLineEdit::textEdited, this, [this](const QString& t) { model_.addHdrEdited(t.toStdString()); });
    connect(addHeader_, &QCheckBox::toggled, this, [this](bool on) {
        if (!refreshing_) model_.addHeaderToggled(on);
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    done_ = new QPushButton(QStringLiteral("Done"), this);
    done_->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addWidget(done_);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(done_, &QPushButton::clicked, this, [this] { model_.DoneClick(); });
    connect(cancel, &QPushButton::clicked, this, [this] { model_.CancelClick(); });

    model_.setView(this);
    refresh();
}

TExpander::~TExpander() { model_.setView(nullptr); }

void TExpander::execModal() {
    refresh();
    ExpOther_->setFocus();
    exec();
}

void TExpander::closeWindow() { accept(); }

void TExpander::refresh() {
    refreshing_ = true;
    SizeTxt_->setText(QString::fromStdString(model_.SizeTxt()));
    units_[static_cast<int>(model_.unit())]->setChecked(true);
    if (ExpOther_->text().toStdString() != model_.ExpOther()) ExpOther_->setText(QString::fromStdString(model_.ExpOther()));
    if (addHdr_->text().toStdString() != model_.addHdr()) addHdr_->setText(QString::fromStdString(model_.addHdr()));
    addHeader_->setChecked(model_.addHeader());
    // Grey while disabled, white when enabled.
    addHdr_->setEnabled(model_.addHeader());
    refreshing_ = false;
}

}  // namespace hexedit::romtools
