#pragma once
// A large file mapped privately for reading and writing, so that opening it
// reads nothing and changing a byte costs the memory of the bytes near it,
// not of the file.
//
// The file is split into granules. A granule about to be written is moved
// out of the file's pages into memory of the process's own (copied, then
// mapped anonymously at the same address), so its bytes no longer depend on
// the file: another program truncating the file cannot take them away, and
// releasing scanned pages never drops them. Untouched granules stay the
// file's pages, read where touched.
//
// When another program truncates the file, reading a page past its new end
// would raise SIGBUS. A process-wide handler maps zero pages over the lost
// part of the mapping instead and records it; examine() tells the owner.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace hexedit {

class FileMapping {
public:
    // 64 KiB: a typed byte costs this much memory; scattered edits over a
    // 2 GB file still make few enough separate mappings for the kernel's
    // limit on their number.
    static constexpr size_t kGranule = size_t{1} << 16;

    FileMapping() = default;
    ~FileMapping();
    FileMapping(const FileMapping&) = delete;
    FileMapping& operator=(const FileMapping&) = delete;

    // Maps a regular file of at least one byte and keeps it open. Empty
    // text on success, otherwise what went wrong.
    std::string open(const std::string& path);
    uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    std::span<const uint8_t> bytes() const { return {data_, size_}; }

    // Makes [offset, offset + length) the process's own before it is
    // written. Should the kernel refuse more mappings, the granules are
    // written in the file's private pages as they are (a later truncation
    // of the file by another program would then lose those bytes).
    void prepareWrite(size_t offset, size_t length);
    // Drops the pages of [offset, offset + length) that still are the
    // file's from memory; written granules stay.
    void release(size_t offset, size_t length) const;
    // Bytes held in memory of the process's own (written granules).
    size_t privateBytes() const;

    struct DiskState {
        bool truncated = false;  // the mapped file got shorter: its lost part reads as zero
        bool changed = false;    // written, replaced or removed by someone else
    };
    // Compares the file on disk at `path` and the mapped file with what was
    // recorded at open (or the last accept()). A file that got shorter has
    // the lost part of the mapping replaced by zero pages now, so that
    // nothing reading the bytes faults.
    DiskState examine(const std::string& path);
    // The file at `path` as it is now is what this process expects (after
    // it saved there itself).
    void accept(const std::string& path);

    // What each granule is: still the file's pages, the process's own
    // memory, or the file's private pages written in place.
    enum : uint8_t { kFile = 0, kOwn = 1, kInPlace = 2 };

private:
    struct Identity {
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        int64_t mtimeNs = 0;
        bool operator==(const Identity&) const = default;
    };
    static Identity identify(const struct stat& st);
    // Replaces [from, to) (page-aligned) by anonymous memory holding the same bytes.
    bool detach(size_t from, size_t to);
    // Maps zero pages over the granules still read from the file past `fileSize`.
    void zeroLostTail(off_t fileSize);

    uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t mapLength_ = 0;  // size_ rounded up to whole pages
    int fd_ = -1;
    int slot_ = -1;  // in the fault handler's table
    std::unique_ptr<uint8_t[]> states_;  // one per granule
    size_t granules_ = 0;
    Identity mapped_, onDisk_;  // of the open file, and of the path
};

}  // namespace hexedit
