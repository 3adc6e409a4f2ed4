// The built command-line program run as a user would: exit statuses,
// standard output and error, files written.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/fileio.h"
#include "common/testing/ScriptedPort.h"
#include "hexedit/core/DataPad.h"
#include "hexedit/romtools/Bps.h"
#include "hexedit/search/DataList.h"
#include "hexedit/transfer/Dumper.h"

namespace {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out, err;
};

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<uint8_t> bytesOf(const fs::path& p) {
    const std::string s = slurp(p);
    return {s.begin(), s.end()};
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("romtoolset_test_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        const char* data = std::getenv("TOOLSET_DATA");
        ASSERT_TRUE(data) << "TOOLSET_DATA is not set";
        dataDir = data;
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs the program with `args` (shell words) in the test's folder.
    Result run(const std::string& args, const std::string& input = {}, const std::string& prefix = {}) {
        std::string cmd = "cd '" + dir.string() + "' && " + prefix + "'" ROMTOOLSET_PATH "' " + args + " >out.txt 2>err.txt";
        if (!input.empty()) cmd += " <'" + input + "'";
        Result r;
        const int raw = std::system(cmd.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = slurp(dir / "out.txt");
        r.err = slurp(dir / "err.txt");
        return r;
    }
    std::string data(const std::string& name) const { return (dataDir / name).string(); }

    fs::path dir, dataDir;
};

TEST_F(Cli, UsageErrorsAndHelp) {
    for (const char* args : {"", "frobnicate", "find", "find nosuchfile --hex 00", "vt2 pack onlyone"}) {
        const Result r = run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_FALSE(r.err.empty()) << args;
    }
    for (const char* args : {"--help", "find --help", "vt2 pack --help", "table check --help"}) {
        const Result r = run(args);
        EXPECT_EQ(r.status, 0) << args;
        EXPECT_NE(r.out.find("Usage"), std::string::npos) << args;
    }
}

// The data generators: --help, usage errors, and a folder made on demand.
TEST_F(Cli, GeneratorsTakeHelpAndMakeTheirFolder) {
    for (const std::string tool : {MKDEMO_PATH, MKGAMEROM_PATH}) {
        const auto status = [&](const std::string& args) {
            const int raw = std::system(("cd '" + dir.string() + "' && '" + tool + "' " + args + " >out.txt 2>err.txt").c_str());
            return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        };
        EXPECT_EQ(status("--help"), 0) << tool;
        EXPECT_NE(slurp(dir / "out.txt").find("usage:"), std::string::npos) << tool;
        EXPECT_EQ(status(""), 2) << tool;
        EXPECT_EQ(status("a b"), 2) << tool;
        EXPECT_EQ(status("--bogus"), 2) << tool;
        EXPECT_NE(slurp(dir / "err.txt").find("usage:"), std::string::npos) << tool;
        EXPECT_FALSE(fs::exists(dir / "--help")) << tool;
        EXPECT_FALSE(fs::exists(dir / "--bogus")) << tool;
        EXPECT_EQ(status("new/folder"), 0) << tool << slurp(dir / "err.txt");
        EXPECT_GT(std::distance(fs::directory_iterator(dir / "new/folder"), fs::directory_iterator()), 1) << tool;
        fs::remove_all(dir / "new");
    }
}

void writeBytes(const fs::path& p, const std::vector<uint8_t>& b) {
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

TEST_F(Cli, PatchesRoundTripAndRefuseAnotherFile) {
    std::vector<uint8_t> a(70000);
    uint32_t x = 7;
    for (auto& b : a) b = static_cast<uint8_t>((x = x * 1103515245 + 12345) >> 16);
    std::vector<uint8_t> b = a;
    for (size_t i = 100; i < 70000; i += 997) b[i] ^= 0x5A;
    b.resize(72000, 0xEE);
    writeBytes(dir / "a.bin", a);
    writeBytes(dir / "b.bin", b);
    for (const char* ext : {"bps", "ips32", "ips"}) {
        const std::string patch = std::string("p.") + ext;
        Result r = run("patch create a.bin b.bin -o " + patch);
        ASSERT_EQ(r.status, 0) << ext << r.err;
        r = run("patch apply a.bin " + patch + " -o -");
        EXPECT_EQ(r.status, 0) << ext << r.err;
        EXPECT_TRUE(r.out == std::string(b.begin(), b.end())) << ext;
    }
    fs::copy_file(dir / "a.bin", dir / "c.bin");
    Result r = run("patch apply c.bin p.bps --in-place");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(bytesOf(dir / "c.bin"), b);
    // c.bin is now the edited file: the BPS patch is refused, the file kept.
    r = run("patch apply c.bin p.bps --in-place");
    EXPECT_EQ(r.status, 1);
    char crc[16];
    std::snprintf(crc, sizeof crc, "%08X", hexedit::romtools::crc32Of(a));
    EXPECT_NE(r.err.find(crc), std::string::npos) << r.err;
    EXPECT_EQ(bytesOf(dir / "c.bin"), b);
    EXPECT_EQ(run("patch apply a.bin p.bps").status, 2);
    EXPECT_EQ(run("patch create a.bin b.bin -o p.xyz").status, 2);
}

// AddressSanitizer reserves terabytes of address space for its shadow
// memory, so a sanitized build runs without the limit (its allocator still
// reports an oversized allocation).
#if defined(__SANITIZE_ADDRESS__)
constexpr const char* kAddressLimit = "";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr const char* kAddressLimit = "";
#else
constexpr const char* kAddressLimit = "ulimit -v 1000000; ";
#endif
#else
constexpr const char* kAddressLimit = "ulimit -v 1000000; ";
#endif

// A 31-byte IPS32 patch asking for a 4 GiB file, and a BPS patch declaring
// a 2 GB - 1 target its actions cannot make, run with 1 GB of address
// space: both refused with a message, nothing written. Standard input is
// read once.
TEST_F(Cli, HostilePatchesAreRefused) {
    writeBytes(dir / "a.bin", {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'});
    std::vector<uint8_t> ips32 = {'I', 'P', 'S', '3', '2', 0xFF, 0xFF, 0xFF, 0x00, 0, 16};
    ips32.resize(ips32.size() + 16, 0xAB);
    ips32.insert(ips32.end(), {'E', 'E', 'O', 'F'});
    ASSERT_EQ(ips32.size(), 31u);
    writeBytes(dir / "p.ips32", ips32);
    std::vector<uint8_t> bps = {'B', 'P', 'S', '1', 0x88, 0x7F, 0x7E, 0x7E, 0x7E, 0x86, 0x80, 0xA0};
    for (const uint32_t c : {hexedit::romtools::crc32Of(bytesOf(dir / "a.bin")), 0u})
        for (int k = 0; k < 4; ++k) bps.push_back(static_cast<uint8_t>(c >> (8 * k)));
    const uint32_t c = hexedit::romtools::crc32Of(bps);
    for (int k = 0; k < 4; ++k) bps.push_back(static_cast<uint8_t>(c >> (8 * k)));
    writeBytes(dir / "p.bps", bps);
    for (const char* patch : {"p.ips32", "p.bps"}) {
        const Result r = run(std::string("patch apply a.bin ") + patch + " -o out.bin", {}, kAddressLimit);
        EXPECT_EQ(r.status, 1) << patch << r.err;
        EXPECT_NE(r.err.find("No patching performed."), std::string::npos) << patch << r.err;
        EXPECT_FALSE(fs::exists(dir / "out.bin")) << patch;
    }
    const Result r = run("patch create - - -o p.bps", data("demo/demo.bin"));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("standard input"), std::string::npos) << r.err;
}

TEST_F(Cli, ChecksumShowsWhatItWouldWriteAndFixesOnlyWhenAsked) {
    fs::copy_file(data("game/vt2.smc"), dir / "rom.smc");
    Result r = run("checksum rom.smc");
    EXPECT_EQ(r.status, 0) << r.err;
    // The words the file holds and the words it should hold, in every case.
    unsigned words[4] = {};
    const char* layout = " ROM CheckSum  : %4X\n ROM Compliment: %4X\n\n NEW CheckSum  : %4X\n NEW Compliment: %4X\n\n";
    EXPECT_EQ(std::sscanf(r.out.c_str(), layout, &words[0], &words[1], &words[2], &words[3]), 4) << r.out;
    EXPECT_EQ(words[0], words[2]);
    EXPECT_EQ(words[1], words[3]);
    EXPECT_NE(r.out.find("\n\nNo checksum repair needed.\n"), std::string::npos) << r.out;
    std::vector<uint8_t> rom = bytesOf(dir / "rom.smc");
    rom[0x18000] ^= 0x40;
    writeBytes(dir / "rom.smc", rom);
    r = run("checksum rom.smc");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(" NEW CheckSum  : "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("No checksum repair performed."), std::string::npos) << r.out;
    EXPECT_EQ(bytesOf(dir / "rom.smc"), rom);
    r = run("checksum rom.smc --fix");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Checksum has been repaired!"), std::string::npos) << r.out;
    r = run("checksum rom.smc");
    EXPECT_EQ(std::sscanf(r.out.c_str(), layout, &words[0], &words[1], &words[2], &words[3]), 4) << r.out;
    EXPECT_NE(words[0], 0u);
    EXPECT_EQ(words[0], words[2]);
    EXPECT_NE(r.out.find("No checksum repair needed."), std::string::npos) << r.out;
    r = run("checksum '" + data("demo/demo.bin") + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Could not locate CHECKSUM!\n");
}

// The window's road: F10 at the start, a name, F10 at the end; the demo's
// companion table is loaded on opening in both.
TEST_F(Cli, DumpsAreByteIdenticalToTheWindowsDumps) {
    const std::string demo = data("demo/demo.bin");
    for (const bool binary : {false, true}) {
        common::testing::ScriptedPort port;
        hexedit::DataPad pad(port);
        pad.FormCreate(dir.string());
        ASSERT_TRUE(pad.files.openPath(demo));
        hexedit::search::DataList list(pad);
        hexedit::transfer::Dumper dumper(pad, list);
        pad.moveCursorTo(0x10);
        binary ? dumper.DumpBinaryData1Click() : dumper.DumpText1Click();
        dumper.DFile = (dir / "window.out").string();
        pad.moveCursorTo(0x2FF);
        binary ? dumper.DumpBinaryData1Click() : dumper.DumpText1Click();
        port.takeMessage();
        const Result r = run("dump '" + demo + "' --start 10 --end 0x2FF" + (binary ? " --binary" : "") + " -o cli.out");
        EXPECT_EQ(r.status, 0) << r.err;
        const auto window = bytesOf(dir / "window.out");
        EXPECT_GT(window.size(), 0u);
        EXPECT_EQ(bytesOf(dir / "cli.out"), window) << binary;
        EXPECT_EQ(run("dump '" + demo + "' -s 10 -e 2FF" + (binary ? " -b" : "")).out, std::string(window.begin(), window.end()));
    }
    EXPECT_EQ(run("dump '" + demo + "' -s 20 -e 10").status, 1);
    EXPECT_EQ(run("dump '" + demo + "' -s xyz -e 10").status, 2);
}

// The round trip of the README: dump, one string made longer, insert in
// place; an unchanged script gives the same file; refusals write nothing.
TEST_F(Cli, ScriptDumpAndInsertRoundTrip) {
    fs::copy_file(data("demo/demo.bin"), dir / "demo.bin");
    fs::copy_file(data("demo/demo.tbl"), dir / "demo.tbl");
    const auto original = bytesOf(dir / "demo.bin");
    const std::string pointers = " --pointers 7F00,5,16,lorom,1";
    Result r = run("script dump demo.bin -t demo.tbl" + pointers + " --space 8200-83FF -o demo.script");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(run("script insert demo.bin demo.script -o same.bin").status, 0);
    EXPECT_EQ(bytesOf(dir / "same.bin"), original);

    std::string script = slurp(dir / "demo.script");
    const size_t at = script.find("\nYou found the sword!");
    ASSERT_NE(at, std::string::npos) << script;
    script.replace(at, 21, "\nYou found the old sword of Vexmoor!");
    std::ofstream(dir / "demo.script", std::ios::binary) << script;
    r = run("script insert demo.bin demo.script --fill FF");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("5 strings placed (4 where they were)"), std::string::npos) << r.out;
    EXPECT_NE(run("script dump demo.bin -t demo.tbl" + pointers).out.find("@2 8200 "), std::string::npos);

    const auto changed = bytesOf(dir / "demo.bin");
    std::ofstream(dir / "bad.script") << "table demo.tbl\npointers 7F00,5,16,lorom,1\n@2\nYou ~<END>\n";
    r = run("script insert demo.bin bad.script");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("bad.script:4:5: no table entry for \"~\""), std::string::npos) << r.err;
    EXPECT_EQ(run("script dump demo.bin -t demo.tbl --pointers 1FFFF,5,16,lorom,1").status, 1);
    EXPECT_EQ(bytesOf(dir / "demo.bin"), changed);
    for (const char* args : {"script", "script insert demo.bin", "script dump demo.bin -t demo.tbl --pointers 7F00,5,12,lorom",
                             "script insert demo.bin demo.script --fill 1FF", "script dump demo.bin --pointers 7F00,5,16,lorom"})
        EXPECT_EQ(run(args).status, 2) << args;
}

TEST_F(Cli, FindListsEveryMatchOrTheFirst) {
    const std::string demo = data("demo/demo.bin");
    const auto bytes = bytesOf(demo);
    ASSERT_GT(bytes.size(), 0x120u);
    // The demo's bytes at 0x100 and 0x101 as a hex pattern; every offset
    // where they occur, found independently.
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X%02X", bytes[0x100], bytes[0x101]);
    std::string expected;
    for (size_t i = 0; i + 1 < std::max<size_t>(bytes.size(), 65535); ++i) {
        const uint8_t a = i < bytes.size() ? bytes[i] : 0, b = i + 1 < bytes.size() ? bytes[i + 1] : 0;
        if (a == bytes[0x100] && b == bytes[0x101]) {
            char line[24];
            std::snprintf(line, sizeof line, "[$%08zX]\n", i);
            expected += line;
        }
    }
    Result r = run("find '" + demo + "' --hex " + hex + " --all");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected);
    r = run("find '" + demo + "' --hex " + hex);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expected.substr(0, expected.find('\n') + 1));
    r = run("find '" + demo + "' --hex 1");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Hex string is missing one digit.\n");
}

// A word the demo table keeps as one entry ("dragon" = F0 03): the plain
// text search spells it letter by letter and misses it; as shown it is found
// wherever the view shows it.
TEST_F(Cli, FindAsShownFindsWordsKeptAsEntries) {
    const std::string demo = data("demo/demo.bin");
    const auto bytes = bytesOf(demo);
    std::string expected;
    for (size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xF0 && bytes[i + 1] == 0x03) {
            char line[24];
            std::snprintf(line, sizeof line, "[$%08zX]\n", i);
            expected += line;
        }
    ASSERT_GE(expected.size(), 2 * 12u);  // the script has it twice
    Result r = run("find '" + demo + "' --text dragon --all");
    EXPECT_EQ(r.status, 1);
    r = run("find '" + demo + "' --text dragon --all --as-shown");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected);
    r = run("find '" + demo + "' --text DRAGON --all --as-shown -i");
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(run("find '" + demo + "' --hex F003 --as-shown").status, 2);  // only with --text
}

