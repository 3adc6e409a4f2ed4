#pragma once
// Whole-file reading and safe saving shared by the three programs.

#include <cstdint>
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
std::string writeFileAtomic(const std::string& path, const std::string& text);

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
