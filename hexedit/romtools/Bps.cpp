#include "hexedit/romtools/Bps.h"
#include "hexedit/romtools/MatchLength.h"

#include <sys/mman.h>
#include <zlib.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "common/fileio.h"

namespace hexedit::romtools {

namespace {

constexpr uint8_t kMagic[4] = {'B', 'P', 'S', '1'};
enum Action : uint64_t { SourceRead = 0, TargetRead = 1, SourceCopy = 2, TargetCopy = 3 };

// Shorter agreements at the same offset cost more as actions than as literals.
constexpr size_t kMinRead = 4;
// Copies at least this long are taken as found; shorter ones, and the
// literals between them, are chosen by the cheapest parse of their stretch.
constexpr size_t kLongCopy = 64;
constexpr size_t kSourceStep = 4;  // source positions indexed, up to kIndexSlots of them
constexpr size_t kIndexSlots = size_t{1} << 23;
constexpr size_t kPass = size_t{64} << 20;  // bytes between two reports of a pass
constexpr size_t kTargetStep = 2;  // target positions indexed inside copies
constexpr size_t kStretch = 4096;  // longest stretch parsed at once
constexpr int kChainDepth = 32;    // earlier places of four bytes tried per position

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

// The last position of each eight bytes, by hash. A tag byte beside each
// slot tells most other bytes that share the slot apart without reading
// them: on mapped files a read of a stale position would fault its page in.
class HashIndex {
public:
    struct Key {
        uint32_t slot;
        uint8_t tag;
    };
    explicit HashIndex(size_t expected) {
        while ((size_t{1} << bits_) < kIndexSlots && (size_t{1} << bits_) < expected) ++bits_;
        slots_.assign(size_t{1} << bits_, 0);
        tags_.assign(size_t{1} << bits_, 0);
    }
    Key hash(const uint8_t* p) const {
        const uint64_t h = load64(p) * 0x9E3779B97F4A7C15ull;
        return {static_cast<uint32_t>(h >> (64 - bits_)), static_cast<uint8_t>(h >> 24)};
    }
    void put(Key k, size_t pos) {
        slots_[k.slot] = static_cast<uint32_t>(pos + 1);
        tags_[k.slot] = k.tag;
    }
    // The last position stored under k, or -1.
    int64_t get(Key k) const { return tags_[k.slot] == k.tag ? int64_t{slots_[k.slot]} - 1 : -1; }
    void prefetch(Key k) const {
        __builtin_prefetch(&tags_[k.slot]);
        __builtin_prefetch(&slots_[k.slot]);
    }

private:
    unsigned bits_ = 10;
    std::vector<uint32_t> slots_;
    std::vector<uint8_t> tags_;
};

// Target positions of parsed stretches, by their first four bytes, in
// chains over a window of recent output: new text repeats its own words,
// which the eight-byte indexes are too coarse to find. A second table keeps
// the latest position of each four bytes per stretch of 2 KiB, so that a
// copy can come from near the previous one, whose offset takes a byte less.
class ShortIndex {
public:
    // 128 KiB: the chains stay in the processor's cache; a window twice as
    // long saves 0.2% on new text and takes twice the time.
    static constexpr size_t kWindow = size_t{1} << 17;

    ShortIndex() : head_(size_t{1} << kBits, 0), prev_(kWindow, 0), near_(size_t{1} << kNearBits, 0) {}

    void put(const uint8_t* base, size_t pos) {
        const uint32_t v = load32(base + pos), h = hash(v);
        prev_[pos & (kWindow - 1)] = head_[h];
        head_[h] = static_cast<uint32_t>(pos + 1);
        // The bytes themselves beside the position: a slot shared by other
        // bytes is told apart without reading the target.
        near_[nearSlot(h, pos >> kStretchBits)] = uint64_t{v} << 32 | (pos + 1);
    }

