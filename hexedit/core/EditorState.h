#pragma once
// The one open file of the hex editor and its bookkeeping. Its bytes change
// only through EditBuffer (and so through the editing session), which keeps
// the undo history; everybody else reads them.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "hexedit/core/FileMapping.h"

namespace hexedit {

class EditBuffer;

class EditorState {
public:
    uint32_t HeaderSkip = 0;
    int32_t FileSize = 0;
    int32_t BufferSize = 0;
    std::string CurrentPath;  // empty = no file open
    std::string LastDirectory;
    bool Modified = false;
    bool EditorReady = false;
    bool AutoLoadTable = false;

    bool hasBuffer() const { return !storage_.empty() || mapped_ != nullptr; }
    // The bytes are those of a private mapping of the file (unchanged or
    // changed in place), not a buffer of their own.
    bool mapped() const { return mapped_ != nullptr; }
    bool fileOpen() const { return !CurrentPath.empty(); }
    // The bytes shown: index 0 is the first byte after a hidden header.
    const uint8_t* FileBuffer() const { return hasBuffer() ? base() + HeaderSkip : nullptr; }
    // BufferSize bytes (empty without a buffer); the tail from FileSize on is zero.
    std::span<const uint8_t> buffer() const {
        return hasBuffer() ? std::span<const uint8_t>(FileBuffer(), static_cast<size_t>(BufferSize))
                           : std::span<const uint8_t>();
    }
    // FileSize bytes: what Save writes after the header.
    std::span<const uint8_t> fileBytes() const { return buffer().first(static_cast<size_t>(FileSize)); }
    // The hidden savestate header followed by the file's bytes.
    std::span<const uint8_t> storedBytes() const {
        return hasBuffer() ? std::span<const uint8_t>(base(), HeaderSkip + static_cast<size_t>(FileSize))
                           : std::span<const uint8_t>();
    }
    // The byte at an offset, 0 outside the buffer.
    uint8_t byteAt(int64_t offset) const {
        return (offset >= 0 && offset < BufferSize && hasBuffer()) ? FileBuffer()[offset] : 0;
    }
    // The memory holding the bytes apart from the file's own pages: the
    // buffer, or the granules of a mapping that were written.
    size_t ownBytes() const { return mapped_ ? mapped_->privateBytes() : storage_.size(); }
    // Gives back the memory of the buffer's [from, to) while the bytes are
    // still the mapped file's: a long scan calls it for what lies behind it,
    // so that reading a large file never holds all of it. The pages are read
    // again from the file where touched later; changed bytes stay.
    void releaseScanned(size_t from, size_t to) const {
        if (mapped_ && to > from) mapped_->release(HeaderSkip + from, to - from);
    }

private:
    friend class EditBuffer;
    // HeaderSkip bytes of a hidden savestate header, then BufferSize bytes.
    // Empty while no buffer is held.
    std::vector<uint8_t> storage_;
    // A file of at least kMinViewBytes mapped privately stands in for
    // storage_ (no header, no zero tail); changes in place are written into
    // it, and the first change of the length copies it.
    std::shared_ptr<FileMapping> mapped_;
    const uint8_t* base() const { return mapped_ ? mapped_->data() : storage_.data(); }
};

}  // namespace hexedit
