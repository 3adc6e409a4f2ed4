#include "hexedit/romtools/Bps.h"
#include "hexedit/romtools/MatchLength.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace hexedit::romtools {

namespace {

constexpr uint8_t kMagic[4] = {'B', 'P', 'S', '1'};
enum Action : uint64_t { SourceRead = 0, TargetRead = 1, SourceCopy = 2, TargetCopy = 3 };

// Shorter agreements at the same offset cost more as actions than as literals.
constexpr size_t kMinRead = 4;
constexpr size_t kMinCopy = 8;
constexpr size_t kSourceStep = 4;  // source positions indexed
constexpr size_t kTargetStep = 2;  // target positions indexed inside copies

uint32_t le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void putLe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void putNumber(std::vector<uint8_t>& out, uint64_t v) {
    for (;;) {
        const uint8_t x = v & 0x7F;
        v >>= 7;
        if (v == 0) {
            out.push_back(0x80 | x);
            return;
        }
        out.push_back(x);
        --v;
    }
}

void putSigned(std::vector<uint8_t>& out, int64_t v) {
    putNumber(out, (static_cast<uint64_t>(v < 0 ? -v : v) << 1) | (v < 0 ? 1 : 0));
}

class HashIndex {
public:
    explicit HashIndex(size_t expected) {
        while (bits_ < 23 && (size_t{1} << bits_) < expected * 2) ++bits_;
        slots_.assign(size_t{1} << bits_, 0);
    }
    uint32_t hash(const uint8_t* p) const {
        return static_cast<uint32_t>((load64(p) * 0x9E3779B97F4A7C15ull) >> (64 - bits_));
    }
    void put(uint32_t h, size_t pos) { slots_[h] = static_cast<uint32_t>(pos + 1); }
    // The last position stored under h, or -1.
    int64_t get(uint32_t h) const { return int64_t{slots_[h]} - 1; }

private:
    unsigned bits_ = 10;
    std::vector<uint32_t> slots_;
};

class Encoder {
public:
    Encoder(std::span<const uint8_t> source, std::span<const uint8_t> target)
        : src_(source), tgt_(target), srcIndex_(source.size() / kSourceStep), tgtIndex_(target.size() / 64) {}

    std::vector<uint8_t> run() {
        out_.reserve(1024 + tgt_.size() / 32);
        out_.insert(out_.end(), std::begin(kMagic), std::end(kMagic));
        putNumber(out_, src_.size());
        putNumber(out_, tgt_.size());
        putNumber(out_, 0);  // no metadata
        for (size_t s = 0; s + 8 <= src_.size(); s += kSourceStep) srcIndex_.put(srcIndex_.hash(&src_[s]), s);

        const size_t n = tgt_.size();
        size_t t = 0;
        while (t < n) {
            if (t < src_.size()) {
                const size_t len = matchLength(&src_[t], &tgt_[t], std::min(src_.size(), n) - t);
                if (len >= kMinRead || (len > 0 && t + len == n)) {
                    flushLiterals(t);
                    action(SourceRead, len);
                    t += len;
                    continue;
                }
            }
            if (tryCopy(t)) continue;
            if (literals_ == 0) literalStart_ = t;
            ++literals_;
            ++t;
        }
        flushLiterals(n);
        putLe32(out_, crc32Of(src_));
        putLe32(out_, crc32Of(tgt_));
        putLe32(out_, crc32Of(out_));
        return std::move(out_);
    }

private:
    // Emits the longest copy found at t (extended backwards over pending
    // literals) and advances t past it.
    bool tryCopy(size_t& t) {
        const size_t n = tgt_.size();
        size_t bestLen = 0, bestFrom = 0;
        bool fromSource = false;
        auto consider = [&](size_t from, bool source) {
            const auto& base = source ? src_ : tgt_;
            const size_t limit = source ? std::min(src_.size() - from, n - t) : n - t;
            const size_t len = matchLength(&base[from], &tgt_[t], limit);
            if (len > bestLen) {
                bestLen = len;
                bestFrom = from;
                fromSource = source;
            }
        };
        if (t > 0 && tgt_[t] == tgt_[t - 1]) consider(t - 1, false);  // a run of one value
        if (t + 8 <= n) {
            const int64_t s = srcIndex_.get(srcIndex_.hash(&tgt_[t]));
            if (s >= 0) consider(static_cast<size_t>(s), true);
            const int64_t p = tgtIndex_.get(tgtIndex_.hash(&tgt_[t]));
            if (p >= 0 && static_cast<size_t>(p) < t) consider(static_cast<size_t>(p), false);
        }
        if (bestLen < kMinCopy) return false;
        const auto& base = fromSource ? src_ : tgt_;
        size_t start = t;
        while (literals_ > 0 && bestFrom > 0 && base[bestFrom - 1] == tgt_[start - 1]) {
            --bestFrom;
            --start;
            --literals_;
            ++bestLen;
        }
        flushLiterals(start);
        action(fromSource ? SourceCopy : TargetCopy, bestLen);
        int64_t& rel = fromSource ? srcRel_ : tgtRel_;
        putSigned(out_, static_cast<int64_t>(bestFrom) - rel);
        rel = static_cast<int64_t>(bestFrom + bestLen);
        indexTarget(start, start + bestLen, kTargetStep * 4);
        t = start + bestLen;
        return true;
    }

    void flushLiterals(size_t end) {
        if (literals_ == 0) return;
        action(TargetRead, literals_);
        out_.insert(out_.end(), tgt_.begin() + static_cast<ptrdiff_t>(literalStart_),
                    tgt_.begin() + static_cast<ptrdiff_t>(literalStart_ + literals_));
        indexTarget(literalStart_, end, 1);
        literals_ = 0;
    }

