#pragma once
// The relative jump settings window: every click stores its setting in the
// RelativeJump model at once.

#include <QWidget>

#include "hexedit/search/RelativeJump.h"

class QLineEdit;
class QRadioButton;

namespace hexedit::search {

class TRelForm : public QWidget, public RelativeJumpView {
    Q_OBJECT
public:
    explicit TRelForm(RelativeJump& model, QWidget* parent = nullptr);
    ~TRelForm() override;

    // RelativeJumpView
    void showWindow() override;
    void closeWindow() override;

    QRadioButton* sizeButton(int size) const { return sizes_[size]; }
    QRadioButton* signButton(int isUnsigned) const { return signs_[isUnsigned]; }
    QRadioButton* mappingButton(int mapping) const { return mappings_[mapping]; }
    QRadioButton* targetButton(bool relative) const { return targets_[relative ? 0 : 1]; }
    QLineEdit* adjustmentBox() const { return HDR_; }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    RelativeJump& model_;
    QRadioButton* sizes_[4] = {};
    QRadioButton* signs_[2] = {};
    QRadioButton* mappings_[3] = {};
    QRadioButton* targets_[2] = {};
    QLineEdit* HDR_ = nullptr;
    bool placed_ = false;
};

}  // namespace hexedit::search
