// romtoolset run as a user runs it, on a 64 MiB file this program makes
// (ROMTOOLSET_BENCH_MIB=1024 makes it 1 GiB): patch apply of a one-record
// IPS32 patch and of a BPS patch with 1% of the bytes changed, BPS create
// of that pair, a search for six absent bytes, a 256-byte range dump and
// the checksum, against cat, cp, grep -c -F and xdelta3 of the same files
// in the same run (wall-clock time of whole processes). Prints the ratios
// and the peak memory of each command. The files are removed at the end.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "hexedit/romtools/Bps.h"

namespace {

namespace fs = std::filesystem;
const size_t kSize = [] {
    const char* mib = std::getenv("ROMTOOLSET_BENCH_MIB");
    const long n = mib ? std::atol(mib) : 0;
    return size_t{n > 0 && n <= 2000 ? static_cast<size_t>(n) : 64} << 20;
}();

const fs::path& folder() {
    static const fs::path dir = [] {
        const fs::path d = fs::temp_directory_path() / ("romtoolset_bench_" + std::to_string(::getpid()));
        fs::create_directories(d);
        std::mt19937 rng(64);
        std::vector<uint8_t> source(kSize);
        for (size_t i = 0; i < kSize; i += 4) {
            const uint32_t v = rng();
            std::memcpy(&source[i], &v, 4);
        }
        std::vector<uint8_t> target = source;
        for (size_t changed = 0; changed < kSize / 100;) {
            const size_t at = rng() % (kSize - 64), n = 1 + rng() % 64;
            for (size_t k = 0; k < n; ++k) target[at + k] = static_cast<uint8_t>(rng());
            changed += n;
        }
        auto write = [&](const char* name, const std::vector<uint8_t>& b) {
            std::ofstream(d / name, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
        };
        write("file.bin", source);
        write("edited.bin", target);
        write("p.bps", hexedit::romtools::createBps(source, target));
        const uint8_t ips32[] = {'I', 'P', 'S', '3', '2', 0x02, 0x00, 0x00, 0x00, 0, 4, 1, 2, 3, 4, 'E', 'E', 'O', 'F'};
        write("p.ips32", {std::begin(ips32), std::end(ips32)});
        // Six bytes the random file does not hold, for grep and find alike.
        std::ofstream(d / "needle.txt", std::ios::binary) << "\x01\x7F\x02\x7E\x03\x7D";
        return d;
    }();
    return dir;
}

const std::map<std::string, std::string>& commands() {
    static const std::map<std::string, std::string> c = {
        {"cat", "cat file.bin >/dev/null"},
        {"cp", "cp file.bin out.bin"},
        {"apply_ips32", "'" ROMTOOLSET_PATH "' patch apply file.bin p.ips32 -o out.bin"},
        {"apply_bps", "'" ROMTOOLSET_PATH "' patch apply file.bin p.bps -o out.bin"},
        {"grep", "grep -c -F -f needle.txt file.bin >/dev/null; true"},
        {"find_hex", "'" ROMTOOLSET_PATH "' find file.bin --hex 017F027E037D >/dev/null 2>&1; test $? -le 1"},
        {"dump_range", "'" ROMTOOLSET_PATH "' dump file.bin -s 2000000 -e 20000FF -b -o dump.bin >/dev/null"},
        {"checksum", "'" ROMTOOLSET_PATH "' checksum file.bin >/dev/null 2>&1; test $? -le 1"},
        {"create_bps", "'" ROMTOOLSET_PATH "' patch create file.bin edited.bin -o new.bps"},
        {"xdelta3", "xdelta3 -e -f -s file.bin edited.bin new.vcdiff 2>/dev/null || true"},
    };
    return c;
}

int shell(const std::string& command) { return std::system(("cd '" + folder().string() + "' && " + command).c_str()); }

void BM_Command(benchmark::State& state, const std::string& name) {
    const std::string& command = commands().at(name);
    for (auto _ : state)
        if (shell(command) != 0) state.SkipWithError("the command failed");
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                seconds_[run.run_name.function_name.substr(run.run_name.function_name.find('/') + 1)] =
                    run.real_accumulated_time / static_cast<double>(run.iterations);
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double cat = seconds_["cat"], cp = seconds_["cp"], grep = seconds_["grep"];
        if (seconds_["xdelta3"] > 0)
            std::printf("%-12s %8.1f ms = %5.2f x xdelta3 -e\n", "create_bps", seconds_["create_bps"] * 1e3,
                        seconds_["create_bps"] / seconds_["xdelta3"]);
        for (const char* name : {"apply_ips32", "apply_bps", "find_hex", "dump_range", "checksum"}) {
            const double t = seconds_[name];
            if (cat > 0 && cp > 0 && grep > 0)
                std::printf("%-12s %8.1f ms = %5.2f x cp, %5.2f x cat, %5.2f x grep -c -F\n", name, t * 1e3, t / cp,
                            t / cat, t / grep);
        }
        for (const auto& [name, command] : commands()) {
            shell("/usr/bin/time -f %M -o mem.txt sh -c \"" + command + "\" >/dev/null 2>&1");
            std::ifstream in(folder() / "mem.txt");
            long kb = 0;
            in >> kb;
            std::printf("peak memory %-12s %7.1f MiB\n", name.c_str(), static_cast<double>(kb) / 1024);
        }
    }

private:
    std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
    folder();  // the files are made before anything is timed
    for (const auto& [name, command] : commands())
        benchmark::RegisterBenchmark(("BM_Command/" + name).c_str(), BM_Command, name)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(2.0);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    fs::remove_all(folder());
    return 0;
}
