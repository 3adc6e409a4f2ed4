// The block codec on 64 KiB inputs: the reference scan against the fast
// encoder on random and tile-like data in one run, and decoding. Prints the
// speed-up of the fast encoder after the table.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "compress/Codec.h"
#include "compress/testing/SampleData.h"

using namespace vt2comp;

namespace {

constexpr size_t kSize = 0x10000;

const std::vector<uint8_t>& input(int kind) {
    static const std::vector<uint8_t> random = sample::randomBytes(kSize, 11);
    static const std::vector<uint8_t> tiles = sample::tileLikeData(kSize, 11);
    return kind == 0 ? random : tiles;
}

const char* kindName(int kind) { return kind == 0 ? "random" : "tiles"; }

void encode(benchmark::State& state, bool fast, RunRule rule) {
    const auto& data = input(static_cast<int>(state.range(0)));
    std::vector<uint8_t> packed(0x20000);
    size_t p = 0;
    for (auto _ : state) {
        auto r = fast ? PackBlock(data, packed) : PackBlockReference(data, packed, rule);
        p = r.value_or(0);
        benchmark::DoNotOptimize(packed.data());
    }
    state.SetLabel(std::string(kindName(static_cast<int>(state.range(0)))) + ", packed " + std::to_string(p));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}

void BM_EncodePlainScan(benchmark::State& state) { encode(state, false, RunRule::Plain); }
void BM_EncodeReference(benchmark::State& state) { encode(state, false, RunRule::Sound); }
void BM_EncodeFast(benchmark::State& state) { encode(state, true, RunRule::Sound); }

void BM_Decode(benchmark::State& state) {
    // Tiles compress to a block the signed length field can hold; random
    // data is cut to the largest block that still fits.
    const int kind = static_cast<int>(state.range(0));
    std::vector<uint8_t> data = input(kind);
    std::vector<uint8_t> packed(0x20000);
    size_t p = PackBlock(data, packed).value_or(0);
    while (p > kMaxStreamLength) {
        data.resize(data.size() * 7 / 8);
        p = PackBlock(data, packed).value_or(0);
    }
    std::vector<uint8_t> image(p + 2);
    image[0] = static_cast<uint8_t>(p);
    image[1] = static_cast<uint8_t>(p >> 8);
    std::copy_n(packed.begin(), p, image.begin() + 2);
    std::vector<uint8_t> out(kDataCapacity);
    size_t count = 0;
    for (auto _ : state) {
        count = DecodeBlock(image, 0, out).count;
        benchmark::DoNotOptimize(out.data());
    }
    state.SetLabel(std::string(kindName(kind)) + ", unpacked " + std::to_string(count));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * count));
}

BENCHMARK(BM_EncodePlainScan)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeReference)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeFast)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Keeps the CPU time per iteration of every run to print the ratios (CPU
// time, since the machine may be shared).
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
        for (const char* arg : {"0", "1"}) {
            const std::string kind = arg[0] == '0' ? "random" : "tiles";
            const double ref = seconds_["BM_EncodeReference/" + std::string(arg)];
            const double plain = seconds_["BM_EncodePlainScan/" + std::string(arg)];
            const double fast = seconds_["BM_EncodeFast/" + std::string(arg)];
            if (ref > 0 && fast > 0)
                std::printf("%-6s 64 KiB: reference scan %.3f ms, plain scan %.3f ms, fast %.3f ms: %.1fx faster\n",
                            kind.c_str(), ref * 1e3, plain * 1e3, fast * 1e3, ref / fast);
        }
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
