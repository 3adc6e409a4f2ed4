#include "hexedit/romtools/Ips32.h"
#include "hexedit/romtools/Ips.h"
#include "hexedit/romtools/MatchLength.h"

#include <algorithm>
#include <cstring>

namespace hexedit::romtools {

namespace {

constexpr uint8_t kMagic[5] = {'I', 'P', 'S', '3', '2'};
constexpr uint8_t kEnd[4] = {'E', 'E', 'O', 'F'};
constexpr size_t kMaxRecord = 0x8000;
constexpr size_t kMinRun = 9;
constexpr size_t kEqualToEnd = 6;  // equal bytes in a row that end a record

// First index from `from` where a and b differ, or `limit`.
size_t nextDifference(const uint8_t* a, const uint8_t* b, size_t from, size_t limit) {
    return from + matchLength(a + from, b + from, limit - from);
}

void putBig(std::vector<uint8_t>& out, uint64_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t getBig(const uint8_t* p, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | p[i];
    return v;
}

// Writes edited[start, start + length) as records of at most 0x8000 bytes.
void emit(std::vector<uint8_t>& out, std::span<const uint8_t> edited, size_t start, size_t length) {
    while (length > 0) {
        if (start == kIps32EofOffset) {  // would read as the end: rewrite the byte before too
            --start;
            ++length;
        }
        const size_t n = std::min(length, kMaxRecord);
        const uint8_t* d = edited.data() + start;
        putBig(out, start, 4);
        if (n >= kMinRun && std::all_of(d + 1, d + n, [v = d[0]](uint8_t b) { return b == v; })) {
            putBig(out, 0, 2);
            putBig(out, n, 2);
            out.push_back(d[0]);
        } else {
            putBig(out, n, 2);
            out.insert(out.end(), d, d + n);
        }
        start += n;
        length -= n;
    }
}

}  // namespace

bool looksLikeIps32(std::span<const uint8_t> patch) {
    return patch.size() >= 5 && std::equal(std::begin(kMagic), std::end(kMagic), patch.begin());
}

Ips32CreateResult createIps32(std::span<const uint8_t> unchanged, std::span<const uint8_t> edited) {
    Ips32CreateResult r;
    if (unchanged.size() > UINT32_MAX || edited.size() > UINT32_MAX) {
        r.status = Ips32CreateStatus::TooLarge;
        return r;
    }
    auto& out = r.patch;
    out.assign(std::begin(kMagic), std::end(kMagic));
    const size_t common = std::min(unchanged.size(), edited.size());
    const uint8_t* a = unchanged.data();
    const uint8_t* b = edited.data();
    size_t p = nextDifference(a, b, 0, common);
    while (p < common) {
        // Grow over changed bytes and over fewer than six equal ones.
        size_t end = p;
        for (;;) {
            while (end < common && a[end] != b[end] && end - p < kMaxRecord) ++end;
            if (end >= common || end - p >= kMaxRecord) break;
            const size_t same = nextDifference(a, b, end, std::min(common, end + kEqualToEnd)) - end;
            if (same >= kEqualToEnd || end + same >= common || end + same - p > kMaxRecord) break;
            end += same;
        }
        emit(out, edited, p, end - p);
        p = nextDifference(a, b, end, common);
    }
    if (edited.size() > unchanged.size()) emit(out, edited, unchanged.size(), edited.size() - unchanged.size());
    out.insert(out.end(), std::begin(kEnd), std::end(kEnd));
    if (out.size() == kIps32EmptySize) r.status = Ips32CreateStatus::Identical;
    return r;
}

Ips32ApplyStatus readIps32(std::span<const uint8_t> patch, const RecordVisitor& visit) {
    if (!looksLikeIps32(patch)) return Ips32ApplyStatus::BadHeader;
    size_t pos = 5;
    const size_t n = patch.size();
    while (pos < n) {
        if (n - pos < 4) return Ips32ApplyStatus::Truncated;
        const uint32_t offset = getBig(&patch[pos], 4);
        if (offset == kIps32EofOffset) break;
        if (n - pos < 6) return Ips32ApplyStatus::Truncated;
        size_t size = getBig(&patch[pos + 4], 2);
        pos += 6;
        std::span<const uint8_t> data;
        uint8_t value = 0;
        if (size > 0) {
            if (n - pos < size) return Ips32ApplyStatus::Truncated;
            data = patch.subspan(pos, size);
            pos += size;
        } else {
            if (n - pos < 3) return Ips32ApplyStatus::Truncated;
            size = getBig(&patch[pos], 2);
            value = patch[pos + 2];
            pos += 3;
        }
        if (size == 0) continue;
        if (size_t{offset} + size > kIps32MaxFile) return Ips32ApplyStatus::TooLarge;
        visit({offset, size, data, value});
    }
    return Ips32ApplyStatus::Ok;
}

Ips32ApplyStatus applyIps32(std::span<const uint8_t> patch, std::vector<uint8_t>& file) {
    return readIps32(patch, [&file](const PatchRecord& rec) { applyRecords(std::span(&rec, 1), file); });
}

}  // namespace hexedit::romtools
