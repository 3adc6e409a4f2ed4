#include "hexedit/search/ShownSearch.h"

#include <algorithm>
#include <utility>
#include <cstdlib>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define HEXEDIT_SHOWN_X86 1
#endif

namespace hexedit::search {

size_t ByteClass::count() const { return static_cast<size_t>(std::count(member.begin(), member.end(), true)); }

void ByteClass::finish() {
    lo.fill(0);
    hi.fill(0);
    bitmap.fill(0);
    for (int b = 0; b < 256; ++b)
        if (member[b]) bitmap[b >> 3] = bitmap[32 + (b >> 3)] |= static_cast<uint8_t>(1u << (b & 7));
    const size_t n = count();
    all = n == 256;
    fewCount = 0;
    if (n > 0 && n <= few.size()) {
        for (int b = 0; b < 256; ++b)
            if (member[b]) few[static_cast<size_t>(fewCount++)] = static_cast<uint8_t>(b);
        for (size_t k = static_cast<size_t>(fewCount); k < few.size(); ++k) few[k] = few[0];
    }
    // Low nibbles of the members under each high nibble; high nibbles with
    // the same set share a bucket bit.
    std::array<uint16_t, 16> lows{};
    for (int b = 0; b < 256; ++b)
        if (member[b]) lows[b >> 4] |= static_cast<uint16_t>(1u << (b & 15));
    std::vector<uint16_t> buckets;
    for (int h = 0; h < 16; ++h) {
        if (!lows[h]) continue;
        auto it = std::find(buckets.begin(), buckets.end(), lows[h]);
        size_t k = static_cast<size_t>(it - buckets.begin());
        if (it == buckets.end()) {
            if (buckets.size() < 8) {
                buckets.push_back(lows[h]);
            } else {
                k = 7;  // merged: a superset, the exact check decides
                buckets[7] |= lows[h];
            }
        }
        hi[h] |= static_cast<uint8_t>(1u << k);
    }
    for (size_t k = 0; k < buckets.size(); ++k)
        for (int l = 0; l < 16; ++l)
            if (buckets[k] & (1u << l)) lo[l] |= static_cast<uint8_t>(1u << k);
}

namespace {

ShownKernel kernel = ShownKernel::Best;

// The candidates of one block, `bits` for the offsets from `o` up: true
// with `o` moved to the first one `verify` accepts.
template <class Verify>
inline bool firstVerified(uint64_t bits, size_t& o, Verify& verify) {
    for (; bits; bits &= bits - 1) {
        const size_t c = o + static_cast<size_t>(__builtin_ctzll(bits));
        if (verify(c)) {
            o = c;
            return true;
        }
    }
    return false;
}

#ifdef HEXEDIT_SHOWN_X86
bool haveAvx512() {
    static const bool yes = __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");
    return yes && kernel == ShownKernel::Best;
}
bool haveAvx2() {
    static const bool yes = __builtin_cpu_supports("avx2");
    return yes && (kernel == ShownKernel::Best || kernel == ShownKernel::Avx2);
}
bool haveSsse3() {
    static const bool yes = __builtin_cpu_supports("ssse3");
    return yes && kernel != ShownKernel::Scalar;
}

// How a class is tested in the vector loops, chosen once per search: one
// member compared, up to three compared, the nibble tables, or no test.
enum class Test { One, Three, Nibbles, None };

Test testFor(const ByteClass& k, bool use) {
    if (!use || k.all) return Test::None;
    if (k.fewCount == 1) return Test::One;
    if (k.fewCount > 0) return Test::Three;
    return Test::Nibbles;
}

struct Class256 {
    __m256i lo, hi, a, b, c;
};

__attribute__((target("avx2"))) inline Class256 load256(const ByteClass& k) {
    Class256 c;
    c.lo = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(k.lo.data())));
    c.hi = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(k.hi.data())));
    c.a = _mm256_set1_epi8(static_cast<char>(k.few[0]));
    c.b = _mm256_set1_epi8(static_cast<char>(k.few[1]));
    c.c = _mm256_set1_epi8(static_cast<char>(k.few[2]));
    return c;
}

