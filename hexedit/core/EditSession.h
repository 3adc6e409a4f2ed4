#pragma once
// The one road from a Tarnwick32 subsystem to the open file and the window
// side: the document (reading the file, table and view; moving the cursor;
// changing bytes, every change one undo step and announced), the file and
// table commands, the command table, and the shell (port, menus, hint
// panel, main window visibility, the busy runner). Subsystems follow the
// document's changes by subscribing to document(). The main window's model
// is one; tests build one over a real document and testing::RecordingShell.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/port/Port.h"
#include "common/progress.h"
#include "hexedit/core/CommandTable.h"
#include "hexedit/core/Document.h"
#include "hexedit/core/EditorState.h"
#include "hexedit/core/EnableWhen.h"
#include "hexedit/core/FileCommands.h"
#include "hexedit/core/NavigationState.h"
#include "hexedit/core/Shell.h"
#include "hexedit/core/TableData.h"
#include "hexedit/core/ViewState.h"

namespace hexedit {

enum class EditKind {
    Edit,    // one step of its own
    Typing,  // joins the previous typed bytes next to it into one step
};

class EditSession {
public:
    // Keeps references to the parts, which may still be under construction.
    EditSession(Document& doc, Shell& shell, CommandTable& commands, NavigationState& nav, FileCommands& files)
        : doc_(doc), shell_(shell), commands_(commands), nav_(nav), files_(files) {}
    EditSession(const EditSession&) = delete;
    EditSession& operator=(const EditSession&) = delete;

    Shell& shell() { return shell_; }
    CommandTable& commands() { return commands_; }
    // The editor states that enable menu entries, for the records of the
    // command table.
    EnableWhen when() const { return EnableWhen(doc_, nav_); }
    // The open file; subscribe to it to follow its changes.
    Document& document() { return doc_; }

    // ---- reading ----
    const EditorState& editor() const { return doc_.editor(); }
    const TableData& table() const { return doc_.table(); }
    // Cursor, page and colours. Commands move the cursor with moveCursorTo().
    ViewState& view() { return doc_.view(); }
    NavigationState& nav() { return nav_; }
    int32_t cursor() { return view().CursorOffset; }
    // The selected bytes, if any: ranged commands take them as their range.
    std::optional<ByteRange> selection() { return selectedRange(view(), editor().BufferSize); }
    // BufferSize bytes, zero past FileSize; empty without a buffer.
    std::span<const uint8_t> bytes() const { return editor().buffer(); }

    // ---- cursor ----
    // Makes `offset` the cursor (clamped into the buffer) through
    // PlaceCursor, drops the selection and ends a run of typing; the view
    // follows the document's event.
    void moveCursorTo(int32_t offset) { doc_.moveCursorTo(offset); }

    // ---- changing bytes ----
    // Each returns false, changing nothing, when the range leaves the file
    // [0, FileSize) or no file is held. A change sets Modified, records one
    // undo step and is announced by the document. Typed bytes wait while a
    // long loop runs, unless it is the one typing them (a paste).
    bool writeBytes(int32_t offset, std::span<const uint8_t> bytes, EditKind kind = EditKind::Edit) {
        if (kind == EditKind::Typing && shell_.busy() && !typingLoop_) return false;
        return doc_.writeBytes(offset, bytes, kind == EditKind::Typing);
    }
    bool fill(int32_t offset, int32_t length, uint8_t value) { return doc_.fill(offset, length, value); }
    // The file's content becomes `content` (any length up to 2 GB): resizing,
    // header removal, patches, the external program's result.
    bool replaceBuffer(std::span<const uint8_t> content) {
        return ownBytesFor(content.size() != static_cast<size_t>(editor().FileSize)) && doc_.replaceBuffer(content);
    }
    // The records written in order as one step (patches); they may lengthen
    // the file.
    bool writeRecords(std::span<const EditRecord> records) {
        const bool grows = std::any_of(records.begin(), records.end(), [this](const EditRecord& r) {
            return r.count > 0 && r.offset + static_cast<int64_t>(r.count) > editor().FileSize;
        });
        return ownBytesFor(grows) && doc_.writeRecords(records);
    }
    // `removeLength` bytes at `offset` become `insert` (`offset` may be
    // FileSize to append).
    bool splice(int32_t offset, int32_t removeLength, std::span<const uint8_t> insert) {
        return ownBytesFor(static_cast<size_t>(removeLength) != insert.size()) &&
               doc_.splice(offset, removeLength, insert);
    }
    // Marks the running long loop as the one that types (a paste).
    void setTypingLoop(bool typing) { typingLoop_ = typing; }

    // ---- table file ----
    // Appends `line` and a CR LF to the current table file (written safely)
    // and reloads the table. False when there is no table file or it cannot
    // be read or written; the caller tells the user in its own words.
    bool appendTableLine(std::string_view line) { return files_.appendTableLine(line); }
    // Reads the current table file again (after it was rewritten).
    bool reloadTable() { return files_.reloadTable(); }
    // `path` becomes the file of Table #1 or Table #2 (`slot` 0 or 1), which
    // is loaded and shown, as if chosen under "Open Table File".
    void useTableFile(int slot, const std::string& path) { files_.useTableFile(slot, path); }

    // ---- the file commands ----
    // "Open" as the main window's menu runs it: the question about unsaved
    // changes, the dialog, the companion table.
    void openFile() { files_.Open1Click(); }
    // "Save" to the current path with its messages; false when nothing was
    // saved.
    bool saveFile() { return files_.SaveFile1Click(); }

    // ---- the window side, through the shell ----
    common::Port& port() { return shell().port(); }
    void repaint() { shell().repaint(); }
    void refreshMenus() { shell().refreshMenus(); }
    void setMainWindowVisible(bool visible) { shell().setMainWindowVisible(visible); }
    void showHint(std::string_view text) { shell().showHint(text); }
    void fileWritten(const std::string& path) { shell().fileWritten(path); }
    bool runBusy(std::string_view label, const std::function<bool(const common::Progress&)>& work) {
        return shell().runBusy(label, work);
    }
    bool busy() { return shell().busy(); }
    void cancelBusy() { shell().cancelBusy(); }

private:
    // A change of the length gives a mapped file a buffer of its own first:
    // a copy of the whole file, run with progress unless a loop already
    // runs. False when the user stopped it (nothing changed).
    bool ownBytesFor(bool resizes) {
        if (!resizes || !editor().mapped()) return true;
        if (shell().busy()) return doc_.materialize({});
        return runBusy("Copying the file", [this](const common::Progress& p) { return doc_.materialize(p); });
    }

    Document& doc_;
    Shell& shell_;
    CommandTable& commands_;
    NavigationState& nav_;
    FileCommands& files_;
    bool typingLoop_ = false;
};

}  // namespace hexedit
