#pragma once
// The main window's model: the open file, the table data, the view and
// navigation state, and the file and table commands. The form shows it and
// forwards its menu commands here; other subsystems work on the same
// instance. Changes are announced to the observers.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/port/Port.h"
#include "hexedit/core/BusyRunner.h"
#include "hexedit/core/CommandTable.h"
#include "hexedit/core/Document.h"
#include "hexedit/core/EditSession.h"
#include "hexedit/core/EditorState.h"
#include "hexedit/core/HexView.h"
#include "hexedit/core/MenuMap.h"
#include "hexedit/core/NavigationState.h"
#include "hexedit/core/Savestate.h"
#include "hexedit/core/Shell.h"
#include "hexedit/core/TableData.h"
#include "hexedit/core/ViewState.h"

namespace hexedit {

class DataPadObserver {
public:
    virtual ~DataPadObserver() = default;
    virtual void formPaint() {}           // repaint the view (FormPaint)
    virtual void menusChanged() {}        // enabled flags or swap captions
    virtual void titlesChanged() {}       // MainCaption
    virtual void scrollRangeChanged() {}  // BufferSize, BytesPerRow or PageBytes
    virtual void hintChanged() {}         // HintText
    virtual void closeRequested() {}      // Exit, or a fatal error that ends the program
    virtual void visibilityChanged() {}   // MainWindowVisible
    virtual void busyChanged() {}         // the busy runner started or ended
    virtual void progressChanged() {}     // the busy runner's progress
    virtual void cursorMoved() {}  // the cursor or the selection changed
    virtual void fileStateChanged() {}  // FileStateText: unsaved changes, the last file written
};

inline constexpr char kProgramCaption[] = "Tarnwick for Windows";
inline constexpr char kNoTableCaption[] = "...";
inline constexpr int32_t kMinBufferSize = 65535;
// FileSize and BufferSize are signed 32-bit.
inline constexpr uint64_t kMaxFileLength = INT32_MAX;

class DataPad : public EditSession, public Shell, private BusyView {
    // Declared first: the view below refers to it.
    Document doc_;
    EditorState& editor_ = doc_.editorState();
    TableData& table_ = doc_.tableState();
    ViewState& view_ = doc_.view();
    NavigationState nav_;

public:
    explicit DataPad(common::Port& port);
    DataPad(const DataPad&) = delete;
    DataPad& operator=(const DataPad&) = delete;

    // The hex and text view with its keyboard input, over the file, table and view.
    HexView hexView{editor_, table_, view_};
    std::string HelpViewerPath;
    std::string HelpPath;
    std::string ConfigPath;
    std::string MainCaption = kProgramCaption;
    std::array<std::string, 2> SwapCaptions{kNoTableCaption, kNoTableCaption};  // tblv1, tblv2
    MenuFlags Menus;
    // Captions a subsystem gives its menu entries, by handler name.
    std::map<std::string, std::string, std::less<>> MenuCaptions;
    std::string HintText;
    // Run by FormCloseQuery before the modified question (the settings file
    // is written there).
    std::vector<std::function<void()>> closeHooks;
    bool MainWindowVisible = true;
    // Files of at least kMinBufferSize bytes are mapped read-only instead of
    // read whole (the command line, whose commands mostly only read); the
    // first change copies the bytes. Not for the editor: another program
    // truncating a mapped file would fault its next read.
    bool MapFiles = false;
    // The one runner of long loops; the main window shows its progress.
    const BusyRunner& busyRunner() const { return busy_; }

    void addObserver(DataPadObserver* o);
    void removeObserver(DataPadObserver* o);

    // EditSession
    Shell& shell() override { return *this; }
    CommandTable& commands() override { return commands_; }
    Document& document() override { return doc_; }
    const EditorState& editor() const override { return editor_; }
    const TableData& table() const override { return table_; }
    ViewState& view() override { return view_; }
    NavigationState& nav() override { return nav_; }
    void moveCursorTo(int32_t offset) override;
    bool writeBytes(int32_t offset, std::span<const uint8_t> bytes, EditKind kind = EditKind::Edit) override;
    bool fill(int32_t offset, int32_t length, uint8_t value) override;
    bool replaceBuffer(std::span<const uint8_t> content) override;
    bool writeRecords(std::span<const EditRecord> records) override;
    bool splice(int32_t offset, int32_t removeLength, std::span<const uint8_t> insert) override;
    bool appendTableLine(std::string_view line) override;
    bool reloadTable() override;
    void useTableFile(int slot, const std::string& path) override;
    void openFile() override { Open1Click(); }
    bool saveFile() override { return SaveFile1Click(); }

