// Text and binary dumps of 4 MiB beside plain writes of the same output size
// and a bare lookup loop in the same run: the text conversion alone, the
// whole dump to a file, and the binary dump through the dump window's model.
// The dump to a file writes on a second thread while it converts, so the
// conversion, the dump to a file and the plain replace are timed by the
// wall clock, which is what the user waits.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchRatios.h"
#include "common/fileio.h"
#include "common/testing/NullPort.h"
#include "hexedit/core/TableLoader.h"
#include "hexedit/core/testing/TestSession.h"
#include "hexedit/transfer/Dumper.h"
#include "hexedit/transfer/TextDump.h"

using namespace hexedit;
using namespace hexedit::transfer;
using benchratios::ReadLimit;

namespace {

constexpr size_t kSize = size_t{4} << 20;

const std::string& outPath() {
    static const std::string p = (std::filesystem::temp_directory_path() / "tarnwick_dump_bench.out").string();
    return p;
}

// A script-like table: letters, pairs for the common first bytes, and every
// dump directive.
const TableData& table() {
    static TableData t = [] {
        std::string text;
        char line[64];
        for (int b = 0x00; b < 0x40; ++b) {
            std::snprintf(line, sizeof line, "%02X=%c\n", b, 'a' + b % 26);
            text += line;
        }
        for (int first = 0x40; first < 0x48; ++first)
            for (int second = 0; second < 0x40; ++second) {
                std::snprintf(line, sizeof line, "%02X%02X=%c%c\n", first, second, 'A' + first % 26, 'a' + second % 26);
                text += line;
            }
        text +=
            ".dual=$E0F1 \"[X]\"\n.dual=$E1F2 \"[Y %offset]\"\n"
            ".code=$F5 \"<wait>\"\n.code=$F6 \"<line>\\n\"\n"
            ".multicode=$F0 2 \"<JUMP_>\"\n.multicode=$F1 1 \"<SET_>\"\n"
            ".nontbl=\"[$]\"\n/FE\n*FF\n"
            ".startdump=\"// %ROMNAME %DUMPSIZE bytes from %STARTOFS\\n\"\n.enddump=\"\\n// end %OFFSET\"\n";
        TableData table;
        parseTableText(table, text);
        return table;
    }();
    return t;
}

// Worst case for prediction: bytes of every kind in random order, mostly
// table text with a sprinkling of codes and unknown bytes.
const std::vector<uint8_t>& data() {
    static std::vector<uint8_t> d = [] {
        std::vector<uint8_t> v(kSize);
        std::mt19937 rng(7);
        const uint8_t codes[] = {0xE0, 0xF1, 0xE1, 0xF2, 0xF5, 0xF6, 0xF0, 0xF1, 0xFE, 0xFF, 0x90, 0xC3};
        for (auto& b : v) {
            const unsigned r = rng() % 100;
            b = r < 70 ? static_cast<uint8_t>(rng() % 0x48) : r < 90 ? static_cast<uint8_t>(0x40 + rng() % 8)
                                                                       : codes[rng() % sizeof codes];
        }
        return v;
    }();
    return d;
}

// Script-like: words of letters and pairs, a control code at the end of
// each line, now and then a jump with its parameters or a dual code.
const std::vector<uint8_t>& script() {
    static std::vector<uint8_t> d = [] {
        std::vector<uint8_t> v;
        v.reserve(kSize + 64);
        std::mt19937 rng(9);
        while (v.size() < kSize) {
            for (int word = 0; word < 5; ++word) {
                for (int i = 2 + static_cast<int>(rng() % 6); i > 0; --i) {
                    if (rng() % 3 == 0) v.push_back(static_cast<uint8_t>(0x40 + rng() % 8));
                    v.push_back(static_cast<uint8_t>(rng() % 0x40));
                }
                v.push_back(0x20);
            }
            const uint8_t ends[] = {0xF6, 0xF5, 0xFE, 0xFF};
            v.push_back(ends[rng() % 4]);
            if (rng() % 8 == 0) v.insert(v.end(), {0xF0, static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng())});
            if (rng() % 16 == 0) v.insert(v.end(), {0xE0, 0xF1});
        }
        v.resize(kSize);
        return v;
    }();
    return d;
}

DumpInfo info() { return {0x10000, 0x10000 + kSize - 1, 0, "/roms/game.smc", "/roms/game.tbl"}; }

// The conversion alone: the pieces go nowhere.
bool convert(const std::vector<uint8_t>& d) {
    return textDump(table(), d, info(), [](std::string_view piece) {
        benchmark::DoNotOptimize(piece.data());
        return true;
    });
}

void ScriptConversion(benchmark::State& st) {
    for (auto _ : st) benchmark::DoNotOptimize(convert(script()));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * kSize));
}

