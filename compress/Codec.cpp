#include "compress/Codec.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace vt2comp {

DecodeResult DecodeBlock(std::span<const uint8_t> image, uint64_t start, std::span<uint8_t> out) {
    DecodeResult r;
    const uint64_t size = image.size();
    r.end = start;
    if (start > size || size - start < 2) {
        r.status = DecodeStatus::OutsideImage;
        return r;
    }
    const uint8_t* in = image.data();
    int32_t remaining = static_cast<int16_t>(in[start] | (in[start + 1] << 8));
    uint64_t pos = start + 2;
    uint8_t window[256] = {};
    uint8_t w = 0;
    uint8_t* o = out.data();
    const size_t cap = out.size();
    size_t n = 0;

    while (remaining > 0) {
        if (pos >= size) {
            r.status = DecodeStatus::OutsideImage;
            break;
        }
        const uint8_t flag = in[pos++];
        --remaining;
        // The whole group must lie inside the image: 8 items plus one more
        // byte per copy.
        if (size - pos < 8u + static_cast<unsigned>(std::popcount(flag))) {
            r.status = DecodeStatus::OutsideImage;
            break;
        }
        for (int k = 0; k < 8 && r.status == DecodeStatus::Ok; ++k) {
            if (flag & (1u << k)) {
                const size_t len = size_t(in[pos]) + 1;
                uint8_t src = static_cast<uint8_t>(in[pos + 1] + w);
                pos += 2;
                remaining -= 2;
                if (cap - n < len) {
                    r.status = DecodeStatus::OutputFull;
                    break;
                }
                // Byte by byte: a copy may read what it has just written.
                for (size_t m = 0; m < len; ++m) {
                    const uint8_t b = window[src++];
                    o[n++] = b;
                    window[w++] = b;
                }
            } else {
                const uint8_t b = in[pos++];
                --remaining;
                if (n == cap) {
                    r.status = DecodeStatus::OutputFull;
                    break;
                }
                o[n++] = b;
                window[w++] = b;
            }
        }
        if (r.status != DecodeStatus::Ok) break;
    }
    r.count = n;
    r.end = pos;
    return r;
}

namespace {

// Writes the packed stream: flag bytes reserved ahead of their 8 items.
class PackedWriter {
public:
    explicit PackedWriter(std::span<uint8_t> packed) : out_(packed.data()), cap_(packed.size()) {}

    bool literal(uint8_t b) {
        if (pos_ + 1 > cap_) return false;
        out_[pos_++] = b;
        flag_ >>= 1;
        return true;
    }
    bool copy(size_t length, uint8_t offset) {
        if (pos_ + 2 > cap_) return false;
        out_[pos_++] = static_cast<uint8_t>(length - 1);
        out_[pos_++] = offset;
        flag_ = static_cast<uint8_t>((flag_ >> 1) | 0x80);
        return true;
    }
    void endGroup() {
        out_[flagIndex_] = flag_;
        flag_ = 0;
        flagIndex_ = pos_;
        ++pos_;
    }
    // The index of the last reserved flag byte.
    size_t length() const { return flagIndex_; }

private:
    uint8_t* out_;
    size_t cap_;
    size_t flagIndex_ = 0;
    size_t pos_ = 1;
    uint8_t flag_ = 0;
};

}  // namespace

std::optional<size_t> PackBlockReference(std::span<const uint8_t> data, std::span<uint8_t> packed, RunRule rule) {
    const size_t n = data.size();
    uint8_t window[256] = {};
    uint8_t w = 0;
    size_t i = 0;
    PackedWriter out(packed);
    while (i < n) {
        for (int item = 0; item < 8; ++item) {
            size_t best = 0;
            unsigned bestJ = 0;
            for (unsigned j = 0; j < 256 && i < n; ++j) {
                if (window[j] != data[i]) continue;
                size_t len = 0;
                while (len < 256 && i + len < n) {
                    const uint8_t at = static_cast<uint8_t>(j + len);
                    if (window[at] != data[i + len]) break;
                    if (rule == RunRule::Sound) {
                        // Positions W .. W+len-1 already hold this copy's
                        // output when the decoder reaches `at`.
                        const uint8_t written = static_cast<uint8_t>(at - w);
                        if (written < len && data[i + written] != data[i + len]) break;
                    }
                    ++len;
                }
                if (len > best) {
                    best = len;
                    bestJ = j;
                    if (best == 256) break;
                }
            }
            if (best >= 3) {
                if (!out.copy(best, static_cast<uint8_t>(bestJ - w))) return std::nullopt;
                for (size_t m = 0; m < best; ++m) window[w++] = data[i + m];
                i += best;
            } else {
                const uint8_t b = i < n ? data[i] : 0;
                if (!out.literal(b)) return std::nullopt;
                window[w++] = b;
                ++i;
            }
        }
        out.endGroup();
    }
    return out.length();
}

