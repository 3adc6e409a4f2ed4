#pragma once
// The window side of Tarnwick32 as the subsystems see it: the port for
// dialogs and messages, the main view's repaint, the menus, the main
// window's visibility and caption, the close request, the hint panel, the
// status bar's last written file and the one busy runner for long loops. The main window's model
// implements it; subsystem tests use testing::RecordingShell.

#include <functional>
#include <string>
#include <string_view>

#include "common/port/Port.h"
#include "common/progress.h"

namespace hexedit {

class Shell {
public:
    virtual ~Shell() = default;

    virtual common::Port& port() = 0;
    // Repaints the main view after state other than bytes changed.
    virtual void repaint() = 0;
    virtual void refreshMenus() = 0;
    // Hides the main window while another window stands in for it (tile
    // editor, table maker) and shows it again.
    virtual void setMainWindowVisible(bool visible) = 0;
    // Whether the main window shows (no other window stands in for it).
    virtual bool mainWindowShown() const = 0;
    // The main window's caption.
    virtual void setCaption(std::string_view caption) = 0;
    // Asks the main window to close (Exit, or a fatal error that ends the
    // program); it closes once the running command returned.
    virtual void requestClose() = 0;
    // A short text in the status bar's hint panel.
    virtual void showHint(std::string_view text) = 0;
    // A file was written (a dump, the edited file): the status bar keeps its
    // full path.
    virtual void fileWritten(const std::string& path) = 0;

    // Runs `work` as the one long loop: menu commands and keys wait, the
    // main window shows a progress bar with a way to cancel and stays
    // responsive. `work` reports through the progress it is given (as often
    // as it likes; events run at most every 50 ms) and stops when it answers
    // false. Returns what `work` returned; false without running when a loop
    // already runs.
    virtual bool runBusy(std::string_view label, const std::function<bool(const common::Progress&)>& work) = 0;
    virtual bool busy() const = 0;
    // Asks the running loop to stop at its next progress report.
    virtual void cancelBusy() = 0;
};

}  // namespace hexedit