TEST_F(Cli, TableCheckListsSkippedLinesAndShadows) {
    Result r = run("table check '" + data("demo/demo.tbl") + "'");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("Windows-1252 (legacy)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n0 line(s) skipped"), std::string::npos) << r.out;
    {
        std::ofstream(dir / "bad.tbl", std::ios::binary)
            << "\xEF\xBB\xBF" "41=\xC3\xA9\n123=odd\n42=\xE9\n41=A\nF00102=\xE7\xAB\x9C\n";
    }
    r = run("table check bad.tbl");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "bad.tbl: UTF-8 (byte-order mark); entries of 1, 2, 3, 4 bytes: 1, 0, 1, 0\n"
              "line 2: skipped (odd number of hex digits): 123=odd\n"
              "line 3: skipped (not valid UTF-8): 42=\xEF\xBF\xBD\n"
              "line 1: 41=\xC3\xA9 is shadowed: redefined by line 4 (41=A)\n"
              "2 line(s) skipped, 1 shadowing(s)\n");
    EXPECT_EQ(run("table check").status, 2);
    EXPECT_EQ(run("table check missing.tbl").status, 2);
}

TEST_F(Cli, Vt2UnpackThenPackWritesTheRomOnlyWhenEveryLineFits) {
    fs::copy_file(data("game/vt2.smc"), dir / "rom.smc");
    Result r = run("vt2 unpack rom.smc");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Sucessfully decompressed \"VT2_6321.dat\"", 0), 0u) << r.out;
    ASSERT_TRUE(fs::exists(dir / "Comp" / "VT2_6321.dat"));
    r = run("vt2 pack rom.smc Comp/00006321.txt");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"rom.smc\" has been saved!"), std::string::npos) << r.out;

    // Data that cannot fit: the ROM stays as it was.
    const auto before = bytesOf(dir / "rom.smc");
    std::ofstream(dir / "Comp" / "VT2_6321.dat", std::ios::binary | std::ios::app) << std::string(30000, 'x') + "yz";
    std::vector<uint8_t> noise(20000);
    uint32_t x = 1;
    for (auto& b : noise) b = static_cast<uint8_t>((x = x * 1103515245 + 12345) >> 16);
    std::ofstream(dir / "Comp" / "VT2_6321.dat", std::ios::binary | std::ios::app)
        .write(reinterpret_cast<const char*>(noise.data()), static_cast<std::streamsize>(noise.size()));
    r = run("vt2 unpack rom.smc");  // would overwrite the edited data file
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Do you wish to overwrite it?"), std::string::npos) << r.err;
    r = run("vt2 pack rom.smc Comp/00006321.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Error:"), std::string::npos) << r.err;
    EXPECT_EQ(bytesOf(dir / "rom.smc"), before);
}

}  // namespace