size_t textSize() {
    static const size_t n = textDump(table(), data(), info())->size();
    return n;
}

void TextConversion(benchmark::State& st) {
    for (auto _ : st) benchmark::DoNotOptimize(convert(data()));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * kSize));
    st.counters["out_MiB"] = static_cast<double>(textSize()) / (1 << 20);
}

// The floor of any table-driven text writer: one text of up to three
// characters per byte, no rules, no pairs, no file.
void LookupLoopBaseline(benchmark::State& st) {
    char pool[256 * 32];
    uint8_t length[256];
    for (int b = 0; b < 256; ++b) {
        length[b] = static_cast<uint8_t>(1 + b % 3);
        std::memset(pool + b * 32, 'a' + b % 26, 32);
    }
    const auto& d = data();
    std::string out(kSize * 3 + 64, '\0');
    for (auto _ : st) {
        char* p = out.data();
        for (uint8_t b : d) {
            std::memcpy(p, pool + b * 32, 16);
            p += length[b];
        }
        benchmark::DoNotOptimize(p);
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * kSize));
}

// As the dump command writes it: piece by piece into a temporary file that
// is flushed and renamed over the target.
void TextDumpToFile(benchmark::State& st) {
    for (auto _ : st) {
        const std::string error = common::writeFileStreamed(outPath(), [](const common::ChunkWriter& write) {
            return textDump(table(), data(), info(), [&](std::string_view piece) {
                return write(std::span(reinterpret_cast<const uint8_t*>(piece.data()), piece.size()));
            });
        });
        if (!error.empty()) st.SkipWithError("cannot write");
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * kSize));
}

// The baseline: open, write, flush to the disk and close, no conversion.
void plainWrite(benchmark::State& st, size_t size, bool sync) {
    const std::vector<char> out(size, 'x');
    for (auto _ : st) {
        const int fd = ::open(outPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::write(fd, out.data(), out.size()) != static_cast<ssize_t>(out.size())) st.SkipWithError("write");
        if (sync) ::fdatasync(fd);
        ::close(fd);
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * kSize));  // per byte of dump input
}

// The kernel's part of a safe save through the page cache: a new file
// beside the old one, written, flushed and renamed over it (freeing the old
// file's pages), then the folder flushed.
void PlainReplaceOfTextSize(benchmark::State& st) {
    const std::vector<char> out(textSize(), 'x');
    const std::string folder = std::filesystem::path(outPath()).parent_path().string();
    for (auto _ : st) {
        std::string temp = outPath() + ".XXXXXX";
        const int fd = ::mkstemp(temp.data());
        if (fd < 0 || ::write(fd, out.data(), out.size()) != static_cast<ssize_t>(out.size()) || ::fdatasync(fd) != 0 ||
            ::close(fd) != 0 || ::rename(temp.c_str(), outPath().c_str()) != 0)
            st.SkipWithError("replace");
        const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        ::fsync(dir);
        ::close(dir);
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * kSize));  // per byte of dump input
}

void PlainWriteOfTextSize(benchmark::State& st) { plainWrite(st, textSize(), true); }
void PlainWriteOfTextSizeNoSync(benchmark::State& st) { plainWrite(st, textSize(), false); }
void PlainWrite4MiB(benchmark::State& st) { plainWrite(st, kSize, true); }
void PlainWrite4MiBNoSync(benchmark::State& st) { plainWrite(st, kSize, false); }

void BinaryDump4MiB(benchmark::State& st) {
    common::testing::NullPort port;
    hexedit::testing::TestSession session{port};
    session.load(data());
    search::DataList list{session};
    Dumper dump{session, list};
    for (auto _ : st) {
        dump.BegOfs = "0";
        dump.EndOfs = "3FFFFF";
        dump.DFile = outPath();
        dump.binaryDump();
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * kSize));
}

}  // namespace

BENCHMARK_CAPTURE(ReadLimit, 4MiB, kSize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LookupLoopBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(TextConversion)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ScriptConversion)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(TextDumpToFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PlainReplaceOfTextSize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PlainWriteOfTextSize)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainWriteOfTextSizeNoSync)->Unit(benchmark::kMillisecond);
BENCHMARK(BinaryDump4MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainWrite4MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainWrite4MiBNoSync)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return benchratios::runWithRatios(argc, argv,
                                      {{"TextDumpToFile/real_time", "TextConversion/real_time", 1.3},
                                       {"PlainReplaceOfTextSize/real_time", "TextConversion/real_time"},
                                       {"TextConversion/real_time", "LookupLoopBaseline/real_time"},
                                       {"ScriptConversion/real_time", "LookupLoopBaseline/real_time"},
                                       {"TextConversion/real_time", "ReadLimit/4MiB/real_time"}});
}
