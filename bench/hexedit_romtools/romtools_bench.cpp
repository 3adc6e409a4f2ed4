// IPS creation and application on a 15 MiB pair with 1% of the bytes changed
// in scattered runs, beside a plain memcmp of the two buffers in the same
// run: in memory, and as the commands do it, with the file they read (the
// unchanged file, or the patch applied to a copy of the open file) read
// from the page cache in every iteration. And the checksum of a 6 MiB image.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchRatios.h"
#include "common/fileio.h"
#include "common/testing/NullPort.h"
#include "hexedit/core/testing/TestSession.h"
#include "hexedit/core/EditBuffer.h"
#include "hexedit/romtools/PatchCommands.h"
#include "hexedit/romtools/FileBytes.h"
#include "hexedit/romtools/Ips.h"
#include "hexedit/romtools/SnesChecksum.h"

using namespace hexedit::romtools;
using benchratios::ReadLimit;

namespace {

constexpr size_t kPair = size_t{15} << 20;

struct Pair {
    std::vector<uint8_t> unchanged, edited, patch;
    std::string unchangedPath, editedPath, patchPath;

    Pair() {
        std::mt19937_64 rng(5);
        unchanged.resize(kPair);
        for (auto& b : unchanged) b = static_cast<uint8_t>(rng());
        edited = unchanged;
        // Runs of 1 to 32 bytes until 1% of the bytes differ.
        size_t changed = 0;
        while (changed < kPair / 100) {
            const size_t at = rng() % kPair;
            const size_t len = std::min<size_t>(1 + rng() % 32, kPair - at);
            for (size_t i = at; i < at + len; ++i) edited[i] = static_cast<uint8_t>(~unchanged[i]);
            changed += len;
        }
        patch = createIps(unchanged, edited).patch;
        const auto dir = std::filesystem::temp_directory_path() / ("romtools_bench_" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        unchangedPath = (dir / "unchanged.smc").string();
        editedPath = (dir / "edited.smc").string();
        patchPath = (dir / "edited.ips").string();
        common::writeFileAtomic(unchangedPath, unchanged);
        common::writeFileAtomic(editedPath, edited);
        common::writeFileAtomic(patchPath, patch);
    }
    ~Pair() { std::filesystem::remove_all(std::filesystem::path(unchangedPath).parent_path()); }
};

Pair& pair() {
    static Pair p;
    return p;
}

// As the commands read their files.
FileBytes read(const std::string& path) {
    FileBytes f;
    f.read(path, UINT32_MAX);
    return f;
}

// memcmp of the two buffers stops at their first difference; it is timed
// over the whole length by comparing the unchanged file with a copy.
void memcmpBaseline(benchmark::State& st) {
    auto& p = pair();
    const std::vector<uint8_t> copy(p.unchanged);
    for (auto _ : st) {
        benchmark::DoNotOptimize(copy.data());
        benchmark::DoNotOptimize(std::memcmp(p.unchanged.data(), copy.data(), kPair));
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * kPair));
}

void createInMemory(benchmark::State& st) {
    auto& p = pair();
    for (auto _ : st) benchmark::DoNotOptimize(createIps(p.unchanged, p.edited).patch.size());
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * kPair));
}

// The edited file is in memory; the unchanged one is read from disk.
void createFromFile(benchmark::State& st) {
    auto& p = pair();
    for (auto _ : st) {
        const auto unchanged = read(p.unchangedPath);
        benchmark::DoNotOptimize(createIps(unchanged.bytes(), p.edited).patch.size());
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * kPair));
}

// The patch is read and applied to a copy of the file in memory.
void applyToCopy(benchmark::State& st) {
    auto& p = pair();
    for (auto _ : st) {
        const auto patch = read(p.patchPath);
        std::vector<uint8_t> copy(p.unchanged);
        applyIps(patch.bytes(), copy);
        benchmark::DoNotOptimize(copy.data());
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * kPair));
}

// A port whose open dialogs choose one file; questions are answered No.
struct ChoosingPort : common::testing::NullPort {
    std::string chosen;
    std::vector<std::string> openFiles(const common::OpenRequest&) override { return {chosen}; }
};

// The whole command on the editing session: the unchanged file read, the
// patch made and written safely (flushed to disk) beside the open file.
void createCommand(benchmark::State& st) {
    auto& p = pair();
    ChoosingPort port;
    port.chosen = p.unchangedPath;
    hexedit::testing::TestSession session(port);
    session.load(p.edited, p.editedPath);
    PatchCommands commands(session);
    for (auto _ : st) commands.CreateanIPSFile1Click();
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * kPair));
}

// The whole command on the editing session: the patch read and its records
// written into the file as one undo step (undone outside the timing).
void applyCommand(benchmark::State& st) {
    auto& p = pair();
    ChoosingPort port;
    port.chosen = p.patchPath;
    hexedit::testing::TestSession session(port);
    session.load(p.unchanged, p.editedPath);
    PatchCommands commands(session);
    for (auto _ : st) {
        commands.PatchCurrentFile1Click();
        st.PauseTiming();
        session.doc.undo();
        st.ResumeTiming();
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * kPair));
}

// A patched copy made the file's content (as patches that rewrite the whole
// file are applied): only the differing runs go into the undo step.
void replaceAllPatchedCopy(benchmark::State& st) {
    auto& p = pair();
    hexedit::EditorState state;
    hexedit::EditBuffer buffer(state);
    buffer.load(p.unchanged, 0, static_cast<int32_t>(kPair));
    for (auto _ : st) {
        buffer.replaceAll(p.edited);
        st.PauseTiming();
        buffer.undo();
        st.ResumeTiming();
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * kPair));
}

void checksum6MiB(benchmark::State& st) {
    std::vector<uint8_t> img(size_t{6} << 20);
    std::mt19937_64 rng(9);
    for (auto& b : img) b = static_cast<uint8_t>(rng());
    img[0x7FC0 + kComplementAt] = 0xFF;
    img[0x7FC0 + kComplementAt + 1] = 0xFF;
    img[0x7FC0 + kChecksumAt] = 0;
    img[0x7FC0 + kChecksumAt + 1] = 0;
    for (auto _ : st) {
        const auto h = locateSnesHeader(img);
        benchmark::DoNotOptimize(snesChecksum(img, h->copier));
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * img.size()));
}

}  // namespace

BENCHMARK_CAPTURE(ReadLimit, 15MiB, kPair)->Unit(benchmark::kMillisecond);
BENCHMARK(memcmpBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(createInMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(createFromFile)->Unit(benchmark::kMillisecond);
BENCHMARK(applyToCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(createCommand)->Unit(benchmark::kMillisecond);
BENCHMARK(applyCommand)->Unit(benchmark::kMillisecond);
BENCHMARK(replaceAllPatchedCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(checksum6MiB)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return benchratios::runWithRatios(argc, argv,
                                      {{"applyCommand", "memcmpBaseline", 10}, {"applyToCopy", "memcmpBaseline"},
                                       {"replaceAllPatchedCopy", "memcmpBaseline"}, {"createCommand", "memcmpBaseline"},
                                       {"createInMemory", "memcmpBaseline"}});
}
