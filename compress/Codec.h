#pragma once
// The game's block compression.
//
// A block at ROM offset S is a 16-bit little-endian stream length followed by
// the stream: groups of one flag byte and exactly 8 items. Bit k of the flag
// describes item k: clear = one literal byte, set = a copy of C + 1 bytes
// (count byte C, offset byte D) from the 256-byte window starting at window
// position (D + W) mod 256, W being the window write position. Every output
// byte is also stored at W, which then advances (mod 256). The window starts
// as 256 zero bytes with W = 0.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace vt2comp {

// The work area: window at its start, packed output at 0x1000, unpacked data
// (decoder output, encoder input) at 0x10000.
inline constexpr size_t kWorkAreaSize = 0x20000;
inline constexpr size_t kPackedOffset = 0x1000;
inline constexpr size_t kDataOffset = 0x10000;
inline constexpr size_t kPackedCapacity = kDataOffset - kPackedOffset;
inline constexpr size_t kDataCapacity = kWorkAreaSize - kDataOffset;
// The encoder fills the last group with at most this many zero literals, so
// a block packed from N bytes unpacks to fewer than N + 8.
inline constexpr size_t kGroupPadding = 7;
// The stream length is read as a signed 16-bit value: longer streams decode
// to nothing.
inline constexpr size_t kMaxStreamLength = 0x7FFF;

enum class DecodeStatus {
    Ok,
    OutsideImage,  // the length field or the stream runs past the end of the image
    OutputFull,    // the block unpacks to more bytes than `out` holds
};

struct DecodeResult {
    DecodeStatus status = DecodeStatus::Ok;
    size_t count = 0;  // unpacked bytes written to `out`
    uint64_t end = 0;  // ROM offset just past the last group read (E)
};

// Unpacks the block at `start` of `image` into `out`. Only whole groups are
// decoded; the stream length is tested before each flag byte only.
DecodeResult DecodeBlock(std::span<const uint8_t> image, uint64_t start, std::span<uint8_t> out);

// How the reference scan counts a run.
enum class RunRule {
    // Against the window as it was before the item, as long as the decoder
    // reproduces it: a copy that reaches window positions it writes itself
    // reads the freshly written bytes, so the run stops where those differ.
    Sound,
    // Against the window before the item only. Such a block need not decode
    // back to its input; kept to show why the sound rule exists.
    Plain,
};

// Packs `data` into `packed` and returns the packed length P (the index of
// the last, unused flag byte), or nothing when the packed bytes would not fit
// in `packed`. For every item the longest run of 3 or more bytes found in the
// window wins, the lowest window position among equals; the trailing items of
// the last group are zero literals.
std::optional<size_t> PackBlock(std::span<const uint8_t> data, std::span<uint8_t> packed);

// The same result by a plain scan of all 256 window positions per item.
std::optional<size_t> PackBlockReference(std::span<const uint8_t> data, std::span<uint8_t> packed,
                                         RunRule rule = RunRule::Sound);

enum class EncodeStatus {
    Ok,
    TooLarge,       // S + 2 + P exceeds E by `bytesOver`
    WorkAreaFull,   // the packed form outgrows the packed area
    StreamTooLong,  // P exceeds kMaxStreamLength; the decoder would unpack nothing
    OutsideImage,   // S + 2 or E lies past the end of the image
};

struct EncodeResult {
    EncodeStatus status = EncodeStatus::Ok;
    uint64_t bytesOver = 0;
    size_t packedLength = 0;
    bool changed = false;  // the written block differs from what was there
};

// Packs `data` (using `packedArea` as scratch) and, when the block fits in
// [start, end), writes the stream length at `start` and the packed bytes
// after it. On any other outcome `image` is left unchanged.
EncodeResult EncodeBlock(std::span<const uint8_t> data, std::span<uint8_t> packedArea, std::span<uint8_t> image,
                         uint64_t start, uint64_t end);

}  // namespace vt2comp
