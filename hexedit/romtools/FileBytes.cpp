#include "hexedit/romtools/FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace hexedit::romtools {

common::ReadStatus FileBytes::read(const std::string& path, uint64_t maxLength) {
    data_.reset();
    size_ = 0;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return common::ReadStatus::CannotOpen;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return common::ReadStatus::CannotOpen;
    const auto length = static_cast<uint64_t>(st.st_size);
    if (length > maxLength) return common::ReadStatus::TooLarge;
    std::unique_ptr<uint8_t[]> data(new uint8_t[length ? length : 1]);
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::read(fd, data.get() + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return common::ReadStatus::ReadError;
        done += static_cast<size_t>(n);
    }
    data_ = std::move(data);
    size_ = length;
    return common::ReadStatus::Ok;
}

}  // namespace hexedit::romtools