    // Calls visit(c) for earlier positions c within the window that may
    // share the four bytes at t (t + 4 <= size): the latest `depth` of its
    // chain, then the latest ones in the stretches around `near`, where a
    // copy's offset is cheap.
    template <class Visit>
    void visit(const uint8_t* base, size_t t, size_t near, int depth, const Visit& visit) const {
        const uint32_t v = load32(base + t), h = hash(v);
        uint32_t next = head_[h];
        for (int k = 0; next != 0 && k < depth; ++k) {
            const size_t c = next - 1;
            if (c >= t || t - c >= kWindow) break;
            visit(c);
            next = prev_[c & (kWindow - 1)];
        }
        const size_t stretch = near >> kStretchBits;
        for (size_t k = stretch < kNearBefore ? 0 : stretch - kNearBefore; k <= stretch + kNearAfter; ++k) {
            const uint64_t e = near_[nearSlot(h, k)];
            const size_t c = static_cast<uint32_t>(e);
            if (e >> 32 == v && c != 0 && c - 1 < t && t - (c - 1) < kWindow) visit(c - 1);
        }
    }

private:
    static constexpr unsigned kBits = 16, kNearBits = 16, kStretchBits = 11;
    static constexpr size_t kNearBefore = 2, kNearAfter = 1;
    static size_t nearSlot(uint32_t h, size_t stretch) {
        return ((h ^ static_cast<uint32_t>(stretch) * 0x9E3779B1u) * 0x85EBCA6Bu) >> (32 - kNearBits);
    }
    static uint32_t load32(const uint8_t* p) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    static uint32_t hash(uint32_t v) { return (v * 0x9E3779B1u) >> (32 - kBits); }
    std::vector<uint32_t> head_, prev_;
    std::vector<uint64_t> near_;
};

size_t numberSize(uint64_t v) {
    size_t n = 1;
    while (v >= 0x80) {
        v = (v >> 7) - 1;
        ++n;
    }
    return n;
}

// numberSize of an offset, capped at five bytes, without a loop.
size_t offsetPrice(uint64_t v) {
    return 1 + (v >= 0x80) + (v >= 0x4080) + (v >= 0x204080) + (v >= 0x10204080);
}

// Sources up to this size are indexed all along, every few bytes.
constexpr size_t kDenseIndex = size_t{256} << 20;
// Larger ones (disc images) only in the first page of every 64 KiB: the
// index then touches a sixteenth of the source's pages, and finds blocks
// moved whole, which there are files of many pages.
constexpr size_t kSampleStretch = size_t{64} << 10, kSamplePage = 4096;

// The source positions indexed are this far apart (within a sampled page
// for a large source), so that the index stays within kIndexSlots.
size_t sourceStep(size_t size) {
    const size_t indexed = size <= kDenseIndex ? size : size / (kSampleStretch / kSamplePage);
    size_t step = kSourceStep;
    while (indexed / step > kIndexSlots) step *= 2;
    return step;
}

class Encoder {
public:
    Encoder(std::span<const uint8_t> source, std::span<const uint8_t> target, const PassedFn& passed)
        : src_(source), tgt_(target), passed_(passed), srcStep_(sourceStep(source.size())),
          srcIndex_(source.size() / srcStep_), tgtIndex_(target.size() / 64) {}

    // Both inputs are read in passes of kPass bytes, each told to passed_
    // when done: the index over the source, then source and target side by
    // side, their CRC32s taken as they go.
    std::vector<uint8_t> run() {
        out_.reserve(1024 + tgt_.size() / 32);
        out_.insert(out_.end(), std::begin(kMagic), std::end(kMagic));
        putNumber(out_, src_.size());
        putNumber(out_, tgt_.size());
        putNumber(out_, 0);  // no metadata
        const size_t span = src_.size() <= kDenseIndex ? src_.size() : kSamplePage;
        const size_t stride = src_.size() <= kDenseIndex ? src_.size() : kSampleStretch;
        for (size_t base = 0; base < src_.size(); base += stride) {
            for (size_t s = base; s < base + span && s + 8 <= src_.size(); s += srcStep_)
                srcIndex_.put(srcIndex_.hash(&src_[s]), s);
            if (passed_ && base % kPass == 0 && base > 0) passed_(base, 0);
        }

        const size_t n = tgt_.size();
        size_t t = 0;
        while (t < n) {
            if (t >= checkpoint_) checkpoint(t);
            if (const size_t len = readAt(t)) {
                flushLiterals();
                pendingRead_ += len;
                t += len;
                continue;
            }
            if (!tryCopy(t)) t = parse(t);
        }
        flushLiterals();
        flushRead();
        for (size_t at = crcDone_; at < std::max(src_.size(), n);) checkpoint(at = std::min(at + kPass, std::max(src_.size(), n)));
        putLe32(out_, srcCrc_);
        putLe32(out_, tgtCrc_);
        putLe32(out_, crc32Of(out_));
        return std::move(out_);
    }

private:
    // The length of the source read that starts at t, or 0 where the target
    // agrees with the source too briefly for one. A read cut by the
    // checkpoint or the end is taken whatever its length: it goes on after
    // the checkpoint as one action.
    size_t readAt(size_t t) const {
        const size_t bound = std::min(tgt_.size(), checkpoint_), limit = std::min(src_.size(), bound);
        if (t >= limit) return 0;
        const size_t len = matchLength(&src_[t], &tgt_[t], limit - t);
        return len >= kMinRead || (len > 0 && t + len == bound) ? len : 0;
    }

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
        if (bestLen < kLongCopy) return false;
        emitCopy(t, bestFrom, bestLen, fromSource);
        return true;
    }

