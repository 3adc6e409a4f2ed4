#include "hexedit/search/ui/TOptsForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include "common/ui/Accessibility.h"
#include "hexedit/search/ui/KanaGridWidget.h"

namespace hexedit::search {

namespace {

constexpr int kWidth = 508;
constexpr int kGridTop = 124;

QString fromUtf16(const std::u16string& s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

const char* optionName(Option o) {
    switch (o) {
        case Option::IgCase: return "IgCase";
        case Option::SaveFnd: return "SaveFnd";
        case Option::WildCrd: return "WildCrd";
        case Option::FindFromStart: return "FindFromStart";
        case Option::IncFind: return "IncFind";
        case Option::AsShown: return "AsShown";
        case Option::FindLimit: break;
    }
    return "FindLimit";
}

}  // namespace

FindBoxEdit::FindBoxEdit(TOptsForm& form, QWidget* parent) : QLineEdit(parent), form_(form) {
    setObjectName(QStringLiteral("FindBox"));
    // Keys arrive one by one through the filter; no input-method composition.
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

void FindBoxEdit::keyPressEvent(QKeyEvent* e) {
    if (!form_.filterBoxKey(e)) QLineEdit::keyPressEvent(e);
}

TOptsForm::TOptsForm(FindWindow& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("TOptsForm"));
    setModal(true);

    label_ = new QLabel(QStringLiteral("Enter Data:"), this);
    label_->setGeometry(8, 10, 70, 20);
    FindBox_ = new FindBoxEdit(*this, this);
    FindBox_->setGeometry(80, 8, 298, 23);
    label_->setBuddy(FindBox_);
    connect(FindBox_, &QLineEdit::textEdited, this, [this] { boxEdited(); });
    connect(FindBox_, &QLineEdit::cursorPositionChanged, this, [this] {
        if (!refreshing_) boxEdited();
    });

    findButton_ = new QPushButton(QStringLiteral("&Find"), this);
    findButton_->setObjectName(QStringLiteral("FindBtn"));
    findButton_->setGeometry(386, 7, 114, 25);
    connect(findButton_, &QPushButton::clicked, this, [this] { model_.FindClick(); });

    // The six options in two columns of three, the seventh (as shown)
    // under the first column; the buttons below them.
    const auto& all = allOptions();
    for (size_t i = 0; i < all.size(); ++i) {
        const Option o = all[i];
        auto* box = new QCheckBox(QString::fromLatin1(optionCaption(o)), this);
        box->setObjectName(QString::fromLatin1(optionName(o)));
        const int column = i < 6 ? static_cast<int>(i) / 3 : 0, row = i < 6 ? static_cast<int>(i) % 3 : 3;
        box->setGeometry(8 + column * 250, 35 + row * 15, 246, 16);
        connect(box, &QCheckBox::clicked, this, [this, o](bool checked) { model_.optionClicked(o, checked); });
        options_[o] = box;
    }

    selectAll_ = new QPushButton(QStringLiteral("Select &All Options on Form"), this);
    selectAll_->setGeometry(8, 96, 242, 21);
    connect(selectAll_, &QPushButton::clicked, this, [this] { model_.selectAllOptions(); });
    removeAll_ = new QPushButton(QStringLiteral("&Remove All Options on Form"), this);
    removeAll_->setGeometry(258, 96, 242, 21);
    connect(removeAll_, &QPushButton::clicked, this, [this] { model_.removeAllOptions(); });

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("SearchProgress"));
    progress_->setGeometry(8, 96, kWidth - 16, 21);
    progress_->setRange(0, 100);
    progress_->hide();

    fGrid_ = new KanaGridWidget(model_, this);
    fGrid_->setObjectName(QStringLiteral("fGrid"));
    fGrid_->move(8, kGridTop);
    kbox_ = new QListWidget(this);
    kbox_->setObjectName(QStringLiteral("kbox"));
    for (const char* name : KanaGrid::classNames()) kbox_->addItem(QString::fromLatin1(name));
    kbox_->setCurrentRow(0);
    kbox_->setGeometry(8 + KanaGrid::Width + 8, kGridTop, kWidth - KanaGrid::Width - 24, 100);
    connect(kbox_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        model_.kanaClassChosen(kbox_->row(item));
    });
    connect(kbox_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!refreshing_ && row >= 0) model_.kanaClassChosen(row);
    });

    for (QWidget* w : findChildren<QWidget*>()) {
        w->installEventFilter(this);
        if (auto* b = qobject_cast<QPushButton*>(w)) b->setAutoDefault(false);
    }
    model_.setView(this);
    common::nameControls(this);
    refresh();
}

TOptsForm::~TOptsForm() { model_.setView(nullptr); }

QLineEdit* TOptsForm::findBox() const { return FindBox_; }

void TOptsForm::execModal() {
    FindBox_->setFocus();
    exec();
}

void TOptsForm::closeWindow() {
    if (isVisible()) done(0);
}

