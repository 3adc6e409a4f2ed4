#include "common/fileio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>
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

bool readAt(int fd, uint8_t* data, size_t size, uint64_t offset) {
    while (size > 0) {
        const ssize_t n = ::pread(fd, data, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
    return true;
}

bool copyBytes(int from, uint64_t offset, int to, uint64_t length) {
    auto in = static_cast<off_t>(offset);
    while (length > 0) {
        const ssize_t n = ::copy_file_range(from, &in, to, nullptr, std::min<uint64_t>(length, size_t{1} << 30), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // not supported between these files: copied by hand below
        length -= static_cast<uint64_t>(n);
    }
    std::vector<uint8_t> buffer(length > 0 ? kCopyChunk : 0);
    while (length > 0) {
        const ssize_t n = ::pread(from, buffer.data(), std::min<uint64_t>(length, buffer.size()), in);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0 || !writeAll(to, buffer.data(), static_cast<size_t>(n))) return false;
        in += n;
        length -= static_cast<uint64_t>(n);
    }
    return true;
}

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

// Overwrites an existing file through its own inode with the content of
// `source` (from its start), keeping its links, owner and permissions; used
// when replacing it by a new file is impossible or would split it from its
// other names.
std::string writeInPlace(const std::string& path, int source) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return failure("cannot open the file for writing");
    std::string error;
    const off_t total = ::lseek(source, 0, SEEK_END);
    if (total < 0 || !copyBytes(source, 0, fd, static_cast<uint64_t>(total))) error = failure("cannot write");
    if (error.empty() && ::ftruncate(fd, total) != 0) error = failure("cannot set the length");
    if (error.empty() && ::fsync(fd) != 0) error = failure("cannot flush");
    if (::close(fd) != 0 && error.empty()) error = failure("cannot close");
    return error;
}

}  // namespace

int anonymousFile() {
    std::error_code ec;
    std::string name = std::filesystem::temp_directory_path(ec).string() + "/romtoolset.XXXXXX";
    if (ec) name = "/tmp/romtoolset.XXXXXX";
    std::vector<char> buf(name.begin(), name.end());
    buf.push_back('\0');
    const int fd = ::mkstemp(buf.data());
    if (fd >= 0) ::unlink(buf.data());
    return fd;
}

namespace {

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

std::string produceInPlace(const std::string& path, const Producer& produce) {
    FdGuard stage;
    stage.fd = anonymousFile();
    if (stage.fd < 0) return failure("cannot create a temporary file");
    std::string error = produce(stage.fd);
    if (error.empty()) error = writeInPlace(path, stage.fd);
    return error;
}

// Closes descriptors on a thread of its own. Closing the last hold on a file
// that has lost its name frees its cached pages, some milliseconds for a file
// of megabytes: a save that replaced such a file need not wait for that.
// Without a thread they are closed at once; at exit the rest are closed.
class Closer {
public:
    static void closeLater(int fd) {
        static Closer closer;
        closer.hand(fd);
    }

    ~Closer() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        waiting_.notify_all();
        if (thread_.joinable()) thread_.join();
        for (int fd : fds_) ::close(fd);
    }

private:
    void hand(int fd) {
        std::unique_lock lock(mutex_);
        if (!thread_.joinable() && !stopping_) {
            try {
                thread_ = std::thread([this] { run(); });
            } catch (const std::system_error&) {
                stopping_ = true;  // no thread: from now on closed at once
            }
        }
        if (stopping_) {
            lock.unlock();
            ::close(fd);
            return;
        }
        fds_.push_back(fd);
        lock.unlock();
        waiting_.notify_all();
    }

    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            waiting_.wait(lock, [this] { return !fds_.empty() || stopping_; });
            if (fds_.empty()) return;
            const int fd = fds_.front();
            fds_.pop_front();
            lock.unlock();
            ::close(fd);
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable waiting_;
    std::deque<int> fds_;
    bool stopping_ = false;
    std::thread thread_;
};

void flushFolder(const std::string& folder) {
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}
}  // namespace

std::string writeFileAtomic(const std::string& requested, const Producer& produce) {
    const auto resolved = resolveLinks(requested);
    if (!resolved) return "too many levels of symbolic links";
    const std::string& path = *resolved;
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISREG(st.st_mode) && st.st_nlink > 1) return produceInPlace(path, produce);

    std::string folder = folderOf(path);
    std::string temp = (folder.empty() ? std::string() : folder + "/") + "." + fileNameOf(path) + ".XXXXXX";
    FdGuard out;
    out.fd = ::mkstemp(temp.data());
    if (out.fd < 0) {
        // A folder the user may not create files in can still hold a
        // writable file.
        if (exists && S_ISREG(st.st_mode) && (errno == EACCES || errno == EPERM)) return produceInPlace(path, produce);
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

    std::string error = produce(out.fd);
    if (error.empty() && ::fchmod(out.fd, mode) != 0) error = failure("cannot set permissions");
    if (error.empty() && ::fdatasync(out.fd) != 0) error = failure("cannot flush");
    if (::close(out.release()) != 0 && error.empty()) error = failure("cannot close");
    // The old file is held open over the rename, so that freeing it happens
    // when that hold is closed, after the save, on the closing thread. Should
    // the name have become a pipe or device meanwhile, opening must not wait.
    const int old = error.empty() && exists && S_ISREG(st.st_mode)
                        ? ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)
                        : -1;
    if (error.empty() && ::rename(temp.c_str(), path.c_str()) != 0) error = failure("cannot replace the file");
    if (error.empty()) {
        out.unlinkPath.clear();
        flushFolder(folder);
    }
    if (old >= 0) Closer::closeLater(old);
    return error;
}

