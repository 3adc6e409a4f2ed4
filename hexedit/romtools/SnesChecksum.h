#pragma once
// The 16-bit checksum of an SNES ROM image and the internal header that
// holds it with its complement.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace hexedit::romtools {

// Images smaller than this cannot hold every header candidate.
inline constexpr size_t kChecksumMinSize = 0x101F0;
inline constexpr uint32_t kComplementAt = 0x1C;  // from the header base
inline constexpr uint32_t kChecksumAt = 0x1E;

struct SnesHeader {
    int index = 0;        // 0..3 in the order tried
    uint32_t base = 0;    // file offset of the internal header
    uint32_t copier = 0;  // 0x200 when a copier header precedes the image
    uint16_t checksum = 0;
    uint16_t complement = 0;
};

// The first candidate (LoROM, LoROM after a copier header, HiROM, HiROM
// after a copier header) whose complement OR checksum is FFFFh while the
// checksum itself is not. Nothing when none is, or the image is too small.
std::optional<SnesHeader> locateSnesHeader(std::span<const uint8_t> image);

// Checksum of the image after `copier` bytes: the largest power of two P
// of bytes not above its size, plus the remaining R bytes counted P / R
// times. Bytes are summed as they stand.
// `passed` (when given) hears each stretch [offset, offset + length) of the
// image once it has been summed, so a mapped file's pages can be given back.
using PassedBytes = std::function<void(size_t offset, size_t length)>;
uint16_t snesChecksum(std::span<const uint8_t> image, uint32_t copier, const PassedBytes& passed = {});

// What the checksum repair finds in an image: why it cannot repair it, or
// the header with the words it holds and the checksum it should hold.
struct ChecksumFinding {
    const char* refusal = nullptr;  // the message shown instead
    SnesHeader header;
    uint16_t checksum = 0;  // the complement is checksum ^ FFFFh
    uint16_t complement() const { return checksum ^ 0xFFFF; }
    // Both words differ from what they should be.
    bool repairNeeded() const { return header.checksum != checksum && header.complement != complement(); }
    // The complement and the checksum, little-endian, as written at
    // header.base + kComplementAt.
    std::array<uint8_t, 4> repairedWords() const {
        return {static_cast<uint8_t>(complement()), static_cast<uint8_t>(complement() >> 8), static_cast<uint8_t>(checksum),
                static_cast<uint8_t>(checksum >> 8)};
    }
};
ChecksumFinding examineSnesChecksum(std::span<const uint8_t> image, const PassedBytes& passed = {});
// The words found and the words it should hold, four lines.
std::string checksumFigures(const ChecksumFinding& f);

// Sum of all bytes.
uint64_t byteSum(std::span<const uint8_t> bytes);

}  // namespace hexedit::romtools
