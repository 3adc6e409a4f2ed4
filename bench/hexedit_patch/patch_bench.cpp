// BPS and IPS32 creation and application on a 32 MiB pair with 1% of the
// bytes changed (scattered edits of 1 to 64 bytes), against copying the
// 32 MiB once as the baseline of the same run. Prints the ratios and the
// patch sizes, with an xdelta3 patch of the same pair when the program is
// installed.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "hexedit/romtools/Bps.h"
#include "hexedit/romtools/Ips32.h"

using namespace hexedit::romtools;

namespace {

constexpr size_t kSize = size_t{32} << 20;

struct Pair {
    std::vector<uint8_t> source, target;
    std::vector<uint8_t> bps, ips32;
};

// ROM-like source: stretches of random bytes, runs and repeated blocks.
const Pair& pair() {
    static const Pair p = [] {
        Pair p;
        std::mt19937 rng(2026);
        p.source.resize(kSize);
        for (size_t i = 0; i < kSize;) {
            const size_t n = std::min<size_t>(kSize - i, 256 + rng() % 4096);
            switch (rng() % 4) {
            case 0: std::memset(&p.source[i], static_cast<int>(rng() & 0xFF), n); break;
            case 1:
                if (i > 0x10000) {
                    std::memcpy(&p.source[i], &p.source[i - 0x8000 - rng() % 0x8000], std::min<size_t>(n, 0x8000));
                    break;
                }
                [[fallthrough]];
            default:
                for (size_t k = 0; k < n; ++k) p.source[i + k] = static_cast<uint8_t>(rng());
            }
            i += n;
        }
        p.target = p.source;
        size_t changed = 0;
        while (changed < kSize / 100) {
            const size_t at = rng() % (kSize - 64), n = 1 + rng() % 64;
            for (size_t k = 0; k < n; ++k) p.target[at + k] = static_cast<uint8_t>(rng());
            changed += n;
        }
        p.bps = createBps(p.source, p.target);
        p.ips32 = createIps32(p.source, p.target).patch;
        return p;
    }();
    return p;
}

void BM_CopyBaseline(benchmark::State& state) {
    const auto& p = pair();
    std::vector<uint8_t> out(kSize);
    for (auto _ : state) {
        std::memcpy(out.data(), p.source.data(), kSize);
        benchmark::DoNotOptimize(out.data());
    }
}

void BM_BpsCreate(benchmark::State& state) {
    const auto& p = pair();
    for (auto _ : state) benchmark::DoNotOptimize(createBps(p.source, p.target));
}

void BM_BpsApply(benchmark::State& state) {
    const auto& p = pair();
    for (auto _ : state) {
        auto r = applyBps(p.bps, p.source);
        if (r.status != BpsApplyStatus::Ok) state.SkipWithError("BPS apply failed");
        benchmark::DoNotOptimize(r.target.data());
    }
}

// Into a target whose memory is reused: the cost of the apply itself, as
// the baseline copy is measured, without the page faults of new memory.
void BM_BpsApplyReused(benchmark::State& state) {
    const auto& p = pair();
    std::vector<uint8_t> out;
    for (auto _ : state) {
        if (applyBps(p.bps, p.source, out).status != BpsApplyStatus::Ok) state.SkipWithError("BPS apply failed");
        benchmark::DoNotOptimize(out.data());
    }
}

// Copying into new memory: the floor of any apply that returns a new file.
void BM_FreshCopyBaseline(benchmark::State& state) {
    const auto& p = pair();
    for (auto _ : state) {
        std::vector<uint8_t> out(p.source.begin(), p.source.end());
        benchmark::DoNotOptimize(out.data());
    }
}

void BM_Ips32Create(benchmark::State& state) {
    const auto& p = pair();
    for (auto _ : state) benchmark::DoNotOptimize(createIps32(p.source, p.target));
}

void BM_Ips32Apply(benchmark::State& state) {
    const auto& p = pair();
    std::vector<uint8_t> file;
    for (auto _ : state) {
        file = p.source;  // applying works on a copy, as the commands do
        if (applyIps32(p.ips32, file) != Ips32ApplyStatus::Ok) state.SkipWithError("IPS32 apply failed");
        benchmark::DoNotOptimize(file.data());
    }
}

BENCHMARK(BM_CopyBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BpsCreate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BpsApply)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BpsApplyReused)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FreshCopyBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ips32Create)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ips32Apply)->Unit(benchmark::kMillisecond);

void write(const std::string& path, const std::vector<uint8_t>& data) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

// Size of an xdelta3 patch of the pair, or -1 when the program is missing.
long long xdeltaSize() {
    const auto dir = std::filesystem::temp_directory_path() / ("patchbench" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    write(dir / "s", pair().source);
    write(dir / "t", pair().target);
    const std::string cmd = "xdelta3 -e -f -s '" + (dir / "s").string() + "' '" + (dir / "t").string() + "' '" +
                            (dir / "p").string() + "' 2>/dev/null";
    long long size = -1;
    if (std::system(cmd.c_str()) == 0) size = static_cast<long long>(std::filesystem::file_size(dir / "p"));
    std::filesystem::remove_all(dir);
    return size;
}

// CPU time per iteration: the machine may be shared.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                seconds_[run.benchmark_name()] = run.cpu_accumulated_time / static_cast<double>(run.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double base = seconds_["BM_CopyBaseline"];
        if (base <= 0) return;
        for (const char* name : {"BM_BpsCreate", "BM_BpsApply", "BM_BpsApplyReused", "BM_FreshCopyBaseline",
                                 "BM_Ips32Create", "BM_Ips32Apply"})
            if (seconds_.count(name))
                std::printf("%-18s %8.2f ms = %6.1f x copying 32 MiB\n", name + 3, seconds_[name] * 1e3, seconds_[name] / base);
        if (seconds_["BM_FreshCopyBaseline"] > 0)
            std::printf("BpsApply %.1f x copying 32 MiB into new memory\n",
                        seconds_["BM_BpsApply"] / seconds_["BM_FreshCopyBaseline"]);
        const auto& p = pair();
        std::printf("patch sizes: BPS %zu bytes, IPS32 %zu bytes", p.bps.size(), p.ips32.size());
        if (const long long x = xdeltaSize(); x >= 0) std::printf(", xdelta3 %lld bytes", x);
        std::printf("\n");
    }

private:
    std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
