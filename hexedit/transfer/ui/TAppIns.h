#pragma once
// "Settings for External Program...": the program's path with its "..."
// button, the argument list, the hide option and "Done".

#include <QDialog>

#include "hexedit/transfer/ExternalInserter.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace hexedit::transfer {

class TAppIns : public QDialog, public ModalView {
    Q_OBJECT
public:
    explicit TAppIns(ExternalInserter& model, QWidget* parent = nullptr);
    ~TAppIns() override;
    void execModal() override;
    void closeWindow() override { accept(); }

    QLineEdit* AppName = nullptr;
    QPushButton* GetApp1 = nullptr;
    QLineEdit* AppArgs = nullptr;
    QCheckBox* HideIns = nullptr;
    QPushButton* DoneButton = nullptr;

private:
    void load();
    ExternalInserter& model_;
};

}  // namespace hexedit::transfer