namespace {

// Length of the common prefix of a and b, at most `limit`; both must be
// readable for limit + 7 bytes.
inline size_t matchLength(const uint8_t* a, const uint8_t* b, size_t limit) {
    size_t m = 0;
    while (m < limit) {
        uint64_t x, y;
        std::memcpy(&x, a + m, 8);
        std::memcpy(&y, b + m, 8);
        const uint64_t diff = x ^ y;
        if (diff) return std::min(limit, m + static_cast<size_t>(std::countr_zero(diff) >> 3));
        m += 8;
    }
    return limit;
}

// 256 bits, one per window position.
struct PositionSet {
    uint64_t w[4];
};

// Bit j of the result is bit (j + s) mod 256 of x.
inline PositionSet rotateDown(const PositionSet& x, unsigned s) {
    const unsigned q = s >> 6, r = s & 63;
    PositionSet out;
    for (unsigned k = 0; k < 4; ++k) {
        const uint64_t lo = x.w[(k + q) & 3], hi = x.w[(k + q + 1) & 3];
        out.w[k] = r ? (lo >> r) | (hi << (64 - r)) : lo;
    }
    return out;
}

constexpr int kHashBits = 12;

inline uint32_t hash3(const uint8_t* p) {
    const uint32_t key = p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
    return (key * 0x9E3779B1u) >> (32 - kHashBits);
}

inline void intersect(PositionSet& a, const PositionSet& b) {
    for (unsigned k = 0; k < 4; ++k) a.w[k] &= b.w[k];
}

struct Run {
    size_t length = 0;
    unsigned position = 0;
};

// The longest run of 3 or more bytes at ext position `cur` and its lowest
// window position, or a length below 3; see PackBlock.
Run longestRun(const uint8_t* e, size_t cur, size_t maxLen, const PositionSet* holding) {
    const uint8_t* x = e + cur;
    Run best{2, 0};
    // Positions j with window bytes j, j+1, j+2 equal to x[0..2].
    const PositionSet& a = holding[x[0]];
    const PositionSet& b = holding[x[1]];
    const PositionSet& c = holding[x[2]];
    PositionSet candidates;
    uint64_t any = 0;
    for (unsigned k = 0; k < 4; ++k) {
        const unsigned k1 = (k + 1) & 3;
        candidates.w[k] = a.w[k] & ((b.w[k] >> 1) | (b.w[k1] << 63)) & ((c.w[k] >> 2) | (c.w[k1] << 62));
        any |= candidates.w[k];
    }
    if (!any) return best;
    const size_t base = cur & ~size_t(255);
    size_t run256 = SIZE_MAX;
    for (unsigned k = 0; k < 4 && best.length < maxLen; ++k) {
        while (candidates.w[k] && best.length < maxLen) {
            const unsigned j = k * 64 + static_cast<unsigned>(std::countr_zero(candidates.w[k]));
            candidates.w[k] &= candidates.w[k] - 1;
            size_t p = base + j;
            if (p >= cur) p -= 256;
            if (e[p + best.length] != x[best.length]) continue;
            size_t len = matchLength(e + p, x, maxLen);
            const size_t dist = cur - p;
            if (len > dist) {
                if (run256 == SIZE_MAX) run256 = matchLength(x - 256, x, maxLen);
                len = std::min(len, dist + run256);
            }
            if (len > best.length) {
                best = Run{len, j};
                if (len < maxLen) intersect(candidates, rotateDown(holding[x[len]], static_cast<unsigned>(len)));
            }
        }
    }
    return best;
}

}  // namespace

