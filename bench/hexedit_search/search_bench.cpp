// Scan speed of the find window's searches on large buffers, beside glibc
// memmem and a plain byte loop on the same data in the same run.

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "bench/BenchRatios.h"
#include "common/testing/NullPort.h"
#include "hexedit/core/testing/TestSession.h"
#include "hexedit/search/FindWindow.h"
#include "hexedit/search/Scanner.h"

using namespace hexedit;
using namespace hexedit::search;
using benchratios::ReadLimit;

namespace {

constexpr size_t kBig = size_t{64} << 20;
constexpr size_t kRelative = size_t{8} << 20;

const std::vector<uint8_t>& data(size_t size) {
    static std::vector<uint8_t> big, small;
    auto& d = size == kBig ? big : small;
    if (d.empty()) {
        d.resize(size);
        std::mt19937_64 rng(42);
        for (size_t i = 0; i < size; i += 8) {
            uint64_t v = rng();
            std::memcpy(d.data() + i, &v, 8);
        }
    }
    return d;
}

// Patterns absent from the random data.
const std::vector<uint8_t> k4 = {'Q', 'x', 0x9C, 'z'};
const std::vector<uint8_t> k12 = {'T', 'h', 'e', ' ', 'H', 'e', 'r', 'o', ' ', 'K', 'i', 0x81};

void memmemScan(benchmark::State& st, const std::vector<uint8_t>& p) {
    const auto& d = data(kBig);
    for (auto _ : st) benchmark::DoNotOptimize(memmem(d.data(), d.size(), p.data(), p.size()));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * d.size()));
}

void matcherScan(benchmark::State& st, std::vector<uint8_t> p, MatchRules rules, size_t size = kBig) {
    const auto& d = data(size);
    Matcher m(p, rules);
    if (m.find(d, 0) != kNoMatch) st.SkipWithError("the pattern occurs in the data");
    for (auto _ : st) benchmark::DoNotOptimize(m.find(d, 0));
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * d.size()));
}

// The scan as a byte loop with the wildcard test at every position.
void naiveWildcardLoop(benchmark::State& st) {
    const auto& d = data(kBig);
    const auto& p = k4;
    for (auto _ : st) {
        size_t found = kNoMatch;
        for (size_t o = 0; o + p.size() <= d.size() && found == kNoMatch; ++o) {
            size_t i = 0;
            while (i < p.size() && (p[i] == kWildcardByte || d[o + i] == p[i])) ++i;
            if (i == p.size()) found = o;
        }
        benchmark::DoNotOptimize(found);
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * d.size()));
}

struct NullListView : DataListView {
    void showList() override {}
    void closeList() override {}
    void listChanged() override {}
};

struct TypingView : FindWindowView {
    FindWindow* w = nullptr;
    std::string word;
    void execModal() override {
        w->inputEdited(word, word.size());
        w->FindClick();
    }
    void closeWindow() override {}
    void refresh() override {}
    void focusInput() override {}
};

// A whole relative search through the find window, list lines included.
void relativeSearch(benchmark::State& st, bool ignoreCase) {
    common::testing::NullPort port(true);
    hexedit::testing::TestSession session(port);
    session.load(data(kRelative), "bench");
    NullListView listView;
    DataList list(session);
    list.setView(&listView);
    FindWindow find(session, list);
    TypingView typing;
    typing.w = &find;
    typing.word = "Knigt";
    find.setView(&typing);
    find.options.IgCase = ignoreCase;
    for (auto _ : st) {
        find.RelativeSearch1Click();
        benchmark::DoNotOptimize(find.state.MatchCount);
        // The test shell keeps every progress report; kept over all
        // iterations, their growing list would be timed too.
        session.host.progressReports.clear();
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * kRelative));
}

}  // namespace

BENCHMARK_CAPTURE(ReadLimit, 64MiB, kBig)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(memmemScan, memmem_4_absent, k4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(memmemScan, memmem_12_absent, k12)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(matcherScan, plain_4_absent, k4, MatchRules{false, false})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(matcherScan, plain_12_absent, k12, MatchRules{false, false})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(matcherScan, wildcard_5_absent, std::vector<uint8_t>{'Q', 0x2A, 0x9C, 'z', 0x11},
                  MatchRules{false, true})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(matcherScan, ignorecase_12_absent, k12, MatchRules{true, false})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(matcherScan, ignorecase_wildcard_12_absent,
                  std::vector<uint8_t>{'T', 'h', 'e', 0x2A, 'H', 'e', 'r', 'o', ' ', 'K', 'i', 0x81},
                  MatchRules{true, true})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(naiveWildcardLoop)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(matcherScan, plain_5_absent_8MiB, std::vector<uint8_t>{'K', 'n', 'i', 'g', 't'},
                  MatchRules{false, false}, kRelative)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(relativeSearch, plain_5_letters_8MiB, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(relativeSearch, ignorecase_5_letters_8MiB, true)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    return benchratios::runWithRatios(
        argc, argv,
        {{"matcherScan/plain_12_absent", "ReadLimit/64MiB", 1 / 0.75},
         {"matcherScan/plain_12_absent", "matcherScan/ignorecase_12_absent", 1.2},
         {"matcherScan/ignorecase_12_absent", "ReadLimit/64MiB"},
         {"relativeSearch/plain_5_letters_8MiB", "matcherScan/plain_5_absent_8MiB", 1.5},
         {"relativeSearch/ignorecase_5_letters_8MiB", "matcherScan/plain_5_absent_8MiB", 1.5}});
}
