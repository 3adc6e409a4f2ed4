#include "hexedit/romtools/ui/TSnes2Hex.h"

#include <QCheckBox>
#include <QEvent>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace hexedit::romtools {

namespace {

// Upper-case hex fields of at most six characters; a longer result still shows.
class HexField : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = input.toUpper();
        static const QRegularExpression hex(QStringLiteral("^[0-9A-F]*$"));
        if (!hex.match(input).hasMatch()) return Invalid;
        return input.size() <= Snes2Hex::FieldLength ? Acceptable : Invalid;
    }
};

QLineEdit* hexField(const char* name, const char* accessible, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setAccessibleName(QString::fromLatin1(accessible));
    e->setValidator(new HexField(e));
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setStyleHint(QFont::Monospace);
    e->setFont(mono);
    e->installEventFilter(parent);
    return e;
}

}  // namespace

TSnes2Hex::TSnes2Hex(Snes2Hex& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("TSnes2Hex"));
    setWindowTitle(QString::fromLatin1(Snes2Hex::Caption));
    auto* layout = new QVBoxLayout(this);

    auto* heading = new QHBoxLayout;
    heading->addWidget(new QLabel(QStringLiteral("Offset: ROM       SNES"), this));
    heading->addStretch();
    ZstText_ = new QLabel(this);
    ZstText_->setObjectName(QStringLiteral("ZstText"));
    heading->addWidget(ZstText_);
    layout->addLayout(heading);

    auto* fields = new QHBoxLayout;
    lorom1_ = hexField("lorom1", "ROM", this);
    lorom2_ = hexField("lorom2", "SNES", this);
    fields->addWidget(lorom1_);
    fields->addWidget(lorom2_);
    layout->addLayout(fields);
    connect(lorom1_, &QLineEdit::textEdited, this, [this](const QString& t) { model_.lorom1Edited(t.toStdString()); });
    connect(lorom2_, &QLineEdit::textEdited, this, [this](const QString& t) { model_.lorom2Edited(t.toStdString()); });

    auto* modeBox = new QGroupBox(this);
    auto* modeLayout = new QGridLayout(modeBox);
    const char* modeCaptions[] = {"Lo-Rom", "Hi-Rom", "Memory", "Video Ram"};
    for (int i = 0; i < 4; ++i) {
        modes_[i] = new QRadioButton(QString::fromLatin1(modeCaptions[i]), modeBox);
        modeLayout->addWidget(modes_[i], i / 2, i % 2);
        connect(modes_[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on && !refreshing_) model_.modeChosen(static_cast<ConvertMode>(i));
        });
    }
    layout->addWidget(modeBox);

    auto* options = new QHBoxLayout;
    header_ = new QCheckBox(QStringLiteral("Include $200"), this);
    bank_ = new QCheckBox(QStringLiteral("$8x:xxxx"), this);
    options->addWidget(header_);
    options->addWidget(bank_);
    layout->addLayout(options);
    connect(header_, &QCheckBox::toggled, this, [this](bool on) { model_.headerToggled(on); });
    connect(bank_, &QCheckBox::toggled, this, [this](bool on) { model_.bankToggled(on); });

    auto* buttons = new QHBoxLayout;
    convert_ = new QPushButton(this);
    convert_->setObjectName(QStringLiteral("ConvertButton"));
    convert_->setDefault(true);
    goto_ = new QPushButton(QStringLiteral("Goto Offset"), this);
    buttons->addWidget(convert_);
    buttons->addWidget(goto_);
    layout->addLayout(buttons);
    connect(convert_, &QPushButton::clicked, this, [this] { model_.ConvertClick(); });
    connect(goto_, &QPushButton::clicked, this, [this] { model_.GotoClick(); });

    model_.setView(this);
    refresh();
}

TSnes2Hex::~TSnes2Hex() { model_.setView(nullptr); }

void TSnes2Hex::execModal() {
    refresh();
    lorom1_->setFocus();
    exec();
}

void TSnes2Hex::closeWindow() { accept(); }

void TSnes2Hex::refresh() {
    refreshing_ = true;
    lorom1_->setText(QString::fromStdString(model_.lorom1()));
    lorom2_->setText(QString::fromStdString(model_.lorom2()));
    modes_[static_cast<int>(model_.mode())]->setChecked(true);
    header_->setChecked(model_.includeHeader());
    bank_->setChecked(model_.highBanks());
    convert_->setText(QString::fromLatin1(model_.buttonCaption()));
    ZstText_->setText(QString::fromLatin1(model_.ZstText()));
    refreshing_ = false;
}

bool TSnes2Hex::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::FocusIn || e->type() == QEvent::MouseButtonPress) {
        if (watched == lorom1_) model_.lorom1Clicked();
        if (watched == lorom2_) model_.lorom2Clicked();
    }
    return QDialog::eventFilter(watched, e);
}

}  // namespace hexedit::romtools
