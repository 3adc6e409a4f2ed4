#include "hexedit/search/Scanner.h"

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

#ifdef HEXEDIT_SEARCH_X86
bool haveAvx2() {
    static const bool yes = __builtin_cpu_supports("avx2");
    return yes;
}
#endif

}  // namespace

// The vectorised loops. Each returns the first candidate at or after `o` that
// passes the anchor filter and the exact check, or the first offset it did
// not examine (> last - width + 1) so the caller finishes with the scalar loop.
struct MatcherKernels {
#ifdef HEXEDIT_SEARCH_X86
    __attribute__((target("avx2"))) static size_t findAvx2(const Matcher& m, const uint8_t* base, size_t o,
                                                             size_t last, bool& found) {
        const __m256i va = _mm256_set1_epi8(static_cast<char>(m.valueA_));
        const __m256i vb = _mm256_set1_epi8(static_cast<char>(m.valueB_));
        const __m256i oa = _mm256_set1_epi8(static_cast<char>(m.orA_));
        const __m256i ob = _mm256_set1_epi8(static_cast<char>(m.orB_));
        const uint8_t* pa = base + m.anchorA_;
        const uint8_t* pb = base + m.anchorB_;
        for (; o + 31 <= last; o += 32) {
            __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pa + o));
            __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pb + o));
            __m256i ea = _mm256_cmpeq_epi8(_mm256_or_si256(a, oa), va);
            __m256i eb = _mm256_cmpeq_epi8(_mm256_or_si256(b, ob), vb);
            uint32_t bits = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_and_si256(ea, eb)));
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

    // diff == step, or folding case diff - step in {32, 64, -32, -64} mod 256.
    template <bool Fold>
    __attribute__((target("avx2"))) static inline __m256i stepTest256(__m256i diff, __m256i step) {
        __m256i e = _mm256_cmpeq_epi8(diff, step);
        if constexpr (Fold) {
            const __m256i d32 = _mm256_set1_epi8(32), d64 = _mm256_set1_epi8(64);
            __m256i off = _mm256_sub_epi8(diff, step);
            __m256i neg = _mm256_sub_epi8(_mm256_setzero_si256(), off);
            e = _mm256_or_si256(e, _mm256_or_si256(_mm256_cmpeq_epi8(off, d32), _mm256_cmpeq_epi8(neg, d32)));
            e = _mm256_or_si256(e, _mm256_or_si256(_mm256_cmpeq_epi8(off, d64), _mm256_cmpeq_epi8(neg, d64)));
        }
        return e;
    }

    template <bool Fold>
    static inline __m128i stepTest128(__m128i diff, __m128i step) {
        __m128i e = _mm_cmpeq_epi8(diff, step);
        if constexpr (Fold) {
            const __m128i d32 = _mm_set1_epi8(32), d64 = _mm_set1_epi8(64);
            __m128i off = _mm_sub_epi8(diff, step);
            __m128i neg = _mm_sub_epi8(_mm_setzero_si128(), off);
            e = _mm_or_si128(e, _mm_or_si128(_mm_cmpeq_epi8(off, d32), _mm_cmpeq_epi8(neg, d32)));
            e = _mm_or_si128(e, _mm_or_si128(_mm_cmpeq_epi8(off, d64), _mm_cmpeq_epi8(neg, d64)));
        }
        return e;
    }

    // The relative search's filter: the differences of neighbouring bytes at
    // two positions are the typed ones (or, folding case, off by 32 or 64).
    template <bool Fold>
    __attribute__((target("avx2"))) static size_t deltaAvx2(const RelativeScanner& s, const uint8_t* base,
                                                              size_t o, size_t last, bool& found) {
        const __m256i sa = _mm256_set1_epi8(static_cast<char>(s.stepA_));
        const __m256i sb = _mm256_set1_epi8(static_cast<char>(s.stepB_));
        const uint8_t* pa = base + s.anchorA_;
        const uint8_t* pb = base + s.anchorB_;
        for (; o + 31 <= last; o += 32) {
            __m256i a0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pa + o));
            __m256i a1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pa + o + 1));
            __m256i b0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pb + o));
            __m256i b1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pb + o + 1));
            __m256i ea = stepTest256<Fold>(_mm256_sub_epi8(a1, a0), sa);
            __m256i eb = stepTest256<Fold>(_mm256_sub_epi8(b1, b0), sb);
            uint32_t bits = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_and_si256(ea, eb)));
            while (bits) {
                size_t c = o + static_cast<size_t>(__builtin_ctz(bits));
                if (s.candidateAt(base + c)) {
                    found = true;
                    return c;
                }
                bits &= bits - 1;
            }
        }
        found = false;
        return o;
    }

    template <bool Fold>
    static size_t deltaSse2(const RelativeScanner& s, const uint8_t* base, size_t o, size_t last, bool& found) {
        const __m128i sa = _mm_set1_epi8(static_cast<char>(s.stepA_));
        const __m128i sb = _mm_set1_epi8(static_cast<char>(s.stepB_));
        const uint8_t* pa = base + s.anchorA_;
        const uint8_t* pb = base + s.anchorB_;
        for (; o + 15 <= last; o += 16) {
            __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pa + o));
            __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pa + o + 1));
            __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pb + o));
            __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pb + o + 1));
            __m128i ea = stepTest128<Fold>(_mm_sub_epi8(a1, a0), sa);
            __m128i eb = stepTest128<Fold>(_mm_sub_epi8(b1, b0), sb);
            uint32_t bits = static_cast<uint32_t>(_mm_movemask_epi8(_mm_and_si128(ea, eb)));
            while (bits) {
                size_t c = o + static_cast<size_t>(__builtin_ctz(bits));
                if (s.candidateAt(base + c)) {
                    found = true;
                    return c;
                }
                bits &= bits - 1;
            }
        }
        found = false;
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
    if (dist_.size() >= 2) {
        anchorA_ = 0;
        anchorB_ = dist_.size() - 2;
        stepA_ = static_cast<uint8_t>(dist_[anchorA_ + 1] - dist_[anchorA_]);
        stepB_ = static_cast<uint8_t>(dist_[anchorB_ + 1] - dist_[anchorB_]);
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

size_t RelativeScanner::findCandidate(const uint8_t* base, size_t o, size_t last) const {
    if (dist_.size() >= 2) {
#ifdef HEXEDIT_SEARCH_X86
        bool found = false;
        if (rules_.ignoreCase)
            o = haveAvx2() ? MatcherKernels::deltaAvx2<true>(*this, base, o, last, found)
                           : MatcherKernels::deltaSse2<true>(*this, base, o, last, found);
        else
            o = haveAvx2() ? MatcherKernels::deltaAvx2<false>(*this, base, o, last, found)
                           : MatcherKernels::deltaSse2<false>(*this, base, o, last, found);
        if (found) return o;
#endif
    }
    for (; o <= last; ++o)
        if (candidateAt(base + o)) return o;
    return kNoMatch;
}

}  // namespace hexedit::search
