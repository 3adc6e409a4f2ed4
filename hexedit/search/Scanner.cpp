#include "hexedit/search/Scanner.h"

#include <atomic>
#include <cstring>
#include <utility>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define HEXEDIT_SEARCH_X86 1
#endif

namespace hexedit::search {

namespace {

// Bytes that fill zero tails, padding and blank text: poor anchors.
bool commonByte(uint8_t b) { return b == 0x00 || b == 0xFF || b == 0x20; }

std::atomic<VectorWidth> widthLimit{VectorWidth::Widest};

#ifdef HEXEDIT_SEARCH_X86
bool haveAvx2() {
    static const bool yes = __builtin_cpu_supports("avx2");
    return yes && widthLimit.load(std::memory_order_relaxed) != VectorWidth::Bytes16;
}

// 64-byte vectors with byte permutes across two of them.
bool haveVbmi() {
    static const bool yes = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("avx512f") &&
                            __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");
    return yes && widthLimit.load(std::memory_order_relaxed) == VectorWidth::Widest;
}
#endif

}  // namespace

void limitVectorWidth(VectorWidth width) { widthLimit.store(width, std::memory_order_relaxed); }

// The vectorised loops. Each returns the first candidate at or after `o` that
// passes the anchor filter and the exact check, or the first offset it did
// not examine (> last - width + 1) so the caller finishes with the scalar loop.
struct MatcherKernels {
#ifdef HEXEDIT_SEARCH_X86
    // A matcher's anchors as the AVX2 loops compare them.
    struct Anchors256 {
        __m256i va, vb, oa, ob;
        const uint8_t *pa, *pb;  // where offset 0's anchor bytes are

        __attribute__((target("avx2"))) Anchors256(const Matcher& m, const uint8_t* base)
            : va(_mm256_set1_epi8(static_cast<char>(m.valueA_))),
              vb(_mm256_set1_epi8(static_cast<char>(m.valueB_))),
              oa(_mm256_set1_epi8(static_cast<char>(m.orA_))),
              ob(_mm256_set1_epi8(static_cast<char>(m.orB_))),
              pa(base + m.anchorA_),
              pb(base + m.anchorB_) {}