// Lanes whose byte is in the class have their top bit set.
template <Test T>
__attribute__((target("avx2"))) inline __m256i inside256(const Class256& k, const uint8_t* at) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    if constexpr (T == Test::One) {
        return _mm256_cmpeq_epi8(v, k.a);
    } else if constexpr (T == Test::Three) {
        return _mm256_or_si256(_mm256_cmpeq_epi8(v, k.a),
                               _mm256_or_si256(_mm256_cmpeq_epi8(v, k.b), _mm256_cmpeq_epi8(v, k.c)));
    } else {
        // A bucket bit in both tables: any non-zero lane, pushed to the top bit.
        const __m256i nibble = _mm256_set1_epi8(0x0F);
        const __m256i l = _mm256_shuffle_epi8(k.lo, _mm256_and_si256(v, nibble));
        const __m256i h = _mm256_shuffle_epi8(k.hi, _mm256_and_si256(_mm256_srli_epi16(v, 4), nibble));
        return _mm256_adds_epu8(_mm256_and_si256(l, h), _mm256_set1_epi8(0x7F));
    }
}

// One bit per offset whose byte is in `A` and whose next byte is in `B`.
template <Test A, Test B>
__attribute__((target("avx2"))) inline uint32_t candidates256(const Class256& ka, const Class256& kb,
                                                                const uint8_t* at) {
    __m256i v = inside256<A>(ka, at);
    if constexpr (B != Test::None) v = _mm256_and_si256(v, inside256<B>(kb, at + 1));
    return static_cast<uint32_t>(_mm256_movemask_epi8(v));
}

// Offsets o in [o, last] (last + 64 within the data) whose byte is in `a`
// and whose next byte is in `b`: `verify` decides each; returns the first
// verified offset (found) or the first offset not examined.
template <Test A, Test B, class Verify>
__attribute__((target("avx2"))) size_t filterAvx2(const ByteClass& a, const ByteClass& b, const uint8_t* base,
                                                    size_t o, size_t last, Verify& verify, bool& found) {
    const Class256 ka = load256(a), kb = load256(b);
    for (; o + 63 <= last; o += 64) {
        const uint8_t* p = base + o;
        const uint64_t bits =
            uint64_t{candidates256<A, B>(ka, kb, p)} | uint64_t{candidates256<A, B>(ka, kb, p + 32)} << 32;
        if (bits && (found = firstVerified(bits, o, verify))) return o;
    }
    found = false;
    return o;
}

template <Test A, class Verify>
size_t filterAvx2B(Test b, const ByteClass& ca, const ByteClass& cb, const uint8_t* base, size_t o, size_t last,
                   Verify& verify, bool& found) {
    switch (b) {
    case Test::One: return filterAvx2<A, Test::One>(ca, cb, base, o, last, verify, found);
    case Test::Three: return filterAvx2<A, Test::Three>(ca, cb, base, o, last, verify, found);
    case Test::Nibbles: return filterAvx2<A, Test::Nibbles>(ca, cb, base, o, last, verify, found);
    case Test::None: break;
    }
    return filterAvx2<A, Test::None>(ca, cb, base, o, last, verify, found);
}

template <class Verify>
size_t filterAvx2Any(Test a, Test b, const ByteClass& ca, const ByteClass& cb, const uint8_t* base, size_t o,
                     size_t last, Verify& verify, bool& found) {
    switch (a) {
    case Test::One: return filterAvx2B<Test::One>(b, ca, cb, base, o, last, verify, found);
    case Test::Three: return filterAvx2B<Test::Three>(b, ca, cb, base, o, last, verify, found);
    default: break;
    }
    return filterAvx2B<Test::Nibbles>(b, ca, cb, base, o, last, verify, found);
}

