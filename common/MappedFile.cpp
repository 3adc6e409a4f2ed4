#include "common/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>

namespace common {

MappedFile::~MappedFile() {
    if (data_) ::munmap(const_cast<uint8_t*>(data_), size_);
}

std::string MappedFile::open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    struct stat st{};
    std::string error;
    if (::fstat(fd, &st) != 0) {
        error = std::strerror(errno);
    } else if (!S_ISREG(st.st_mode)) {
        error = "not a regular file";
    } else if (st.st_size > 0) {
        void* p = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (p == MAP_FAILED) {
            error = std::strerror(errno);
        } else {
            data_ = static_cast<const uint8_t*>(p);
            size_ = static_cast<size_t>(st.st_size);
        }
    }
    ::close(fd);
    return error;
}

void MappedFile::release(size_t offset, size_t length) const {
    const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const size_t from = offset / page * page;
    const size_t to = std::min(size_, offset + length) / page * page;
    if (data_ && to > from) ::madvise(const_cast<uint8_t*>(data_) + from, to - from, MADV_DONTNEED);
}

}  // namespace common
