#include <gtest/gtest.h>

#include <random>
#include <span>
#include <vector>

#include "hexedit/transfer/CompareList.h"
#include "hexedit/transfer/CompareScan.h"

using namespace hexedit::transfer;

namespace {

using Bytes = std::vector<uint8_t>;

// The comparison as a byte loop over the shorter length.
std::vector<DiffRun> slowRuns(std::span<const uint8_t> a, std::span<const uint8_t> b) {
    const size_t n = std::min(a.size(), b.size());
    std::vector<DiffRun> runs;
    for (size_t p = 0; p < n;) {
        if (a[p] == b[p]) {
            ++p;
            continue;
        }
        size_t k = 0;
        while (p + k < n && a[p + k] != b[p + k]) ++k;
        runs.push_back({static_cast<uint32_t>(p), static_cast<uint32_t>(k)});
        p += k;
    }
    return runs;
}

// `b` is a copy of `a` with the runs changed.
Bytes withRuns(const Bytes& a, std::initializer_list<DiffRun> runs) {
    Bytes b = a;
    for (const DiffRun& r : runs)
        for (uint32_t i = 0; i < r.length; ++i) b[r.offset + i] ^= 0x5A;
    return b;
}

}  // namespace

TEST(CompareScan, RunsAtTheEdgesAndTheShorterLengthBound) {
    const Bytes base(300, 0x11);
    struct Case {
        const char* what;
        Bytes a, b;
        std::vector<DiffRun> want;
    };
    Bytes longer = base;
    longer.resize(500, 0x22);
    Bytes shortDiff = withRuns(base, {{290, 10}});
    const std::vector<Case> cases = {
        {"equal", base, base, {}},
        {"one empty", {}, base, {}},
        {"start", withRuns(base, {{0, 3}}), base, {{0, 3}}},
        {"end", base, withRuns(base, {{297, 3}}), {{297, 3}}},
        {"0x10..0x12", base, withRuns(base, {{0x10, 3}}), {{0x10, 3}}},
        {"block edges", base, withRuns(base, {{63, 2}, {127, 1}, {128, 1}, {256, 44}}), {{63, 2}, {127, 2}, {256, 44}}},
        {"longer copy", base, longer, {}},
        {"run cut by the shorter file", longer, shortDiff, {{290, 10}}},
    };
    for (const Case& c : cases) {
        auto runs = findDiffRuns(c.a, c.b);
        ASSERT_TRUE(runs) << c.what;
        EXPECT_EQ(runs->toVector(), c.want) << c.what;
    }
}

TEST(CompareScan, AgreesWithAByteLoopOnRandomPairs) {
    std::mt19937 rng(14);
    const ScanKernel kernels[] = {ScanKernel::Best, ScanKernel::Avx2, ScanKernel::Sse2, ScanKernel::Portable};
    for (int round = 0; round < 600; ++round) {
        // Every fifth pair long enough for runs to fall far apart, across
        // the scan's larger strides; either buffer may start anywhere in a
        // cache line.
        const bool sparse = round % 5 == 0;
        const size_t offA = rng() % 64, offB = rng() % 64;
        Bytes a(offA + rng() % (sparse ? 40000 : 1200)), b(offB + rng() % (sparse ? 40000 : 1200));
        for (auto& x : a) x = static_cast<uint8_t>(rng() % 4);
        // Mostly a copy with scattered changes, sometimes unrelated bytes.
        const unsigned density = 1 + rng() % (sparse ? 3000 : 60);
        for (size_t i = offB; i < b.size(); ++i) {
            const size_t j = i - offB + offA;
            b[i] = (j < a.size() && rng() % density != 0) ? a[j] : static_cast<uint8_t>(rng() % 4);
        }
        const auto sa = std::span<const uint8_t>(a).subspan(offA);
        const auto sb = std::span<const uint8_t>(b).subspan(offB);
        // Cut into up to four parts scanned at once, so that runs cross the cuts.
        auto runs = findDiffRuns(sa, sb, {}, kernels[round % 4], 1 + round % 4);
        ASSERT_TRUE(runs);
        ASSERT_EQ(runs->toVector(), slowRuns(sa, sb)) << "round " << round;
    }
    // More runs than one block of the run list holds, and more edges in a
    // block of 64 than the builder writes without a loop.
    Bytes a(40001, 0), b(40001, 0);
    for (size_t i = 0; i < b.size(); i += 2) b[i] = 1;
    for (const ScanKernel k : kernels) EXPECT_EQ(findDiffRuns(a, b, {}, k)->toVector(), slowRuns(a, b));
    // Parts whose lists span blocks joined, the run across their cut made one.
    b.assign(b.size(), 1);
    for (const unsigned parts : {2u, 3u}) EXPECT_EQ(findDiffRuns(a, b, {}, ScanKernel::Best, parts)->toVector(), slowRuns(a, b));
    b[100] = 0;
    b[30000] = 0;
    EXPECT_EQ(findDiffRuns(a, b, {}, ScanKernel::Best, 4)->toVector(), slowRuns(a, b));
}

TEST(CompareScan, ReportsProgressAndStopsWhenCancelled) {
    // A run across the first progress step.
    const size_t step = size_t{1} << 20;
    const Bytes a(2 * step + 5, 0);
    const Bytes b = withRuns(a, {{static_cast<uint32_t>(step - 7), 20}});
    uint64_t last = 0;
    auto runs = findDiffRuns(a, b, [&](uint64_t done, uint64_t) { return (last = done), true; });
    EXPECT_EQ(runs->toVector(), (std::vector<DiffRun>{{static_cast<uint32_t>(step - 7), 20}}));
    EXPECT_EQ(last, a.size());
    int calls = 0;
    EXPECT_FALSE(findDiffRuns(a, b, [&](uint64_t, uint64_t) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
    // In parts, every part's bytes are counted by the end, and a stop from
    // the calling thread ends the comparison with nothing.
    last = 0;
    runs = findDiffRuns(a, b, [&](uint64_t done, uint64_t) { return (last = done), true; }, ScanKernel::Best, 2);
    EXPECT_EQ(runs->toVector(), (std::vector<DiffRun>{{static_cast<uint32_t>(step - 7), 20}}));
    EXPECT_EQ(last, a.size());
    EXPECT_FALSE(findDiffRuns(a, b, [&](uint64_t done, uint64_t) { return done == 0; }, ScanKernel::Best, 2));
    // Offsets wider than the six-column count still print whole.
    EXPECT_EQ(compareLine(0xFFFFFFFF, 1234567), "[FFFFFFFF] ; 1234567 bytes different at location.");
}
