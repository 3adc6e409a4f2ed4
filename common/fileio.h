#pragma once
// Whole-file reading and safe saving shared by the three programs.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace common {

bool fileExists(const std::string& path);
// Length in bytes of a regular file, or nothing when it cannot be examined.
std::optional<uint64_t> fileLength(const std::string& path);

enum class ReadStatus { Ok, CannotOpen, TooLarge, ReadError };

// Reads a whole file into `out` starting at `out.size()` bytes into a buffer
// of `out.size() + length` bytes; refuses files over `maxLength` before
// allocating anything.
ReadStatus readWholeFile(const std::string& path, std::vector<uint8_t>& out, uint64_t maxLength = UINT64_MAX);

// Writes the pieces one after another to the file a path names, following
// symbolic links. Normally into a temporary file in the target's folder that
// is renamed over the target, so the target is either the old file or the
// complete new one; the permissions of an existing target are kept. A target
// with other hard links, or in a folder that takes no new files, is
// overwritten in place instead, once the content is complete in memory.
// Returns an empty text on success, otherwise what went wrong.
std::string writeFileAtomic(const std::string& path, std::initializer_list<std::span<const uint8_t>> pieces);
std::string writeFileAtomic(const std::string& path, std::span<const uint8_t> data);
// The same with content too large to hold: `produce` writes it into the
// open, empty file it is given (readable and writable, positioned at its
// start) and returns an empty text, or what went wrong.
using Producer = std::function<std::string(int fd)>;
std::string writeFileAtomic(const std::string& path, const Producer& produce);

// A readable and writable temporary file that is gone once closed, or -1.
int anonymousFile();
// Buffer size of the copies between files.
inline constexpr size_t kCopyChunk = size_t{1} << 20;
// Writes all `size` bytes to a file descriptor at its position.
bool writeAll(int fd, const uint8_t* data, size_t size);
// Reads exactly `size` bytes at `offset` of a file descriptor.
bool readAt(int fd, uint8_t* data, size_t size, uint64_t offset);
// Copies `length` bytes from `offset` of `from` to the position of `to`
// (through the kernel where it can), leaving `from`'s position alone.
bool copyBytes(int from, uint64_t offset, int to, uint64_t length);
std::string writeFileAtomic(const std::string& path, const std::string& text);

// Takes one piece of a file's content; false when it could not be written.
using ChunkWriter = std::function<bool(std::span<const uint8_t>)>;
// Answered by writeFileStreamed when `produce` gave up.
inline constexpr char kWriteStopped[] = "stopped";

// As writeFileAtomic, with the content handed over piece by piece by
// `produce`, so that it is never whole in memory. When `produce` returns
// false the target stays as it was and the answer is kWriteStopped (unless a
// write had failed). A target written in place gets the content through a
// temporary file of the system's temporary folder, so a stopped write
// leaves it whole as well.
std::string writeFileStreamed(const std::string& path, const std::function<bool(const ChunkWriter&)>& produce);
// The pieces `produce` hands over, written to `fd` from its position (at
// the file's start) on a thread of their own while the next ones are made.
// Written parts are flushed while the thread waits for more. Empty text,
// kWriteStopped, or what failed (a write or a flush); once one failed the
// writer answers false.
std::string writeStreamed(int fd, const std::function<bool(const ChunkWriter&)>& produce);

// The folder part of a path ("" for a bare name) and the part after the
// last '/' or '\\'.
std::string folderOf(const std::string& path);
std::string fileNameOf(const std::string& path);

std::string currentFolder();

// Where an output file named `name` goes: a relative name is taken against
// `baseFolder` (the open file's folder), an absolute one or one with no
// base folder as it stands.
std::string outputPath(const std::string& name, const std::string& baseFolder);

}  // namespace common