    // Where the target agrees with neither input for long, the actions are
    // chosen by the cheapest parse of the stretch from t: every position is
    // reached by a literal or by a copy of any length up to the longest
    // found from each price of offset, keeping the cheapest arrival with its
    // copy offsets (the next copy's offset is relative to them). The stretch
    // ends where a source read or a long copy starts, or after kStretch
    // bytes. Emits the cheapest road and answers its end.
    size_t parse(size_t t) {
        const size_t n = tgt_.size(), cap = std::min({n, checkpoint_, t + kStretch});
        arrivals_.resize(kStretch + kLongCopy + 1);
        arrivals_[0] = {0, static_cast<uint32_t>(literals_), tgtRel_, srcRel_, 0, 0, Arrival::Start};
        size_t reached = 0;  // arrivals_ set up to here
        size_t e = t;
        for (;; ++e) {
            if (e == cap) break;
            if (e > t && readAt(e) > 0) break;
            const Arrival here = arrivals_[e - t];

            // The longest copy for each price of its offset.
            struct Best {
                size_t len = 2, from = 0;
                bool source = false;
            } best[kOffsetPrices];
            size_t longest = 0;
            const size_t limit = std::min(n - e, kLongCopy);
            auto consider = [&](const uint8_t* base, size_t from, int64_t rel, size_t limit, bool source) {
                Best& b = best[offsetPrice(static_cast<uint64_t>(rel < 0 ? -rel : rel) << 1) - 1];
                // Longer than the best of its price only if it agrees at that length.
                if (b.len >= limit || base[from + b.len] != tgt_[e + b.len]) return;
                const size_t len = matchLength(base + from, &tgt_[e], limit);
                if (len > b.len) b = {len, from, source};
                longest = std::max(longest, len);
            };
            auto fromTarget = [&](size_t c) { consider(tgt_.data(), c, static_cast<int64_t>(c) - here.tgtRel, limit, false); };
            auto fromSource = [&](size_t c) {
                consider(src_.data(), c, static_cast<int64_t>(c) - here.srcRel, std::min(limit, src_.size() - c), true);
            };
            if (static_cast<size_t>(here.tgtRel) < e) fromTarget(static_cast<size_t>(here.tgtRel));
            if (static_cast<size_t>(here.srcRel) < src_.size()) fromSource(static_cast<size_t>(here.srcRel));
            if (e > 0 && tgt_[e] == tgt_[e - 1]) fromTarget(e - 1);
            // Index slots are far apart in memory: ask for the ones of a
            // later position while this one is worked on.
            if (e + kAhead + 8 <= n) {
                srcIndex_.prefetch(srcIndex_.hash(&tgt_[e + kAhead]));
                tgtIndex_.prefetch(tgtIndex_.hash(&tgt_[e + kAhead]));
            }
            if (e + 8 <= n) {
                const int64_t s = srcIndex_.get(srcIndex_.hash(&tgt_[e]));
                if (s >= 0) fromSource(static_cast<size_t>(s));
                const int64_t p = tgtIndex_.get(tgtIndex_.hash(&tgt_[e]));
                if (p >= 0 && static_cast<size_t>(p) < e) fromTarget(static_cast<size_t>(p));
            }
            // Every position of the stretch is indexed: later positions find
            // the words of new text in it. A position inside a copy that
            // matched further than here starts a better copy seldom, so it
            // skips the chains.
            if (e + 4 <= n) {
                if (!here.cut) short_.visit(tgt_.data(), e, static_cast<size_t>(here.tgtRel), kChainDepth, fromTarget);
                short_.put(tgt_.data(), e);
            }
            if (e + 8 <= n) tgtIndex_.put(tgtIndex_.hash(&tgt_[e]), e);
            if (e > t && longest >= kLongCopy) break;

            auto arrive = [&](size_t at, const Arrival& a) {
                for (; reached < at; ++reached) arrivals_[reached + 1].cost = UINT32_MAX;
                // Of two as cheap, the one whose copies came from later text:
                // the next copy's offset from it is likely shorter.
                const Arrival& now = arrivals_[at];
                if (a.cost < now.cost || (a.cost == now.cost && a.tgtRel > now.tgtRel)) arrivals_[at] = a;
            };
            const uint32_t run = here.literals;
            const size_t header = numberSize(uint64_t{run} << 2) - (run == 0 ? 0 : numberSize(uint64_t{run - 1} << 2));
            arrive(e + 1 - t, {static_cast<uint32_t>(here.cost + 1 + header), run + 1, here.tgtRel, here.srcRel, 0, 1, Arrival::Literal});
            size_t covered = 2;
            for (size_t price = 1; price <= kOffsetPrices; ++price) {
                const Best& b = best[price - 1];
                for (size_t len = covered + 1; len <= b.len; ++len) {
                    const int64_t end = static_cast<int64_t>(b.from + len);
                    arrive(e + len - t, {static_cast<uint32_t>(here.cost + numberSize(uint64_t{len - 1} << 2) + price), 0,
                                         b.source ? here.tgtRel : end, b.source ? end : here.srcRel, b.from,
                                         static_cast<uint32_t>(len), b.source ? Arrival::SourceCopy : Arrival::TargetCopy, len < b.len});
                }
                covered = std::max(covered, b.len);
            }
        }
        // The road back from e, then its actions in order.
        road_.clear();
        for (size_t at = e - t; at > 0; at -= arrivals_[at].length) road_.push_back(at);
        for (auto it = road_.rbegin(); it != road_.rend(); ++it) {
            const Arrival& a = arrivals_[*it];
            const size_t start = t + *it - a.length;
            if (a.kind == Arrival::Literal) {
                if (literals_ == 0) literalStart_ = start;
                ++literals_;
                continue;
            }
            putCopy(a.kind == Arrival::SourceCopy, a.from, a.length);
        }
        return e;
    }