// With AVX-512 VBMI each class is tested exactly, 64 offsets at a time:
// byte b >> 3 of its bitmap against 1 << (b & 7). One aligned load serves
// both classes; the second class's bits for the block come from this
// block's and the next one's, so the loop reads one block ahead.
#define HEXEDIT_AVX512 __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// (The zero-masking form with every lane kept: GCC's plain form warns.)
HEXEDIT_AVX512 inline __m512i lookup512(__m512i index, __m512i table) {
    return _mm512_maskz_permutexvar_epi8(~__mmask64{0}, index, table);
}

struct Bits512 {
    uint64_t a, b;
};

template <bool UseB>
HEXEDIT_AVX512 inline Bits512 inside512(__m512i ka, __m512i kb, __m512i bitOf, const uint8_t* at) {
    const __m512i v = _mm512_load_si512(at);
    const __m512i index = _mm512_srli_epi16(v, 3), bit = lookup512(v, bitOf);
    return {_mm512_test_epi8_mask(lookup512(index, ka), bit),
            UseB ? _mm512_test_epi8_mask(lookup512(index, kb), bit) : ~uint64_t{0}};
}

// As filterAvx2, from a 64-byte aligned `base + o`, reading below `end`.
template <bool UseB, class Verify>
HEXEDIT_AVX512 size_t filterAvx512(const ByteClass& a, const ByteClass& b, const uint8_t* base, size_t o,
                                   size_t last, size_t end, Verify& verify, bool& found) {
    alignas(64) static const std::array<uint8_t, 64> bits = [] {
        std::array<uint8_t, 64> t{};
        for (size_t i = 0; i < t.size(); ++i) t[i] = static_cast<uint8_t>(1u << (i & 7));
        return t;
    }();
    const __m512i bitOf = _mm512_load_si512(bits.data());
    const __m512i ka = _mm512_loadu_si512(a.bitmap.data()), kb = _mm512_loadu_si512(b.bitmap.data());
    found = false;
    if (o + 64 > end) return o;
    Bits512 in = inside512<UseB>(ka, kb, bitOf, base + o);
    for (; o + 63 <= last && o + 128 <= end; o += 64) {
        const Bits512 next = inside512<UseB>(ka, kb, bitOf, base + o + 64);
        const uint64_t c = in.a & (in.b >> 1 | next.b << 63);
        if (c && (found = firstVerified(c, o, verify))) return o;
        in = next;
    }
    return o;
}

// The same 32 offsets at a time with SSSE3, by the nibble tables.
__attribute__((target("ssse3"))) inline uint32_t inside128(const ByteClass& k, __m128i lo, __m128i hi,
                                                            const uint8_t* at) {
    (void)k;
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i nibble = _mm_set1_epi8(0x0F);
    const __m128i l = _mm_shuffle_epi8(lo, _mm_and_si128(v, nibble));
    const __m128i h = _mm_shuffle_epi8(hi, _mm_and_si128(_mm_srli_epi16(v, 4), nibble));
    return ~static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(l, h), _mm_setzero_si128()))) &
           0xFFFFu;
}

template <class Verify>
__attribute__((target("ssse3"))) size_t filterSsse3(const ByteClass& a, const ByteClass& b, bool useB,
                                                      const uint8_t* base, size_t o, size_t last, Verify& verify,
                                                      bool& found) {
    const __m128i loA = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a.lo.data()));
    const __m128i hiA = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a.hi.data()));
    const __m128i loB = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b.lo.data()));
    const __m128i hiB = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b.hi.data()));
    for (; o + 31 <= last; o += 32) {
        const uint8_t* p = base + o;
        uint64_t bits = inside128(a, loA, hiA, p) | inside128(a, loA, hiA, p + 16) << 16;
        if (useB) bits &= inside128(b, loB, hiB, p + 1) | inside128(b, loB, hiB, p + 17) << 16;
        if (bits && (found = firstVerified(bits, o, verify))) return o;
    }
    found = false;
    return o;
}
#endif

}  // namespace

void setShownKernel(ShownKernel k) { kernel = k; }

