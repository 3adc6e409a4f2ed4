#pragma once
// The "Snes To Hex Convertor" window: shows the Snes2Hex model and forwards
// its events.

#include <QDialog>

#include "hexedit/romtools/Snes2Hex.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace hexedit::romtools {

class TSnes2Hex : public QDialog, public Snes2HexView {
    Q_OBJECT
public:
    explicit TSnes2Hex(Snes2Hex& model, QWidget* parent = nullptr);
    ~TSnes2Hex() override;

    // Snes2HexView
    void execModal() override;
    void closeWindow() override;
    void refresh() override;

    QLineEdit* lorom1() const { return lorom1_; }
    QLineEdit* lorom2() const { return lorom2_; }
    QRadioButton* modeButton(ConvertMode m) const { return modes_[static_cast<int>(m)]; }
    QCheckBox* headerBox() const { return header_; }
    QCheckBox* bankBox() const { return bank_; }
    QPushButton* convertButton() const { return convert_; }
    QPushButton* gotoButton() const { return goto_; }
    QLabel* zstText() const { return ZstText_; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    Snes2Hex& model_;
    QLineEdit* lorom1_ = nullptr;
    QLineEdit* lorom2_ = nullptr;
    QRadioButton* modes_[4] = {};
    QCheckBox* header_ = nullptr;
    QCheckBox* bank_ = nullptr;
    QPushButton* convert_ = nullptr;
    QPushButton* goto_ = nullptr;
    QLabel* ZstText_ = nullptr;
    bool refreshing_ = false;
};

}  // namespace hexedit::romtools
