// Speed of Compare Files on two 64 MiB buffers differing in 1% of their
// bytes in scattered runs, beside a memcmp of two equal buffers and the
// comparison as a byte loop, in the same run. The comparison runs its parts
// on several threads, so all of these are timed by the clock on the wall;
// the kernels are also timed alone on one thread.

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "bench/BenchRatios.h"
#include "hexedit/transfer/CompareList.h"
#include "hexedit/transfer/CompareScan.h"

using namespace hexedit::transfer;
using benchratios::ReadLimit;

namespace {

constexpr size_t kSize = size_t{64} << 20;

struct Pair {
    std::vector<uint8_t> a, b, same;
    size_t runs = 0;
};

// Random bytes; `b` has runs of 1 to 16 changed bytes at random places until
// 1% of the bytes differ.
const Pair& pair() {
    static Pair p = [] {
        Pair p;
        p.a.resize(kSize);
        std::mt19937_64 rng(14);
        for (size_t i = 0; i < kSize; i += 8) {
            const uint64_t v = rng();
            std::memcpy(p.a.data() + i, &v, 8);
        }
        p.b = p.a;
        p.same = p.a;
        size_t changed = 0;
        while (changed < kSize / 100) {
            const size_t at = rng() % (kSize - 16), len = 1 + rng() % 16;
            for (size_t i = 0; i < len; ++i) {
                if (p.b[at + i] == p.a[at + i]) ++changed;
                p.b[at + i] = static_cast<uint8_t>(p.a[at + i] ^ (1 + rng() % 255));
            }
        }
        p.runs = findDiffRuns(p.a, p.b)->size();
        return p;
    }();
    return p;
}

void memcmpEqual(benchmark::State& st) {
    const Pair& p = pair();
    for (auto _ : st) benchmark::DoNotOptimize(std::memcmp(p.a.data(), p.same.data(), kSize));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * kSize));
}

// `parts` as findDiffRuns takes it: 0 as many as the machine runs at once.
void scan(benchmark::State& st, bool differing, ScanKernel kernel, unsigned parts) {
    const Pair& p = pair();
    const auto& b = differing ? p.b : p.same;
    for (auto _ : st)
        benchmark::DoNotOptimize(findDiffRuns(p.a, b, [](uint64_t, uint64_t) { return true; }, kernel, parts));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * kSize));
    st.counters["runs"] = static_cast<double>(differing ? p.runs : 0);
}

// The comparison one position at a time.
void byteLoop(benchmark::State& st) {
    const Pair& p = pair();
    for (auto _ : st) {
        std::vector<DiffRun> runs;
        for (size_t i = 0; i < kSize;) {
            if (p.a[i] == p.b[i]) {
                ++i;
                continue;
            }
            size_t k = 0;
            while (i + k < kSize && p.a[i + k] != p.b[i + k]) ++k;
            runs.push_back({static_cast<uint32_t>(i), static_cast<uint32_t>(k)});
            i += k;
        }
        benchmark::DoNotOptimize(runs.data());
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * kSize));
}

// Every line of a 100,000-line result list made once, as a full scroll
// through the list would.
void listLines(benchmark::State& st) {
    RunList runs;
    for (uint32_t i = 0; i < 100000; ++i) runs.push_back({i * 37, 1 + i % 9});
    CompareList list;
    list.setRuns(std::move(runs));
    for (auto _ : st)
        for (size_t r = 0; r < list.size(); ++r) benchmark::DoNotOptimize(list.line(r));
    st.SetItemsProcessed(static_cast<int64_t>(st.iterations() * list.size()));
}

}  // namespace

BENCHMARK_CAPTURE(ReadLimit, 128MiB, 2 * kSize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(memcmpEqual)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(scan, differing_1pct, true, ScanKernel::Best, 0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(scan, equal, false, ScanKernel::Best, 0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(scan, differing_1pct_one_thread, true, ScanKernel::Best, 1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(scan, differing_1pct_avx2, true, ScanKernel::Avx2, 1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(scan, differing_1pct_sse2, true, ScanKernel::Sse2, 1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(scan, differing_1pct_portable, true, ScanKernel::Portable, 1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(byteLoop)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(listLines)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // The compare's time over memcmp's: at most 1.0 means at least memcmp's speed.
    return benchratios::runWithRatios(argc, argv,
                                      {{"scan/differing_1pct/real_time", "memcmpEqual/real_time", 1.0},
                                       {"scan/equal/real_time", "memcmpEqual/real_time", 1.0},
                                       {"scan/differing_1pct_one_thread/real_time", "memcmpEqual/real_time"},
                                       {"scan/differing_1pct_avx2/real_time", "memcmpEqual/real_time"},
                                       {"scan/differing_1pct_sse2/real_time", "memcmpEqual/real_time"},
                                       {"scan/differing_1pct_portable/real_time", "memcmpEqual/real_time"},
                                       {"byteLoop/real_time", "memcmpEqual/real_time"}});
}