        // Candidates among the 32 offsets from `o`: bit i when both anchors
        // match. Without case folding the anchors are compared as they are.
        template <bool Fold = true>
        __attribute__((target("avx2"))) uint32_t bits(size_t o) const {
            __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pa + o));
            __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pb + o));
            if constexpr (Fold) {
                a = _mm256_or_si256(a, oa);
                b = _mm256_or_si256(b, ob);
            }
            return static_cast<uint32_t>(
                _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a, va), _mm256_cmpeq_epi8(b, vb))));
        }
    };

    // The first 64 offsets from `o` on (o + 64 k) with a candidate: their
    // offset, with `bits` set; or the first offset not looked at, with
    // `bits` 0. No call is made in here, so that the anchors stay in
    // registers rather than being reloaded from the stack every 64 bytes,
    // and `bits` is written once at the end, so that no store in the loop
    // makes the compiler read `m` again.
    template <bool Fold>
    __attribute__((target("avx2"), noinline)) static size_t skipAvx2(const Matcher& m, const uint8_t* base, size_t o,
                                                                     size_t last, uint64_t& bits) {
        const Anchors256 an(m, base);
        uint64_t b = 0;
        for (; o + 63 <= last; o += 64) {
            b = an.bits<Fold>(o) | uint64_t{an.bits<Fold>(o + 32)} << 32;
            if (b) break;
        }
        bits = b;
        return o;
    }

    static inline bool matchAmong(const Matcher& m, const uint8_t* base, size_t o, uint64_t bits, size_t& at) {
        for (; bits; bits &= bits - 1) {
            const size_t c = o + static_cast<size_t>(__builtin_ctzll(bits));
            if (m.matchesAt(base + c)) {
                at = c;
                return true;
            }
        }
        return false;
    }

    // After one unaligned block, the first anchor's loads are whole cache
    // lines: a scan costs the same wherever the buffer starts (offsets the
    // first block covered are looked at again, which changes nothing).
    __attribute__((target("avx2"))) static size_t findAvx2(const Matcher& m, const uint8_t* base, size_t o,
                                                             size_t last, bool& found) {
        const Anchors256 an(m, base);
        size_t at = 0;
        found = false;
        if (o + 31 > last) return o;
        if (matchAmong(m, base, o, an.bits(o), at)) {
            found = true;
            return at;
        }
        o += 32 - (reinterpret_cast<uintptr_t>(an.pa + o) & 31);
        const bool fold = (m.orA_ | m.orB_) != 0;
        for (uint64_t bits;; o += 64) {
            o = fold ? skipAvx2<true>(m, base, o, last, bits) : skipAvx2<false>(m, base, o, last, bits);
            if (!bits) break;
            if (matchAmong(m, base, o, bits, at)) {
                found = true;
                return at;
            }
        }
        for (; o + 31 <= last; o += 32)
            if (matchAmong(m, base, o, an.bits(o), at)) {
                found = true;
                return at;
            }
        return o;
    }

    static size_t findSse2(const Matcher& m, const uint8_t* base, size_t o, size_t last, bool& found) {
        const __m128i va = _mm_set1_epi8(static_cast<char>(m.valueA_));
        const __m128i vb = _mm_set1_epi8(static_cast<char>(m.valueB_));
        const __m128i oa = _mm_set1_epi8(static_cast<char>(m.orA_));
        const __m128i ob = _mm_set1_epi8(static_cast<char>(m.orB_));
        const uint8_t* pa = base + m.anchorA_;
        const uint8_t* pb = base + m.anchorB_;
        for (; o + 15 <= last; o += 16) {
            __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pa + o));
            __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pb + o));
            __m128i ea = _mm_cmpeq_epi8(_mm_or_si128(a, oa), va);
            __m128i eb = _mm_cmpeq_epi8(_mm_or_si128(b, ob), vb);
            uint32_t bits = static_cast<uint32_t>(_mm_movemask_epi8(_mm_and_si128(ea, eb)));
            while (bits) {
                size_t c = o + static_cast<size_t>(__builtin_ctz(bits));
                if (m.matchesAt(base + c)) {
                    found = true;
                    return c;
                }
                bits &= bits - 1;
            }
        }
        found = false;
        return o;
    }

    // The relative search's filter on 32 offsets: bit i set when offset o + i
    // passes (see RelativeScanner::findCandidate).
    template <bool Fold>
    __attribute__((target("avx2"))) static inline uint32_t relativeBits256(const RelativeScanner& s,
                                                                         const uint8_t* at, __m256i c0, __m256i c1,
                                                                         __m256i c2) {
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
        const __m256i x0 = _mm256_sub_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + s.probe_[0])), c0);
        const __m256i x1 = _mm256_sub_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + s.probe_[1])), c1);
        __m256i e;
        if constexpr (Fold) {
            const __m256i x2 =
                _mm256_sub_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + s.probe_[2])), c2);
            const __m256i off = _mm256_or_si256(_mm256_or_si256(_mm256_xor_si256(x0, b), _mm256_xor_si256(x1, b)),
                                                _mm256_xor_si256(x2, b));
            e = _mm256_cmpeq_epi8(_mm256_and_si256(off, _mm256_set1_epi8(0x1F)), _mm256_setzero_si256());
        } else {
            (void)c2;
            // x1 == x0 rather than x1 == b, so the first bytes are read once.
            e = _mm256_and_si256(_mm256_cmpeq_epi8(x0, b), _mm256_cmpeq_epi8(x1, x0));
        }
        return static_cast<uint32_t>(_mm256_movemask_epi8(e));
    }

    template <bool Fold>
    static inline uint32_t relativeBits128(const RelativeScanner& s, const uint8_t* at, __m128i c0, __m128i c1,
                                           __m128i c2) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const __m128i x0 = _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + s.probe_[0])), c0);
        const __m128i x1 = _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + s.probe_[1])), c1);
        __m128i e;
        if constexpr (Fold) {
            const __m128i x2 = _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + s.probe_[2])), c2);
            const __m128i off =
                _mm_or_si128(_mm_or_si128(_mm_xor_si128(x0, b), _mm_xor_si128(x1, b)), _mm_xor_si128(x2, b));
            e = _mm_cmpeq_epi8(_mm_and_si128(off, _mm_set1_epi8(0x1F)), _mm_setzero_si128());
        } else {
            (void)c2;
            e = _mm_and_si128(_mm_cmpeq_epi8(x0, b), _mm_cmpeq_epi8(x1, b));
        }
        return static_cast<uint32_t>(_mm_movemask_epi8(e));
    }

    // Checks the offsets o + i of `bits` up to `last` exactly; the first
    // that holds a hit, or kNoMatch.
    static inline size_t relativeCheck(const RelativeScanner& s, const uint8_t* base, size_t o, uint64_t bits,
                                       size_t last) {
        while (bits) {
            const size_t c = o + static_cast<size_t>(__builtin_ctzll(bits));
            if (c > last) break;
            if (s.candidateAt(base + c)) return c;
            bits &= bits - 1;
        }
        return kNoMatch;
    }

    // As skipAvx2, for the relative filter.
    template <bool Fold>
    __attribute__((target("avx2"), noinline)) static size_t skipRelativeAvx2(const RelativeScanner& s,
                                                                             const uint8_t* base, size_t o,
                                                                             size_t last, size_t readable,
                                                                             uint64_t& bits) {
        const __m256i c0 = _mm256_set1_epi8(static_cast<char>(s.dist_[s.probe_[0]]));
        const __m256i c1 = _mm256_set1_epi8(static_cast<char>(s.dist_[s.probe_[1]]));
        const __m256i c2 = _mm256_set1_epi8(static_cast<char>(s.dist_[s.probe_[2]]));
        // Kept in a local until the end: a store through `bits` each time
        // would make the probes be read again from `s`.
        uint64_t b = 0;
        for (; o <= last && o + 63 <= readable; o += 64) {
            b = relativeBits256<Fold>(s, base + o, c0, c1, c2) |
                uint64_t{relativeBits256<Fold>(s, base + o + 32, c0, c1, c2)} << 32;
            if (b) break;
        }
        bits = b;
        return o;
    }

    // The relative filter's bits for the 64 offsets of `first`, whose
    // following block is `next`.
    template <bool Fold>
    __attribute__((target("avx512f,avx512bw,avx512vbmi"), always_inline)) static inline uint64_t relativeMask512(
        const __m512i first, const __m512i next, const __m512i at[3], const __m512i c[3]) {
        const __m512i x0 = _mm512_sub_epi8(_mm512_permutex2var_epi8(first, at[0], next), c[0]);
        const __m512i x1 = _mm512_sub_epi8(_mm512_permutex2var_epi8(first, at[1], next), c[1]);
        if constexpr (Fold) {
            const __m512i x2 = _mm512_sub_epi8(_mm512_permutex2var_epi8(first, at[2], next), c[2]);
            // (x0 ^ first) | (x1 ^ first), then | (x2 ^ first)
            __m512i off = _mm512_ternarylogic_epi32(x0, x1, first, 0x7E);
            off = _mm512_ternarylogic_epi32(off, x2, first, 0xF6);
            return _mm512_testn_epi8_mask(off, _mm512_set1_epi8(0x1F));
        } else {
            return _mm512_mask_cmpeq_epi8_mask(_mm512_cmpeq_epi8_mask(x0, first), x1, first);
        }
    }

    // As skipRelativeAvx2 with 64-byte vectors, from an offset whose first
    // byte is 64-byte aligned. Each probe's bytes are permuted out of the two
    // aligned blocks at o and o + 64, so every load is one whole cache line
    // and each line is read from memory once: the loads of the shifted probes
    // cost the 32-byte loop most of its time, half of them split across two
    // lines. `end` is the data's size; probes lie within the first 64 bytes.
    template <bool Fold>
    __attribute__((target("avx512f,avx512bw,avx512vbmi"), noinline)) static size_t skipRelativeVbmi(
        const RelativeScanner& s, const uint8_t* base, size_t o, size_t last, size_t end, uint64_t& bits) {
        alignas(64) static constexpr std::array<uint8_t, 64> kIota = [] {
            std::array<uint8_t, 64> a{};
            for (size_t i = 0; i < a.size(); ++i) a[i] = static_cast<uint8_t>(i);
            return a;
        }();
        const __m512i iota = _mm512_load_si512(kIota.data());
        __m512i at[3], c[3];
        for (size_t k = 0; k < 3; ++k) {
            at[k] = _mm512_add_epi8(iota, _mm512_set1_epi8(static_cast<char>(s.probe_[k])));
            c[k] = _mm512_set1_epi8(static_cast<char>(s.dist_[s.probe_[k]]));
        }
        uint64_t b = 0;
        // Two blocks a turn, so the loop's own work is spread over 128 bytes.
        for (; o + 64 <= last && o + 192 <= end; o += 128) {
            const __m512i b0 = _mm512_load_si512(base + o);
            const __m512i b1 = _mm512_load_si512(base + o + 64);
            const __m512i b2 = _mm512_load_si512(base + o + 128);
            const uint64_t m0 = relativeMask512<Fold>(b0, b1, at, c), m1 = relativeMask512<Fold>(b1, b2, at, c);
            if ((m0 | m1) == 0) continue;
            if (m0) {
                bits = m0;
                return o;
            }
            bits = m1;
            return o + 64;
        }
        if (o <= last && o + 128 <= end) {
            b = relativeMask512<Fold>(_mm512_load_si512(base + o), _mm512_load_si512(base + o + 64), at, c);
            if (!b) o += 64;
        }
        bits = b;
        return o;
    }

    // The loops read up to `readable` (the last offset whose pattern lies in
    // the data), past `last` when there is room, so a short stretch needs
    // no byte-by-byte tail.
    template <bool Fold>
    __attribute__((target("avx2"))) static size_t relativeAvx2(const RelativeScanner& s, const uint8_t* base,
                                                                 size_t o, size_t last, size_t readable,
                                                                 bool& found) {
        const __m256i c0 = _mm256_set1_epi8(static_cast<char>(s.dist_[s.probe_[0]]));
        const __m256i c1 = _mm256_set1_epi8(static_cast<char>(s.dist_[s.probe_[1]]));
        const __m256i c2 = _mm256_set1_epi8(static_cast<char>(s.dist_[s.probe_[2]]));
        found = false;
        // Blocks of 32 until the first byte's loads are aligned: to 64 bytes
        // for the permuting loop, which needs every probe within 64 bytes.
        const bool vbmi = s.probe_[1] < 64 && s.probe_[2] < 64 && haveVbmi();
        const uintptr_t alignMask = vbmi ? 63 : 31;
        while (o <= last && o + 63 <= readable && (reinterpret_cast<uintptr_t>(base + o) & alignMask) != 0) {
            if (const size_t c = relativeCheck(s, base, o, relativeBits256<Fold>(s, base + o, c0, c1, c2), last);
                c != kNoMatch) {
                found = true;
                return c;
            }
            o += 32 - (reinterpret_cast<uintptr_t>(base + o) & 31);
        }
        for (uint64_t bits;; o += 64) {
            o = vbmi ? skipRelativeVbmi<Fold>(s, base, o, last, readable + s.length(), bits)
                     : skipRelativeAvx2<Fold>(s, base, o, last, readable, bits);
            if (!bits) break;
            if (const size_t c = relativeCheck(s, base, o, bits, last); c != kNoMatch) {
                found = true;
                return c;
            }
        }
        for (; o <= last && o + 31 <= readable; o += 32) {
            const uint32_t bits = relativeBits256<Fold>(s, base + o, c0, c1, c2);
            if (bits == 0) continue;
            if (const size_t c = relativeCheck(s, base, o, bits, last); c != kNoMatch) {
                found = true;
                return c;
            }
        }
        return o;
    }

    template <bool Fold>
    static size_t relativeSse2(const RelativeScanner& s, const uint8_t* base, size_t o, size_t last,
                               size_t readable, bool& found) {
        const __m128i c0 = _mm_set1_epi8(static_cast<char>(s.dist_[s.probe_[0]]));
        const __m128i c1 = _mm_set1_epi8(static_cast<char>(s.dist_[s.probe_[1]]));
        const __m128i c2 = _mm_set1_epi8(static_cast<char>(s.dist_[s.probe_[2]]));
        found = false;
        for (; o <= last && o + 15 <= readable; o += 16) {
            const uint32_t bits = relativeBits128<Fold>(s, base + o, c0, c1, c2);
            if (bits == 0) continue;
            if (const size_t c = relativeCheck(s, base, o, bits, last); c != kNoMatch) {
                found = true;
                return c;
            }
        }
        return o;
    }
