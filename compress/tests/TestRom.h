#pragma once
// A small stand-in for the game ROM: a 128 KiB HiROM image with the game's
// title at 0xFFC0 and a packed block at ROM offset 0x6321, optionally behind
// a 512-byte copier header.

#include <cstdint>
#include <string>
#include <vector>

namespace vt2comp::testing {

inline constexpr uint32_t kBlockStart = 0x6321;
inline constexpr uint32_t kImageSize = 0x20000;

struct TestRom {
    std::vector<uint8_t> file;     // header (if any) and image
    std::vector<uint8_t> payload;  // what the block unpacks to
    uint32_t header = 0;
    uint32_t blockEnd = 0;  // E: ROM offset just past the block
};

// 4 KiB of tile-like data unless told otherwise.
TestRom makeTestRom(bool copierHeader, std::vector<uint8_t> payload = {});

// A fresh folder below /tmp, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::vector<uint8_t> readFile(const std::string& path);
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
void writeText(const std::string& path, const std::string& text);
std::string readText(const std::string& path);

}  // namespace vt2comp::testing
