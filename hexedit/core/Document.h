#pragma once
// The open file of Tarnwick32: its bytes, the undo history, the tables, the
// cursor and the selection. Every change is announced as one event of the
// typed list below to the listeners that subscribed; this is the one
// many-listener mechanism of the editor (a model talks to its one form
// through its XxxView instead).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "hexedit/core/EditBuffer.h"
#include "hexedit/core/EditorState.h"
#include "hexedit/core/TableData.h"
#include "hexedit/core/ViewState.h"

namespace hexedit {

namespace doc {
// Bytes [offset, offset + length) may differ. A resize changes the file's
// length to fileSize; the range then runs to the end of the buffer.
struct BytesChanged {
    int32_t offset = 0;
    int32_t length = 0;
    bool resized = false;
    int32_t fileSize = 0;
    bool typing = false;  // a typed byte: the view repaints its own rows
};
// The cursor was placed on `offset` by a command (not by the view's keys).
struct CursorMoved {
    int32_t offset = 0;
};
// The cursor or the selection changed in the view (keys, mouse, scrolling).
struct SelectionChanged {};
// A file was read: every byte is new. `reloaded`: the same file again.
struct FileOpened {
    std::string path;
    bool reloaded = false;
};
struct FileSaved {
    std::string path;
};
struct FileClosed {};
// The editor is shutting down (before the question about unsaved changes):
// what is kept between runs is written now.
struct Closing {};
// A table was loaded, rebuilt or switched; `path` is empty for the built-in one.
struct TableChanged {
    std::string path;
};
struct ModifiedChanged {
    bool modified = false;
};
}  // namespace doc

using DocumentEvent = std::variant<doc::BytesChanged, doc::CursorMoved, doc::SelectionChanged, doc::FileOpened,
                                   doc::FileSaved, doc::FileClosed, doc::TableChanged, doc::ModifiedChanged,
                                   doc::Closing>;

// Keeps a listener subscribed while it lives; may outlive the document.
class Subscription {
public:
    Subscription() = default;
    Subscription(Subscription&& o) noexcept;
    Subscription& operator=(Subscription&& o) noexcept;
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { reset(); }
    void reset();

private:
    friend class Document;
    struct Listeners;
    Subscription(std::weak_ptr<Listeners> list, uint64_t id) : list_(std::move(list)), id_(id) {}
    std::weak_ptr<Listeners> list_;
    uint64_t id_ = 0;
};

class Document {
public:
    using Listener = std::function<void(const DocumentEvent&)>;

    Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // Listeners are called in the order they subscribed; one may unsubscribe
    // (or subscribe another) while an event is delivered.
    [[nodiscard]] Subscription subscribe(Listener listener);

    // ---- reading ----
    const EditorState& editor() const { return editor_; }
    const TableData& table() const { return table_; }
    ViewState& view() { return view_; }
    const ViewState& view() const { return view_; }
    std::span<const uint8_t> bytes() const { return editor_.buffer(); }
    int32_t cursor() const { return view_.CursorOffset; }
    std::optional<ByteRange> selection() const { return selectedRange(view_, editor_.BufferSize); }
    bool modified() const { return editor_.Modified; }
    bool canUndo() const { return edits_.canUndo(); }
    bool canRedo() const { return edits_.canRedo(); }
    ChangedRange lastChange() const { return edits_.lastChange(); }
    const EditBuffer& edits() const { return edits_; }

    // Bookkeeping the file and table commands set directly (paths, flags,
    // table slots); bytes change only through the verbs below.
    EditorState& editorState() { return editor_; }
    TableData& tableState() { return table_; }

    // ---- bytes: each returns false, changing nothing, when the range leaves
    // the file [0, FileSize) or no file is held; a change is one undo step ----
    bool writeBytes(int32_t offset, std::span<const uint8_t> bytes, bool typing = false);
    bool fill(int32_t offset, int32_t length, uint8_t value);
    bool splice(int32_t offset, int32_t removeLength, std::span<const uint8_t> insert);
    // Patch records as one undo step (see EditBuffer::writeRecords).
    bool writeRecords(std::span<const EditRecord> records);
    bool replaceBuffer(std::span<const uint8_t> content);
    bool undo();
    bool redo();
    // Ends a run of typing: the next typed byte is a new undo step.
    void closeTypingRun() { edits_.closeRun(); }
    void setHistoryLimit(size_t bytes) { edits_.setHistoryLimit(bytes); }

    // ---- file ----
    // Takes a file read from disk (`storage` holds `headerSkip` header bytes
    // and `fileSize` file bytes), unmodified, cursor and selection at 0. With
    // `mapped` (a file of at least kMinViewBytes) the mapping is the content
    // instead, written in place until a change of the length copies it.
    void open(std::string path, std::vector<uint8_t> storage, uint32_t headerSkip, int32_t fileSize,
              std::shared_ptr<FileMapping> mapped = {});
    // The same file read again: the history goes, the modified mark stays.
    void reload(std::vector<uint8_t> storage, uint32_t headerSkip, int32_t fileSize,
                std::shared_ptr<FileMapping> mapped = {});
    // Writes the header and file bytes to `path` (safely), which becomes the
    // current path. Returns the error, empty on success.
    std::string save(const std::string& path);
    // How the open file on disk compares with what was opened or last saved
    // (see FileMapping::examine); all clear unless the bytes are mapped.
    FileMapping::DiskState examineDisk() { return edits_.examineDisk(editor_.CurrentPath); }
    // The open file on disk as it is now is expected (a command wrote it and
    // read it back), so examineDisk() finds no change.
    void acceptDisk() { edits_.acceptDisk(editor_.CurrentPath); }
    // Gives a mapped file a buffer of its own (see EditBuffer::materialize).
    bool materialize(const common::Progress& progress) { return edits_.materialize(progress); }
    void close();
    // Announces that the editor is shutting down.
    void closing() { announce(doc::Closing{}); }

    // ---- table ----
    // Announces that the table (its entries, slot or paths) changed.
    void tableChanged(const std::string& path);

    // ---- cursor and selection ----
    // Makes `offset` (clamped into the buffer) the cursor through
    // PlaceCursor, drops the selection and ends a run of typing.
    void moveCursorTo(int32_t offset);
    // The view moved the cursor or the selection itself.
    void viewCursorChanged() { announce(doc::SelectionChanged{}); }

private:
    void announce(const DocumentEvent& e);
    // After a byte verb: announces the range and a change of the modified mark.
    bool changed(bool ok, bool typing = false);
    void noteModified();
    void keepCursorInBuffer();

    EditorState editor_;
    TableData table_;
    ViewState view_;
    EditBuffer edits_{editor_};
    bool wasModified_ = false;
    std::shared_ptr<Subscription::Listeners> listeners_;
};

}  // namespace hexedit
