#include "hexedit/transfer/CompareScan.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstring>
#include <exception>
#include <system_error>
#include <thread>

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

    // Where the edges of the next blocks go and what those blocks follow;
    // a loop over blocks keeps it in registers.
    struct Cursor {
        uint32_t* out;
        uint64_t carry;  // the last position fed differs
        uint64_t next;   // the position after the last one fed

        // `width` (1..64) positions from `base`, past those fed before;
        // higher bits of `mask` are clear. Writes up to 65 slots.
        void feed(uint64_t base, uint64_t mask, unsigned width = 64) {
            // A run reaching the end of the last block fed ends there unless
            // this block follows on; then it carries into its first bit.
            const uint64_t follows = base == next;
            *out = static_cast<uint32_t>(next);
            out += carry & ~follows;
            uint64_t edges = mask ^ ((mask << 1) | (carry & follows));
            if (width < 64) edges &= (uint64_t{1} << width) - 1;
            carry = (mask >> (width - 1)) & 1;
            next = base + width;
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
            out += count;
        }
    };

    // A cursor with room for `blocks` (up to kMaxBlocks) blocks, flushing
    // first if need be; they are kept once handed to commit().
    Cursor cursor(unsigned blocks) {
        if (used_ + 65 * size_t{blocks} > kEdges) flush();
        return {edges_.data() + used_, carry_, next_};
    }
    void commit(const Cursor& c) {
        used_ = static_cast<size_t>(c.out - edges_.data());
        carry_ = c.carry;
        next_ = c.next;
    }

    void feed(uint64_t base, uint64_t mask, unsigned width) {
        Cursor c = cursor(1);
        c.feed(base, mask, width);
        commit(c);
    }

    void finish() {
        flush();
        if (open_) out_.push_back({start_, static_cast<uint32_t>(next_) - start_});
        open_ = false;
    }

    static constexpr unsigned kMaxBlocks = 64;

private:
    // Edges held between flushes: the most a cursor may need, which is
    // many times what a window of scattered runs leaves.
    static constexpr size_t kEdges = 65 * kMaxBlocks;

    // Edges alternate between a run's start and its end; each end becomes
    // a length in place, so that the pairs are copied as they are.
    void flush() {
        size_t i = 0;
        if (open_ && used_ > 0) {
            out_.push_back({start_, edges_[0] - start_});
            open_ = false;
            i = 1;
        }
        const size_t runs = (used_ - i) / 2;
        uint32_t* pairs = edges_.data() + i;
        for (size_t r = 0; r < runs; ++r) pairs[2 * r + 1] -= pairs[2 * r];
        out_.appendPairs(pairs, runs);
        i += 2 * runs;
        if (i < used_) {
            start_ = edges_[i];
            open_ = true;
        }
        used_ = 0;
    }

    RunList& out_;
    std::array<uint32_t, kEdges> edges_;
    size_t used_ = 0;
    uint64_t carry_ = 0;
    uint64_t next_ = 0;
    uint32_t start_ = 0;
    bool open_ = false;  // the edges flushed so far leave a run open
};

// Blocks of 64 bytes are taken a window of up to 64 at a time: a first pass
// notes which blocks differ at all, with one test each and no branch, and a
// second computes the masks of only those. So equal blocks cost no branch
// and the blocks with runs only the visit.
constexpr unsigned kWindowBlocks = RunBuilder::kMaxBlocks;

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

// The first pass: which of `blocks` (1..64) blocks from position o differ.
template <bool (*Differs)(const uint8_t*, const uint8_t*)>
uint64_t dirtyOf(const uint8_t* a, const uint8_t* b, uint64_t o, unsigned blocks) {
    uint64_t dirty = 0;
    for (unsigned k = 0; k < blocks; ++k, o += 64) dirty |= static_cast<uint64_t>(Differs(a + o, b + o)) << k;
    return dirty;
}

// The second pass: the masks of the `dirty` blocks from position o.
template <uint64_t (*Mask)(const uint8_t*, const uint8_t*)>
void feedOf(const uint8_t* a, const uint8_t* b, uint64_t o, uint64_t dirty, RunBuilder& runs) {
    RunBuilder::Cursor c = runs.cursor(static_cast<unsigned>(std::popcount(dirty)));
    for (; dirty; dirty &= dirty - 1) {
        const uint64_t at = o + 64 * static_cast<uint64_t>(std::countr_zero(dirty));
        c.feed(at, Mask(a + at, b + at));
    }
    runs.commit(c);
}

struct Kernel {
    uint64_t (*dirty)(const uint8_t* a, const uint8_t* b, uint64_t o, unsigned blocks);
    void (*feed)(const uint8_t* a, const uint8_t* b, uint64_t o, uint64_t dirty, RunBuilder& runs);
};

#ifdef HEXEDIT_TRANSFER_X86
bool haveAvx2() {
    static const bool yes = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
                            __builtin_cpu_supports("popcnt");
    return yes;
}

