#include "hexedit/search/ui/TRelForm.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "common/ui/Accessibility.h"

namespace hexedit::search {

namespace {

constexpr int kWidth = 400;

// A column of radio buttons in `group`, one exclusive set, starting at `top`.
template <size_t N>
void radios(QWidget* group, QRadioButton* (&out)[N], const char* const (&captions)[N], int top) {
    auto* set = new QButtonGroup(group);
    for (size_t i = 0; i < N; ++i) {
        out[i] = new QRadioButton(QString::fromLatin1(captions[i]), group);
        out[i]->setGeometry(10, top + static_cast<int>(i) * 20, group->width() - 20, 20);
        set->addButton(out[i]);
    }
}

}  // namespace

TRelForm::TRelForm(RelativeJump& model, QWidget* parent) : QWidget(parent, Qt::Tool), model_(model) {
    setObjectName(QStringLiteral("TRelForm"));
    setWindowTitle(QStringLiteral("Relative Jump Settings..."));
    setFixedSize(kWidth, 372);
    const RelativeJumpSettings& s = model_.settings;

    auto* size = new QGroupBox(QStringLiteral(" Data Size "), this);
    size->setGeometry(8, 4, 186, 104);
    radios(size, sizes_, {"  8 - Bit Value", "16 - Bit Value", "24 - Bit Value", "32 - Bit Value"}, 20);
    for (int i = 0; i < 4; ++i)
        connect(sizes_[i], &QRadioButton::clicked, this, [this, i] { model_.settings.JumpSize = i; });

    auto* sign = new QGroupBox(this);
    sign->setGeometry(202, 4, 190, 104);
    radios(sign, signs_, {"Signed Value", "Unsigned Value"}, 20);
    for (int i = 0; i < 2; ++i)
        connect(signs_[i], &QRadioButton::clicked, this, [this, i] { model_.settings.JumpUnsigned = i; });

    auto* mapping = new QGroupBox(this);
    mapping->setGeometry(8, 112, kWidth - 16, 76);
    radios(mapping, mappings_,
           {"Value is a Normal Value", "Value is Snes Hi-ROM [ $Cx:xxxx ]", "Value is Snes Lo-ROM [ $8x:xxxx ]"}, 8);
    const char* mappingNames[3] = {"nRom", "hRom", "lRom"};
    for (int i = 0; i < 3; ++i) {
        mappings_[i]->setObjectName(QString::fromLatin1(mappingNames[i]));
        connect(mappings_[i], &QRadioButton::clicked, this, [this, i] { model_.settings.JumpMapping = i; });
    }

    auto* options = new QGroupBox(QStringLiteral(" Code Specific Options "), this);
    options->setGeometry(8, 192, kWidth - 16, 138);
    auto* label = new QLabel(QStringLiteral("Adjustment (Ex: 1,-1, $FF)"), options);
    label->setGeometry(10, 20, 200, 18);
    HDR_ = new QLineEdit(options);
    HDR_->setObjectName(QStringLiteral("HDR"));
    HDR_->setToolTip(QStringLiteral("Value in HEX only"));
    HDR_->setMaxLength(static_cast<int>(kAdjustmentLimit));
    HDR_->setGeometry(10, 40, 160, 24);
    label->setBuddy(HDR_);
    connect(HDR_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.setAdjustment(text.toLatin1().toStdString()); });
    radios(options, targets_, {"Add Value to Current Position", "Jump to an Offset Using a Value"}, 74);
    targets_[0]->setObjectName(QStringLiteral("addRel"));
    targets_[1]->setObjectName(QStringLiteral("absRel"));
    connect(targets_[0], &QRadioButton::clicked, this, [this] { model_.settings.addRel = true; });
    connect(targets_[1], &QRadioButton::clicked, this, [this] { model_.settings.addRel = false; });

    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setGeometry(kWidth - 108, 338, 100, 26);
    connect(ok, &QPushButton::clicked, this, [this] { model_.close(); });

    sizes_[s.JumpSize]->setChecked(true);
    signs_[s.JumpUnsigned]->setChecked(true);
    mappings_[s.JumpMapping]->setChecked(true);
    targets_[s.addRel ? 0 : 1]->setChecked(true);
    HDR_->setText(QString::fromStdString(s.adjustment));

    model_.setView(this);
    common::nameControls(this);
}

TRelForm::~TRelForm() { model_.setView(nullptr); }

void TRelForm::showWindow() {
    if (!placed_ && parentWidget()) {
        // First showing: centred over the main window.
        move(parentWidget()->frameGeometry().center() - QPoint(width() / 2, height() / 2));
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

void TRelForm::closeWindow() { hide(); }

void TRelForm::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        model_.close();
        return;
    }
    QWidget::keyPressEvent(e);
}

}  // namespace hexedit::search