// The window always holds the last 256 bytes of the input seen so far,
// preceded by 256 zero bytes. In `ext` (those zeros, the input, padding) the
// item at input index i sits at cur = i + 256, W = cur mod 256, and window
// position j holds ext[p] for the one p in [cur - 256, cur) with p mod 256 = j.
// A run from p at distance d = cur - p as the decoder reproduces it is the
// overlapping match ext[p..] = ext[cur..], cut at d + the run at distance 256
// once it reaches the bytes the copy writes itself (for m >= d the old window
// holds ext[cur - 256 + m - d]).
//
// For every byte value a set of the window positions holding it is kept.
// Positions whose next 3 bytes match the input (in the old window, which any
// run the decoder reproduces must match too) are visited in ascending order;
// each new best length L narrows the rest to those whose window byte at j + L
// matches as well, since only a longer run can win. A table of the latest
// position of each 3-byte hash first tells when no position of the window
// can start a run of 3, which is most items of random data.
std::optional<size_t> PackBlock(std::span<const uint8_t> data, std::span<uint8_t> packed) {
    const size_t n = data.size();
    PackedWriter out(packed);
    if (n == 0) return out.length();

    thread_local std::vector<uint8_t> ext;
    ext.assign(256 + n + 256 + 16, 0);
    std::memcpy(ext.data() + 256, data.data(), n);
    const uint8_t* e = ext.data();

    PositionSet holding[256] = {};
    int32_t latest[1 << kHashBits];
    std::fill(std::begin(latest), std::end(latest), -1);
    size_t hashed = 0;
    holding[0] = PositionSet{{~0ull, ~0ull, ~0ull, ~0ull}};
    // Window positions cur mod 256 get ext[cur] in place of ext[cur - 256].
    auto advance = [&](size_t from, size_t to) {
        for (size_t c = from; c < to; ++c) {
            const uint8_t old = e[c - 256], now = e[c];
            if (old == now) continue;
            const unsigned j = c & 255;
            const uint64_t bit = 1ull << (j & 63);
            holding[old].w[j >> 6] &= ~bit;
            holding[now].w[j >> 6] |= bit;
        }
    };

    const size_t endCur = 256 + n;
    size_t cur = 256;
    while (cur < endCur) {
        for (int item = 0; item < 8; ++item) {
            if (cur >= endCur) {
                if (!out.literal(0)) return std::nullopt;
                ++cur;
                continue;
            }
            const uint8_t* x = e + cur;
            const size_t maxLen = std::min<size_t>(256, endCur - cur);
            size_t best = 0;
            unsigned bestJ = 0;
            if (maxLen >= 3) {
                for (; hashed < cur; ++hashed) latest[hash3(e + hashed)] = static_cast<int32_t>(hashed);
                if (latest[hash3(x)] >= static_cast<int32_t>(cur - 256)) {
                    Run run = longestRun(e, cur, maxLen, holding);
                    best = run.length;
                    bestJ = run.position;
                }
            }
            if (best >= 3) {
                if (!out.copy(best, static_cast<uint8_t>(bestJ - (cur & 255)))) return std::nullopt;
            } else {
                best = 1;
                if (!out.literal(x[0])) return std::nullopt;
            }
            advance(cur, cur + best);
            cur += best;
        }
        out.endGroup();
    }
    return out.length();
}

EncodeResult EncodeBlock(std::span<const uint8_t> data, std::span<uint8_t> packedArea, std::span<uint8_t> image,
                         uint64_t start, uint64_t end) {
    EncodeResult r;
    const uint64_t size = image.size();
    if (start > size || size - start < 2 || end > size) {
        r.status = EncodeStatus::OutsideImage;
        return r;
    }
    auto packedLength = PackBlock(data, packedArea);
    if (!packedLength) {
        r.status = EncodeStatus::WorkAreaFull;
        return r;
    }
    const size_t p = *packedLength;
    r.packedLength = p;
    if (start + 2 + p > end) {
        r.status = EncodeStatus::TooLarge;
        r.bytesOver = start + 2 + p - end;
        return r;
    }
    if (p > kMaxStreamLength) {
        r.status = EncodeStatus::StreamTooLong;
        return r;
    }
    const uint8_t length[2] = {static_cast<uint8_t>(p & 0xFF), static_cast<uint8_t>(p >> 8)};
    r.changed = std::memcmp(image.data() + start, length, 2) != 0 ||
                std::memcmp(image.data() + start + 2, packedArea.data(), p) != 0;
    image[start] = static_cast<uint8_t>(p & 0xFF);
    image[start + 1] = static_cast<uint8_t>(p >> 8);
    std::memcpy(image.data() + start + 2, packedArea.data(), p);
    return r;
}

}  // namespace vt2comp
