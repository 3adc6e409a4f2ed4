#include "hexedit/core/FileMapping.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

namespace hexedit {

namespace {

// The mappings the SIGBUS handler may repair. A slot is published by storing
// its base last and withdrawn by clearing the base first.
struct Slot {
    std::atomic<uint8_t*> base{nullptr};
    size_t length = 0;  // whole pages
    int fd = -1;
    uint8_t* states = nullptr;
    size_t granules = 0;
    std::atomic<bool> lost{false};
};
constexpr int kSlots = 16;
Slot gSlots[kSlots];
std::mutex gSlotsLock;  // between threads opening and closing mappings, not the handler
struct sigaction gPrevious {};
size_t gPage = 4096;


// `populate`: the pages are made at once rather than one fault at a time.
void* mapZeros(uint8_t* at, size_t length, bool populate = false) {
    return ::mmap(at, length, PROT_READ | PROT_WRITE,
                  MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED | (populate ? MAP_POPULATE : 0), -1, 0);
}

// Zero pages over [from, to) of a slot's mapping; granules wholly covered
// become the process's own, so they are never zeroed again.
bool zeroRange(Slot& s, uint8_t* base, size_t from, size_t to) {
    if (to <= from || mapZeros(base + from, to - from) == MAP_FAILED) return false;
    const size_t G = FileMapping::kGranule;
    for (size_t g = (from + G - 1) / G; g < s.granules && std::min((g + 1) * G, s.length) <= to; ++g)
        s.states[g] = FileMapping::kOwn;
    return true;
}

// A page past the end of a truncated file (or one the disk failed to give)
// faulted inside one of our mappings: everything after it that is still the
// file's is gone, so zero pages stand in for it and the access is retried.
void onBusError(int sig, siginfo_t* info, void* context) {
    auto* addr = static_cast<uint8_t*>(info->si_addr);
    for (Slot& s : gSlots) {
        uint8_t* base = s.base.load(std::memory_order_acquire);
        if (!base || addr < base || addr >= base + s.length) continue;
        const size_t from = static_cast<size_t>(addr - base) / gPage * gPage;
        size_t to = from + gPage;
        struct stat st {};
        if (::fstat(s.fd, &st) == 0 && st.st_size >= 0 && static_cast<size_t>(st.st_size) <= from) {
            const size_t G = FileMapping::kGranule;
            size_t g = from / G + 1;
            while (g < s.granules && s.states[g] != FileMapping::kOwn) ++g;
            to = std::min(g * G, s.length);
        }
        if (zeroRange(s, base, from, to)) {
            s.lost.store(true, std::memory_order_relaxed);
            return;
        }
        break;
    }
    // Not ours, or beyond repair: what would have happened without us.
    if ((gPrevious.sa_flags & SA_SIGINFO) && gPrevious.sa_sigaction) {
        gPrevious.sa_sigaction(sig, info, context);
    } else if (gPrevious.sa_handler != SIG_DFL && gPrevious.sa_handler != SIG_IGN) {
        gPrevious.sa_handler(sig);
    } else {
        ::signal(SIGBUS, SIG_DFL);  // the access is retried and ends the process
    }
}

void installHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        gPage = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction sa {};
        sa.sa_sigaction = onBusError;
        sa.sa_flags = SA_SIGINFO | SA_NODEFER;
        ::sigemptyset(&sa.sa_mask);
        ::sigaction(SIGBUS, &sa, &gPrevious);
    });
}

}  // namespace

FileMapping::~FileMapping() {
    if (slot_ >= 0) {
        std::lock_guard lock(gSlotsLock);
        gSlots[slot_].base.store(nullptr, std::memory_order_release);
    }
    if (data_) ::munmap(data_, mapLength_);
    if (fd_ >= 0) ::close(fd_);
}

FileMapping::Identity FileMapping::identify(const struct stat& st) {
    return {st.st_dev, st.st_ino, st.st_size, int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec};
}