#endif
};

Matcher::Matcher(std::span<const uint8_t> pattern, MatchRules rules)
    : pattern_(pattern.begin(), pattern.end()), wild_(pattern.size(), 0) {
    for (int b = 0; b < 256; ++b)
        fold_[b] = rules.ignoreCase ? foldUpper(static_cast<uint8_t>(b)) : static_cast<uint8_t>(b);
    plain_ = !rules.ignoreCase;
    size_t firstFixed = kNoMatch, lastFixed = kNoMatch, firstRare = kNoMatch, lastRare = kNoMatch;
    for (size_t i = 0; i < pattern_.size(); ++i) {
        if (rules.wildcards && pattern_[i] == kWildcardByte) {
            wild_[i] = 1;
            plain_ = false;
            continue;
        }
        pattern_[i] = fold_[pattern_[i]];
        if (firstFixed == kNoMatch) firstFixed = i;
        lastFixed = i;
        if (!commonByte(pattern_[i])) {
            if (firstRare == kNoMatch) firstRare = i;
            lastRare = i;
        }
    }
    allWild_ = !pattern_.empty() && firstFixed == kNoMatch;
    if (firstFixed == kNoMatch) return;
    if (firstRare == kNoMatch) {
        firstRare = firstFixed;
        lastRare = lastFixed;
    }
    anchorA_ = firstRare;
    anchorB_ = lastRare;
    auto setAnchor = [&](size_t pos, uint8_t& value, uint8_t& orMask) {
        uint8_t p = pattern_[pos];
        // A folded letter matches both cases: compare with bit 5 forced on.
        // The few non-letters this lets through fail the exact check.
        orMask = (rules.ignoreCase && p >= 'A' && p <= 'Z') ? 0x20 : 0x00;
        value = static_cast<uint8_t>(p | orMask);
    };
    setAnchor(anchorA_, valueA_, orA_);
    setAnchor(anchorB_, valueB_, orB_);
}

