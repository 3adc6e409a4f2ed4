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

// ROM-like bytes: stretches of random bytes, runs and repeated blocks.
std::vector<uint8_t> romLike(size_t size, std::mt19937& rng) {
    std::vector<uint8_t> rom(size);
    for (size_t i = 0; i < size;) {
        const size_t n = std::min<size_t>(size - i, 256 + rng() % 4096);
        switch (rng() % 4) {
        case 0: std::memset(&rom[i], static_cast<int>(rng() & 0xFF), n); break;
        case 1:
            if (i > 0x10000) {
                std::memcpy(&rom[i], &rom[i - 0x8000 - rng() % 0x8000], std::min<size_t>(n, 0x8000));
                break;
            }
            [[fallthrough]];
        default:
            for (size_t k = 0; k < n; ++k) rom[i + k] = static_cast<uint8_t>(rng());
        }
        i += n;
    }
    return rom;
}

const Pair& pair() {
    static const Pair p = [] {
        Pair p;
        std::mt19937 rng(2026);
        p.source = romLike(kSize, rng);
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

// A translation of a 4 MiB ROM: the 200 KiB of strings at 1 MiB are
// rewritten in another language (other words, other lengths), every byte
// after them shifts by the difference, and the 16-bit pointer table at
// 960 KiB points at the new strings.
struct Translation {
    std::vector<uint8_t> source, target, bps;
};

// Strings of 2 to 14 words, 0x01 between lines and 0x00 at the end, drawn
// from a vocabulary where a few words are common, as in real text.
std::vector<uint8_t> strings(size_t bytes, std::mt19937& rng, std::vector<size_t>& starts) {
    std::vector<std::string> words(600);
    for (auto& w : words) {
        w.resize(2 + rng() % 9);
        for (auto& c : w) c = static_cast<char>('a' + rng() % 26);
    }
    std::vector<uint8_t> out;
    while (out.size() < bytes) {
        starts.push_back(out.size());
        const int n = 2 + static_cast<int>(rng() % 13);
        for (int i = 0; i < n; ++i) {
            const double u = std::uniform_real_distribution<>(0, 1)(rng);
            const std::string& w = words[static_cast<size_t>(u * u * u * static_cast<double>(words.size()))];
            out.insert(out.end(), w.begin(), w.end());
            out.push_back(i + 1 == n ? 0x00 : (i % 5 == 4 ? 0x01 : ' '));
        }
    }
    return out;
}

const Translation& translation() {
    static const Translation p = [] {
        constexpr size_t kRom = size_t{4} << 20, kText = size_t{1} << 20, kTable = 0xF0000, kOld = 200 << 10;
        Translation p;
        std::mt19937 rng(31);
        p.source = romLike(kRom, rng);
        std::vector<size_t> oldStarts, newStarts;
        const auto old = strings(kOld, rng, oldStarts);
        std::copy_n(old.begin(), kOld, p.source.begin() + kText);
        const auto translated = strings(kOld * 23 / 20, rng, newStarts);
        auto pointers = [&](std::vector<uint8_t>& rom, const std::vector<size_t>& starts) {
            for (size_t i = 0; i < std::min<size_t>(oldStarts.size(), starts.size()); ++i) {
                rom[kTable + 2 * i] = static_cast<uint8_t>(kText + starts[i]);
                rom[kTable + 2 * i + 1] = static_cast<uint8_t>((kText + starts[i]) >> 8);
            }
        };
        pointers(p.source, oldStarts);
        p.target.assign(p.source.begin(), p.source.begin() + kText);
        p.target.insert(p.target.end(), translated.begin(), translated.end());
        p.target.insert(p.target.end(), p.source.begin() + kText + kOld, p.source.end());
        pointers(p.target, newStarts);
        p.bps = createBps(p.source, p.target);
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

void BM_BpsCreateTranslation(benchmark::State& state) {
    const auto& p = translation();
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
BENCHMARK(BM_BpsCreateTranslation)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BpsApply)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BpsApplyReused)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FreshCopyBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ips32Create)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Ips32Apply)->Unit(benchmark::kMillisecond);

void write(const std::string& path, const std::vector<uint8_t>& data) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

// Size of an xdelta3 patch of a pair, or -1 when the program is missing.
long long xdeltaSize(const std::vector<uint8_t>& source, const std::vector<uint8_t>& target, const std::string& options = "") {
    const auto dir = std::filesystem::temp_directory_path() / ("patchbench" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    write(dir / "s", source);
    write(dir / "t", target);
    const std::string cmd = "xdelta3 -e -f " + options + " -s '" + (dir / "s").string() + "' '" + (dir / "t").string() + "' '" +
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
        for (const char* name : {"BM_BpsCreate", "BM_BpsCreateTranslation", "BM_BpsApply", "BM_BpsApplyReused", "BM_FreshCopyBaseline",
                                 "BM_Ips32Create", "BM_Ips32Apply"})
            if (seconds_.count(name))
                std::printf("%-18s %8.2f ms = %6.1f x copying 32 MiB\n", name + 3, seconds_[name] * 1e3, seconds_[name] / base);
        if (seconds_["BM_FreshCopyBaseline"] > 0)
            std::printf("BpsApply %.1f x copying 32 MiB into new memory\n",
                        seconds_["BM_BpsApply"] / seconds_["BM_FreshCopyBaseline"]);
        const auto& p = pair();
        std::printf("patch sizes: BPS %zu bytes, IPS32 %zu bytes", p.bps.size(), p.ips32.size());
        if (const long long x = xdeltaSize(p.source, p.target); x >= 0) std::printf(", xdelta3 %lld bytes", x);
        const auto& t = translation();
        std::printf("\ntranslation pair: BPS %zu bytes", t.bps.size());
        if (const long long x = xdeltaSize(t.source, t.target); x >= 0)
            std::printf(", xdelta3 %lld bytes (%.2f x)", x, static_cast<double>(t.bps.size()) / static_cast<double>(x));
        // Without its secondary compression xdelta3 codes like BPS: no entropy coder.
        if (const long long x = xdeltaSize(t.source, t.target, "-S none"); x >= 0)
            std::printf(", xdelta3 -S none %lld bytes (%.2f x)", x, static_cast<double>(t.bps.size()) / static_cast<double>(x));
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
