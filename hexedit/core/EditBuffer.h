#pragma once
// Every change to the open file's bytes, with undo and redo. A step keeps
// only the bytes it replaced (or, once undone, the bytes to put back), so
// resizing a large file costs no copy of the whole buffer in the history.
// The history is capped in bytes; the oldest steps are dropped first.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "common/progress.h"
#include "hexedit/core/EditorState.h"

namespace hexedit {

inline constexpr size_t kDefaultHistoryLimit = size_t{256} << 20;
// The buffer shown is never smaller than this; the tail past the file is zero.
inline constexpr int32_t kMinViewBytes = 65535;

// What the last change or undo touched: the first offset, the bytes after it
// that differ, and whether the file's length changed.
struct ChangedRange {
    int32_t offset = 0;
    int32_t length = 0;
    bool resized = false;
};

// One write of a batch: `count` bytes at `offset`, from `data` or, when
// `data` is empty, `count` copies of `value`.
struct EditRecord {
    int64_t offset = 0;
    size_t count = 0;
    std::span<const uint8_t> data;
    uint8_t value = 0;
};

class EditBuffer {
public:
    explicit EditBuffer(EditorState& state) : st_(state) {}
    EditBuffer(const EditBuffer&) = delete;
    EditBuffer& operator=(const EditBuffer&) = delete;

    const EditorState& state() const { return st_; }

    // Takes a file read from disk: `storage` holds `headerSkip` header bytes
    // and `fileSize` file bytes, and is grown here to the zero-tailed buffer.
    // Clears the history; the file is unmodified.
    void load(std::vector<uint8_t> storage, uint32_t headerSkip, int32_t fileSize);
    // Takes a mapped file of at least kMinViewBytes as it is. Changes in
    // place are written into the mapping, costing the memory of the
    // granules they touch; the first change of the length copies the file
    // into a buffer of its own.
    void load(std::shared_ptr<FileMapping> file);
    // Copies a mapped file into a buffer of its own now, telling `progress`
    // (which may stop it: false, and the mapping stays). True without one.
    bool materialize(const common::Progress& progress);
    // No buffer at all.
    void clear();

    // Overwrites bytes inside the file. False, with nothing changed, when the
    // range leaves [0, FileSize). Consecutive typed writes (`typing`) at
    // neighbouring offsets make one step until closeRun().
    bool write(int32_t offset, std::span<const uint8_t> bytes, bool typing = false);
    bool fill(int32_t offset, int32_t length, uint8_t value);
    // Replaces `removeLength` bytes at `offset` by `insert`; the file's
    // length changes by the difference. `offset` may be FileSize (append).
    bool splice(int32_t offset, int32_t removeLength, std::span<const uint8_t> insert);
    // The file becomes `content`; only the part that differs is recorded.
    bool replaceAll(std::span<const uint8_t> content);
    // Writes the records in order as one step (the records of patches):
    // only the bytes they replace are kept. Records may reach past the end
    // of the file, which grows (zero bytes fill a gap). False, with nothing
    // changed, when the file would reach 2 GB.
    bool writeRecords(std::span<const EditRecord> records);

    bool canUndo() const { return applied_ > 0; }
    bool canRedo() const { return applied_ < steps_.size(); }
    bool undo();
    bool redo();
    // Ends a run of typing: the next typed byte starts a new step.
    void closeRun() { runOpen_ = false; }

    // The current bytes are what the file on disk holds.
    void markSaved();
    // The current bytes count as unsaved until the next save, whatever is
    // undone (a reload that keeps the modified mark).
    void markUnsaved();
    // The bytes differ from the last save (or load); also sets Modified.
    bool modified() const { return st_.Modified; }

    ChangedRange lastChange() const { return last_; }
    // The bytes changed since the last save that lie in [from, to], as
    // ranges of first and last offsets (they may overlap), read from the
    // history between the save point and now. A step that changed the
    // length counts every byte after it; with the save point out of the
    // history every recorded step counts.
    std::vector<std::pair<int32_t, int32_t>> changedSinceSave(int32_t from, int32_t to) const;
    size_t historyBytes() const { return historyBytes_; }
    size_t historyLimit() const { return limit_; }
    void setHistoryLimit(size_t bytes);
    size_t stepCount() const { return steps_.size(); }

    // The mapped file against the disk (see FileMapping::examine); all clear
    // for a buffer of its own, which no other program can change.
    FileMapping::DiskState examineDisk(const std::string& path);
    // The file at `path` is now what this buffer holds (it was saved there).
    void acceptDisk(const std::string& path);

private:
    // Bytes overwritten in place, before the step's own splice; runs may
    // overlap, so they are swapped back in reverse order.
    struct Run {
        int32_t offset = 0;
        int32_t length = 0;
    };
    struct Step {
        int32_t offset = 0;
        std::vector<uint8_t> bytes;  // before the change while applied, after it while undone
        int32_t otherLength = 0;     // length of the other side, which the buffer holds now
        bool typing = false;
        std::vector<Run> runs;          // scattered same-length changes (patches)
        std::vector<uint8_t> runBytes;  // the other side's bytes of the runs, one after another
        size_t size() const { return bytes.size() + runBytes.size(); }
    };
    // Undoes or redoes a step: swaps its bytes with the buffer's.
    void swapStep(Step& s, bool undoing);
    // Adds a run of `length` bytes at `offset` to `s` and writes `bytes`
    // there (or `length` copies of `value` when `bytes` is null).
    void writeRun(Step& s, int32_t offset, int32_t length, const uint8_t* bytes, uint8_t value = 0);
    bool inFile(int64_t offset, int64_t length) const;
    // The bytes to read; writes go through writable().
    uint8_t* data() { return st_.mapped_ ? st_.mapped_->data() : st_.storage_.data() + st_.HeaderSkip; }
    // The bytes, with [offset, offset + length) ready to be written.
    uint8_t* writable(int32_t offset, int32_t length);
    // Copies a mapped file into storage_ before its length changes.
    void materialize() { materialize(common::Progress()); }
    // Puts `bytes` in place of `removeLength` bytes at `offset`; returns the
    // bytes removed.
    std::vector<uint8_t> apply(int32_t offset, int32_t removeLength, std::span<const uint8_t> bytes);
    void record(Step s);
    bool mergeTyping(int32_t offset, std::span<const uint8_t> bytes);
    void trim();
    void updateModified();
    void setSizes(int32_t fileSize);

    EditorState& st_;
    std::deque<Step> steps_;
    size_t applied_ = 0;        // steps_[0, applied_) are applied
    long long savedAt_ = 0;     // applied_ at the last save; -1 = unreachable
    size_t historyBytes_ = 0;
    size_t limit_ = kDefaultHistoryLimit;
    bool runOpen_ = false;
    ChangedRange last_;
};

}  // namespace hexedit
