#include "hexedit/core/Document.h"

#include <algorithm>

#include "common/fileio.h"

namespace hexedit {

struct Subscription::Listeners {
    struct Entry {
        uint64_t id;
        std::shared_ptr<Document::Listener> call;
    };
    std::vector<Entry> entries;
    uint64_t nextId = 1;
};

Subscription::Subscription(Subscription&& o) noexcept : list_(std::move(o.list_)), id_(o.id_) { o.id_ = 0; }

Subscription& Subscription::operator=(Subscription&& o) noexcept {
    if (this != &o) {
        reset();
        list_ = std::move(o.list_);
        id_ = o.id_;
        o.id_ = 0;
    }
    return *this;
}

void Subscription::reset() {
    if (auto list = list_.lock())
        std::erase_if(list->entries, [this](const Listeners::Entry& e) { return e.id == id_; });
    list_.reset();
    id_ = 0;
}

Document::Document() : listeners_(std::make_shared<Subscription::Listeners>()) {}

Subscription Document::subscribe(Listener listener) {
    const uint64_t id = listeners_->nextId++;
    listeners_->entries.push_back({id, std::make_shared<Listener>(std::move(listener))});
    return Subscription(listeners_, id);
}

void Document::announce(const DocumentEvent& e) {
    // A snapshot: listeners may unsubscribe (themselves or others) meanwhile;
    // one that left before its turn is not called.
    const auto snapshot = listeners_->entries;
    for (const auto& entry : snapshot) {
        const auto& now = listeners_->entries;
        if (std::any_of(now.begin(), now.end(), [&](const auto& n) { return n.id == entry.id; })) (*entry.call)(e);
    }
}

void Document::noteModified() {
    if (wasModified_ == editor_.Modified) return;
    wasModified_ = editor_.Modified;
    announce(doc::ModifiedChanged{wasModified_});
}

void Document::keepCursorInBuffer() {
    // The file may now end before the cursor or inside the page.
    KeepCursorInBuffer(view_, editor_.BufferSize);
}

bool Document::changed(bool ok, bool typing) {
    if (!ok) return false;
    const ChangedRange r = edits_.lastChange();
    doc::BytesChanged e{r.offset, r.length, r.resized, editor_.FileSize, typing};
    if (r.resized) {
        keepCursorInBuffer();
        e.length = std::max(0, editor_.BufferSize - r.offset);
    }
    announce(e);
    noteModified();
    return true;
}

bool Document::writeBytes(int32_t offset, std::span<const uint8_t> bytes, bool typing) {
    return changed(edits_.write(offset, bytes, typing), typing);
}

bool Document::fill(int32_t offset, int32_t length, uint8_t value) { return changed(edits_.fill(offset, length, value)); }

bool Document::splice(int32_t offset, int32_t removeLength, std::span<const uint8_t> insert) {
    return changed(edits_.splice(offset, removeLength, insert));
}

bool Document::writeRecords(std::span<const EditRecord> records) {
    if (!edits_.writeRecords(records)) return false;
    // Records that write only what is there already change nothing.
    const ChangedRange r = edits_.lastChange();
    if (r.length == 0 && !r.resized) return true;
    return changed(true);
}

bool Document::replaceBuffer(std::span<const uint8_t> content) { return changed(edits_.replaceAll(content)); }

bool Document::undo() { return changed(edits_.undo()); }
bool Document::redo() { return changed(edits_.redo()); }

void Document::open(std::string path, std::vector<uint8_t> storage, uint32_t headerSkip, int32_t fileSize,
                    std::shared_ptr<FileMapping> mapped) {
    view_.SelectionAnchor = view_.SelectionEnd = -1;
    if (mapped)
        edits_.load(std::move(mapped));
    else
        edits_.load(std::move(storage), headerSkip, fileSize);
    editor_.CurrentPath = std::move(path);
    view_.CursorRow = 0;
    view_.CursorColumn = 0;
    view_.TopOffset = 0;
    view_.CursorOffset = 0;
    announce(doc::FileOpened{editor_.CurrentPath, false});
    noteModified();
}

void Document::reload(std::vector<uint8_t> storage, uint32_t headerSkip, int32_t fileSize,
                      std::shared_ptr<FileMapping> mapped) {
    // Reloading drops the changes but keeps the modified mark, so closing still asks.
    const bool wasModified = editor_.Modified;
    view_.SelectionAnchor = view_.SelectionEnd = -1;
    if (mapped)
        edits_.load(std::move(mapped));
    else
        edits_.load(std::move(storage), headerSkip, fileSize);
    if (wasModified) edits_.markUnsaved();
    keepCursorInBuffer();
    announce(doc::FileOpened{editor_.CurrentPath, true});
    noteModified();
}

std::string Document::save(const std::string& path) {
    // A mapped file another program truncated gets zeros in place of its
    // lost part first, so that writing the bytes cannot fault.
    if (editor_.fileOpen()) edits_.examineDisk(editor_.CurrentPath);
    std::string error = common::writeFileAtomic(path, editor_.storedBytes());
    if (!error.empty()) return error;
    edits_.acceptDisk(path);
    editor_.CurrentPath = path;
    edits_.markSaved();
    announce(doc::FileSaved{path});
    noteModified();
    return {};
}

void Document::close() {
    edits_.clear();
    table_.clear();
    view_.SelectionAnchor = view_.SelectionEnd = -1;
    announce(doc::FileClosed{});
    noteModified();
}

void Document::tableChanged(const std::string& path) { announce(doc::TableChanged{path}); }

void Document::moveCursorTo(int32_t offset) {
    if (!editor_.hasBuffer()) return;
    edits_.closeRun();
    offset = std::clamp(offset, 0, std::max(0, editor_.BufferSize - 1));
    view_.SelectionAnchor = view_.SelectionEnd = -1;
    view_.TopOffset = PlaceCursor(view_, offset, editor_.BufferSize);
    announce(doc::CursorMoved{offset});
}

}  // namespace hexedit
