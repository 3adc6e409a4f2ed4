#include "hexedit/romtools/Ips.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>

namespace hexedit::romtools {

namespace {

constexpr uint8_t kMagic[5] = {'P', 'A', 'T', 'C', 'H'};
constexpr uint8_t kEnd[3] = {'E', 'O', 'F'};

uint64_t load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

void put3(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void put2(std::vector<uint8_t>& out, size_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

bool allEqual(const uint8_t* d, size_t n) {
    return std::all_of(d + 1, d + n, [v = d[0]](uint8_t b) { return b == v; });
}

class RecordWriter {
public:
    explicit RecordWriter(std::span<const uint8_t> edited) : edited_(edited) {
        out.reserve(4096);
        out.insert(out.end(), std::begin(kMagic), std::end(kMagic));
    }

    // Writes edited[start, start + length) as records of at most 0x8000
    // bytes. False (writing nothing more) when one would start out of range.
    bool emit(size_t start, size_t length) {
        while (length > 0) {
            if (start == kIpsEofOffset) {  // the byte before is rewritten with its own value
                --start;
                ++length;
            }
            if (start >= kIpsOffsetLimit) {
                refused = static_cast<uint32_t>(std::min<size_t>(start, UINT32_MAX));
                return false;
            }
            const size_t n = std::min(length, kIpsMaxRecord);
            const uint8_t* d = edited_.data() + start;
            put3(out, static_cast<uint32_t>(start));
            if (n >= kIpsMinRun && allEqual(d, n)) {
                put2(out, 0);
                put2(out, n);
                out.push_back(d[0]);
            } else {
                put2(out, n);
                out.insert(out.end(), d, d + n);
            }
            ++records;
            start += n;
            length -= n;
        }
        return true;
    }

    std::vector<uint8_t> out;
    size_t records = 0;
    uint32_t refused = 0;

private:
    std::span<const uint8_t> edited_;
};

// Length of the record starting at the difference at p: grows over changed
// bytes and over fewer than six equal ones, up to 0x8000 bytes and `limit`.
size_t recordLength(const uint8_t* u, const uint8_t* e, size_t p, size_t limit) {
    size_t n = 0;
    for (;;) {
        while (n < kIpsMaxRecord && p + n < limit && u[p + n] != e[p + n]) ++n;
        if (p + n >= limit || n + 5 >= kIpsMaxRecord) return n;
        size_t k = 0;
        while (k < 5 && p + n + k < limit && u[p + n + k] == e[p + n + k]) ++k;
        if (k == 5 && p + n + 5 < limit && u[p + n + 5] == e[p + n + 5]) return n;
        if (n + k >= kIpsMaxRecord) return n;
        n += k;
    }
}

uint32_t be(const uint8_t* p, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | p[i];
    return v;
}

}  // namespace

size_t firstDifference(std::span<const uint8_t> a, std::span<const uint8_t> b, size_t from) {
    const size_t n = std::min(a.size(), b.size());
    const uint8_t* x = a.data();
    const uint8_t* y = b.data();
    if (from >= n) return n;
    size_t i = from;
    while (i + 32 <= n) {
        const uint64_t d = (load64(x + i) ^ load64(y + i)) | (load64(x + i + 8) ^ load64(y + i + 8)) |
                           (load64(x + i + 16) ^ load64(y + i + 16)) | (load64(x + i + 24) ^ load64(y + i + 24));
        if (d != 0) break;
        i += 32;
    }
    if constexpr (std::endian::native == std::endian::little) {
        while (i + 8 <= n) {
            const uint64_t d = load64(x + i) ^ load64(y + i);
            if (d != 0) return i + static_cast<size_t>(std::countr_zero(d)) / 8;
            i += 8;
        }
    }
    while (i < n && x[i] == y[i]) ++i;
    return i;
}

IpsCreateResult createIps(std::span<const uint8_t> unchanged, std::span<const uint8_t> edited) {
    IpsCreateResult result;
    RecordWriter w(edited);
    const size_t limit = std::min(unchanged.size(), edited.size());
    size_t p = 0;
    while (p < limit) {
        p = firstDifference(unchanged.first(limit), edited.first(limit), p);
        if (p >= limit) break;
        const size_t n = recordLength(unchanged.data(), edited.data(), p, limit);
        if (!w.emit(p, n)) {
            result.status = IpsCreateStatus::OutOfRange;
            result.firstOutOfRange = w.refused;
            return result;
        }
        p += n;
    }
    if (edited.size() > unchanged.size() && !w.emit(unchanged.size(), edited.size() - unchanged.size())) {
        result.status = IpsCreateStatus::OutOfRange;
        result.firstOutOfRange = w.refused;
        return result;
    }
    w.out.insert(w.out.end(), std::begin(kEnd), std::end(kEnd));
    result.status = w.records == 0 ? IpsCreateStatus::Identical : IpsCreateStatus::Ok;
    result.patch = std::move(w.out);
    return result;
}

IpsApplyResult readIps(std::span<const uint8_t> patch, const RecordVisitor& visit) {
    IpsApplyResult r;
    if (patch.size() < sizeof kMagic || std::memcmp(patch.data(), kMagic, sizeof kMagic) != 0) {
        r.status = IpsApplyStatus::BadHeader;
        return r;
    }
    const uint8_t* d = patch.data();
    const size_t size = patch.size();
    size_t pos = sizeof kMagic;
    auto cut = [&r, &pos] {
        r.status = IpsApplyStatus::Truncated;
        r.failedAt = pos;
        return r;
    };
    while (pos < size) {
        if (size - pos < 3) return cut();
        const uint32_t offset = be(d + pos, 3);
        if (offset == kIpsEofOffset) break;
        if (size - pos < 5) return cut();
        const size_t length = be(d + pos + 3, 2);
        if (length != 0) {
            if (size - pos - 5 < length) return cut();
            visit({offset, length, std::span(d + pos + 5, length), 0});
            pos += 5 + length;
        } else {
            if (size - pos < 8) return cut();
            const size_t count = be(d + pos + 5, 2);
            if (count > 0) visit({offset, count, {}, d[pos + 7]});
            pos += 8;
        }
        ++r.records;
    }
    return r;
}

void applyRecords(std::span<const PatchRecord> records, std::vector<uint8_t>& file) {
    size_t end = file.size();
    for (const PatchRecord& rec : records)
        if (rec.count > 0) end = std::max(end, static_cast<size_t>(rec.offset) + rec.count);
    file.resize(end);  // the one allocation, before any byte changes
    for (const PatchRecord& rec : records) {
        if (rec.data.empty())
            std::memset(file.data() + rec.offset, rec.value, rec.count);
        else
            std::memcpy(file.data() + rec.offset, rec.data.data(), rec.count);
    }
}

IpsApplyResult applyIps(std::span<const uint8_t> patch, std::vector<uint8_t>& file) {
    return readIps(patch, [&file](const PatchRecord& rec) { applyRecords(std::span(&rec, 1), file); });
}

std::string ipsPathFor(const std::string& editedPath) {
    const size_t slash = editedPath.find_last_of("/\\");
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = editedPath.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) return editedPath + ".ips";
    return editedPath.substr(0, dot + 1) + "ips";
}

}  // namespace hexedit::romtools
