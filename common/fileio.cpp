#include "common/fileio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <utility>

namespace common {

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<uint64_t> fileLength(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<uint64_t>(st.st_size);
}

ReadStatus readWholeFile(const std::string& path, std::vector<uint8_t>& out, uint64_t maxLength) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return ReadStatus::CannotOpen;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadStatus::CannotOpen;
    }
    auto length = static_cast<uint64_t>(st.st_size);
    if (length > maxLength) {
        ::close(fd);
        return ReadStatus::TooLarge;
    }
    size_t start = out.size();
    out.resize(start + length);
    size_t done = 0;
    while (done < length) {
        ssize_t n = ::read(fd, out.data() + start + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ::close(fd);
            out.resize(start);
            return ReadStatus::ReadError;
        }
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    return ReadStatus::Ok;
}

namespace {
bool writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}
}  // namespace

namespace {
std::string failure(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// Follows symbolic links to the file they finally name (which need not exist
// yet); relative link texts are taken from the link's own folder. Nothing
// for a chain of links that does not end.
std::optional<std::string> resolveLinks(std::string path) {
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::vector<char> text(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        ssize_t n = ::readlink(path.c_str(), text.data(), text.size());
        if (n < 0 || static_cast<size_t>(n) >= text.size()) return std::nullopt;
        std::string target(text.data(), static_cast<size_t>(n));
        if (target.empty() || target[0] == '/') path = target;
        else {
            std::string folder = folderOf(path);
            path = folder.empty() ? target : (folder == "/" ? "/" : folder + "/") + target;
        }
    }
    return std::nullopt;
}

using Produce = std::function<bool(const ChunkWriter&)>;

// Runs `produce` with a writer to `fd`; the first failure stops it.
std::string produceInto(int fd, const Produce& produce) {
    std::string error;
    const bool done = produce([&](std::span<const uint8_t> piece) {
        if (error.empty() && !writeAll(fd, piece.data(), piece.size())) error = failure("cannot write");
        return error.empty();
    });
    if (error.empty() && !done) error = kWriteStopped;
    return error;
}

Produce piecesOf(std::initializer_list<std::span<const uint8_t>> pieces) {
    return [pieces](const ChunkWriter& write) {
        for (auto piece : pieces)
            if (!write(piece)) return false;
        return true;
    };
}

// Closes a descriptor (and removes a file) on every way out, exceptions too.
struct FdGuard {
    int fd = -1;
    std::string unlinkPath;
    ~FdGuard() {
        if (fd >= 0) ::close(fd);
        if (!unlinkPath.empty()) ::unlink(unlinkPath.c_str());
    }
    int release() { return std::exchange(fd, -1); }
};

// An unnamed temporary file of the system's temporary folder.
int anonymousTempFile() {
    const char* env = std::getenv("TMPDIR");
    const std::string folder = env && *env ? env : "/tmp";
#ifdef O_TMPFILE
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
#endif
    std::string name = folder + "/.tarnwick.XXXXXX";
    const int named = ::mkstemp(name.data());
    if (named >= 0) ::unlink(name.c_str());
    return named;
}

// Copies `from` (read from its start) to `to`; the length copied in `total`.
bool copyFile(int from, int to, uint64_t& total) {
    std::vector<uint8_t> buf(size_t{1} << 20);
    total = 0;
    for (;;) {
        const ssize_t n = ::pread(from, buf.data(), buf.size(), static_cast<off_t>(total));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (!writeAll(to, buf.data(), static_cast<size_t>(n))) return false;
        total += static_cast<uint64_t>(n);
    }
}

// Overwrites an existing file through its own inode, keeping its links,
// owner and permissions; used when replacing it by a new file is impossible
// or would split it from its other names. Content that is not complete in
// memory (`staged`) is made in a temporary file first, so that the target
// is only touched once all of it is there.
std::string writeInPlace(const std::string& path, const Produce& produce, bool staged) {
    FdGuard stage;
    if (staged) {
        stage.fd = anonymousTempFile();
        if (stage.fd < 0) return failure("cannot create a temporary file");
        if (std::string error = produceInto(stage.fd, produce); !error.empty()) return error;
    }
    FdGuard target;
    target.fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (target.fd < 0) return failure("cannot open the file for writing");
    std::string error;
    uint64_t total = 0;
    if (staged) {
        if (!copyFile(stage.fd, target.fd, total)) error = failure("cannot write");
    } else {
        const off_t before = ::lseek(target.fd, 0, SEEK_CUR);
        error = produceInto(target.fd, produce);
        total = static_cast<uint64_t>(::lseek(target.fd, 0, SEEK_CUR) - before);
    }
    if (error.empty() && ::ftruncate(target.fd, static_cast<off_t>(total)) != 0) error = failure("cannot set the length");
    if (error.empty() && ::fsync(target.fd) != 0) error = failure("cannot flush");
    if (::close(target.release()) != 0 && error.empty()) error = failure("cannot close");
    return error;
}

void flushFolder(const std::string& folder) {
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Into a temporary file beside the target that is renamed over it, or in
// place (see the header).
std::string writeVia(const std::string& requested, const Produce& produce, bool inMemory) {
    const auto resolved = resolveLinks(requested);
    if (!resolved) return "too many levels of symbolic links";
    const std::string& path = *resolved;
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISREG(st.st_mode) && st.st_nlink > 1) return writeInPlace(path, produce, !inMemory);

    std::string folder = folderOf(path);
    std::string temp = (folder.empty() ? std::string() : folder + "/") + "." + fileNameOf(path) + ".XXXXXX";
    FdGuard out;
    out.fd = ::mkstemp(temp.data());
    if (out.fd < 0) {
        // A folder the user may not create files in can still hold a
        // writable file.
        if (exists && S_ISREG(st.st_mode) && (errno == EACCES || errno == EPERM))
            return writeInPlace(path, produce, !inMemory);
        return failure("cannot create a file in the folder");
    }
    out.unlinkPath = temp;

    mode_t mode = 0644;
    if (exists) mode = st.st_mode & 07777;
    else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    std::string error = produceInto(out.fd, produce);
    if (error.empty() && ::fchmod(out.fd, mode) != 0) error = failure("cannot set permissions");
    if (error.empty() && ::fdatasync(out.fd) != 0) error = failure("cannot flush");
    if (::close(out.release()) != 0 && error.empty()) error = failure("cannot close");
    if (error.empty() && ::rename(temp.c_str(), path.c_str()) != 0) error = failure("cannot replace the file");
    if (error.empty()) {
        out.unlinkPath.clear();
        flushFolder(folder);
    }
    return error;
}
}  // namespace

std::string writeFileAtomic(const std::string& path, std::initializer_list<std::span<const uint8_t>> pieces) {
    return writeVia(path, piecesOf(pieces), true);
}

std::string writeFileStreamed(const std::string& path, const Produce& produce) {
    return writeVia(path, produce, false);
}

std::string writeFileAtomic(const std::string& path, std::span<const uint8_t> data) {
    return writeFileAtomic(path, {data});
}

std::string writeFileAtomic(const std::string& path, const std::string& text) {
    return writeFileAtomic(path, {std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size())});
}

std::string folderOf(const std::string& path) {
    auto pos = path.find_last_of("/\\");
    if (pos == std::string::npos) return {};
    if (pos == 0) return "/";
    return path.substr(0, pos);
}

std::string fileNameOf(const std::string& path) {
    auto pos = path.find_last_of("/\\");
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string currentFolder() {
    std::error_code ec;
    auto p = std::filesystem::current_path(ec);
    return ec ? std::string(".") : p.string();
}

}  // namespace common
