// Walking every block and decoding every string of a 4 MiB synthetic ROM
// with 4096 strings (64 blocks of 64).
#include <benchmark/benchmark.h>

#include "scripted/Script.h"
#include "tools/mkgamerom/GameRom.h"

namespace {

const mkgamerom::GameRom& benchRom() {
    static const mkgamerom::GameRom rom = mkgamerom::buildBenchRom();
    return rom;
}

void WalkAndDecodeEverything(benchmark::State& state) {
    const auto& rom = benchRom();
    std::span<const uint8_t> image(rom.image);
    std::vector<uint32_t> pointers;
    pointers.reserve(scripted::kMaxStrings);
    for (auto _ : state) {
        size_t strings = 0, events = 0;
        for (const auto& block : rom.blocks) {
            scripted::WalkResult r = scripted::WalkScript(image, scripted::SnesToRom(block.address), pointers);
            strings += r.count;
            for (uint32_t at : pointers) {
                scripted::StringDecoder d(image, at);
                for (;;) {
                    scripted::TextEvent e = d.next();
                    ++events;
                    if (e.kind == scripted::TextEvent::End) break;
                    if (e.kind == scripted::TextEvent::Glyph) benchmark::DoNotOptimize(scripted::GlyphAt(image, e.word));
                }
            }
        }
        if (strings != 4096) state.SkipWithError("expected 4096 strings");
        benchmark::DoNotOptimize(events);
    }
}
BENCHMARK(WalkAndDecodeEverything)->Unit(benchmark::kMillisecond);

void WalkEveryBlock(benchmark::State& state) {
    const auto& rom = benchRom();
    std::vector<uint32_t> pointers;
    for (auto _ : state)
        for (const auto& block : rom.blocks)
            benchmark::DoNotOptimize(scripted::WalkScript(rom.image, scripted::SnesToRom(block.address), pointers));
}
BENCHMARK(WalkEveryBlock)->Unit(benchmark::kMicrosecond);

void DecodeStringEvents(benchmark::State& state) {
    const auto& rom = benchRom();
    for (auto _ : state)
        for (const auto& block : rom.blocks)
            for (uint32_t at : block.strings) benchmark::DoNotOptimize(scripted::DecodeString(rom.image, at));
}
BENCHMARK(DecodeStringEvents)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
