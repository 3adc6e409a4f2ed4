#pragma once
// A file mapped read-only into memory: its bytes are read from the page
// cache where they are touched, never copied whole. Passes over a large file
// give back the pages behind them with release().

#include <cstdint>
#include <span>
#include <string>

namespace common {

class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Maps a regular file (an empty one maps to no bytes). Empty text on
    // success, otherwise what went wrong.
    std::string open(const std::string& path);
    std::span<const uint8_t> bytes() const { return {data_, size_}; }
    size_t size() const { return size_; }
    // Drops the pages of [offset, offset + length) from this process's
    // memory; they are read again if touched later.
    void release(size_t offset, size_t length) const;

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace common