// Nonzero where the 64 bytes differ.
__attribute__((target("avx2,bmi,popcnt"))) inline __m256i diffAvx2(const uint8_t* a, const uint8_t* b) {
    const __m256i x0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a));
    const __m256i y0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b));
    const __m256i x1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + 32));
    const __m256i y1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + 32));
    return _mm256_or_si256(_mm256_xor_si256(x0, y0), _mm256_xor_si256(x1, y1));
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

// The AVX2 passes, compiled for AVX2 so that the vector code is inlined.
__attribute__((target("avx2,bmi,popcnt"))) uint64_t dirtyAvx2(const uint8_t* a, const uint8_t* b, uint64_t o,
                                                               unsigned blocks) {
    uint64_t dirty = 0;
    unsigned k = 0;
    // Four blocks at a time: saturating packs (which keep a nonzero value
    // nonzero) narrow each block's difference to one 32-bit lane, so that
    // one compare answers for all four.
    for (; k + 4 <= blocks; k += 4, o += 256) {
        const __m256i p = _mm256_packs_epi16(_mm256_packs_epi32(diffAvx2(a + o, b + o), diffAvx2(a + o + 64, b + o + 64)),
                                             _mm256_packs_epi32(diffAvx2(a + o + 128, b + o + 128),
                                                                diffAvx2(a + o + 192, b + o + 192)));
        const __m128i q = _mm_or_si128(_mm256_castsi256_si128(p), _mm256_extracti128_si256(p, 1));
        const auto equal = static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(q, _mm_setzero_si128()))));
        dirty |= static_cast<uint64_t>(equal ^ 0xF) << k;
    }
    for (; k < blocks; ++k, o += 64) {
        const __m256i d = diffAvx2(a + o, b + o);
        dirty |= static_cast<uint64_t>(!_mm256_testz_si256(d, d)) << k;
    }
    return dirty;
}

__attribute__((target("avx2,bmi,popcnt"))) void feedAvx2(const uint8_t* a, const uint8_t* b, uint64_t o,
                                                          uint64_t dirty, RunBuilder& runs) {
    RunBuilder::Cursor c = runs.cursor(static_cast<unsigned>(std::popcount(dirty)));
    for (; dirty; dirty &= dirty - 1) {
        const uint64_t at = o + 64 * static_cast<uint64_t>(std::countr_zero(dirty));
        c.feed(at, maskAvx2(a + at, b + at));
    }
    runs.commit(c);
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
void scanRange(const uint8_t* a, const uint8_t* b, uint64_t o, uint64_t end, RunBuilder& runs, ScanKernel kind) {
    Kernel kernel{dirtyOf<portableDiffers>, feedOf<portableMask>};
#ifdef HEXEDIT_TRANSFER_X86
    // AVX-512 was tried and measured slower here than AVX2 (its loads and
    // the clock it costs), so the best kernel is the AVX2 one.
    if ((kind == ScanKernel::Best || kind == ScanKernel::Avx2) && haveAvx2())
        kernel = {dirtyAvx2, feedAvx2};
    else if (kind != ScanKernel::Portable)
        kernel = {dirtyOf<differsSse2>, feedOf<maskSse2>};
#else
    (void)kind;
#endif
    // A window's differing blocks are visited after the next window's test:
    // by then the bytes that decide how often the visiting loop turns have
    // long arrived, so a mispredicted end of that loop costs only the
    // pipeline, not another wait for memory, and the loads run on meanwhile.
    uint64_t pendingAt = o, pending = 0;
    while (end - o >= 64) {
        const auto blocks = static_cast<unsigned>(std::min<uint64_t>(kWindowBlocks, (end - o) / 64));
        const uint64_t dirty = kernel.dirty(a, b, o, blocks);
        kernel.feed(a, b, pendingAt, pending, runs);
        pendingAt = o;
        pending = dirty;
        o += 64 * uint64_t{blocks};
    }
    kernel.feed(a, b, pendingAt, pending, runs);
    if (o < end) runs.feed(o, tailMask(a + o, b + o, end - o), static_cast<unsigned>(end - o));
}

// Parts of a long comparison scanned at once: at least this long each, so
// that starting a thread costs little beside the part, and at most this
// many, past which memory gives no more.
constexpr uint64_t kMinPart = uint64_t{4} << 20;
constexpr unsigned kMaxParts = 4;

unsigned partsFor(uint64_t bytes) {
    const uint64_t cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<uint64_t>({cores, kMaxParts, std::max<uint64_t>(1, bytes / kMinPart)}));
}

// Positions [from, to) a chunk at a time; `step` is told each chunk's length
// and answers whether to go on.
template <class Step>
bool scanPart(const uint8_t* a, const uint8_t* b, uint64_t from, uint64_t to, RunBuilder& runs, ScanKernel kernel,
              Step&& step) {
    for (uint64_t o = from; o < to;) {
        const uint64_t end = std::min(to, o + kChunk);
        scanRange(a, b, o, end, runs, kernel);
        if (!step(end - o)) return false;
        o = end;
    }
    runs.finish();
    return true;
}

}  // namespace