    // Emits a copy of `bestLen` bytes from `bestFrom` for the target at t,
    // extended backwards over pending literals, and advances t past it.
    void emitCopy(size_t& t, size_t bestFrom, size_t bestLen, bool fromSource) {
        const auto& base = fromSource ? src_ : tgt_;
        size_t start = t;
        while (literals_ > 0 && bestFrom > 0 && base[bestFrom - 1] == tgt_[start - 1]) {
            --bestFrom;
            --start;
            --literals_;
            ++bestLen;
        }
        putCopy(fromSource, bestFrom, bestLen);
        indexTarget(start, start + bestLen, kTargetStep * 4);
        t = start + bestLen;
    }

    // The pending literals, then a copy of `length` bytes from `from`, its
    // offset counted from the end of the last copy from the same input.
    void putCopy(bool fromSource, size_t from, size_t length) {
        flushLiterals();
        action(fromSource ? SourceCopy : TargetCopy, length);
        int64_t& rel = fromSource ? srcRel_ : tgtRel_;
        putSigned(out_, static_cast<int64_t>(from) - rel);
        rel = static_cast<int64_t>(from + length);
    }

    // Literals come only from parsed stretches, whose positions are indexed.
    void flushLiterals() {
        if (literals_ == 0) return;
        action(TargetRead, literals_);
        out_.insert(out_.end(), tgt_.begin() + static_cast<ptrdiff_t>(literalStart_),
                    tgt_.begin() + static_cast<ptrdiff_t>(literalStart_ + literals_));
        literals_ = 0;
    }

    void indexTarget(size_t from, size_t to, size_t step) {
        for (size_t p = from; p < to && p + 8 <= tgt_.size(); p += step) tgtIndex_.put(tgtIndex_.hash(&tgt_[p]), p);
    }

    void action(Action kind, size_t length) {
        flushRead();
        putNumber(out_, (uint64_t{length} - 1) << 2 | kind);
    }

    void flushRead() {
        if (pendingRead_ == 0) return;
        putNumber(out_, (uint64_t{pendingRead_} - 1) << 2 | SourceRead);
        pendingRead_ = 0;
    }

