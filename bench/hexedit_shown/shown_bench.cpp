// The search through the table as shown against the plain text search of
// the same word in the same 64 MiB of random bytes, through a table of
// 20,000 entries of one to four bytes; ends with the ratios of their times
// (goal: the search as shown at least half as fast, a ratio of at most 2),
// and the same ratio measured in turns within one benchmark
// (pairedRatio: the median of shown_over_plain).

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchRatios.h"
#include "hexedit/core/TableLoader.h"
#include "hexedit/search/PatternConvert.h"
#include "hexedit/search/Scanner.h"
#include "hexedit/search/ShownSearch.h"

using namespace hexedit;
using namespace hexedit::search;
using benchratios::ReadLimit;

namespace {

constexpr size_t kBig = size_t{64} << 20;

const std::vector<uint8_t>& data() {
    static std::vector<uint8_t> d;
    if (d.empty()) {
        d.resize(kBig);
        std::mt19937_64 rng(42);
        for (size_t i = 0; i < kBig; i += 8) {
            const uint64_t v = rng();
            std::memcpy(d.data() + i, &v, 8);
        }
    }
    return d;
}

// Printable ASCII as single bytes, then 20,000 entries of two to four bytes
// with lower-case words of two to six letters.
const TableData& table() {
    static TableData t;
    if (t.textIndex()) return t;
    std::string file;
    char line[40];
    for (int c = 0x20; c < 0x7F; ++c) {
        std::snprintf(line, sizeof line, "%02X=%c\n", c, c);
        file += line;
    }
    std::mt19937 rng(7);
    for (int k = 0; k < 20000; ++k) {
        const int length = 2 + static_cast<int>(rng() % 3);
        uint32_t code = 0x80 + rng() % 0x80;  // after the ASCII codes
        for (int i = 1; i < length; ++i) code = code << 8 | (rng() & 0xFF);
        std::snprintf(line, sizeof line, "%0*X=", length * 2, code);
        std::string word;
        for (int n = 2 + static_cast<int>(rng() % 5); n > 0; --n) word += static_cast<char>('a' + rng() % 26);
        file += line + word + "\n";
    }
    parseTableText(t, file);
    return t;
}

void plainSearch(benchmark::State& st, const char* word, bool ignoreCase) {
    const auto& d = data();
    const MatchRules rules{ignoreCase, false};
    const Matcher m(textToPattern(table(), word, ignoreCase, false), rules);
    if (m.find(d, 0) != kNoMatch) st.SkipWithError("the word occurs in the data");
    for (auto _ : st) benchmark::DoNotOptimize(m.find(d, 0));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * d.size()));
}

void shownSearch(benchmark::State& st, const char* word, bool ignoreCase) {
    const auto& d = data();
    const ShownMatcher m(table(), word, MatchRules{ignoreCase, false});
    size_t length = 0;
    const size_t first = m.find(d, 0, kNoMatch, length);
    for (auto _ : st) benchmark::DoNotOptimize(m.find(d, 0, kNoMatch, length));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * d.size()));
    st.counters["first_match"] = first == kNoMatch ? -1.0 : static_cast<double>(first);
    st.counters["first_bytes"] = static_cast<double>(m.firstBytes().count());
    st.counters["second_bytes"] = static_cast<double>(m.secondBytes().count());
}

// Both searches in turns within one benchmark, each timed on the thread's
// CPU clock: their ratio holds even while other work on the machine comes
// and goes between separate benchmarks.
void pairedRatio(benchmark::State& st, const char* word, bool ignoreCase) {
    const auto& d = data();
    const MatchRules rules{ignoreCase, false};
    const Matcher plain(textToPattern(table(), word, ignoreCase, false), rules);
    const ShownMatcher shown(table(), word, rules);
    auto now = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
    };
    std::vector<double> ratios;
    size_t length = 0;
    for (auto _ : st) {
        const double t0 = now();
        benchmark::DoNotOptimize(plain.find(d, 0));
        const double t1 = now();
        benchmark::DoNotOptimize(shown.find(d, 0, kNoMatch, length));
        const double t2 = now();
        ratios.push_back((t2 - t1) / (t1 - t0));
    }
    std::nth_element(ratios.begin(), ratios.begin() + static_cast<long>(ratios.size() / 2), ratios.end());
    st.counters["shown_over_plain"] = ratios[ratios.size() / 2];
}

}  // namespace

BENCHMARK_CAPTURE(pairedRatio, Sword, "Sword", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(pairedRatio, Sword_ignorecase, "Sword", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(pairedRatio, dragon, "dragon", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ReadLimit, 64MiB, kBig)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(plainSearch, Sword, "Sword", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(shownSearch, Sword, "Sword", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(plainSearch, Sword_ignorecase, "Sword", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(shownSearch, Sword_ignorecase, "Sword", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(plainSearch, dragon, "dragon", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(shownSearch, dragon, "dragon", false)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return benchratios::runWithRatios(argc, argv,
                                      {{"shownSearch/Sword", "plainSearch/Sword", 2.0},
                                       {"shownSearch/Sword_ignorecase", "plainSearch/Sword_ignorecase", 2.0},
                                       {"shownSearch/dragon", "plainSearch/dragon", 2.0},
                                       {"plainSearch/Sword", "ReadLimit/64MiB"},
                                       {"shownSearch/Sword", "ReadLimit/64MiB"}});
}
