// Open and save of a 64 MiB file through the editor's commands, beside a
// plain read and write of the same file (and a plain write that is flushed
// to the disk, as saving flushes before it renames).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "common/testing/NullPort.h"
#include "hexedit/core/DataPad.h"

namespace {

constexpr size_t kSize = 64u << 20;

const std::string& benchFile() {
    static const std::string path = [] {
        auto p = std::filesystem::temp_directory_path() / ("tarnwick_bench_" + std::to_string(::getpid()) + ".bin");
        std::vector<uint8_t> data(kSize);
        for (size_t i = 0; i < kSize; ++i) data[i] = static_cast<uint8_t>(i * 131 + (i >> 12));
        FILE* f = std::fopen(p.c_str(), "wb");
        std::fwrite(data.data(), 1, data.size(), f);
        std::fclose(f);
        return p.string();
    }();
    return path;
}

void finish(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kSize));
}

void PlainRead(benchmark::State& state) {
    const auto& path = benchFile();
    for (auto _ : state) {
        std::vector<uint8_t> buf(kSize);
        FILE* f = std::fopen(path.c_str(), "rb");
        size_t n = std::fread(buf.data(), 1, buf.size(), f);
        std::fclose(f);
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(buf.data());
    }
    finish(state);
}

void EditorOpen(benchmark::State& state) {
    const auto& path = benchFile();
    common::testing::NullPort port;
    for (auto _ : state) {
        hexedit::DataPad pad(port);
        pad.FormCreate(std::filesystem::temp_directory_path().string());
        pad.tableState().TablePaths[0] = "set";  // no built-in table work inside the timing
        if (!pad.files.openPath(path)) state.SkipWithError("open failed");
        benchmark::DoNotOptimize(pad.editor().FileBuffer());
    }
    finish(state);
}

void plainWrite(benchmark::State& state, bool flush) {
    const std::string out = benchFile() + ".plain";
    std::vector<uint8_t> buf(kSize, 0x5A);
    for (auto _ : state) {
        FILE* f = std::fopen(out.c_str(), "wb");
        std::fwrite(buf.data(), 1, buf.size(), f);
        std::fflush(f);
        if (flush) ::fdatasync(fileno(f));
        std::fclose(f);
    }
    std::filesystem::remove(out);
    finish(state);
}
void PlainWrite(benchmark::State& state) { plainWrite(state, false); }
void PlainWriteFlushed(benchmark::State& state) { plainWrite(state, true); }

void EditorSave(benchmark::State& state) {
    const std::string out = benchFile() + ".saved";
    std::filesystem::copy_file(benchFile(), out, std::filesystem::copy_options::overwrite_existing);
    common::testing::NullPort port;
    hexedit::DataPad pad(port);
    pad.FormCreate(std::filesystem::temp_directory_path().string());
    pad.tableState().TablePaths[0] = "set";
    if (!pad.files.openPath(out)) state.SkipWithError("open failed");
    for (auto _ : state) {
        pad.editorState().Modified = true;
        if (!pad.files.SaveFile1Click()) state.SkipWithError("save failed");
    }
    std::filesystem::remove(out);
    finish(state);
}

}  // namespace

BENCHMARK(PlainRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EditorOpen)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PlainWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PlainWriteFlushed)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EditorSave)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(benchFile());
    return 0;
}