std::string FileMapping::open(const std::string& path) {
    if (data_) return "already open";
    installHandler();
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return std::strerror(errno);
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return std::strerror(errno);
    if (!S_ISREG(st.st_mode)) return "not a regular file";
    if (st.st_size <= 0) return "empty file";
    size_ = static_cast<size_t>(st.st_size);
    mapLength_ = (size_ + gPage - 1) / gPage * gPage;
    granules_ = (size_ + kGranule - 1) / kGranule;
    states_ = std::make_unique<uint8_t[]>(granules_);  // all kFile
    std::lock_guard lock(gSlotsLock);
    for (int i = 0; i < kSlots && slot_ < 0; ++i)
        if (!gSlots[i].base.load(std::memory_order_relaxed)) slot_ = i;
    if (slot_ < 0) return "too many mapped files";
    void* p = ::mmap(nullptr, mapLength_, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd_, 0);
    if (p == MAP_FAILED) {
        slot_ = -1;
        return std::strerror(errno);
    }
    data_ = static_cast<uint8_t*>(p);
    Slot& s = gSlots[slot_];
    s.length = mapLength_;
    s.fd = fd_;
    s.states = states_.get();
    s.granules = granules_;
    s.lost.store(false);
    s.base.store(data_, std::memory_order_release);
    mapped_ = identify(st);
    accept(path);
    return {};
}

bool FileMapping::detach(size_t from, size_t to) {
    // A piece at a time, so a long fill needs no copy of its whole range;
    // neighbouring anonymous mappings are merged by the kernel.
    constexpr size_t kPiece = size_t{4} << 20;
    std::vector<uint8_t> copy(std::min(kPiece, to - from));
    for (size_t at = from; at < to; at += kPiece) {
        const size_t n = std::min(kPiece, to - at);
        std::memcpy(copy.data(), data_ + at, n);  // may fault: then it reads zeros
        if (mapZeros(data_ + at, n, true) == MAP_FAILED) return false;
        std::memcpy(data_ + at, copy.data(), n);
        for (size_t g = at / kGranule; g * kGranule < at + n; ++g) states_[g] = kOwn;
    }
    return true;
}

void FileMapping::prepareWrite(size_t offset, size_t length) {
    if (!data_ || length == 0 || offset >= size_) return;
    const size_t last = (std::min(size_, offset + length) - 1) / kGranule;
    for (size_t g = offset / kGranule; g <= last; ++g) {
        if (states_[g] != kFile) continue;
        size_t end = g + 1;
        while (end <= last && states_[end] == kFile) ++end;
        if (!detach(g * kGranule, std::min(end * kGranule, mapLength_)))
            for (size_t k = g; k < end; ++k)
                if (states_[k] == kFile) states_[k] = kInPlace;
        g = end;
    }
}

void FileMapping::release(size_t offset, size_t length) const {
    if (!data_) return;
    const size_t stop = std::min(size_, offset + length) / gPage * gPage;
    for (size_t at = (offset + gPage - 1) / gPage * gPage; at < stop;) {
        size_t end = std::min(stop, (at / kGranule + 1) * kGranule);
        if (states_[at / kGranule] == kFile) {
            // Whole granules from here on that are still the file's.
            while (end < stop && states_[end / kGranule] == kFile) end = std::min(stop, end + kGranule);
            ::madvise(data_ + at, end - at, MADV_DONTNEED);
        }
        at = end;
    }
}

size_t FileMapping::privateBytes() const {
    return static_cast<size_t>(std::count_if(states_.get(), states_.get() + granules_,
                                             [](uint8_t s) { return s != kFile; })) *
           kGranule;
}

void FileMapping::zeroLostTail(off_t fileSize) {
    Slot& s = gSlots[slot_];
    const size_t from = (static_cast<size_t>(fileSize) + gPage - 1) / gPage * gPage;
    size_t at = from;
    while (at < mapLength_) {
        const size_t g = at / kGranule;
        if (states_[g] == kOwn) {
            at = (g + 1) * kGranule;
            continue;
        }
        size_t end = g + 1;
        while (end < granules_ && states_[end] != kOwn) ++end;
        const size_t to = std::min(end * kGranule, mapLength_);
        if (!zeroRange(s, data_, at, to)) return;
        at = to;
    }
}

FileMapping::DiskState FileMapping::examine(const std::string& path) {
    DiskState d;
    if (!data_) return d;
    struct stat st {};
    if (::fstat(fd_, &st) == 0) {
        if (static_cast<size_t>(st.st_size) < size_) zeroLostTail(st.st_size);
        d.truncated = st.st_size < mapped_.size;
        d.changed = !(identify(st) == mapped_);
    }
    if (gSlots[slot_].lost.exchange(false)) d.truncated = true;
    if (::stat(path.c_str(), &st) != 0 || !(identify(st) == onDisk_)) d.changed = true;
    return d;
}

void FileMapping::accept(const std::string& path) {
    struct stat st {};
    if (::fstat(fd_, &st) == 0) mapped_ = identify(st);
    if (::stat(path.c_str(), &st) == 0) onDisk_ = identify(st);
    gSlots[slot_].lost.store(false);
}

}  // namespace hexedit
