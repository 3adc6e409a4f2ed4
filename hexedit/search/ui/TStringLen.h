#pragma once
// The string length window: shows the StringLength model's three boxes.

#include <QWidget>

#include "hexedit/search/StringLength.h"

class QLineEdit;

namespace hexedit::search {

class TStringLen : public QWidget, public StringLengthView {
    Q_OBJECT
public:
    explicit TStringLen(StringLength& model, QWidget* parent = nullptr);
    ~TStringLen() override;

    // StringLengthView
    void showWindow() override;
    void closeWindow() override;
    void refresh() override;

    QLineEdit* startBox() const { return boxes_[0]; }
    QLineEdit* endBox() const { return boxes_[1]; }
    QLineEdit* lengthBox() const { return boxes_[2]; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    StringLength& model_;
    QLineEdit* boxes_[3] = {};
};

}  // namespace hexedit::search