namespace {

// Takes the pieces a producer hands over in buffers of kCopyChunk and writes
// them on a thread of its own, so that making the next piece and writing the
// last one overlap. Each buffer written is put on its way to the disk at
// once, and flushed while the thread waits for the next, so that the flush
// that ends a save has little left to wait for. Without a thread the
// buffers are written as they fill.
class PipedWriter {
public:
    explicit PipedWriter(int fd) : fd_(fd) {
        try {
            thread_ = std::thread([this] { run(); });
        } catch (const std::system_error&) {
        }
    }
    ~PipedWriter() { finish(); }
    PipedWriter(const PipedWriter&) = delete;
    PipedWriter& operator=(const PipedWriter&) = delete;

    // False once a write has failed.
    bool write(std::span<const uint8_t> piece) {
        while (!piece.empty() && !failed_) {
            if (filling_.capacity() == 0) filling_.reserve(kCopyChunk);
            const size_t n = std::min(piece.size(), kCopyChunk - filling_.size());
            filling_.insert(filling_.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(n));
            piece = piece.subspan(n);
            if (filling_.size() == kCopyChunk) hand();
        }
        return !failed_;
    }

    // Writes what is left and waits for it; empty text, or what went wrong.
    std::string finish() {
        if (finished_) return error_;
        finished_ = true;
        if (!filling_.empty()) hand();
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) thread_.join();
        return error_;
    }

private:
    // At most this many full buffers wait for the thread: room for the
    // producer to go on while a flush to a slow disk runs, so that flushes
    // come seldom there and each takes much.
    static constexpr size_t kQueued = 4;

    void hand() {
        if (!thread_.joinable()) {
            put(filling_);
            filling_.clear();
            return;
        }
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return queue_.size() < kQueued || failed_; });
        queue_.push_back(std::move(filling_));
        filling_ = {};
        if (!spare_.empty()) {
            filling_ = std::move(spare_.back());
            spare_.pop_back();
        }
        lock.unlock();
        changed_.notify_all();
    }

    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return !queue_.empty() || closing_; });
            if (queue_.empty()) return;
            std::vector<uint8_t> buffer = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            if (!failed_) put(buffer);
            buffer.clear();
            lock.lock();
            spare_.push_back(std::move(buffer));
            changed_.notify_all();
            // Waiting for the next buffer anyway: flush what is written, so
            // that the closing flush has only the rest to wait for. When the
            // disk is the slower side buffers are waiting and this is skipped.
            if (queue_.empty() && !closing_ && !failed_) {
                lock.unlock();
                flush();
                lock.lock();
            }
        }
    }

    void flush() {
        // A failure must be reported here: the file's later flush would
        // no longer see it.
        if (::fdatasync(fd_) != 0) {
            error_ = failure("cannot flush");
            failed_ = true;
        }
    }

    void put(const std::vector<uint8_t>& buffer) {
        if (!writeAll(fd_, buffer.data(), buffer.size())) {
            error_ = failure("cannot write");
            failed_ = true;
            return;
        }
        ::sync_file_range(fd_, static_cast<off_t>(written_), static_cast<off_t>(buffer.size()), SYNC_FILE_RANGE_WRITE);
        written_ += buffer.size();
    }

    const int fd_;
    uint64_t written_ = 0;  // by put(), from the file's start
    std::vector<uint8_t> filling_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<uint8_t>> queue_;
    std::vector<std::vector<uint8_t>> spare_;
    bool closing_ = false;
    bool finished_ = false;
    std::atomic<bool> failed_{false};
    std::string error_;  // set by put() or flush() before failed_
    std::thread thread_;
};

}  // namespace

std::string writeStreamed(int fd, const std::function<bool(const ChunkWriter&)>& produce) {
    PipedWriter out(fd);
    const bool done = produce([&](std::span<const uint8_t> piece) { return out.write(piece); });
    std::string error = out.finish();
    if (error.empty() && !done) error = kWriteStopped;
    return error;
}

std::string writeFileStreamed(const std::string& path, const std::function<bool(const ChunkWriter&)>& produce) {
    return writeFileAtomic(path, [&produce](int fd) { return writeStreamed(fd, produce); });
}

std::string writeFileAtomic(const std::string& path, std::initializer_list<std::span<const uint8_t>> pieces) {
    return writeFileAtomic(path, [pieces](int fd) -> std::string {
        for (auto piece : pieces)
            if (!writeAll(fd, piece.data(), piece.size())) return failure("cannot write");
        return {};
    });
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
