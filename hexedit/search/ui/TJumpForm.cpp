#include "hexedit/search/ui/TJumpForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>

#include "common/codepage.h"
#include "common/ui/Accessibility.h"

namespace hexedit::search {

namespace {

// The box's text in the table's single-byte code page; characters without a
// code are dropped.
std::string toBytes(const QString& text) {
    std::string out;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (auto b = common::utf16ToCp1252(std::u16string_view(&u, 1))) out += *b;
    }
    return out;
}

QString fromBytes(const std::string& bytes) {
    const std::u16string u = common::cp1252ToUtf16(bytes);
    return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

bool isEnter(const QKeyEvent* k) { return k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter; }

}  // namespace

JumpTextEdit::JumpTextEdit(TJumpForm& form, QWidget* parent) : QLineEdit(parent), form_(form) {
    setObjectName(QStringLiteral("jmptxt"));
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

void JumpTextEdit::keyPressEvent(QKeyEvent* e) {
    if (!form_.filterTextKey(e)) QLineEdit::keyPressEvent(e);
}

TJumpForm::TJumpForm(GotoWindow& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("TJumpForm"));
    setModal(true);
    setFixedSize(340, 214);

    position_ = new QGroupBox(this);
    position_->setGeometry(8, 4, 324, 52);
    jmptxt_ = new JumpTextEdit(*this, position_);
    jmptxt_->setGeometry(10, 20, 304, 24);
    connect(jmptxt_, &QLineEdit::textEdited, this, [this] { textEdited(); });

    auto* listGroup = new QGroupBox(QStringLiteral(" Offset Jump List "), this);
    listGroup->setGeometry(8, 60, 324, 52);
    jmpbox_ = new QComboBox(listGroup);
    jmpbox_->setObjectName(QStringLiteral("jmpbox"));
    jmpbox_->setGeometry(10, 20, 304, 24);
    connect(jmpbox_, &QComboBox::currentIndexChanged, this, [this](int row) {
        if (!refreshing_) model_.selectItem(row);
    });
    jmpbox_->installEventFilter(this);

    auto* formatGroup = new QGroupBox(QStringLiteral(" Address Format "), this);
    formatGroup->setGeometry(8, 116, 160, 90);
    const char* names[3] = {"pcOFFSET", "snLOROM", "snHIROM"};
    const char* captions[3] = {"PC / Linear", "SNES LoROM", "SNES HiROM"};
    for (int i = 0; i < 3; ++i) {
        formats_[i] = new QRadioButton(QString::fromLatin1(captions[i]), formatGroup);
        formats_[i]->setObjectName(QString::fromLatin1(names[i]));
        formats_[i]->setGeometry(10, 18 + i * 22, 140, 20);
        connect(formats_[i], &QRadioButton::clicked, this, [this, i] { model_.addressFormat = i; });
    }

    auto* valueGroup = new QGroupBox(QStringLiteral(" Value Format "), this);
    valueGroup->setGeometry(176, 116, 156, 60);
    Hexdecimal_ = new QCheckBox(QStringLiteral("Hex-decimal"), valueGroup);
    Hexdecimal_->setObjectName(QStringLiteral("Hexdecimal"));
    Hexdecimal_->setGeometry(10, 18, 140, 18);
    connect(Hexdecimal_, &QCheckBox::clicked, this, [this](bool on) { model_.hexClicked(on); });
    Decimal_ = new QCheckBox(QStringLiteral("Decimal"), valueGroup);
    Decimal_->setObjectName(QStringLiteral("Decimal"));
    Decimal_->setGeometry(10, 38, 140, 18);
    connect(Decimal_, &QCheckBox::clicked, this, [this](bool on) { model_.decimalClicked(on); });

    jbut_ = new QPushButton(QStringLiteral("Done"), this);
    jbut_->setObjectName(QStringLiteral("jbut"));
    jbut_->setGeometry(176, 180, 156, 26);
    jbut_->setAutoDefault(false);
    connect(jbut_, &QPushButton::clicked, this, [this] { model_.done(); });

    model_.setView(this);
    common::nameControls(this);
    refresh();
}

TJumpForm::~TJumpForm() { model_.setView(nullptr); }

void TJumpForm::execModal() {
    if (jmptxt_->isEnabled())
        jmptxt_->setFocus();
    else
        jmpbox_->setFocus();
    exec();
}

void TJumpForm::closeWindow() {
    if (isVisible()) done(0);
}

void TJumpForm::refresh() {
    refreshing_ = true;
    setWindowTitle(QString::fromStdString(model_.caption()));
    position_->setTitle(QString::fromStdString(model_.groupCaption()));
    jmptxt_->setEnabled(model_.textEnabled());
    jmptxt_->setMaxLength(model_.maxLength() ? static_cast<int>(model_.maxLength()) : 32767);
    const QString text = fromBytes(model_.text());
    if (jmptxt_->text() != text) jmptxt_->setText(text);
    jmpbox_->setEnabled(model_.listEnabled());
    QStringList items;
    for (const auto& item : model_.items()) items << fromBytes(item);
    QStringList shown;
    for (int i = 0; i < jmpbox_->count(); ++i) shown << jmpbox_->itemText(i);
    if (shown != items) {
        jmpbox_->clear();
        jmpbox_->addItems(items);
    }
    jmpbox_->setCurrentIndex(model_.selectedItem());
    for (int i = 0; i < 3; ++i) formats_[i]->setChecked(model_.addressFormat == i);
    Hexdecimal_->setChecked(model_.hexValue());
    Decimal_->setChecked(!model_.hexValue());
    Decimal_->setEnabled(model_.decimalEnabled());
    refreshing_ = false;
}

void TJumpForm::textEdited() {
    if (!refreshing_) model_.setText(toBytes(jmptxt_->text()));
}

bool TJumpForm::closingKey(QKeyEvent* e) {
    if (isEnter(e)) {
        model_.done();
        return true;
    }
    if (e->key() == Qt::Key_Escape) {
        model_.escape();
        return true;
    }
    return false;
}

bool TJumpForm::filterTextKey(QKeyEvent* e) {
    if (closingKey(e)) return true;
    if (e->matches(QKeySequence::Paste)) {
        jmptxt_->paste();
        textEdited();
        return true;
    }
    const QString typed = e->text();
    if (typed.size() != 1 || !typed.at(0).isPrint()) return false;  // editing keys
    const std::string bytes = toBytes(typed);
    const auto accepted = bytes.size() == 1 ? model_.acceptChar(bytes.front()) : std::nullopt;
    if (accepted) jmptxt_->insert(fromBytes(std::string(1, *accepted)));
    textEdited();
    return true;
}

bool TJumpForm::eventFilter(QObject* watched, QEvent* e) {
    if (watched == jmpbox_ && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (closingKey(k)) return true;
        // No search by typed letters.
        if (!k->text().isEmpty() && k->text().at(0).isPrint()) return true;
    }
    return QDialog::eventFilter(watched, e);
}

void TJumpForm::keyPressEvent(QKeyEvent* e) {
    if (!closingKey(e)) QDialog::keyPressEvent(e);
}

}  // namespace hexedit::search
