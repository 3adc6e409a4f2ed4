#pragma once
// The one open file of the hex editor and its bookkeeping.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace hexedit {

struct EditorState {
    // HeaderSkip bytes of a hidden savestate header, then BufferSize bytes of
    // which the tail from FileSize on is zero. Empty while no buffer is held.
    std::vector<uint8_t> storage;
    uint32_t HeaderSkip = 0;
    int32_t FileSize = 0;
    int32_t BufferSize = 0;
    std::string CurrentPath;  // empty = no file open
    std::string LastDirectory;
    bool Modified = false;
    bool EditorReady = false;
    bool AutoLoadTable = false;

    bool hasBuffer() const { return !storage.empty(); }
    bool fileOpen() const { return !CurrentPath.empty(); }
    // The bytes shown: index 0 is the first byte after a hidden header.
    uint8_t* FileBuffer() { return hasBuffer() ? storage.data() + HeaderSkip : nullptr; }
    const uint8_t* FileBuffer() const { return hasBuffer() ? storage.data() + HeaderSkip : nullptr; }
    // BufferSize bytes (empty without a buffer).
    std::span<uint8_t> buffer() {
        return hasBuffer() ? std::span<uint8_t>(FileBuffer(), static_cast<size_t>(BufferSize)) : std::span<uint8_t>();
    }
    std::span<const uint8_t> buffer() const {
        return hasBuffer() ? std::span<const uint8_t>(FileBuffer(), static_cast<size_t>(BufferSize))
                           : std::span<const uint8_t>();
    }
    // The byte at an offset, 0 outside the buffer.
    uint8_t byteAt(int64_t offset) const {
        return (offset >= 0 && offset < BufferSize && hasBuffer()) ? FileBuffer()[offset] : 0;
    }
};

}  // namespace hexedit
