#pragma once
// IPS32 patches: the IPS record layout with 4-byte offsets, "IPS32" at the
// start and "EEOF" at the end, for files past the 16 MiB that 3-byte offsets
// reach. Records follow the IPS rules: a changed region ends at six equal
// bytes in a row, records hold at most 0x8000 bytes, 9 or more equal bytes
// are written as a run.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "hexedit/romtools/Ips.h"

namespace hexedit::romtools {

inline constexpr uint32_t kIps32EofOffset = 0x45454F46;  // "EEOF"
inline constexpr size_t kIps32EmptySize = 9;             // "IPS32" + "EEOF"
// Records may not make a file larger than the editor holds (2 GB - 1).
inline constexpr uint64_t kIps32MaxFile = INT32_MAX;

bool looksLikeIps32(std::span<const uint8_t> patch);

enum class Ips32CreateStatus { Ok, Identical, TooLarge };

struct Ips32CreateResult {
    Ips32CreateStatus status = Ips32CreateStatus::Ok;
    std::vector<uint8_t> patch;
};

// Differences of `edited` against `unchanged` (compared while both have
// bytes), then the bytes the edited file has beyond the unchanged length.
// Files of 4 GiB and more are TooLarge.
Ips32CreateResult createIps32(std::span<const uint8_t> unchanged, std::span<const uint8_t> edited);

enum class Ips32ApplyStatus { Ok, BadHeader, Truncated, TooLarge };

// Hands the records to `visit` in order, as applyIps32 reads them; records
// that write nothing are left out. TooLarge before the record that would
// reach past kIps32MaxFile.
Ips32ApplyStatus readIps32(std::span<const uint8_t> patch, const RecordVisitor& visit);
// Applies the records to `file`, lengthening it with zero bytes where they
// reach beyond it; a record reaching past kIps32MaxFile is TooLarge. On
// failure `file` may hold part of the records: callers apply to a copy.
Ips32ApplyStatus applyIps32(std::span<const uint8_t> patch, std::vector<uint8_t>& file);

}  // namespace hexedit::romtools
