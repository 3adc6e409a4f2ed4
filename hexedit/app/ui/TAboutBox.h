#pragma once
// "About Tarnwick for Windows": icon, product name, version, maker and
// description, closed by OK or Escape.

#include <QDialog>

#include "hexedit/core/ModalView.h"

class QPushButton;

namespace hexedit {

class TAboutBox : public QDialog, public ModalView {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
    void execModal() override { exec(); }
    void closeWindow() override { reject(); }
    QPushButton* OKButton = nullptr;
};

// The program's icon, drawn rather than shipped as an image file.
QIcon programIcon();

}  // namespace hexedit
