#pragma once
// The Goto window: shows the GotoWindow model and forwards its events.

#include <QDialog>
#include <QLineEdit>

#include "hexedit/search/Goto.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace hexedit::search {

class TJumpForm;

// jmptxt: typed characters go through the window's key rules.
class JumpTextEdit : public QLineEdit {
    Q_OBJECT
public:
    JumpTextEdit(TJumpForm& form, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    TJumpForm& form_;
};

class TJumpForm : public QDialog, public GotoView {
    Q_OBJECT
public:
    explicit TJumpForm(GotoWindow& model, QWidget* parent = nullptr);
    ~TJumpForm() override;

    // GotoView
    void execModal() override;
    void closeWindow() override;
    void refresh() override;

    GotoWindow& model() { return model_; }
    QLineEdit* textBox() const { return jmptxt_; }
    QComboBox* jumpList() const { return jmpbox_; }
    QRadioButton* addressButton(int format) const { return formats_[format]; }
    QCheckBox* hexBox() const { return Hexdecimal_; }
    QCheckBox* decimalBox() const { return Decimal_; }
    QGroupBox* positionGroup() const { return position_; }

    // The text box's key rules; true when the key was dealt with.
    bool filterTextKey(QKeyEvent* e);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void textEdited();
    // Enter closes the window, Escape cancels it.
    bool closingKey(QKeyEvent* e);

    GotoWindow& model_;
    QGroupBox* position_ = nullptr;
    JumpTextEdit* jmptxt_ = nullptr;
    QComboBox* jmpbox_ = nullptr;
    QRadioButton* formats_[3] = {};
    QCheckBox* Hexdecimal_ = nullptr;
    QCheckBox* Decimal_ = nullptr;
    QPushButton* jbut_ = nullptr;
    bool refreshing_ = false;
};

}  // namespace hexedit::search
