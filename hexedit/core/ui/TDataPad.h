#pragma once
// The main window: scroll bar, hex and text paint boxes, status bar and the
// menus of the menu map. Each command is a QAction named by its handler; all
// of them run the model's command table, which also decides their enabled
// state and check marks. Keys pass the model's key preview first.

#include <QMainWindow>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "hexedit/core/DataPad.h"

class QFrame;
class QKeyEvent;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QScrollBar;
class QStatusBar;

namespace hexedit {

class PaintBox;
namespace ui {
class ViewWiring;
}

class TDataPad : public QMainWindow, public DataPadView {
    Q_OBJECT
public:
    // Runs the model's start-up (FormCreate) in the current working folder.
    explicit TDataPad(DataPad& model, QWidget* parent = nullptr);
    ~TDataPad() override;

    DataPad& model;

    QScrollBar* VScrl = nullptr;
    QFrame* Panel3 = nullptr;
    PaintBox* HexData = nullptr;
    QFrame* Panel2 = nullptr;
    PaintBox* TblData = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QStatusBar* SBar = nullptr;
    QLabel* SBarPanel1 = nullptr;  // cursor information
    QLabel* SBarPanel2 = nullptr;  // menu hints
    QLabel* SBarState = nullptr;   // unsaved changes, the last file written
    QLabel* SBarTable = nullptr;   // the table's text encoding
    QMenu* PopUp1 = nullptr;

    // The entry of the menu map with this handler ("Open1Click") or menu
    // name ("DumpFromList1"); nullptr when there is none.
    QAction* command(std::string_view name) const;
    QMenu* menu(std::string_view name) const;
    // The caption an entry shows now, with the keys of one with two.
    QString actionText(std::string_view name) const;

    void setStatusText(const QString& text);
    // Panel3's width for BytesPerRow bytes in the hex font.
    void Panel3Resize();
    // Scroll bar range 0..BufferSize, steps of a row and a page.
    void VScrlChange();

    // DataPadView
    void formPaint() override;
    void menusChanged() override;
    void titlesChanged() override;
    void scrollRangeChanged() override;
    void showHint(std::string_view text) override;
    void closeRequested() override;
    void visibilityChanged() override;
    void busyChanged() override;
    void progressChanged() override;
    void fileStateChanged() override;

    // Shown in the status bar while a long loop runs.
    QProgressBar* BusyBar = nullptr;
    QPushButton* BusyCancel = nullptr;

signals:
    // The menus were brought up to date (docked panels follow their flags).
    void menusUpdated();

protected:
    void closeEvent(QCloseEvent* e) override;
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;

private:
    void buildMenus();
    void buildLayout();
    bool previewKey(QKeyEvent& e);

    std::map<std::string, QAction*, std::less<>> commands_;
    std::map<std::string, QMenu*, std::less<>> menus_;
    // The keys shown after the caption of an entry with a second key.
    std::map<std::string, QString, std::less<>> keysText_;
    ui::ViewWiring* wiring_ = nullptr;
};

}  // namespace hexedit
