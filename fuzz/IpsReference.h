#pragma once
// A plain reader of the IPS record layout written from the format, for the
// IPS and IPS32 targets to compare the decoders with: the magic, then
// records of a big-endian offset, a 2-byte size and that many bytes, or
// size 0, a 2-byte count and one value; up to the end-marker offset or the
// end of the patch.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace fuzzref {

struct IpsLayout {
    std::string_view magic;
    int offsetBytes;
    uint32_t endMarker;
};

struct IpsRead {
    enum { Ok, BadHeader, Truncated } outcome = Ok;
    size_t length = 0;    // of the patched file
    size_t failedAt = 0;  // patch position of the record cut short
};

// The outcome for a file of `fileSize` bytes; the records are also applied
// to `file` when it is given.
inline IpsRead readIps(std::span<const uint8_t> p, const IpsLayout& layout, size_t fileSize,
                       std::vector<uint8_t>* file = nullptr) {
    IpsRead r;
    r.length = fileSize;
    if (p.size() < layout.magic.size() || !std::equal(layout.magic.begin(), layout.magic.end(), p.begin())) {
        r.outcome = IpsRead::BadHeader;
        return r;
    }
    auto big = [&](size_t at, int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) v = v << 8 | p[at + i];
        return v;
    };
    const size_t head = static_cast<size_t>(layout.offsetBytes) + 2;
    for (size_t at = layout.magic.size(); at < p.size();) {
        auto cut = [&] {
            r.outcome = IpsRead::Truncated;
            r.failedAt = at;
            return r;
        };
        if (p.size() - at < static_cast<size_t>(layout.offsetBytes)) return cut();
        const uint32_t offset = big(at, layout.offsetBytes);
        if (offset == layout.endMarker) break;
        if (p.size() - at < head) return cut();
        const size_t size = big(at + layout.offsetBytes, 2);
        const bool run = size == 0;
        if (p.size() - at - head < (run ? 3 : size)) return cut();
        const size_t count = run ? big(at + head, 2) : size;
        if (count > 0) {
            r.length = std::max(r.length, size_t{offset} + count);
            if (file) {
                file->resize(std::max(file->size(), r.length));
                for (size_t i = 0; i < count; ++i) (*file)[offset + i] = run ? p[at + head + 2] : p[at + head + i];
            }
        }
        at += head + (run ? 3 : size);
    }
    return r;
}

}  // namespace fuzzref
