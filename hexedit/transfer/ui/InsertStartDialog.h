#pragma once
// The dump window in its insertion mode: shown modally with only the start
// box in use; Enter in it accepts, Escape or closing cancels. The window is
// put back as it was afterwards.

#include <QObject>

#include "hexedit/transfer/BinaryInsert.h"

class QEventLoop;

namespace hexedit::transfer {

class TDumpForm;

class InsertStartDialog : public QObject, public InsertStartView {
    Q_OBJECT
public:
    InsertStartDialog(BinaryInsert& model, TDumpForm& form);
    ~InsertStartDialog() override;

    void setStatusText(const std::string& text) override;
    std::string askStart(const std::string& start) override;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void finish(bool accepted);

    BinaryInsert& model_;
    TDumpForm& form_;
    QEventLoop* loop_ = nullptr;
    bool accepted_ = false;
};

}  // namespace hexedit::transfer
