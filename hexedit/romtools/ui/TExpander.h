#pragma once
// The "Change ROM Size" window: shows the Expander model and forwards its
// events.

#include <QDialog>

#include "hexedit/romtools/Expander.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace hexedit::romtools {

class TExpander : public QDialog, public ExpanderView {
    Q_OBJECT
public:
    explicit TExpander(Expander& model, QWidget* parent = nullptr);
    ~TExpander() override;

    // ExpanderView
    void execModal() override;
    void closeWindow() override;
    void refresh() override;

    QLabel* sizeTxt() const { return SizeTxt_; }
    QRadioButton* unitButton(SizeUnit u) const { return units_[static_cast<int>(u)]; }
    QLineEdit* expOther() const { return ExpOther_; }
    QCheckBox* addHeaderBox() const { return addHeader_; }
    QLineEdit* addHdr() const { return addHdr_; }
    QPushButton* doneButton() const { return done_; }

private:
    Expander& model_;
    QLabel* SizeTxt_ = nullptr;
    QRadioButton* units_[3] = {};
    QLineEdit* ExpOther_ = nullptr;
    QCheckBox* addHeader_ = nullptr;
    QLineEdit* addHdr_ = nullptr;
    QPushButton* done_ = nullptr;
    bool refreshing_ = false;
};

}  // namespace hexedit::romtools