bool Matcher::matchesAt(const uint8_t* at) const {
    const size_t n = pattern_.size();
    if (plain_) return std::memcmp(at, pattern_.data(), n) == 0;
    for (size_t i = 0; i < n; ++i)
        if (!wild_[i] && fold_[at[i]] != pattern_[i]) return false;
    return true;
}

size_t Matcher::find(std::span<const uint8_t> data, size_t from, size_t limit) const {
    const size_t n = pattern_.size();
    if (n == 0 || data.size() < n) return kNoMatch;
    size_t last = data.size() - n;
    if (limit < last) last = limit;
    if (from > last) return kNoMatch;
    if (allWild_) return from;
    const uint8_t* base = data.data();
    size_t o = from;
#ifdef HEXEDIT_SEARCH_X86
    bool found = false;
    o = haveAvx2() ? MatcherKernels::findAvx2(*this, base, o, last, found)
                   : MatcherKernels::findSse2(*this, base, o, last, found);
    if (found) return o;
#endif
    for (; o <= last; ++o) {
        if ((base[o + anchorA_] | orA_) != valueA_) continue;
        if (matchesAt(base + o)) return o;
    }
    return kNoMatch;
}

// ---------------------------------------------------------------------------

RelativeScanner::RelativeScanner(std::span<const uint8_t> distances, MatchRules rules)
    : dist_(distances.begin(), distances.end()), rules_(rules) {
    if (rules.wildcards)
        for (uint8_t d : dist_) wildValue_[static_cast<uint8_t>(kWildcardByte - d)] = true;
    // The second and last positions, and one between them when there is one.
    if (dist_.size() >= 2) {
        const size_t lastPos = dist_.size() - 1;
        probe_ = {1, lastPos, dist_.size() >= 4 ? lastPos / 2 + 1 : lastPos};
        if (!rules.ignoreCase) probe_[2] = probe_[1];
    }
}