    // Takes the CRC32s of both inputs up to `at`, and tells the caller that
    // what lies a pass behind is done with.
    void checkpoint(size_t at) {
        auto upTo = [at](std::span<const uint8_t> b, size_t from) { return b.subspan(std::min(from, b.size()), std::min(at, b.size()) - std::min(from, b.size())); };
        srcCrc_ = crc32Update(srcCrc_, upTo(src_, crcDone_));
        tgtCrc_ = crc32Update(tgtCrc_, upTo(tgt_, crcDone_));
        crcDone_ = at;
        checkpoint_ = at + kPass;
        if (passed_ && at > kPass) passed_(at - kPass, at - kPass);
    }

    std::span<const uint8_t> src_, tgt_;
    const PassedFn& passed_;
    size_t srcStep_;
    HashIndex srcIndex_, tgtIndex_;
    ShortIndex short_;
    // The cheapest known arrival at each position of the stretch parsed.
    struct Arrival {
        enum Kind : uint8_t { Start, Literal, TargetCopy, SourceCopy };
        uint32_t cost, literals;  // patch bytes since the stretch began; literals pending
        int64_t tgtRel, srcRel;   // the offsets the next copies count from
        size_t from;
        uint32_t length;
        Kind kind;
        bool cut = false;  // reached by a copy shorter than its match
    };
    static constexpr size_t kOffsetPrices = 5, kAhead = 8;
    std::vector<Arrival> arrivals_;
    std::vector<size_t> road_;
    std::vector<uint8_t> out_;
    size_t literalStart_ = 0, literals_ = 0;
    int64_t srcRel_ = 0, tgtRel_ = 0;
    size_t pendingRead_ = 0;  // source read not yet written
    size_t crcDone_ = 0, checkpoint_ = 0;
    uint32_t srcCrc_ = 0, tgtCrc_ = 0;
};

// Reads the patch's numbers; every read is checked against `end_`.
class Reader {
public:
    Reader(std::span<const uint8_t> p, size_t end, size_t pos = 4) : p_(p), end_(end), pos_(pos) {}
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
    size_t pos_;
};

}  // namespace

#if defined(__x86_64__)
namespace {

// CRC32 by carry-less multiplication: four 128-bit lanes fold 64 bytes at a
// time, then one lane, then a Barrett reduction to 32 bits. The constants
// are powers of x modulo the CRC32 polynomial (bit-reflected).
#define CLMUL_TARGET __attribute__((target("pclmul,sse4.1")))

CLMUL_TARGET inline __m128i foldLane(__m128i x, __m128i k, __m128i next) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), next);
}

// The raw (not inverted) CRC state after n bytes, n >= 64 and a multiple of 16.
CLMUL_TARGET uint32_t clmulCrc(uint32_t state, const uint8_t* p, size_t n) {
    auto load = [](const uint8_t* q) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q)); };
    __m128i x0 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(state)));
    __m128i x1 = load(p + 16), x2 = load(p + 32), x3 = load(p + 48);
    p += 64;
    n -= 64;
    const __m128i by512 = _mm_set_epi64x(0x1c6e41596, 0x154442bd4);
    const __m128i by128 = _mm_set_epi64x(0x0ccaa009e, 0x1751997d0);
    for (; n >= 64; p += 64, n -= 64) {
        x0 = foldLane(x0, by512, load(p));
        x1 = foldLane(x1, by512, load(p + 16));
        x2 = foldLane(x2, by512, load(p + 32));
        x3 = foldLane(x3, by512, load(p + 48));
    }
    x0 = foldLane(foldLane(foldLane(x0, by128, x1), by128, x2), by128, x3);
    for (; n >= 16; p += 16, n -= 16) x0 = foldLane(x0, by128, load(p));
    const __m128i low32 = _mm_set_epi32(0, 0, 0, -1);
    __m128i x = _mm_xor_si128(_mm_clmulepi64_si128(x0, by128, 0x10), _mm_srli_si128(x0, 8));
    x = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x, low32), _mm_set_epi64x(0, 0x163cd6124), 0x00),
                      _mm_srli_si128(x, 4));
    const __m128i polyMu = _mm_set_epi64x(0x1F7011641, 0x1DB710641);
    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x, low32), polyMu, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), polyMu, 0x00);
    return static_cast<uint32_t>(_mm_extract_epi32(_mm_xor_si128(x, t), 1));
}

const bool kHaveClmul = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");

}  // namespace
#endif

