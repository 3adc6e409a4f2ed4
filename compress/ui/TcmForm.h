#pragma once
// The utility's one window: File and Edit menus over the list box ListBox1,
// which shows one line per operation.

#include <QMainWindow>
#include <memory>
#include <string>

#include "common/ui/QtPort.h"
#include "compress/CompressionUtility.h"

class QAction;
class QLabel;
class QListWidget;

namespace vt2comp {

class TcmForm : public QMainWindow, private CompressionView {
    Q_OBJECT
public:
    // Commands talk to `port` when given (tests), else to a Qt port on this
    // window. Output goes below `startFolder`.
    explicit TcmForm(std::string startFolder, common::Port* port = nullptr, QWidget* parent = nullptr);
    ~TcmForm() override;

    CompressionUtility& utility() { return utility_; }
    QListWidget* ListBox1 = nullptr;
    QAction* OpenROMFile1 = nullptr;
    QAction* SaveROMFile1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Graphics1 = nullptr;
    QAction* RecompressBlock1 = nullptr;
    QLabel* StatusLabel = nullptr;  // the loaded ROM, unsaved changes, the last file written

public slots:
    void OpenROMFile1Click();
    void SaveROMFile1Click();
    void Exit1Click();
    void Graphics1Click();
    void RecompressBlock1Click();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void listChanged() override;
    void showList();
    void updateMenus();

    CompressionUtility utility_;
    common::QtPort qtPort_;
    common::Port* port_;
};

}  // namespace vt2comp
