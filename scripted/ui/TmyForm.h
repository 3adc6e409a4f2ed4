#pragma once
// The script editor's main window: the text box picture Video, the menus
// and the status bar. It forwards every command to the ScriptEditor model
// and then shows the model's state in itself and in the side windows.

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <memory>

#include "common/ui/QtPort.h"
#include "scripted/ScriptEditor.h"
#include "scripted/ui/SideForms.h"

namespace scripted::ui {

// The paint box: the 320 x 256 RGB565 screen bitmap stretched over it.
class VideoBox : public QWidget {
    Q_OBJECT
public:
    VideoBox(const std::vector<uint16_t>& screen, QWidget* parent);
    // The model's screen picture, without a copy.
    QImage screen() const;

private:
    const std::vector<uint16_t>& pixels_;

protected:
    void paintEvent(QPaintEvent*) override;
};

class TmyForm : public QMainWindow {
    Q_OBJECT
public:
    // Without a port the form shows real dialogs and message boxes.
    explicit TmyForm(common::Port* port = nullptr, QWidget* parent = nullptr);
    ~TmyForm() override;

    // The side windows, created after the main window in the start-up order.
    void attach(TTxtForm* txt, THexForm* hex, TKanaForm* kana, TcmForm* cm);

    ScriptEditor& editor() { return editor_; }
    // Shows the model's state; every command ends with it.
    void sync();
    void placeSideWindows();

    VideoBox* Video;
    QLabel* statusPanels[2];
    QLabel* stateLabel;  // unsaved text, the last file written
    // File
    QAction* OpenROMFile1;
    QAction* LoadTextBlockDataFile1;
    QAction* SaveTextFile1;
    QAction* SaveRomFile1;
    QAction* Exit1;
    // View
    QAction* DisplayPointerList1;
    QAction* DisplayTextEditor1;
    QAction* DisplayKanaTextDump1;
    QAction* DisplayHexData1;
    QAction* Zoominx21;
    QAction* DefaultWindowSize1;
    QAction* WrapLines1;  // the text editor wraps long lines on screen
    // options
    QAction* HideCodes;
    QAction* UseVWFRoutine1;
    QAction* Blue1;
    QAction* Green1;
    QAction* Red1;
    QAction* Gradient1;
    QAction* Solid1;
    QAction* DTT;
    // Program
    QAction* TextEditorStayOnTop1;
    QAction* DumpMemory1;
    // Help
    QAction* EditorKeys1;

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void pushEditorText();
    void pullEditorSelection();
    void buildMenus();
    template <class F>
    void run(F&& command);
    void setSideVisible(QWidget* w, bool visible);
    void setClientSize(QSize size);

    std::unique_ptr<common::QtPort> ownPort_;
    common::Port& port_;
    ScriptEditor editor_;
    TTxtForm* txt_ = nullptr;
    THexForm* hex_ = nullptr;
    TKanaForm* kana_ = nullptr;
    TcmForm* cm_ = nullptr;
    unsigned bListRevision_ = ~0u;
    unsigned pListRevision_ = ~0u;
    bool stayOnTop_ = false;
    bool zoomed_ = false;
    QSize startClientSize_;
    bool closing_ = false;
    unsigned editorTextRevision_ = 0;
};

// The main window and the side windows in the start-up order.
struct Windows {
    std::unique_ptr<TmyForm> main;
    TTxtForm* txt;
    THexForm* hex;
    TKanaForm* kana;
    TcmForm* cm;
};
Windows createWindows(common::Port* port = nullptr);

}  // namespace scripted::ui