uint32_t crc32Update(uint32_t crc, std::span<const uint8_t> data) {
    const uint8_t* p = data.data();
    size_t n = data.size();
#if defined(__x86_64__)
    if (kHaveClmul && n >= 64) {
        const size_t whole = n & ~size_t{15};
        crc = ~clmulCrc(~crc, p, whole);
        p += whole;
        n -= whole;
    }
#endif
    return static_cast<uint32_t>(crc32_z(crc, p, n));
}

uint32_t crc32Of(std::span<const uint8_t> data) { return crc32Update(0, data); }

bool looksLikeBps(std::span<const uint8_t> patch) {
    return patch.size() >= 4 && std::equal(std::begin(kMagic), std::end(kMagic), patch.begin());
}

std::vector<uint8_t> createBps(std::span<const uint8_t> source, std::span<const uint8_t> target, const PassedFn& passed) {
    return Encoder(source, target, passed).run();
}

namespace {

// Walks the actions of a patch whose header was read, checking every bound
// against the declared sizes, and hands each piece of the target to the
// sink in order: from the source, from the patch or from the target written
// so far. False when an action reaches outside or the sizes do not add up.
template <class Sink>
bool walkActions(Reader& in, uint64_t sourceSize, uint64_t targetSize, Sink& sink) {
    uint64_t at = 0;
    int64_t srcRel = 0, tgtRel = 0;
    while (!in.atEnd()) {
        uint64_t data;
        if (!in.number(data)) return false;
        const uint64_t len = (data >> 2) + 1;
        if (len > targetSize - at) return false;
        switch (data & 3) {
        case SourceRead:
            if (at + len > sourceSize) return false;
            sink.fromSource(at, len);
            break;
        case TargetRead: {
            const size_t from = in.pos();
            if (!in.skip(len)) return false;
            sink.fromPatch(from, len);
            break;
        }
        default: {
            int64_t off;
            int64_t& rel = (data & 3) == SourceCopy ? srcRel : tgtRel;
            if (!in.signedNumber(off) || __builtin_add_overflow(rel, off, &rel) || rel < 0) return false;
            const auto from = static_cast<uint64_t>(rel);
            if ((data & 3) == SourceCopy) {
                if (from > sourceSize || len > sourceSize - from) return false;
                sink.fromSource(from, len);
            } else {
                if (from >= at) return false;  // may overlap the bytes it writes
                sink.fromTarget(from, len);
            }
            rel += static_cast<int64_t>(len);
        }
        }
        at += len;
    }
    return at == targetSize;
}

struct NoSink {
    void fromSource(uint64_t, uint64_t) {}
    void fromPatch(size_t, uint64_t) {}
    void fromTarget(uint64_t, uint64_t) {}
};

// Appends to a vector whose capacity holds the whole target, taking the
// CRC32 of each block written while it is still in the cache.
struct VectorSink {
    static constexpr size_t kCrcBlock = size_t{1} << 16;
    std::span<const uint8_t> patch, source;
    std::vector<uint8_t>& out;
    uint32_t crc = 0;
    size_t crcDone = 0;

    void fromSource(uint64_t from, uint64_t len) { append(&source[from], len); }
    void fromPatch(size_t from, uint64_t len) { append(&patch[from], len); }
    void fromTarget(uint64_t from, uint64_t len) {
        const size_t at = out.size();
        out.resize(at + len);
        copyWithin(out.data(), from, at, len);
        checksum(false);
    }
    void append(const uint8_t* p, uint64_t len) {
        out.insert(out.end(), p, p + len);
        checksum(false);
    }
    uint32_t finish() {
        checksum(true);
        return crc;
    }
    void checksum(bool all) {
        if (!all && out.size() - crcDone < kCrcBlock) return;
        crc = crc32Update(crc, std::span(out).subspan(crcDone));
        crcDone = out.size();
    }
};

}  // namespace

void copyWithin(uint8_t* target, uint64_t from, uint64_t at, uint64_t len) {
    // Copying byte by byte repeats the last at - from bytes: copy them in
    // pieces of that distance, which doubles as it goes.
    while (len > 0) {
        const uint64_t n = std::min(len, at - from);
        std::memcpy(target + at, target + from, n);
        at += n;
        len -= n;
    }
}

