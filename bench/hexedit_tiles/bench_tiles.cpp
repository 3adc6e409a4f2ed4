// Decoding a full 128 x 128 tile view in each format, against a plain copy
// of the same 16 KiB as the baseline, and one-row scrolls through a 4 MiB
// file.

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "hexedit/tiles/TileFormats.h"

using namespace hexedit::tiles;

namespace {

const std::vector<uint8_t>& file() {
    static const std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> b(4 << 20);
        std::mt19937 rng(3);
        for (auto& x : b) x = static_cast<uint8_t>(rng());
        return b;
    }();
    return bytes;
}

// Baseline: copying the 16384 pixel bytes of the area.
void BM_CopyArea(benchmark::State& state) {
    TileArea area{};
    for (auto _ : state) {
        std::memcpy(area.data(), file().data() + 4096, area.size());
        benchmark::DoNotOptimize(area.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyArea);

void BM_DecodeFullView(benchmark::State& state) {
    const TileLayout l{&kTileFormats[static_cast<size_t>(state.range(0))], 8, 16};
    TileArea area{};
    state.SetLabel(std::string(l.format->caption));
    for (auto _ : state) {
        decodeView(l, file(), 4096, Redraw::Full, area);
        benchmark::DoNotOptimize(area.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DecodeFullView)->DenseRange(0, kFormatCount - 1);

// Scrolling down row by row through the whole file, as the scroll bar's
// line action does; one iteration is one row.
void BM_ScrollDown4MiB(benchmark::State& state) {
    const TileLayout l{&kTileFormats[3], 8, 16};
    TileArea area{};
    int64_t top = 0;
    const int64_t last = static_cast<int64_t>(file().size()) - l.screenBytes();
    decodeView(l, file(), top, Redraw::Full, area);
    for (auto _ : state) {
        top += l.rowBytes();
        if (top > last) {
            top = 0;
            decodeView(l, file(), top, Redraw::Full, area);
        } else {
            decodeView(l, file(), top, Redraw::ScrollDown, area);
        }
        benchmark::DoNotOptimize(area.data());
    }
}
BENCHMARK(BM_ScrollDown4MiB);

}  // namespace

BENCHMARK_MAIN();
