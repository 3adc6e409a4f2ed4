// Opening a large file in the editor and showing its first page, against
// reading the whole file (as cat does) and against reading just one page;
// then the memory that opening and a few changes cost. The file is
// TARNWICK_BENCH_MIB MiB (64 by default; 1024 for the 1 GiB case), made
// once per run and read from the page cache.
//
// Peak memory of the process: run only EditorOpenAndEdit under
// /usr/bin/time -v (its counters give the growth of this process's memory
// and the bytes held apart from the file).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "bench/BenchRatios.h"
#include "common/testing/NullPort.h"
#include "hexedit/core/DataPad.h"

namespace {

size_t fileBytes() {
    static const size_t bytes = [] {
        const char* mib = std::getenv("TARNWICK_BENCH_MIB");
        const long n = mib ? std::atol(mib) : 0;
        return size_t(n > 0 && n < 2048 ? n : 64) << 20;
    }();
    return bytes;
}

const std::string& benchFile() {
    static const std::string path = [] {
        auto p = std::filesystem::temp_directory_path() / ("tarnwick_open_" + std::to_string(::getpid()) + ".bin");
        std::vector<uint8_t> chunk(size_t{1} << 20);
        FILE* f = std::fopen(p.c_str(), "wb");
        for (size_t at = 0; f && at < fileBytes(); at += chunk.size()) {
            for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<uint8_t>((at + i) * 131 + ((at + i) >> 12));
            std::fwrite(chunk.data(), 1, chunk.size(), f);
        }
        if (f) std::fclose(f);
        return p.string();
    }();
    return path;
}

// Resident memory of this process in bytes.
size_t residentBytes() {
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (f && std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    if (f) std::fclose(f);
    return static_cast<size_t>(resident) * static_cast<size_t>(::sysconf(_SC_PAGESIZE));
}

// What cat does: the whole file through a buffer.
void CatFile(benchmark::State& state) {
    std::vector<uint8_t> buf(size_t{128} << 10);
    for (auto _ : state) {
        const int fd = ::open(benchFile().c_str(), O_RDONLY);
        ssize_t n = 0;
        while ((n = ::read(fd, buf.data(), buf.size())) > 0) benchmark::DoNotOptimize(buf.data());
        ::close(fd);
    }
}

// The least any program showing the first page does.
void ReadOnePage(benchmark::State& state) {
    uint8_t page[4096];
    for (auto _ : state) {
        const int fd = ::open(benchFile().c_str(), O_RDONLY);
        benchmark::DoNotOptimize(::pread(fd, page, sizeof page, 0));
        ::close(fd);
    }
}

struct Editor {
    common::testing::NullPort port;
    hexedit::DataPad pad{port};
    Editor() {
        pad.FormCreate(std::filesystem::temp_directory_path().string());
        pad.tableState().TablePaths[0] = "set";  // no built-in table work inside the timing
    }
    // Opens the file and reads the bytes of its first page.
    bool openToFirstPage() {
        if (!pad.files.openPath(benchFile())) return false;
        const auto first = pad.bytes().first(4096);
        benchmark::DoNotOptimize(std::accumulate(first.begin(), first.end(), 0u));
        return true;
    }
};

void EditorOpen(benchmark::State& state) {
    benchFile();
    Editor e;
    for (auto _ : state)
        if (!e.openToFirstPage()) state.SkipWithError("open failed");
}

// Open, three typed bytes far apart, a fill of 256 KiB, one undo and redo.
void EditorOpenAndEdit(benchmark::State& state) {
    benchFile();
    Editor e;
    const size_t before = residentBytes();
    const auto size = static_cast<int32_t>(fileBytes());
    for (auto _ : state) {
        if (!e.openToFirstPage()) state.SkipWithError("open failed");
        for (const int32_t at : {16, size / 2, size - 1}) {
            const uint8_t b = 0x41;
            e.pad.writeBytes(at, std::span(&b, 1), hexedit::EditKind::Typing);
            e.pad.document().closeTypingRun();
        }
        e.pad.fill(size / 3, 256 << 10, 0xFF);
        e.pad.document().undo();
        e.pad.document().redo();
    }
    state.counters["mapped"] = e.pad.editor().mapped();
    state.counters["own_KiB"] = static_cast<double>(e.pad.editor().ownBytes() >> 10);
    state.counters["rss_growth_KiB"] = static_cast<double>((residentBytes() - std::min(before, residentBytes())) >> 10);
    state.counters["file_MiB"] = static_cast<double>(fileBytes() >> 20);
}

}  // namespace

BENCHMARK(CatFile)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadOnePage)->Unit(benchmark::kMicrosecond);
BENCHMARK(EditorOpen)->Unit(benchmark::kMicrosecond);
BENCHMARK(EditorOpenAndEdit)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    const int result = benchratios::runWithRatios(argc, argv,
                                                  {{"EditorOpen", "CatFile", 0.01},
                                                   {"EditorOpen", "ReadOnePage"},
                                                   {"EditorOpenAndEdit", "CatFile"},
                                                   {"EditorOpenAndEdit", "ReadOnePage"}});
    std::filesystem::remove(benchFile());
    return result;
}