namespace {

// New memory costs a page fault per page touched: large targets ask for
// 2 MiB pages, where the system grants them on request.
void preferLargePages(uint8_t* p, size_t n) {
    constexpr uintptr_t kLarge = uintptr_t{2} << 20;
    if (n < 4 * kLarge) return;
    const uintptr_t from = (reinterpret_cast<uintptr_t>(p) + kLarge - 1) & ~(kLarge - 1);
    const uintptr_t to = (reinterpret_cast<uintptr_t>(p) + n) & ~(kLarge - 1);
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

}  // namespace

bool bpsKeepsSource(std::span<const uint8_t> patch) {
    const BpsHeader h = readBpsHeader(patch);
    if (h.status != BpsApplyStatus::Ok || h.sourceSize != h.targetSize) return false;
    if (h.targetSize == 0) return true;
    Reader in(patch, patch.size() - 12, h.actionsAt);
    uint64_t action = 0;
    return in.number(action) && action == ((h.targetSize - 1) << 2 | SourceRead) && in.atEnd();
}

BpsHeader readBpsHeader(std::span<const uint8_t> patch) {
    BpsHeader h;
    if (!looksLikeBps(patch) || patch.size() < kBpsMinSize) {
        h.status = BpsApplyStatus::BadHeader;
        return h;
    }
    const size_t end = patch.size() - 12;
    if (crc32Of(patch.first(patch.size() - 4)) != le32(&patch[patch.size() - 4])) {
        h.status = BpsApplyStatus::PatchChecksum;
        return h;
    }
    h.sourceCrc = le32(&patch[end]);
    h.targetCrc = le32(&patch[end + 4]);
    Reader in(patch, end);
    uint64_t metaSize;
    if (!in.number(h.sourceSize) || !in.number(h.targetSize) || !in.number(metaSize) || !in.skip(metaSize)) {
        h.status = BpsApplyStatus::Malformed;
        return h;
    }
    h.actionsAt = in.pos();
    // Checked before anything is allocated or written: the size, then every
    // action against the declared sizes.
    if (h.targetSize > kBpsMaxTarget) {
        h.status = BpsApplyStatus::TooLarge;
        return h;
    }
    Reader walk(patch, end, h.actionsAt);
    NoSink none;
    if (!walkActions(walk, h.sourceSize, h.targetSize, none)) h.status = BpsApplyStatus::Malformed;
    return h;
}

namespace {

// Writes the target to a file through a bounded buffer, reading the source
// file where the actions point and earlier target bytes back from the
// buffer or the file; takes the target's CRC32 as each buffer is written.
struct FileSink {
    static constexpr size_t kBounce = size_t{1} << 16;
    std::span<const uint8_t> patch;
    int source, out;
    std::vector<uint8_t> buf = std::vector<uint8_t>(common::kCopyChunk);
    std::vector<uint8_t> bounce = std::vector<uint8_t>(kBounce);
    size_t used = 0;
    uint64_t flushed = 0;
    uint32_t crc = 0;