    void indexTarget(size_t from, size_t to, size_t step) {
        for (size_t p = from; p < to && p + 8 <= tgt_.size(); p += step) tgtIndex_.put(tgtIndex_.hash(&tgt_[p]), p);
    }

    void action(Action kind, size_t length) { putNumber(out_, (uint64_t{length} - 1) << 2 | kind); }

    std::span<const uint8_t> src_, tgt_;
    HashIndex srcIndex_, tgtIndex_;
    std::vector<uint8_t> out_;
    size_t literalStart_ = 0, literals_ = 0;
    int64_t srcRel_ = 0, tgtRel_ = 0;
};

// Reads the patch's numbers; every read is checked against `end_`.
class Reader {
public:
    Reader(std::span<const uint8_t> p, size_t end) : p_(p), end_(end) {}
    bool number(uint64_t& v) {
        v = 0;
        uint64_t shift = 1;
        for (int i = 0; i < 10; ++i) {
            if (pos_ >= end_) return false;
            const uint8_t x = p_[pos_++];
            v += (x & 0x7F) * shift;
            if (x & 0x80) return true;
            shift <<= 7;
            v += shift;
        }
        return false;
    }
    bool signedNumber(int64_t& v) {
        uint64_t u;
        if (!number(u) || (u >> 1) > uint64_t{INT64_MAX}) return false;
        v = (u & 1) ? -static_cast<int64_t>(u >> 1) : static_cast<int64_t>(u >> 1);
        return true;
    }
    bool skip(uint64_t n) {
        if (n > end_ - pos_) return false;
        pos_ += n;
        return true;
    }
    size_t pos() const { return pos_; }
    bool atEnd() const { return pos_ >= end_; }

private:
    std::span<const uint8_t> p_;
    size_t end_;
    size_t pos_ = 4;
};

}  // namespace

uint32_t crc32Of(std::span<const uint8_t> data) {
    return static_cast<uint32_t>(crc32_z(crc32_z(0, nullptr, 0), data.data(), data.size()));
}

bool looksLikeBps(std::span<const uint8_t> patch) {
    return patch.size() >= 4 && std::equal(std::begin(kMagic), std::end(kMagic), patch.begin());
}

std::vector<uint8_t> createBps(std::span<const uint8_t> source, std::span<const uint8_t> target) {
    return Encoder(source, target).run();
}

BpsApplyResult applyBps(std::span<const uint8_t> patch, std::span<const uint8_t> source) {
    BpsApplyResult r;
    if (!looksLikeBps(patch) || patch.size() < kBpsMinSize) {
        r.status = BpsApplyStatus::BadHeader;
        return r;
    }
    const size_t end = patch.size() - 12;
    if (crc32Of(patch.first(patch.size() - 4)) != le32(&patch[patch.size() - 4])) {
        r.status = BpsApplyStatus::PatchChecksum;
        return r;
    }
    r.expectedSourceCrc = le32(&patch[end]);
    const uint32_t targetCrc = le32(&patch[end + 4]);
    Reader in(patch, end);
    uint64_t sourceSize, targetSize, metaSize;
    if (!in.number(sourceSize) || !in.number(targetSize) || !in.number(metaSize) || !in.skip(metaSize)) {
        r.status = BpsApplyStatus::Malformed;
        return r;
    }
    r.expectedSourceSize = sourceSize;
    r.foundSourceCrc = crc32Of(source);
    if (sourceSize != source.size() || r.foundSourceCrc != r.expectedSourceCrc) {
        r.status = BpsApplyStatus::WrongSource;
        return r;
    }
    if (targetSize > kBpsMaxTarget) {
        r.status = BpsApplyStatus::TooLarge;
        return r;
    }
    // Appended to a reserved vector: no zero fill, no reallocation.
    std::vector<uint8_t> out;
    out.reserve(targetSize);
    int64_t srcRel = 0, tgtRel = 0;
    auto fail = [&] {
        r.status = BpsApplyStatus::Malformed;
        return r;
    };
    while (!in.atEnd()) {
        uint64_t data;
        if (!in.number(data)) return fail();
        const uint64_t at = out.size();
        const uint64_t len = (data >> 2) + 1;
        if (len > targetSize - at) return fail();
        switch (data & 3) {
        case SourceRead:
            if (at + len > sourceSize) return fail();
            out.insert(out.end(), &source[at], &source[at] + len);
            break;
        case TargetRead: {
            const size_t from = in.pos();
            if (!in.skip(len)) return fail();
            out.insert(out.end(), &patch[from], &patch[from] + len);
            break;
        }
        case SourceCopy: {
            int64_t off;
            if (!in.signedNumber(off)) return fail();
            if (__builtin_add_overflow(srcRel, off, &srcRel)) return fail();
            if (srcRel < 0 || static_cast<uint64_t>(srcRel) > sourceSize || len > sourceSize - srcRel) return fail();
            out.insert(out.end(), &source[srcRel], &source[srcRel] + len);
            srcRel += static_cast<int64_t>(len);
            break;
        }
        default: {  // TargetCopy: may overlap the bytes it writes
            int64_t off;
            if (!in.signedNumber(off)) return fail();
            if (__builtin_add_overflow(tgtRel, off, &tgtRel)) return fail();
            if (tgtRel < 0 || static_cast<uint64_t>(tgtRel) >= at) return fail();
            for (uint64_t i = 0; i < len; ++i) out.push_back(out[tgtRel + i]);
            tgtRel += static_cast<int64_t>(len);
        }
        }
    }
    if (out.size() != targetSize) return fail();
    if (crc32Of(out) != targetCrc) {
        r.status = BpsApplyStatus::TargetChecksum;
        return r;
    }
    r.target = std::move(out);
    return r;
}

}  // namespace hexedit::romtools
