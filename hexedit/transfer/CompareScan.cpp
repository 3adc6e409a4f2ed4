#include "hexedit/transfer/CompareScan.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define HEXEDIT_TRANSFER_X86 1
#endif

namespace hexedit::transfer {

namespace {

// Bytes compared between two progress reports; a multiple of the block size.
constexpr uint64_t kChunk = uint64_t{1} << 20;

// Turns difference masks of up to 64 positions into runs. Bit i of a mask is
// set when position base + i differs; a run starts or ends wherever a bit
// differs from the one before it. The edge positions are collected without a
// branch per edge (runs come at random places, so such branches would be
// mispredicted) and turned into runs a buffer at a time.
class RunBuilder {
public:
    explicit RunBuilder(RunList& out) : out_(out) {}

    bool inRun() const { return carry_ != 0; }

    // `width` (1..64) positions from `base`; higher bits of `mask` are clear.
    inline void feed(uint64_t base, uint64_t mask, unsigned width = 64) {
        uint64_t edges = mask ^ ((mask << 1) | carry_);
        if (width < 64) {
            edges &= (uint64_t{1} << width) - 1;
            carry_ = (mask >> (width - 1)) & 1;
        } else {
            carry_ = mask >> 63;
        }
        const auto count = static_cast<unsigned>(std::popcount(edges));
        uint32_t* out = edges_.data() + used_;
        // Four slots are written whatever the count (an empty mask writes
        // junk past the end that the next write replaces).
        for (int k = 0; k < 4; ++k) {
            out[k] = static_cast<uint32_t>(base + static_cast<uint64_t>(std::countr_zero(edges)));
            edges &= edges - 1;
        }
        for (unsigned k = 4; k < count; ++k) {
            out[k] = static_cast<uint32_t>(base + static_cast<uint64_t>(std::countr_zero(edges)));
            edges &= edges - 1;
        }
        used_ += count;
        if (used_ > kEdges - 64) flush();
    }

    void finish(uint64_t end) {
        flush();
        if (open_) out_.push_back({start_, static_cast<uint32_t>(end) - start_});
        open_ = false;
        carry_ = 0;
    }

private:
    static constexpr size_t kEdges = 4096;

    // Edges alternate between a run's start and its end.
    void flush() {
        for (size_t i = 0; i < used_; ++i) {
            if (open_)
                out_.push_back({start_, edges_[i] - start_});
            else
                start_ = edges_[i];
            open_ = !open_;
        }
        used_ = 0;
    }

    RunList& out_;
    std::array<uint32_t, kEdges> edges_;
    size_t used_ = 0;
    uint64_t carry_ = 0;  // the last position fed differs
    uint32_t start_ = 0;
    bool open_ = false;   // the edges flushed so far leave a run open
};

// The difference mask of `count` (< 64) positions; higher bits are clear.
uint64_t tailMask(const uint8_t* a, const uint8_t* b, uint64_t count) {
    uint64_t m = 0;
    for (uint64_t i = 0; i < count; ++i)
        if (a[i] != b[i]) m |= uint64_t{1} << i;
    return m;
}

uint64_t portableMask(const uint8_t* a, const uint8_t* b) {
    uint64_t m = 0;
    for (int w = 0; w < 8; ++w) {
        uint64_t x, y;
        std::memcpy(&x, a + w * 8, 8);
        std::memcpy(&y, b + w * 8, 8);
        if (x == y) continue;
        for (int i = 0; i < 8; ++i)
            if (a[w * 8 + i] != b[w * 8 + i]) m |= uint64_t{1} << (w * 8 + i);
    }
    return m;
}

#ifdef HEXEDIT_TRANSFER_X86
bool haveAvx2() {
    static const bool yes = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
                            __builtin_cpu_supports("popcnt");
    return yes;
}

// Outside a run, equal stretches pass 256 bytes at a time at the cost of
// the loads and one test; a stretch with a difference goes through the masks
// of its four blocks, whose edges the builder takes without a branch each.
__attribute__((target("avx2,bmi,popcnt"))) inline uint64_t maskAvx2(const uint8_t* a, const uint8_t* b) {
    const __m256i a0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a));
    const __m256i b0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b));
    const __m256i a1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + 32));
    const __m256i b1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + 32));
    const uint64_t lo = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a0, b0)));
    const uint64_t hi = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a1, b1)));
    return ~(lo | (hi << 32));
}