bool RelativeScanner::valueMatches(const uint8_t* at, uint8_t v) const {
    for (size_t k = 0; k < dist_.size(); ++k) {
        uint8_t p = static_cast<uint8_t>(v + dist_[k]);
        if (rules_.wildcards && p == kWildcardByte) continue;
        if (rules_.ignoreCase ? foldUpper(at[k]) != foldUpper(p) : at[k] != p) return false;
    }
    return true;
}

int RelativeScanner::plainValuesAt(const uint8_t* at, uint8_t out[2]) const {
    // Position 0 (distance 0) leaves the byte itself and, folding case, its
    // other case.
    const uint8_t b = at[0];
    uint8_t cand[2] = {b, b};
    int n = 1;
    if (rules_.ignoreCase && foldUpper(b) >= 'A' && foldUpper(b) <= 'Z') {
        cand[0] = std::min<uint8_t>(b, b ^ 0x20);
        cand[1] = std::max<uint8_t>(b, b ^ 0x20);
        n = 2;
    }
    int count = 0;
    for (int i = 0; i < n; ++i)
        if (!wildValue_[cand[i]] && valueMatches(at, cand[i])) out[count++] = cand[i];
    return count;
}

bool RelativeScanner::candidateAt(const uint8_t* at) const {
    uint8_t values[2];
    return plainValuesAt(at, values) > 0;
}

