#pragma once
// The dump window: shows the Dumper model's boxes, captions and button and
// forwards typing, the button and the keys.

#include <QWidget>

#include "hexedit/transfer/Dumper.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace hexedit::transfer {

class TDumpForm : public QWidget, public DumpView {
    Q_OBJECT
public:
    TDumpForm(Dumper& model, QWidget* mainWindow);
    ~TDumpForm() override;

    // DumpView
    void showWindow() override;
    void closeWindow() override;
    void refresh() override;
    void focusName() override;

    QLineEdit* nameBox() const { return DFile_; }
    QLineEdit* startBox() const { return BegOfs_; }
    QLineEdit* endBox() const { return EndOfs_; }
    QPushButton* button() const { return Button1_; }
    QLabel* status() const { return status_; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void boxesToModel();

    Dumper& model_;
    QLineEdit* DFile_ = nullptr;
    QLineEdit* BegOfs_ = nullptr;
    QLineEdit* EndOfs_ = nullptr;
    QPushButton* Button1_ = nullptr;
    QLabel* status_ = nullptr;
    bool syncing_ = false;
};

}  // namespace hexedit::transfer
