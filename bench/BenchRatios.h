#pragma once
// Shared by the benchmark programs: the machine's read rate as a benchmark of
// its own, and a reporter that ends a run with each benchmark's time as a
// ratio to a baseline measured in the same run. Times are CPU times (the
// machine may be shared) and medians over the repetitions, except for
// benchmarks timed by the wall clock (named ".../real_time"), whose work
// spans threads; their ratios are the wall times'.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace benchratios {

// Reads `bytes` of memory the fastest way the C library knows: memchr for a
// byte that is absent. Named "ReadLimit" so the reporter finds it.
inline void ReadLimit(benchmark::State& st, size_t bytes) {
    static std::vector<uint8_t> buf;
    if (buf.size() != bytes) buf.assign(bytes, 0x11);
    for (auto _ : st) {
        benchmark::DoNotOptimize(buf.data());
        benchmark::DoNotOptimize(std::memchr(buf.data(), 0x22, buf.size()));
    }
    st.SetBytesProcessed(static_cast<int64_t>(st.iterations() * bytes));
}

struct Ratio {
    std::string name;      // a benchmark's full name
    std::string baseline;  // the benchmark it is divided by
    double goal = 0;       // the ratio aimed at, shown beside it (0: none)
};

class RatioReporter : public benchmark::ConsoleReporter {
public:
    explicit RatioReporter(std::vector<Ratio> ratios) : ratios_(std::move(ratios)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0 && !run.error_occurred) {
                const std::string name = run.run_name.str();
                const bool wall = name.ends_with("/real_time");
                const double seconds = (wall ? run.real_accumulated_time : run.cpu_accumulated_time) /
                                       static_cast<double>(run.iterations);
                seconds_[name].push_back(seconds);
                if (auto it = run.counters.find("bytes_per_second"); it != run.counters.end())
                    bytesPerIteration_[name] = it->second.value * seconds;
            }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nMedian times (CPU, or wall for .../real_time) and ratios in this run:\n");
        for (const auto& [name, base, goal] : ratios_) {
            const double t = median(name), b = median(base);
            if (t <= 0 || b <= 0) continue;
            std::printf("  %-44s %9.3f ms = %7.2f x %s", name.c_str(), t * 1e3, t / b, base.c_str());
            if (goal > 0) std::printf("  (goal <= %.2f)", goal);
            std::printf("\n");
        }
        for (const auto& [name, times] : seconds_)
            if (name.rfind("ReadLimit", 0) == 0 && bytesPerIteration_.count(name))
                std::printf("  read limit (%s): %.1f GB/s\n", name.c_str(), bytesPerIteration_[name] / median(name) / 1e9);
    }

    double median(const std::string& name) const {
        const auto it = seconds_.find(name);
        if (it == seconds_.end() || it->second.empty()) return 0;
        std::vector<double> v = it->second;
        std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
        return v[v.size() / 2];
    }

private:
    std::vector<Ratio> ratios_;
    std::map<std::string, std::vector<double>> seconds_;
    std::map<std::string, double> bytesPerIteration_;
};

// main() of a benchmark program that ends with the ratios.
inline int runWithRatios(int argc, char** argv, std::vector<Ratio> ratios) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter(std::move(ratios));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

}  // namespace benchratios
