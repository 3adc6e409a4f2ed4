#pragma once
// IPS patches over byte spans: making one from an unchanged and an edited
// file, and applying one to a copy of a file. No files, no messages.
//
// Layout (numbers big-endian): "PATCH", records, "EOF". A record is a
// 3-byte offset and a 2-byte size followed by that many bytes, or, with size
// 0, a 2-byte count and one value written count times.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace hexedit::romtools {

inline constexpr size_t kIpsMaxRecord = 0x8000;
// Records shorter than this are never written as runs of one value.
inline constexpr size_t kIpsMinRun = 9;
// An offset reading as the letters "EOF" ends a patch for every reader.
inline constexpr uint32_t kIpsEofOffset = 0x454F46;
// Offsets have three bytes: a record cannot start at or beyond this.
inline constexpr uint32_t kIpsOffsetLimit = 0x1000000;
inline constexpr size_t kIpsEmptySize = 8;  // "PATCH" + "EOF"

enum class IpsCreateStatus {
    Ok,
    Identical,    // no records: nothing to distribute
    OutOfRange,   // a difference at or beyond kIpsOffsetLimit
};

struct IpsCreateResult {
    IpsCreateStatus status = IpsCreateStatus::Ok;
    std::vector<uint8_t> patch;  // the whole patch file (also when Identical)
    uint32_t firstOutOfRange = 0;  // the offset refused with OutOfRange
};

// Records the differences of `edited` against `unchanged`. Positions below
// the unchanged length L are compared while the edited file has them; a
// changed region becomes one record until six equal bytes in a row end it
// (fewer are carried inside it) or it reaches 0x8000 bytes or L. Bytes of
// the edited file from L on follow as records of up to 0x8000 bytes. A
// record of 9 or more equal bytes is written as a run.
IpsCreateResult createIps(std::span<const uint8_t> unchanged, std::span<const uint8_t> edited);

enum class IpsApplyStatus {
    Ok,
    BadHeader,   // does not begin with "PATCH"
    Truncated,   // ends inside a record
};

struct IpsApplyResult {
    IpsApplyStatus status = IpsApplyStatus::Ok;
    size_t records = 0;
    size_t failedAt = 0;  // patch position of the record that was cut short
};

// One record of an IPS or IPS32 patch: `size` bytes at `offset`, taken from
// `data`, or all `value` when `data` is null.
struct PatchRecord {
    uint32_t offset = 0;
    size_t size = 0;
    const uint8_t* data = nullptr;
    uint8_t value = 0;
};
// Writes a record into a file held in memory, lengthening it with zero
// bytes where it reaches beyond.
void writeRecord(std::vector<uint8_t>& file, const PatchRecord& rec);

// Reads the records in order, handing each that writes bytes to `each`;
// stops at the first fault (records before it were handed on).
IpsApplyResult readIpsRecords(std::span<const uint8_t> patch, const std::function<void(const PatchRecord&)>& each);

// Applies `patch` to `file`, lengthening it (with zero bytes before a
// record past its end) where records reach beyond it. Reading stops at a
// record offset of "EOF" or at the end of the patch. On failure `file` may
// hold part of the records: callers apply to a copy.
IpsApplyResult applyIps(std::span<const uint8_t> patch, std::vector<uint8_t>& file);

// The patch path beside an edited file: its extension becomes "ips" (or
// ".ips" is appended to a name without one).
std::string ipsPathFor(const std::string& editedPath);

// Index of the first byte where the spans differ, or the shorter length.
size_t firstDifference(std::span<const uint8_t> a, std::span<const uint8_t> b, size_t from = 0);

}  // namespace hexedit::romtools