void TOptsForm::refresh() {
    refreshing_ = true;
    setWindowTitle(QString::fromLatin1(model_.caption().c_str()));
    const bool grid = model_.gridShown();
    fGrid_->setVisible(grid);
    kbox_->setVisible(grid);
    if (grid) {
        // The window is 314 pixels high with its frame.
        const int frame = isVisible() ? frameGeometry().height() - geometry().height() : 0;
        setFixedSize(kWidth, FindWindow::KanaWindowHeight - (frame > 0 ? frame : 30));
    } else {
        setFixedSize(kWidth, FindWindow::ClientHeight);
    }
    for (auto& [o, box] : options_) {
        box->setChecked(model_.options[o]);
        box->setEnabled(model_.optionEnabled(o));
    }
    if (kbox_->currentRow() != model_.grid.currentClass()) kbox_->setCurrentRow(model_.grid.currentClass());
    const QFont boxFont = model_.japaneseBox() ? KanaGridWidget::japaneseFont(14) : QApplication::font(this);
    if (FindBox_->font() != boxFont) FindBox_->setFont(boxFont);
    FindBox_->setMaxLength(static_cast<int>(model_.maxLength()));
    const QString text = fromUtf16(model_.displayText());
    if (FindBox_->text() != text) FindBox_->setText(text);
    const int caret = charCaret(model_.input(), model_.caret());
    if (FindBox_->cursorPosition() != caret) FindBox_->setCursorPosition(caret);
    const auto p = model_.progress();
    progress_->setVisible(p.has_value());
    selectAll_->setVisible(!p);
    removeAll_->setVisible(!p);
    if (p) progress_->setValue(*p);
    fGrid_->update();
    refreshing_ = false;
}

void TOptsForm::progressChanged() {
    refresh();
    progress_->repaint();
    FindBox_->repaint();
}

void TOptsForm::focusInput() {
    FindBox_->setFocus();
    FindBox_->setCursorPosition(FindBox_->text().size());
}

std::string TOptsForm::boxBytes(const QString& text) const {
    std::string out;
    const std::u16string u = text.toStdU16String();
    for (size_t i = 0; i < u.size(); ++i) {
        // A surrogate pair is one character.
        const size_t n = u[i] >= 0xD800 && u[i] <= 0xDBFF && i + 1 < u.size() ? 2 : 1;
        if (auto b = model_.utf16ToBox(std::u16string_view(u).substr(i, n))) out += *b;
        i += n - 1;
    }
    return out;
}

size_t TOptsForm::byteCaret(const QString& text, int caret) const { return boxBytes(text.left(caret)).size(); }

int TOptsForm::charCaret(const std::string& bytes, size_t caret) const {
    return static_cast<int>(model_.boxToUtf16(std::string_view(bytes).substr(0, std::min(caret, bytes.size()))).size());
}

void TOptsForm::boxEdited() {
    if (refreshing_) return;
    const QString text = FindBox_->text();
    model_.inputEdited(boxBytes(text), byteCaret(text, FindBox_->cursorPosition()));
}

bool TOptsForm::filterBoxKey(QKeyEvent* e) {
    if (e->matches(QKeySequence::Paste)) {
        model_.paste();
        return true;
    }
    Key key;
    std::string typed;  // the character in the box's code page
    switch (e->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: key.kind = Key::Enter; break;
        case Qt::Key_Escape: key.kind = Key::Escape; break;
        case Qt::Key_Backspace: key.kind = Key::Backspace; key.ch = 8; break;
        default: {
            const QString t = e->text();
            // Navigation, Delete and shortcuts are the box's own.
            const bool pair = t.size() == 2 && t[0].isHighSurrogate() && t[1].isLowSurrogate();
            if ((t.size() != 1 && !pair) || (!pair && !t[0].isPrint()) ||
                (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
                return false;
            const std::u16string u = t.toStdU16String();
            auto b = model_.utf16ToBox(u);
            if (!b || b->empty() || (b->size() != 1 && !model_.utf8Box())) {
                // No single byte in the box's code page: only kana pairs
                // from the grid may hold those.
                return true;
            }
            // A UTF-8 character goes through the filter by its first byte.
            key.ch = static_cast<uint8_t>((*b)[0]);
            typed = *b;
        }
    }
    // Sync the caret the filter inserts at.
    boxEdited();
    const KeyResult r = model_.keyPress(key);
    if (r.verdict == KeyResult::Swallow || r.verdict == KeyResult::Handled) return true;
    if (key.kind == Key::Backspace) return false;  // the box deletes as usual
    const char c = static_cast<char>(r.ch);
    if (typed.size() > 1) FindBox_->insert(fromUtf16(model_.boxToUtf16(typed)));
    else FindBox_->insert(fromUtf16(model_.boxToUtf16(std::string_view(&c, 1))));
    boxEdited();
    return true;
}

bool TOptsForm::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress && watched != FindBox_) {
        auto* k = static_cast<QKeyEvent*>(e);
        // Key preview: Enter and Escape act from every control.
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter || k->key() == Qt::Key_Escape) {
            Key key;
            key.kind = k->key() == Qt::Key_Escape ? Key::Escape : Key::Enter;
            model_.keyPress(key);
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void TOptsForm::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) {
        Key key;
        key.kind = e->key() == Qt::Key_Escape ? Key::Escape : Key::Enter;
        model_.keyPress(key);
        return;
    }
    QDialog::keyPressEvent(e);
}

void TOptsForm::closeEvent(QCloseEvent* e) {
    if (!model_.closeRequested()) {
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}

}  // namespace hexedit::search