ShownMatcher::ShownMatcher(const TableData& table, std::string_view text, MatchRules rules)
    : table_(table), text_(text), wild_(text.size(), 0) {
    for (int b = 0; b < 256; ++b)
        fold_[b] = rules.ignoreCase ? foldUpper(static_cast<uint8_t>(b)) : static_cast<uint8_t>(b);
    const size_t m = text_.size();
    for (size_t i = 0; i < m; ++i) {
        text_[i] = static_cast<char>(fold_[static_cast<uint8_t>(text_[i])]);
        if (rules.wildcards && static_cast<uint8_t>(text_[i]) == kWildcardByte) wild_[i] = 1;
    }
    if (m == 0) {
        impossible_ = true;
        return;
    }
    // First code bytes of the entries whose texts match at each position of
    // the text; and what can come first and second at a match.
    std::vector<std::array<bool, 256>> startsAt(m + 1);
    std::vector<bool> anyAfter(m + 1, false);  // position reached by a single-byte first entry
    auto spells = [&](const std::string& t, size_t i) {
        if (t.empty() || t.size() > m - i) return false;
        for (size_t k = 0; k < t.size(); ++k)
            if (wild_[i + k] || fold_[static_cast<uint8_t>(t[k])] != static_cast<uint8_t>(text_[i + k])) return false;
        return true;
    };
    std::vector<std::pair<uint8_t, size_t>> singleFirst;   // a single-byte first entry, where the rest begins
    std::vector<std::pair<uint8_t, uint8_t>> longerFirst;  // a longer first entry's first two bytes
    spelling_.resize(m);
    auto consider = [&](const std::string& t, TableCode code) {
        const auto byteAt = [&](int k) { return static_cast<uint8_t>(code.value >> (8 * (code.length - 1 - k))); };
        for (size_t i = 0; i < m; ++i) {
            if (!spells(t, i)) continue;
            if (code.length == 1)
                spelling_[i].single[byteAt(0)] = true;
            else
                spelling_[i].longer[code.length - 2].push_back(code.value);
            startsAt[i][byteAt(0)] = true;
            if (i != 0) continue;
            first_.member[byteAt(0)] = true;
            if (code.length >= 2) {
                second_.member[byteAt(1)] = true;
                longerFirst.emplace_back(byteAt(0), byteAt(1));
            } else {
                anyAfter[t.size()] = true;
                singleFirst.emplace_back(byteAt(0), t.size());
            }
        }
    };
    for (int code = 0; code < 256; ++code)
        if (const auto& t = table.ByteTable[code]) consider(*t, {static_cast<uint32_t>(code), 1});
    for (const uint16_t code : table.PairTable.writtenCodes())
        if (const auto& t = std::as_const(table.PairTable)[code]) consider(*t, {code, 2});
    table.LongTable.forEach([&](uint32_t code, int length, const std::string& t) {
        consider(t, {code, static_cast<uint8_t>(length)});
    });
    for (Spelling& sp : spelling_)
        for (auto& codes : sp.longer) std::sort(codes.begin(), codes.end());
    if (wild_[0]) first_.member.fill(true);
    // After a single-byte first entry: whatever begins the rest, anything
    // when the text ends there or a wildcard follows.
    bool secondAny = wild_[0];
    for (size_t i = 1; i <= m; ++i) {
        if (!anyAfter[i]) continue;
        if (i == m || wild_[i]) {
            secondAny = true;
            continue;
        }
        for (int b = 0; b < 256; ++b)
            if (startsAt[i][b]) second_.member[b] = true;
    }
    if (secondAny) second_.member.fill(true);
    first_.finish();
    second_.finish();
    impossible_ = first_.count() == 0;
    // The exact pairs of first two bytes: a longer first entry's own two,
    // or a single byte and whatever may begin the rest.
    firstTwo_.assign(65536 / 64, 0);
    auto allow = [&](uint8_t b0, uint8_t b1) {
        const size_t k = size_t{b0} << 8 | b1;
        firstTwo_[k >> 6] |= uint64_t{1} << (k & 63);
    };
    for (const auto& [b0, rest] : singleFirst) {
        for (int b = 0; b < 256; ++b)
            if (wild_[0] || rest == m || wild_[rest] || startsAt[rest][b]) allow(b0, static_cast<uint8_t>(b));
    }
    for (const auto& [b0, b1] : longerFirst) allow(b0, b1);
    if (wild_[0]) firstTwo_.assign(65536 / 64, ~uint64_t{0});
}

