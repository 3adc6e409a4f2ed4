#pragma once
// The byte comparison behind Compare Files: every run of differing bytes of
// two buffers over the length of the shorter one, found with a vectorised
// scan that skips equal stretches a block at a time.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace hexedit::transfer {

// `length` consecutive positions from `offset` at which the two buffers differ,
// bounded by an equal pair or the end of the shorter buffer.
struct DiffRun {
    uint32_t offset;
    uint32_t length;
    bool operator==(const DiffRun&) const = default;
};

// The runs of a comparison, kept in fixed blocks so that a list of millions
// grows without copying and without touching more memory than it holds.
class RunList {
public:
    RunList() = default;
    RunList(std::initializer_list<DiffRun> runs) {
        for (const DiffRun& r : runs) push_back(r);
    }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const DiffRun& operator[](size_t i) const { return blocks_[i >> kShift][i & kMask]; }
    void push_back(DiffRun r) {
        if ((size_ & kMask) == 0) blocks_.push_back(std::make_unique_for_overwrite<DiffRun[]>(kMask + 1));
        blocks_.back()[size_ & kMask] = r;
        ++size_;
    }
    // `n` runs given as offset and length, one number after the other.
    void appendPairs(const uint32_t* pairs, size_t n);
    // The runs of `next`, which all lie past these; a run of `next` starting
    // where the last one here ends continues it.
    void join(const RunList& next);
    std::vector<DiffRun> toVector() const;

private:
    void appendRuns(const void* runs, size_t n);

    static constexpr unsigned kShift = 13;  // 8192 runs, 64 KiB a block
    static constexpr size_t kMask = (size_t{1} << kShift) - 1;
    std::vector<std::unique_ptr<DiffRun[]>> blocks_;
    size_t size_ = 0;
};

// Offsets are 32-bit, as shown in the list; no more bytes are compared.
inline constexpr uint64_t kMaxCompareLength = UINT32_MAX;

// Called with the bytes compared so far and the total; false stops the scan.
using ScanProgress = std::function<bool(uint64_t done, uint64_t total)>;

// The loop that compares blocks: the best one the processor has, or a
// narrower one (tests and benchmarks pick them to check them all).
enum class ScanKernel { Best, Avx2, Sse2, Portable };

// The runs in ascending order over the first min(a.size(), b.size(),
// kMaxCompareLength) bytes.
// Bytes past the shorter buffer are never compared. Nothing when `progress`
// answered false; it is called on the calling thread only.
//
// One core's loads fall short of what memory delivers, so long buffers are
// cut into `parts` scanned at once, each on a thread of its own; 0 picks as
// many as there are cores, up to 4, giving each at least 4 MiB.
std::optional<RunList> findDiffRuns(std::span<const uint8_t> a, std::span<const uint8_t> b,
                                    const ScanProgress& progress = {}, ScanKernel kernel = ScanKernel::Best,
                                    unsigned parts = 0);

}  // namespace hexedit::transfer
