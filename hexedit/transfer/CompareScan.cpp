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

// Turns the difference masks of blocks of up to 64 positions into runs.
// Bit i of a mask is set when position base + i differs. Blocks without a
// difference may be left out. The positions where a run starts or ends are
// written without a branch per edge (runs come at random places, so such
// branches would be mispredicted) and paired into runs a buffer at a time.
class RunBuilder {
public:
    explicit RunBuilder(RunList& out) : out_(out) {}

    // `width` (1..64) positions from `base`, past those fed before; higher
    // bits of `mask` are clear.
    inline void feed(uint64_t base, uint64_t mask, unsigned width = 64) {
        // A run reaching the end of the last block fed ends there unless
        // this block follows on; then it carries into this block's first bit.
        const uint64_t follows = base == next_;
        const uint64_t carryIn = carry_ & follows;
        uint32_t* out = edges_.data() + used_;
        *out = static_cast<uint32_t>(next_);
        out += carry_ & ~follows;
        uint64_t edges = mask ^ ((mask << 1) | carryIn);
        if (width < 64) edges &= (uint64_t{1} << width) - 1;
        carry_ = (mask >> (width - 1)) & 1;
        next_ = base + width;
        const auto count = static_cast<unsigned>(std::popcount(edges));
        // Two slots are written whatever the count (the ones past it hold
        // junk that the next write replaces); a block rarely has more.
        for (int k = 0; k < 2; ++k) {
            out[k] = static_cast<uint32_t>(base + static_cast<uint64_t>(std::countr_zero(edges)));
            edges &= edges - 1;
        }
        for (unsigned k = 2; k < count; ++k) {
            out[k] = static_cast<uint32_t>(base + static_cast<uint64_t>(std::countr_zero(edges)));
            edges &= edges - 1;
        }
        used_ = static_cast<size_t>(out - edges_.data()) + count;
        if (used_ > kEdges - 66) flush();
    }

    void finish() {
        flush();
        if (open_) out_.push_back({start_, static_cast<uint32_t>(next_) - start_});
        open_ = false;
    }

private:
    static constexpr size_t kEdges = 4096;

    // Edges alternate between a run's start and its end.
    void flush() {
        size_t i = 0;
        if (open_ && used_ > 0) {
            out_.push_back({start_, edges_[0] - start_});
            open_ = false;
            i = 1;
        }
        for (; i + 1 < used_; i += 2) out_.push_back({edges_[i], edges_[i + 1] - edges_[i]});
        if (i < used_) {
            start_ = edges_[i];
            open_ = true;
        }
        used_ = 0;
    }

    RunList& out_;
    std::array<uint32_t, kEdges> edges_;
    size_t used_ = 0;
    uint64_t carry_ = 0;  // the last position fed differs
    uint64_t next_ = 0;   // the position after the last one fed
    uint32_t start_ = 0;
    bool open_ = false;   // the edges flushed so far leave a run open
};

// Blocks of 64 bytes are taken a window of up to 64 at a time: a first pass
// notes which blocks differ at all, with one test each and no branch, and a
// second computes the masks of only those. So equal blocks cost no branch
// and the blocks with runs only the visit.
constexpr unsigned kWindowBlocks = 64;

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

bool portableDiffers(const uint8_t* a, const uint8_t* b) {
    uint64_t acc = 0;
    for (int w = 0; w < 64; w += 8) {
        uint64_t x, y;
        std::memcpy(&x, a + w, 8);
        std::memcpy(&y, b + w, 8);
        acc |= x ^ y;
    }
    return acc != 0;
}

// Both passes over `blocks` (1..64) blocks from position o.
template <bool (*Differs)(const uint8_t*, const uint8_t*), uint64_t (*Mask)(const uint8_t*, const uint8_t*)>
void window(const uint8_t* a, const uint8_t* b, uint64_t o, unsigned blocks, RunBuilder& runs) {
    uint64_t dirty = 0;
    for (unsigned k = 0; k < blocks; ++k)
        dirty |= static_cast<uint64_t>(Differs(a + o + 64 * k, b + o + 64 * k)) << k;
    for (; dirty; dirty &= dirty - 1) {
        const uint64_t at = o + 64 * static_cast<uint64_t>(std::countr_zero(dirty));
        runs.feed(at, Mask(a + at, b + at));
    }
}

using WindowFn = void (*)(const uint8_t* a, const uint8_t* b, uint64_t o, unsigned blocks, RunBuilder& runs);

#ifdef HEXEDIT_TRANSFER_X86
bool haveAvx2() {
    static const bool yes = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
                            __builtin_cpu_supports("popcnt");
    return yes;
}

__attribute__((target("avx2,bmi,popcnt"))) inline bool differsAvx2(const uint8_t* a, const uint8_t* b) {
    const __m256i x0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a));
    const __m256i y0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b));
    const __m256i x1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + 32));
    const __m256i y1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + 32));
    const __m256i d = _mm256_or_si256(_mm256_xor_si256(x0, y0), _mm256_xor_si256(x1, y1));
    return !_mm256_testz_si256(d, d);
}

__attribute__((target("avx2,bmi,popcnt"))) inline uint64_t maskAvx2(const uint8_t* a, const uint8_t* b) {
    const __m256i a0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a));
    const __m256i b0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b));
    const __m256i a1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + 32));
    const __m256i b1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + 32));
    const uint64_t lo = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a0, b0)));
    const uint64_t hi = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a1, b1)));
    return ~(lo | (hi << 32));
}

// window<differsAvx2, maskAvx2>, compiled for AVX2 so that both are inlined.
__attribute__((target("avx2,bmi,popcnt"))) void windowAvx2(const uint8_t* a, const uint8_t* b, uint64_t o,
                                                            unsigned blocks, RunBuilder& runs) {
    uint64_t dirty = 0;
    for (unsigned k = 0; k < blocks; ++k)
        dirty |= static_cast<uint64_t>(differsAvx2(a + o + 64 * k, b + o + 64 * k)) << k;
    for (; dirty; dirty &= dirty - 1) {
        const uint64_t at = o + 64 * static_cast<uint64_t>(std::countr_zero(dirty));
        runs.feed(at, maskAvx2(a + at, b + at));
    }
}

inline bool differsSse2(const uint8_t* a, const uint8_t* b) {
    __m128i acc = _mm_setzero_si128();
    for (int k = 0; k < 64; k += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + k));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + k));
        acc = _mm_or_si128(acc, _mm_xor_si128(x, y));
    }
    return _mm_movemask_epi8(_mm_cmpeq_epi8(acc, _mm_setzero_si128())) != 0xFFFF;
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
#endif

// Positions [o, end).
void scanRange(const uint8_t* a, const uint8_t* b, uint64_t o, uint64_t end, RunBuilder& runs, ScanKernel kernel) {
    WindowFn scan = window<portableDiffers, portableMask>;
#ifdef HEXEDIT_TRANSFER_X86
    // AVX-512 was tried and measured slower here than AVX2 (its loads and
    // the clock it costs), so the best kernel is the AVX2 one.
    if ((kernel == ScanKernel::Best || kernel == ScanKernel::Avx2) && haveAvx2())
        scan = windowAvx2;
    else if (kernel != ScanKernel::Portable)
        scan = window<differsSse2, maskSse2>;
#else
    (void)kernel;
#endif
    while (end - o >= 64) {
        const auto blocks = static_cast<unsigned>(std::min<uint64_t>(kWindowBlocks, (end - o) / 64));
        scan(a, b, o, blocks, runs);
        o += 64 * uint64_t{blocks};
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
    runs.finish();
    return out;
}

}  // namespace hexedit::transfer
