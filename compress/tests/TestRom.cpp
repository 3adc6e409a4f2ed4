#include "compress/tests/TestRom.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "common/gamerom.h"
#include "compress/Codec.h"
#include "compress/testing/SampleData.h"

namespace vt2comp::testing {

TestRom makeTestRom(bool copierHeader, std::vector<uint8_t> payload) {
    TestRom rom;
    rom.payload = payload.empty() ? sample::tileLikeData(4096, 7) : std::move(payload);
    rom.header = copierHeader ? common::gamerom::kCopierHeaderSize : 0;
    std::vector<uint8_t> image(kImageSize);
    for (size_t k = 0; k < image.size(); ++k) image[k] = static_cast<uint8_t>(k * 37 + (k >> 8));
    std::copy(common::gamerom::kTitle.begin(), common::gamerom::kTitle.end(),
              image.begin() + common::gamerom::kTitleOffset);
    std::vector<uint8_t> packed(kPackedCapacity);
    auto p = PackBlockReference(rom.payload, packed);
    if (!p || kBlockStart + 2 + *p > common::gamerom::kTitleOffset) throw std::runtime_error("test payload too large");
    image[kBlockStart] = static_cast<uint8_t>(*p);
    image[kBlockStart + 1] = static_cast<uint8_t>(*p >> 8);
    std::copy_n(packed.begin(), *p, image.begin() + kBlockStart + 2);
    rom.blockEnd = static_cast<uint32_t>(kBlockStart + 2 + *p);
    rom.file.assign(rom.header, 0);
    rom.file.insert(rom.file.end(), image.begin(), image.end());
    return rom;
}

TempDir::TempDir() {
    char tmpl[] = "/tmp/vt2comp_testXXXXXX";
    if (!::mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace vt2comp::testing