    // Shell
    common::Port& port() override { return port_; }
    void repaint() override { notifyRepaint(); }
    void refreshMenus() override { UpdateMenuItems(); }
    void setMainWindowVisible(bool visible) override;
    void showHint(std::string_view text) override { ShowHint(std::string(text)); }
    void fileWritten(const std::string& path) override;
    // The last file written, as a full path.
    std::string WrittenPath;
    // The status bar's lasting state: unsaved changes and the last file
    // written.
    std::string FileStateText() const;
    bool runBusy(std::string_view label, const std::function<bool(const common::Progress&)>& work) override;
    bool busy() const override { return busy_.busy(); }
    void cancelBusy() override { busy_.cancel(); }

    // The file's bookkeeping and the table for the main window's own commands
    // and its tests; the bytes still change only through the session.
    EditorState& editorState() { return editor_; }
    TableData& tableState() { return table_; }

    // Whether a menu entry can be chosen now: its editor-state group, its own
    // rule in the command table, and no long loop running.
    bool commandEnabled(std::string_view name) const;
    // Runs a menu entry's handler when it is enabled.
    bool runCommand(std::string_view name);

    // Edit menu.
    void Undo1Click();
    void Redo1Click();

    // Start-up: state, paths in `workingFolder`, menus. Returns EditorReady.
    bool FormCreate(const std::string& workingFolder);

    // File commands.
    void Open1Click();
    // Asks whether to save a modified file first; false when saving failed
    // and the caller must not drop the changes.
    bool keepChanges();
    // Opens `path` as if chosen in the open dialog (companion table included).
    bool openPath(const std::string& path);
    void RefreshCurrentROM1Click();
    // Writes the buffer back; false when nothing was saved.
    bool SaveFile1Click();
    void SaveFileAs1Click();
    // Shut-down: false keeps the window open (only after a save that failed).
    bool FormCloseQuery();
    void FormClose();
    void Exit1Click();

    // Table commands.
    bool TableLoader(const std::string& path);
    void Tbl11Click() { tableSlotCommand(0); }
    void Tbl21Click() { tableSlotCommand(1); }
    void OpenTablefile();
    void tblv1Click() { swapCommand(0); }
    void tblv2Click() { swapCommand(1); }
    void Asciitbl1Click();

    // Computes the menu flags and announces them (the command table's rules
    // are asked by the form through commandEnabled).
    void UpdateMenuItems();
    void ShowHint(const std::string& text);

    // Announcements for other subsystems that change the state.
    void notifyRepaint();
    void notifyMenus();
    void notifyTitles();
    void notifyScrollRange();

private:
    struct LoadedFile {
        std::vector<uint8_t> storage;
        std::shared_ptr<const common::MappedFile> mapped;  // instead of storage
        uint32_t headerSkip = 0;
        int32_t fileSize = 0;
        int32_t bufferSize = 0;
    };
    enum class LoadError { None, CannotOpen, TooLarge, OutOfMemory };
    // Reads a file into a new buffer, asks the savestate question and
    // converts its palette; the open file is untouched.
    LoadError loadFile(const std::string& path, LoadedFile& out);
    void install(const std::string& path, LoadedFile&& f);
    void reportTooLarge(const std::string& path);
    void reportOutOfMemory();
    void buildTitles();
    void afterLoad();
    void tableSlotCommand(int slot);
    void swapCommand(int slot);
    std::string absolutePath(const std::string& path) const;

    template <class F>
    void notify(F f) {
        auto list = observers_;
        for (auto* o : list) (o->*f)();
    }

    void registerCommands();
    void paste(bool asText);
    void copySelection(bool asText);
    // BusyView: the main window shows the runner, the menus wait for it.
    void busyChanged() override;
    void progressChanged() override { notify(&DataPadObserver::progressChanged); }
    // After a change of bytes: repaint, scroll range, menus.
    void bytesChanged(const doc::BytesChanged& e);

    common::Port& port_;
    CommandTable commands_;
    std::vector<DataPadObserver*> observers_;
    BusyRunner busy_{port_};
    bool pasting_ = false;  // the busy loop is a paste, which types
    bool couldUndo_ = false, couldRedo_ = false, wasModified_ = false;
    Subscription documentEvents_;
    bool hadSelection_ = false;
};

}  // namespace hexedit