    static void check(bool ok) {
        if (!ok) throw std::runtime_error("cannot read or write a file while patching");
    }
    void flush() {
        crc = crc32Update(crc, std::span(buf).first(used));
        check(common::writeAll(out, buf.data(), used));
        flushed += used;
        used = 0;
    }
    void append(const uint8_t* p, uint64_t n) {
        while (n > 0) {
            if (used == buf.size()) flush();
            const size_t k = static_cast<size_t>(std::min<uint64_t>(n, buf.size() - used));
            std::memcpy(&buf[used], p, k);
            used += k;
            p += k;
            n -= k;
        }
    }
    void fromPatch(size_t from, uint64_t len) { append(&patch[from], len); }
    // Source bytes come through a window read ahead, so that the many short
    // reads of a patch with scattered changes cost one read per window.
    std::vector<uint8_t> window = std::vector<uint8_t>(common::kCopyChunk);
    uint64_t windowAt = 0, sourceSize = 0;
    size_t windowLength = 0;
    void fromSource(uint64_t from, uint64_t len) {
        while (len > 0) {
            if (from < windowAt || from >= windowAt + windowLength) {
                windowAt = from;
                windowLength = static_cast<size_t>(std::min<uint64_t>(window.size(), sourceSize - from));
                check(common::readAt(source, window.data(), windowLength, from));
            }
            const size_t k = static_cast<size_t>(std::min<uint64_t>(len, windowAt + windowLength - from));
            append(&window[from - windowAt], k);
            from += k;
            len -= k;
        }
    }
    // Target bytes [pos, pos + n) already written.
    void readTarget(uint64_t pos, uint8_t* dst, size_t n) {
        if (pos < flushed) {
            const size_t k = static_cast<size_t>(std::min<uint64_t>(n, flushed - pos));
            check(common::readAt(out, dst, k, pos));
            dst += k;
            pos += k;
            n -= k;
        }
        if (n > 0) std::memcpy(dst, &buf[pos - flushed], n);
    }
    void fromTarget(uint64_t from, uint64_t len) {
        const uint64_t distance = flushed + used - from;
        if (distance >= kBounce) {
            for (; len > 0;) {
                const size_t k = static_cast<size_t>(std::min<uint64_t>(len, kBounce));
                readTarget(from, bounce.data(), k);
                append(bounce.data(), k);
                from += k;
                len -= k;
            }
            return;
        }
        // The last `distance` bytes repeat: fill the bounce buffer with whole
        // periods and write it as often as needed.
        const size_t period = static_cast<size_t>(distance);
        const size_t want = static_cast<size_t>(std::min<uint64_t>(len, kBounce / period * period));
        readTarget(from, bounce.data(), std::min(period, want));
        for (size_t filled = period; filled < want;) {
            const size_t k = std::min(filled, want - filled);
            std::memcpy(&bounce[filled], bounce.data(), k);
            filled += k;
        }
        for (; len > 0;) {
            const size_t k = static_cast<size_t>(std::min<uint64_t>(len, want));
            append(bounce.data(), k);
            len -= k;
        }
    }
};

}  // namespace

namespace {

// Fills in the refusal of a patch by its header and the source, if any:
// a patch for another file is named as such before its actions are judged.
bool refused(const BpsHeader& h, uint64_t sourceSize, const std::function<uint32_t()>& sourceCrc, BpsApplyResult& r) {
    r.expectedSourceCrc = h.sourceCrc;
    r.expectedSourceSize = h.sourceSize;
    r.status = h.status;
    if (h.status == BpsApplyStatus::BadHeader || h.status == BpsApplyStatus::PatchChecksum) return true;
    if (h.actionsAt != 0) {
        r.foundSourceCrc = sourceCrc();
        if (h.sourceSize != sourceSize || r.foundSourceCrc != h.sourceCrc) {
            r.status = BpsApplyStatus::WrongSource;
            return true;
        }
    }
    return h.status != BpsApplyStatus::Ok;
}

}  // namespace

BpsApplyResult applyBpsToFile(std::span<const uint8_t> patch, int source, uint64_t sourceSize, int out) {
    BpsApplyResult r;
    const BpsHeader h = readBpsHeader(patch);
    const auto sourceCrc = [&] {
        uint32_t crc = 0;
        std::vector<uint8_t> chunk(common::kCopyChunk);
        for (uint64_t at = 0; at < sourceSize;) {
            const size_t k = static_cast<size_t>(std::min<uint64_t>(sourceSize - at, chunk.size()));
            FileSink::check(common::readAt(source, chunk.data(), k, at));
            crc = crc32Update(crc, std::span(chunk).first(k));
            at += k;
        }
        return crc;
    };
    if (refused(h, sourceSize, sourceCrc, r)) return r;
    Reader in(patch, patch.size() - 12, h.actionsAt);
    FileSink sink{patch, source, out};
    sink.sourceSize = sourceSize;
    walkActions(in, h.sourceSize, h.targetSize, sink);
    sink.flush();
    if (sink.crc != h.targetCrc) r.status = BpsApplyStatus::TargetChecksum;
    return r;
}

BpsApplyResult applyBps(std::span<const uint8_t> patch, std::span<const uint8_t> source) {
    std::vector<uint8_t> out;
    BpsApplyResult r = applyBps(patch, source, out);
    if (r.status == BpsApplyStatus::Ok) r.target = std::move(out);
    return r;
}

BpsApplyResult applyBps(std::span<const uint8_t> patch, std::span<const uint8_t> source, std::vector<uint8_t>& out) {
    BpsApplyResult r;
    out.clear();
    const BpsHeader h = readBpsHeader(patch);
    if (refused(h, source.size(), [source] { return crc32Of(source); }, r)) return r;
    out.reserve(h.targetSize);  // appended without zero fill or reallocation
    preferLargePages(out.data(), out.capacity());
    Reader in(patch, patch.size() - 12, h.actionsAt);
    VectorSink sink{patch, source, out};
    walkActions(in, h.sourceSize, h.targetSize, sink);
    if (sink.finish() != h.targetCrc) {
        r.status = BpsApplyStatus::TargetChecksum;
        out.clear();
    }
    return r;
}

}  // namespace hexedit::romtools