bool ShownMatcher::mayStartEntry(const Spelling& s, std::span<const uint8_t> data, size_t q) {
    if (s.single[data[q]]) return true;
    uint32_t code = data[q];
    for (size_t k = 0; k < s.longer.size() && q + k + 1 < data.size(); ++k) {
        code = code << 8 | data[q + k + 1];
        if (std::binary_search(s.longer[k].begin(), s.longer[k].end(), code)) return true;
    }
    return false;
}

size_t ShownMatcher::matchAt(std::span<const uint8_t> data, size_t at) const {
    const size_t m = text_.size();
    size_t i = 0, q = at;
    while (i < m) {
        if (q >= data.size()) return 0;
        if (wild_[i]) {
            ++i;
            ++q;
            continue;
        }
        // Most places fail here, before the table is asked.
        if (!mayStartEntry(spelling_[i], data, q)) return 0;
        const DecodedItem item = decodeAt(table_, data, q);
        if (item.kind != ItemKind::Single && item.kind != ItemKind::Pair && item.kind != ItemKind::Long) return 0;
        const std::string_view t = item.text;
        if (t.empty() || t.size() > m - i) return 0;
        for (size_t k = 0; k < t.size(); ++k)
            if (wild_[i + k] || fold_[static_cast<uint8_t>(t[k])] != static_cast<uint8_t>(text_[i + k])) return 0;
        i += t.size();
        q += static_cast<size_t>(item.length);
    }
    return q - at;
}

size_t ShownMatcher::find(std::span<const uint8_t> data, size_t from, size_t limit, size_t& length) const {
    length = 0;
    if (impossible_ || data.empty()) return kNoMatch;
    size_t last = data.size() - 1;
    if (limit < last) last = limit;
    if (from > last) return kNoMatch;
    const uint8_t* base = data.data();
    const bool useB = !second_.all;
    size_t o = from;
    // Candidates of the vector loops have a next byte.
    auto verifyNext = [&](size_t c) {
        if (!firstTwoAllowed(base + c)) return false;
        length = matchAt(data, c);
        return length != 0;
    };
    auto verify = [&](size_t c) {
        if (c + 1 < data.size() && !firstTwoAllowed(base + c)) return false;
        length = matchAt(data, c);
        return length != 0;
    };
    // Offsets from `o` up to `end` one at a time: true with `o` at a match.
    auto scalarTo = [&](size_t end) {
        for (; o < end; ++o)
            if (first_.member[base[o]] && verify(o)) return true;
        return false;
    };
#ifdef HEXEDIT_SHOWN_X86
    // The vector loops read the offset after each candidate too.
    if (data.size() > 65 && !first_.all && last - o >= 256) {
        const size_t vecLast = std::min(last, data.size() - 2);
        bool found = false;
        if (haveAvx512()) {
            if (scalarTo(o + (-reinterpret_cast<uintptr_t>(base + o) & 63))) return o;
            o = useB ? filterAvx512<true>(first_, second_, base, o, vecLast, data.size(), verifyNext, found)
                     : filterAvx512<false>(first_, second_, base, o, vecLast, data.size(), verifyNext, found);
        } else if (haveAvx2()) {
            o = filterAvx2Any(testFor(first_, true), testFor(second_, useB), first_, second_, base, o, vecLast,
                              verifyNext, found);
        } else if (haveSsse3()) {
            o = filterSsse3(first_, second_, useB, base, o, vecLast, verifyNext, found);
        }
        if (found) return o;
    }
#endif
    if (scalarTo(last + 1)) return o;
    length = 0;
    return kNoMatch;
}

}  // namespace hexedit::search