__attribute__((target("avx2,bmi,popcnt"))) inline bool equal256Avx2(const uint8_t* a, const uint8_t* b) {
    __m256i acc = _mm256_setzero_si256();
    for (int k = 0; k < 256; k += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + k));
        const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + k));
        acc = _mm256_or_si256(acc, _mm256_xor_si256(x, y));
    }
    return _mm256_testz_si256(acc, acc);
}

__attribute__((target("avx2,bmi,popcnt"))) uint64_t scanAvx2(const uint8_t* a, const uint8_t* b, uint64_t o,
                                                             uint64_t end, RunBuilder& runs) {
    while (o + 256 <= end) {
        if (!runs.inRun()) {
            while (o + 256 <= end && equal256Avx2(a + o, b + o)) o += 256;
            if (o + 256 > end) break;
        }
        for (int k = 0; k < 256; k += 64) runs.feed(o + k, maskAvx2(a + o + k, b + o + k));
        o += 256;
    }
    for (; o + 64 <= end; o += 64) runs.feed(o, maskAvx2(a + o, b + o));
    return o;
}

inline uint64_t maskSse2(const uint8_t* a, const uint8_t* b) {
    uint64_t m = 0;
    for (int k = 0; k < 64; k += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + k));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + k));
        m |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y)))) << k;
    }
    return ~m;
}

uint64_t scanSse2(const uint8_t* a, const uint8_t* b, uint64_t o, uint64_t end, RunBuilder& runs) {
    for (; o + 64 <= end; o += 64) {
        if (!runs.inRun()) {
            __m128i acc = _mm_setzero_si128();
            for (int k = 0; k < 64; k += 16) {
                const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + o + k));
                const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + o + k));
                acc = _mm_or_si128(acc, _mm_xor_si128(x, y));
            }
            if (_mm_movemask_epi8(_mm_cmpeq_epi8(acc, _mm_setzero_si128())) == 0xFFFF) continue;
        }
        runs.feed(o, maskSse2(a + o, b + o));
    }
    return o;
}
#endif

// Positions [o, end).
void scanRange(const uint8_t* a, const uint8_t* b, uint64_t o, uint64_t end, RunBuilder& runs, ScanKernel kernel) {
#ifdef HEXEDIT_TRANSFER_X86
    // AVX-512 was tried and measured slower here than AVX2 (its loads and
    // the clock it costs), so the best kernel is the AVX2 one.
    if ((kernel == ScanKernel::Best || kernel == ScanKernel::Avx2) && haveAvx2())
        o = scanAvx2(a, b, o, end, runs);
    else if (kernel != ScanKernel::Portable)
        o = scanSse2(a, b, o, end, runs);
#else
    (void)kernel;
#endif
    for (; o + 64 <= end; o += 64) {
        if (!runs.inRun() && std::memcmp(a + o, b + o, 64) == 0) continue;
        runs.feed(o, portableMask(a + o, b + o));
    }
    if (o < end) runs.feed(o, tailMask(a + o, b + o, end - o), static_cast<unsigned>(end - o));
}

}  // namespace

std::vector<DiffRun> RunList::toVector() const {
    std::vector<DiffRun> v;
    v.reserve(size_);
    for (size_t i = 0; i < size_; ++i) v.push_back((*this)[i]);
    return v;
}

std::optional<RunList> findDiffRuns(std::span<const uint8_t> a, std::span<const uint8_t> b,
                                    const ScanProgress& progress, ScanKernel kernel) {
    const uint64_t n = std::min<uint64_t>({a.size(), b.size(), kMaxCompareLength});
    RunList out;
    RunBuilder runs(out);
    if (progress && !progress(0, n)) return std::nullopt;
    // Up to 63 bytes one by one first, so that the blocks of the first buffer
    // start on cache lines: loads split across two lines are slow, and two
    // buffers from one allocator mostly share their alignment.
    const uint64_t head = std::min<uint64_t>(n, (64 - (reinterpret_cast<uintptr_t>(a.data()) & 63)) & 63);
    if (head) runs.feed(0, tailMask(a.data(), b.data(), head), static_cast<unsigned>(head));
    for (uint64_t o = head; o < n;) {
        const uint64_t end = std::min(n, o + kChunk);
        scanRange(a.data(), b.data(), o, end, runs, kernel);
        o = end;
        if (progress && !progress(o, n)) return std::nullopt;
    }
    runs.finish(n);
    return out;
}

}  // namespace hexedit::transfer