size_t RelativeScanner::findCandidate(const uint8_t* base, size_t o, size_t last, size_t readable) const {
    if (dist_.size() >= 2) {
#ifdef HEXEDIT_SEARCH_X86
        bool found = false;
        if (rules_.ignoreCase)
            o = haveAvx2() ? MatcherKernels::relativeAvx2<true>(*this, base, o, last, readable, found)
                           : MatcherKernels::relativeSse2<true>(*this, base, o, last, readable, found);
        else
            o = haveAvx2() ? MatcherKernels::relativeAvx2<false>(*this, base, o, last, readable, found)
                           : MatcherKernels::relativeSse2<false>(*this, base, o, last, readable, found);
        if (found) return o;
#endif
        // The same filter byte by byte.
        const uint8_t mask = rules_.ignoreCase ? 0x1F : 0xFF;
        for (; o <= last; ++o) {
            const uint8_t* at = base + o;
            uint8_t off = 0;
            for (size_t k : probe_) off |= static_cast<uint8_t>((at[k] - dist_[k]) ^ at[0]);
            if ((off & mask) == 0 && candidateAt(at)) return o;
        }
        return kNoMatch;
    }
    for (; o <= last; ++o)
        if (candidateAt(base + o)) return o;
    return kNoMatch;
}

}  // namespace hexedit::search
