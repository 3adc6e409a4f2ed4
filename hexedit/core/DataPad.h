#pragma once
// The main window's model: the editing session of Tarnwick32 (the document,
// the file commands, the command table) and the window side it shows: the
// caption, the menus' state, the status bar's file state and the busy
// runner. The form shows it through DataPadView and forwards its menu
// commands here; other subsystems work on the same session.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/port/Port.h"
#include "hexedit/core/BusyRunner.h"
#include "hexedit/core/CommandTable.h"
#include "hexedit/core/Document.h"
#include "hexedit/core/EditCommands.h"
#include "hexedit/core/EditSession.h"
#include "hexedit/core/FileCommands.h"
#include "hexedit/core/HexView.h"
#include "hexedit/core/MenuMap.h"
#include "hexedit/core/NavigationState.h"
#include "hexedit/core/Shell.h"

namespace hexedit {

// The main window's form; each call says what to show anew.
class DataPadView {
public:
    virtual ~DataPadView() = default;
    virtual void formPaint() {}           // repaint the view (FormPaint)
    virtual void menusChanged() {}        // enabled flags or captions
    virtual void titlesChanged() {}       // MainCaption
    virtual void scrollRangeChanged() {}  // BufferSize, BytesPerRow or PageBytes
    virtual void showHint(std::string_view) {}    // the hint panel's text
    virtual void closeRequested() {}      // Exit, or a fatal error that ends the program
    virtual void visibilityChanged() {}   // MainWindowVisible
    virtual void busyChanged() {}         // the busy runner started or ended
    virtual void progressChanged() {}     // the busy runner's progress
    virtual void fileStateChanged() {}    // FileStateText: unsaved changes, the last file written
};

class DataPad : public Shell, public EditSession, private BusyView {
public:
    explicit DataPad(common::Port& port);
    DataPad(const DataPad&) = delete;
    DataPad& operator=(const DataPad&) = delete;

    void setView(DataPadView* v) { view_ = v; }

private:
    // Declared first: the members below refer to them.
    common::Port& port_;
    Document doc_;
    NavigationState nav_;
    CommandTable commands_;
    BusyRunner busy_{port_};

public:
    // The file and table commands.
    FileCommands files{doc_, *this, commands_, EnableWhen(doc_, nav_)};
    // The hex and text view with its keyboard input, over the file, table and view.
    HexView hexView{doc_.editorState(), doc_.tableState(), doc_.view()};
    // The Edit menu and the view's entries.
    EditCommands edit{*this, hexView};
    std::string MainCaption = kProgramCaption;
    bool MainWindowVisible = true;
    // The last file written, as a full path.
    std::string WrittenPath;
    // The one runner of long loops; the main window shows its progress.
    const BusyRunner& busyRunner() const { return busy_; }

    // Shell
    common::Port& port() override { return port_; }
    void repaint() override { notifyRepaint(); }
    void refreshMenus() override { UpdateMenuItems(); }
    bool mainWindowShown() const override { return MainWindowVisible; }
    void setMainWindowVisible(bool visible) override;
    void setCaption(std::string_view caption) override;
    void requestClose() override;
    void showHint(std::string_view text) override;
    void fileWritten(const std::string& path) override;
    bool runBusy(std::string_view label, const std::function<bool(const common::Progress&)>& work) override;
    bool busy() const override { return busy_.busy(); }
    void cancelBusy() override { busy_.cancel(); }

    // The status bar's lasting state: unsaved changes and the last file
    // written.
    std::string FileStateText() const;

    // The file's bookkeeping and the table for the main window's own commands
    // and its tests; the bytes still change only through the session.
    EditorState& editorState() { return doc_.editorState(); }
    TableData& tableState() { return doc_.tableState(); }

    // Whether a menu entry can be chosen now: its rule in the command table,
    // and no long loop running.
    bool commandEnabled(std::string_view name) const;
    // Runs a menu entry's handler when it is enabled.
    bool runCommand(std::string_view name);

    // Start-up: state, the working folder, menus. Returns EditorReady.
    bool FormCreate(const std::string& workingFolder);

    // Announces that the menus' captions, enabled states or marks may have
    // changed (the form asks the command table's records through
    // commandEnabled and commands()).
    void UpdateMenuItems();

    // Announcements for other subsystems that change the state.
    void notifyRepaint();
    void notifyMenus();

private:
    // BusyView: the main window shows the runner, the menus wait for it.
    void busyChanged() override;
    void progressChanged() override;
    // After a change of bytes: repaint, scroll range, menus.
    void bytesChanged(const doc::BytesChanged& e);
    template <class F>
    void tell(F f) {
        if (view_) (view_->*f)();
    }

    DataPadView* view_ = nullptr;
    bool couldUndo_ = false, couldRedo_ = false, wasModified_ = false;
    bool hadSelection_ = false;
    Subscription documentEvents_;
};

}  // namespace hexedit
