#pragma once
// The one road from a Tarnwick32 subsystem to the open file and the window
// side: the document (reading the file, table and view; moving the cursor;
// changing bytes, every change one undo step and announced), the table
// file, the command table, and the shell (port, menus, hint panel, main
// window visibility, the busy runner). The main window's model implements
// it; tests use the same model or FakeSession over a RecordingShell.

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
    virtual ~EditSession() = default;

    virtual Shell& shell() = 0;
    virtual CommandTable& commands() = 0;
    // The open file; subscribe to it to follow its changes.
    virtual Document& document() = 0;

    // ---- reading ----
    virtual const EditorState& editor() const = 0;
    virtual const TableData& table() const = 0;
    // Cursor, page and colours. Commands move the cursor with moveCursorTo().
    virtual ViewState& view() = 0;
    virtual NavigationState& nav() = 0;
    int32_t cursor() { return view().CursorOffset; }
    // The selected bytes, if any: ranged commands take them as their range.
    std::optional<ByteRange> selection() { return selectedRange(view(), editor().BufferSize); }
    // BufferSize bytes, zero past FileSize; empty without a buffer.
    std::span<const uint8_t> bytes() const { return editor().buffer(); }

    // ---- cursor ----
    // Makes `offset` the cursor (clamped into the buffer) through
    // PlaceCursor, sets the scroll bar and repaints.
    virtual void moveCursorTo(int32_t offset) = 0;

    // ---- changing bytes ----
    // Each returns false, changing nothing, when the range leaves the file
    // [0, FileSize) or no file is held. A change sets Modified, records one
    // undo step, repaints and updates the menus.
    virtual bool writeBytes(int32_t offset, std::span<const uint8_t> bytes, EditKind kind = EditKind::Edit) = 0;
    virtual bool fill(int32_t offset, int32_t length, uint8_t value) = 0;
    // The file's content becomes `content` (any length up to 2 GB): resizing,
    // header removal, patches, the external program's result.
    virtual bool replaceBuffer(std::span<const uint8_t> content) = 0;
    // The records written in order as one step (patches); they may lengthen
    // the file.
    virtual bool writeRecords(std::span<const EditRecord> records) = 0;
    // `removeLength` bytes at `offset` become `insert` (`offset` may be
    // FileSize to append).
    virtual bool splice(int32_t offset, int32_t removeLength, std::span<const uint8_t> insert) = 0;

    // ---- table file ----
    // Appends `line` and a CR LF to the current table file (written safely)
    // and reloads the table. False when there is no table file or it cannot
    // be read or written; the caller tells the user in its own words.
    virtual bool appendTableLine(std::string_view line) = 0;
    // Reads the current table file again (after it was rewritten).
    virtual bool reloadTable() = 0;
    // `path` becomes the file of Table #1 or Table #2 (`slot` 0 or 1), which
    // is loaded and shown, as if chosen under "Open Table File".
    virtual void useTableFile(int slot, const std::string& path) = 0;

    // ---- the file commands ----
    // "Open" as the main window's menu runs it: the question about unsaved
    // changes, the dialog, the companion table.
    virtual void openFile() = 0;
    // "Save" to the current path with its messages; false when nothing was
    // saved.
    virtual bool saveFile() = 0;

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
};

}  // namespace hexedit