void RunList::appendPairs(const uint32_t* pairs, size_t n) {
    static_assert(sizeof(DiffRun) == 2 * sizeof(uint32_t), "a run is its two numbers");
    appendRuns(pairs, n);
}

void RunList::appendRuns(const void* runs, size_t n) {
    const auto* from = static_cast<const uint8_t*>(runs);
    while (n > 0) {
        if ((size_ & kMask) == 0) blocks_.push_back(std::make_unique_for_overwrite<DiffRun[]>(kMask + 1));
        const size_t room = kMask + 1 - (size_ & kMask), count = std::min(n, room);
        std::memcpy(blocks_.back().get() + (size_ & kMask), from, count * sizeof(DiffRun));
        from += count * sizeof(DiffRun);
        size_ += count;
        n -= count;
    }
}

void RunList::join(const RunList& next) {
    size_t i = 0;
    if (size_ > 0 && next.size_ > 0) {
        DiffRun& last = blocks_.back()[(size_ - 1) & kMask];
        if (last.offset + last.length == next[0].offset) {
            last.length += next[0].length;
            i = 1;
        }
    }
    while (i < next.size_) {
        const size_t count = std::min(next.size_ - i, kMask + 1 - (i & kMask));
        appendRuns(&next[i], count);
        i += count;
    }
}

std::vector<DiffRun> RunList::toVector() const {
    std::vector<DiffRun> v;
    v.reserve(size_);
    for (size_t i = 0; i < size_; ++i) v.push_back((*this)[i]);
    return v;
}

std::optional<RunList> findDiffRuns(std::span<const uint8_t> a, std::span<const uint8_t> b,
                                    const ScanProgress& progress, ScanKernel kernel, unsigned parts) {
    const uint64_t n = std::min<uint64_t>({a.size(), b.size(), kMaxCompareLength});
    if (progress && !progress(0, n)) return std::nullopt;
    // Up to 63 bytes one by one first, so that the blocks of the first buffer
    // start on cache lines: loads split across two lines are slow, and two
    // buffers from one allocator mostly share their alignment.
    const uint64_t head = std::min<uint64_t>(n, (64 - (reinterpret_cast<uintptr_t>(a.data()) & 63)) & 63);
    const uint64_t body = n - head;
    const unsigned count = parts ? static_cast<unsigned>(std::clamp<uint64_t>(body / 64, 1, parts)) : partsFor(body);
    // Part k is [cut[k], cut[k + 1]); the cuts between parts fall on blocks.
    std::vector<uint64_t> cut(count + 1, n);
    for (unsigned k = 0; k < count; ++k) cut[k] = head + ((body * k / count) & ~uint64_t{63});
    std::vector<RunList> lists(count);

    // The other parts run on threads of their own, stopped and joined
    // however this function is left; a part whose thread could not start is
    // scanned here after the first.
    struct Crew {
        std::atomic<bool> stop{false};
        std::atomic<uint64_t> done{0};  // bytes the threads have compared
        std::vector<std::thread> threads;
        std::vector<std::exception_ptr> errors;
        void join() {
            for (std::thread& t : threads) t.join();
            threads.clear();
        }
        ~Crew() {
            stop = true;
            join();
        }
    } crew;
    crew.errors.resize(count);
    unsigned started = 1;
    for (; started < count; ++started) {
        try {
            crew.threads.emplace_back([&, k = started] {
                try {
                    RunBuilder runs(lists[k]);
                    scanPart(a.data(), b.data(), cut[k], cut[k + 1], runs, kernel, [&](uint64_t bytes) {
                        crew.done.fetch_add(bytes, std::memory_order_relaxed);
                        return !crew.stop.load(std::memory_order_relaxed);
                    });
                } catch (...) {
                    crew.errors[k] = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            break;
        }
    }

    uint64_t own = head;
    const auto step = [&](uint64_t bytes) {
        own += bytes;
        if (!progress || progress(own + crew.done.load(std::memory_order_relaxed), n)) return true;
        crew.stop = true;
        return false;
    };
    {
        RunBuilder runs(lists[0]);
        if (head) runs.feed(0, tailMask(a.data(), b.data(), head), static_cast<unsigned>(head));
        if (!scanPart(a.data(), b.data(), head, cut[1], runs, kernel, step)) return std::nullopt;
    }
    for (unsigned k = started; k < count; ++k) {
        RunBuilder runs(lists[k]);
        if (!scanPart(a.data(), b.data(), cut[k], cut[k + 1], runs, kernel, step)) return std::nullopt;
    }
    crew.join();
    for (const std::exception_ptr& e : crew.errors)
        if (e) std::rethrow_exception(e);
    // The threads' parts are counted in the last report.
    if (count > 1 && progress && !progress(n, n)) return std::nullopt;
    for (unsigned k = 1; k < count; ++k) lists[0].join(lists[k]);
    return std::move(lists[0]);
}

}  // namespace hexedit::transfer
