#pragma once
// BPS patches over byte spans: making one from a source and a target file,
// and applying one to a source. No files, no messages.
//
// Layout: "BPS1", then variable-length numbers for the source size, the
// target size and the metadata size, the metadata, the actions, and three
// little-endian CRC32s (source, target, everything before the last four
// bytes). An action number holds (length - 1) << 2 | kind; the copy kinds
// follow it with a signed relative offset.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace hexedit::romtools {

inline constexpr size_t kBpsMinSize = 4 + 3 + 12;  // magic, three sizes, CRC32s
// A patch may describe a large target with few bytes: targets larger than
// the editor holds (2 GB - 1) are refused before anything is allocated.
inline constexpr uint64_t kBpsMaxTarget = INT32_MAX;

// CRC32 as zlib computes it (carry-less multiplication where the processor
// has it); crc32Update continues from the CRC of the bytes before.
uint32_t crc32Of(std::span<const uint8_t> data);
uint32_t crc32Update(uint32_t crc, std::span<const uint8_t> data);

bool looksLikeBps(std::span<const uint8_t> patch);

// Told as a pass goes on that the source before the first offset and the
// target before the second will not be read again soon: a caller holding
// the files mapped gives those pages back, so that memory stays bounded.
using PassedFn = std::function<void(uint64_t source, uint64_t target)>;

// Source-relative reads where source and target agree at the same offset,
// copies from elsewhere in the source or from earlier target bytes found
// through a hash index, literal bytes otherwise.
std::vector<uint8_t> createBps(std::span<const uint8_t> source, std::span<const uint8_t> target,
                               const PassedFn& passed = {});

// True when the patch is valid and makes a target equal to its source: the
// sizes agree and it reads the whole source in place.
bool bpsKeepsSource(std::span<const uint8_t> patch);

enum class BpsApplyStatus {
    Ok,
    BadHeader,        // does not begin with "BPS1"
    PatchChecksum,    // the patch's own CRC32 does not match: damaged
    WrongSource,      // source size or CRC32 differ: a patch for another file
    Malformed,        // an action reads outside source, target or patch
    TooLarge,         // target size over kBpsMaxTarget
    TargetChecksum,   // applied, but the result is not the intended file
};

struct BpsApplyResult {
    BpsApplyStatus status = BpsApplyStatus::Ok;
    uint32_t expectedSourceCrc = 0;
    uint32_t foundSourceCrc = 0;
    uint64_t expectedSourceSize = 0;
    std::vector<uint8_t> target;  // the new file when status is Ok
};

// Checks the patch CRC32 and the source before writing anything, and the
// target CRC32 after; `source` is never changed.
BpsApplyResult applyBps(std::span<const uint8_t> patch, std::span<const uint8_t> source);
// The same into `target` (its memory reused; empty unless Ok); the result's
// own target stays empty.
BpsApplyResult applyBps(std::span<const uint8_t> patch, std::span<const uint8_t> source, std::vector<uint8_t>& target);

// The same from a source file to an empty output file (open for reading and
// writing), through bounded buffers: the source is read where the actions
// point. The output holds the target only when the status is Ok. Throws
// std::runtime_error when a file cannot be read or written.
BpsApplyResult applyBpsToFile(std::span<const uint8_t> patch, int source, uint64_t sourceSize, int out);

// What a patch declares, read and checked without the source: its own
// CRC32, the target size, and every action against the declared sizes.
struct BpsHeader {
    BpsApplyStatus status = BpsApplyStatus::Ok;  // Ok, or why it is refused
    uint64_t sourceSize = 0, targetSize = 0;
    uint32_t sourceCrc = 0, targetCrc = 0;
    size_t actionsAt = 0;  // patch offset of the first action; 0 if not reached
};
BpsHeader readBpsHeader(std::span<const uint8_t> patch);

// Writes `len` bytes at `at` from `from` (< at) of the same buffer as a
// byte-by-byte copy would: a distance shorter than the length repeats.
void copyWithin(uint8_t* target, uint64_t from, uint64_t at, uint64_t len);

}  // namespace hexedit::romtools
