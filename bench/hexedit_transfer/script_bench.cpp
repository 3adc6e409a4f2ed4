// Scripts with pointers: 10,000 strings (about 1 MiB) of a 4 MiB file,
// dumped beside the plain text dump of the same bytes, and an edited
// script (every string changed) inserted beside encoding its text alone.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchRatios.h"
#include "hexedit/core/TableLoader.h"
#include "hexedit/transfer/Script.h"
#include "hexedit/transfer/TextDump.h"

using namespace hexedit;
using namespace hexedit::transfer;

namespace {

constexpr size_t kFile = size_t{4} << 20;
constexpr uint32_t kStrings = 10000;
constexpr int64_t kText = 0x100000;    // the strings from here
constexpr int64_t kFree = 0x300000;    // 1 MiB of free space from here

// Letters, a few two-letter and word entries, codes with and without
// parameters, line break and end code, as translators' tables are.
const TableData& table() {
    static TableData t = [] {
        std::string text;
        char line[64];
        for (int i = 0; i < 26; ++i) {
            std::snprintf(line, sizeof line, "%02X=%c\n%02X=%c\n", 0x10 + i, 'A' + i, 0x2A + i, 'a' + i);
            text += line;
        }
        text += "44= \n45=.\n46=,\n47=!\n48=?\n";
        text += "F000=the \nF001=you \nF002=sword\n";
        text += "/FE\n*FF\n.code=$FD \"<WAIT>\"\n.multicode=$FC 2 \"<COLOR_>\"\n";
        TableData table;
        parseTableText(table, text);
        return table;
    }();
    return t;
}

struct Data {
    std::vector<uint8_t> file;
    DumpRequest request;
    std::string script, edited, editedText;
    Script parsed;
};

const Data& data() {
    static const Data d = [] {
        Data d;
        d.file.assign(kFile, 0);
        std::mt19937 rng(30);
        for (auto& b : d.file) b = static_cast<uint8_t>(rng());
        d.request.pointers = {0x10000, kStrings, 24, PointerMap::LoRom, 0, false};
        d.request.extraSpace = {{kFree, kFree + 0x100000}};
        d.request.tablePath = "bench.tbl";
        int64_t at = kText;
        for (uint32_t i = 0; i < kStrings; ++i) {
            const auto v = *pointerValue(d.request.pointers, at, 0x800000);
            for (int k = 0; k < 3; ++k) d.file[0x10000 + 3 * i + static_cast<size_t>(k)] = static_cast<uint8_t>(v >> (8 * k));
            const size_t length = 20 + rng() % 40;
            for (size_t k = 0; k < length; ++k) {
                const unsigned r = rng() % 100;
                d.file[static_cast<size_t>(at)] = r < 80   ? static_cast<uint8_t>(0x10 + rng() % 52)
                                                  : r < 90 ? uint8_t{0x44}
                                                  : r < 94 ? uint8_t{0xFE}
                                                  : r < 97 ? uint8_t{0xFD}
                                                           : uint8_t{0xF0};
                ++at;
            }
            d.file[static_cast<size_t>(at++)] = 0xFF;
        }
        std::string error;
        d.script = *dumpScript(table(), d.file, d.request, error);
        // Every string one word longer (its text lines, not the comments).
        for (size_t p = 0; p < d.script.size();) {
            size_t nl = d.script.find('\n', p);
            nl = nl == std::string::npos ? d.script.size() : nl + 1;
            std::string line = d.script.substr(p, nl - p);
            if (!line.starts_with("#") && line.find("<END>") != std::string::npos) line.insert(line.find("<END>"), " more");
            d.edited += line;
            p = nl;
        }
        std::vector<ScriptError> errors;
        d.parsed = *readScript(d.edited, errors);
        for (const auto& e : d.parsed.entries) d.editedText += e.text;
        return d;
    }();
    return d;
}

std::span<const uint8_t> stringBytes() {
    const auto& s = data().parsed.space;
    return std::span<const uint8_t>(data().file).subspan(static_cast<size_t>(s[0].start), static_cast<size_t>(s[0].end - s[0].start));
}

void PlainTextDumpOfStrings(benchmark::State& st) {
    for (auto _ : st) benchmark::DoNotOptimize(textDump(table(), stringBytes(), DumpInfo{}));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * static_cast<int64_t>(stringBytes().size())));
}

void ScriptDump(benchmark::State& st) {
    std::string error;
    for (auto _ : st) benchmark::DoNotOptimize(dumpScript(table(), data().file, data().request, error));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * static_cast<int64_t>(stringBytes().size())));
}

void EncodeTextAlone(benchmark::State& st) {
    std::vector<ScriptError> errors;
    for (auto _ : st) benchmark::DoNotOptimize(encodeScriptText(table(), data().editedText, errors));
    st.counters["text_MiB"] = static_cast<double>(data().editedText.size()) / (1 << 20);
}

// Read, encode, place, point: everything but writing the records.
void ScriptInsert(benchmark::State& st) {
    std::vector<ScriptError> errors;
    for (auto _ : st) {
        const auto script = readScript(data().edited, errors);
        const auto plan = planInsert(table(), *script, data().file, uint8_t{0});
        if (!plan || !plan->ok()) st.SkipWithError("insert refused");
        benchmark::DoNotOptimize(plan->records.data());
    }
    st.counters["script_MiB"] = static_cast<double>(data().edited.size()) / (1 << 20);
}

}  // namespace

BENCHMARK(PlainTextDumpOfStrings)->Unit(benchmark::kMillisecond);
BENCHMARK(ScriptDump)->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeTextAlone)->Unit(benchmark::kMillisecond);
BENCHMARK(ScriptInsert)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return benchratios::runWithRatios(argc, argv,
                                      {{"ScriptDump", "PlainTextDumpOfStrings", 2.0}, {"ScriptInsert", "EncodeTextAlone", 10.0}});
}
