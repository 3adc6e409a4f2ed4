#include "common/fileio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

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

// Overwrites an existing file through its own inode, keeping its links,
// owner and permissions; used when replacing it by a new file is impossible
// or would split it from its other names.
std::string writeInPlace(const std::string& path, std::initializer_list<std::span<const uint8_t>> pieces) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return failure("cannot open the file for writing");
    std::string error;
    uint64_t total = 0;
    for (auto piece : pieces) {
        if (!writeAll(fd, piece.data(), piece.size())) {
            error = failure("cannot write");
            break;
        }
        total += piece.size();
    }
    if (error.empty() && ::ftruncate(fd, static_cast<off_t>(total)) != 0) error = failure("cannot set the length");
    if (error.empty() && ::fsync(fd) != 0) error = failure("cannot flush");
    if (::close(fd) != 0 && error.empty()) error = failure("cannot close");
    return error;
}

void flushFolder(const std::string& folder) {
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}
}  // namespace

std::string writeFileAtomic(const std::string& requested, std::initializer_list<std::span<const uint8_t>> pieces) {
    const auto resolved = resolveLinks(requested);
    if (!resolved) return "too many levels of symbolic links";
    const std::string& path = *resolved;
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISREG(st.st_mode) && st.st_nlink > 1) return writeInPlace(path, pieces);

    std::string folder = folderOf(path);
    std::string temp = (folder.empty() ? std::string() : folder + "/") + "." + fileNameOf(path) + ".XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        // A folder the user may not create files in can still hold a
        // writable file.
        if (exists && S_ISREG(st.st_mode) && (errno == EACCES || errno == EPERM)) return writeInPlace(path, pieces);
        return failure("cannot create a file in the folder");
    }
    std::string tempPath(name.data());

    mode_t mode = 0644;
    if (exists) mode = st.st_mode & 07777;
    else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    std::string error;
    for (auto piece : pieces) {
        if (!writeAll(fd, piece.data(), piece.size())) {
            error = failure("cannot write");
            break;
        }
    }
    if (error.empty() && ::fchmod(fd, mode) != 0) error = failure("cannot set permissions");
    if (error.empty() && ::fdatasync(fd) != 0) error = failure("cannot flush");
    if (::close(fd) != 0 && error.empty()) error = failure("cannot close");
    if (error.empty() && ::rename(tempPath.c_str(), path.c_str()) != 0) error = failure("cannot replace the file");
    if (!error.empty()) ::unlink(tempPath.c_str());
    else flushFolder(folder);
    return error;
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

std::string outputPath(const std::string& name, const std::string& baseFolder) {
    if (name.empty() || name.front() == '/' || baseFolder.empty()) return name;
    return baseFolder.back() == '/' ? baseFolder + name : baseFolder + "/" + name;
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
