#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "common/fileio.h"

using namespace common;
namespace fs = std::filesystem;

namespace {
struct TempDir {
    fs::path path;
    TempDir() {
        char tmpl[] = "/tmp/fileio_testXXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path); }
    std::string file(const std::string& name) const { return (path / name).string(); }
};
std::string slurp(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
}  // namespace

TEST(FileIo, ReadWholeFileAfterAReservedPrefix) {
    TempDir dir;
    ASSERT_TRUE(writeFileAtomic(dir.file("a.bin"), std::string("hello")).empty());
    std::vector<uint8_t> buf(3, 0xEE);
    ASSERT_EQ(readWholeFile(dir.file("a.bin"), buf), ReadStatus::Ok);
    ASSERT_EQ(buf.size(), 8u);
    EXPECT_EQ(buf[2], 0xEE);
    EXPECT_EQ(buf[3], 'h');
    EXPECT_EQ(readWholeFile(dir.file("missing"), buf), ReadStatus::CannotOpen);
    std::vector<uint8_t> small;
    EXPECT_EQ(readWholeFile(dir.file("a.bin"), small, 4), ReadStatus::TooLarge);
    EXPECT_TRUE(small.empty());
    EXPECT_EQ(readWholeFile(dir.path.string(), small), ReadStatus::CannotOpen);
}

TEST(FileIo, AtomicWriteReplacesAndKeepsPermissions) {
    TempDir dir;
    std::string target = dir.file("rom.smc");
    ASSERT_TRUE(writeFileAtomic(target, std::string("old data")).empty());
    ::chmod(target.c_str(), 0600);
    std::string a = "new ", b = "bytes";
    auto span = [](const std::string& s) { return std::span(reinterpret_cast<const uint8_t*>(s.data()), s.size()); };
    ASSERT_TRUE(writeFileAtomic(target, {span(a), span(b)}).empty());
    EXPECT_EQ(slurp(target), "new bytes");
    struct stat st {};
    ::stat(target.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);
}

// The old file is held open over each replace and let go of afterwards:
// no descriptor stays behind, however many saves.
TEST(FileIo, ReplacedFilesAreLetGo) {
    TempDir dir;
    const auto openFiles = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
    const std::string target = dir.file("dump.txt");
    ASSERT_TRUE(writeFileAtomic(target, std::string("first")).empty());
    const auto before = openFiles();
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(writeFileAtomic(target, std::to_string(i)).empty());
    EXPECT_EQ(slurp(target), "19");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (openFiles() > before && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(openFiles(), before);
}

TEST(FileIo, FailedWriteLeavesTheTargetAndReportsIt) {
    TempDir dir;
    EXPECT_FALSE(writeFileAtomic(dir.file("no/such/folder/x"), std::string("x")).empty());
    // A target that is a folder cannot be replaced by a file.
    fs::create_directory(dir.file("sub"));
    EXPECT_FALSE(writeFileAtomic(dir.file("sub"), std::string("x")).empty());
    EXPECT_TRUE(fs::is_directory(dir.file("sub")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);
}

TEST(FileIo, SavingKeepsSymbolicAndHardLinks) {
    TempDir dir;
    fs::create_directory(dir.file("real"));
    std::string rom = dir.file("real/rom.smc");
    ASSERT_TRUE(writeFileAtomic(rom, std::string("old")).empty());
    fs::create_symlink("real/rom.smc", dir.file("link.smc"));  // relative to the link's folder
    fs::create_symlink(dir.file("link.smc"), dir.file("chain.smc"));
    fs::create_hard_link(rom, dir.file("hard.smc"));

    ASSERT_TRUE(writeFileAtomic(dir.file("chain.smc"), std::string("through the links")).empty());
    EXPECT_TRUE(fs::is_symlink(dir.file("chain.smc")));
    EXPECT_TRUE(fs::is_symlink(dir.file("link.smc")));
    EXPECT_EQ(slurp(rom), "through the links");
    EXPECT_EQ(slurp(dir.file("hard.smc")), "through the links");  // written in place
    EXPECT_EQ(fs::hard_link_count(rom), 2u);

    // Shorter content through the hard link truncates the shared file.
    ASSERT_TRUE(writeFileAtomic(dir.file("hard.smc"), std::string("new")).empty());
    EXPECT_EQ(slurp(rom), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("real")), fs::directory_iterator()), 1);

    // A loop of links is refused; a dangling link creates the file it names.
    fs::create_symlink("loop2", dir.file("loop1"));
    fs::create_symlink("loop1", dir.file("loop2"));
    EXPECT_FALSE(writeFileAtomic(dir.file("loop1"), std::string("x")).empty());
    EXPECT_TRUE(fs::is_symlink(dir.file("loop1")));
    fs::create_symlink("real/fresh.bin", dir.file("dangling"));
    ASSERT_TRUE(writeFileAtomic(dir.file("dangling"), std::string("x")).empty());
    EXPECT_EQ(slurp(dir.file("real/fresh.bin")), "x");
}

TEST(FileIo, StreamedWriteTakesPiecesAndAStopLeavesTheTargetWhole) {
    TempDir dir;
    const std::string plain = dir.file("dump.txt"), rom = dir.file("rom.smc");
    ASSERT_TRUE(writeFileAtomic(plain, std::string("old")).empty());
    ASSERT_TRUE(writeFileAtomic(rom, std::string("old")).empty());
    fs::create_hard_link(rom, dir.file("hard.smc"));  // written in place
    auto pieces = [](int count) {
        return [count](const ChunkWriter& write) {
            for (int i = 0; i < 3; ++i) {
                if (i == count) return false;
                const std::string piece(100000, static_cast<char>('a' + i));
                if (!write(std::span(reinterpret_cast<const uint8_t*>(piece.data()), piece.size()))) return false;
            }
            return true;
        };
    };
    const std::string whole = std::string(100000, 'a') + std::string(100000, 'b') + std::string(100000, 'c');
    for (const std::string& target : {plain, rom}) {
        EXPECT_EQ(writeFileStreamed(target, pieces(2)), kWriteStopped);
        EXPECT_EQ(slurp(target), "old");
        EXPECT_TRUE(writeFileStreamed(target, pieces(3)).empty());
        EXPECT_EQ(slurp(target), whole);
    }
    EXPECT_EQ(slurp(dir.file("hard.smc")), whole);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 3);
}

TEST(FileIo, StreamedWriteKeepsOrderAcrossBuffersAndReportsAFailedWrite) {
    TempDir dir;
    // Pieces of odd sizes, past several of the writer's buffers.
    std::string whole;
    for (int i = 0; whole.size() < 3 * kCopyChunk; ++i) whole += std::string(7919 + i * 37, static_cast<char>(i));
    const auto produce = [&](const ChunkWriter& write) {
        for (size_t at = 0; at < whole.size(); at += 70001)
            if (!write(std::span(reinterpret_cast<const uint8_t*>(whole.data()) + at,
                                 std::min<size_t>(70001, whole.size() - at))))
                return false;
        return true;
    };
    EXPECT_TRUE(writeFileStreamed(dir.file("big.txt"), produce).empty());
    EXPECT_EQ(slurp(dir.file("big.txt")), whole);
    // A device that takes nothing: the writer turns false and the failure,
    // not a stop, is the answer.
    const int full = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    bool refused = false;
    const std::string error = writeStreamed(full, [&](const ChunkWriter& write) {
        const std::vector<uint8_t> piece(kCopyChunk / 3);
        for (int i = 0; i < 10000; ++i)
            if (!write(piece)) return !(refused = true);
        return true;
    });
    ::close(full);
    EXPECT_TRUE(refused);
    EXPECT_EQ(error.rfind("cannot write", 0), 0u) << error;
    // Written parts are flushed while the writer waits for more; a flush
    // that fails (here: a device that cannot flush) fails the write, as the
    // closing flush would no longer be told.
    const int null = ::open("/dev/null", O_WRONLY);
    ASSERT_GE(null, 0);
    const std::string flushError = writeStreamed(null, [&](const ChunkWriter& write) {
        const std::vector<uint8_t> piece(kCopyChunk);
        for (int i = 0; i < 10; ++i) {
            if (!write(piece)) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    });
    ::close(null);
    EXPECT_EQ(flushError.rfind("cannot flush", 0), 0u) << flushError;
}

TEST(FileIo, WritableFileInAReadOnlyFolderIsWrittenInPlace) {
    TempDir dir;
    fs::create_directory(dir.file("ro"));
    const std::string rom = dir.file("ro/rom.smc");
    auto scenario = [&]() -> int {
        if (!writeFileAtomic(rom, std::string("old")).empty()) return 1;
        if (::chmod(dir.file("ro").c_str(), 0555) != 0) return 2;
        if (!writeFileAtomic(rom, std::string("new bytes")).empty()) return 3;
        if (slurp(rom) != "new bytes") return 4;
        if (writeFileAtomic(dir.file("ro/other"), std::string("x")).empty()) return 5;  // no file to write in place
        return 0;
    };
    if (::geteuid() != 0) {
        EXPECT_EQ(scenario(), 0);
    } else {
        // Folder permissions do not bind root: the saves run as another user.
        constexpr uid_t kNobody = 65534;
        ASSERT_EQ(::chown(dir.path.c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(::chown(dir.file("ro").c_str(), kNobody, kNobody), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(10);
            ::_exit(scenario());
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    ::chmod(dir.file("ro").c_str(), 0755);
}

TEST(FileIo, PathParts) {
    EXPECT_EQ(folderOf("/roms/game.smc"), "/roms");
    EXPECT_EQ(fileNameOf("/roms/game.smc"), "game.smc");
    EXPECT_EQ(fileNameOf("C:\\roms\\game.smc"), "game.smc");
    EXPECT_EQ(folderOf("game.smc"), "");
    EXPECT_EQ(folderOf("/game.smc"), "/");
}

// Relative output names go next to the open file; absolute names and
// names with no open file stay as they are.
TEST(FileIo, OutputPathRule) {
    const struct {
        const char *name, *base, *out;
    } cases[] = {
        {"tower.txt", "/roms", "/roms/tower.txt"},
        {"dumps/tower.txt", "/roms/", "/roms/dumps/tower.txt"},
        {"/tmp/tower.txt", "/roms", "/tmp/tower.txt"},
        {"tower.txt", "", "tower.txt"},
        {"tower.txt", "/", "/tower.txt"},
    };
    for (const auto& c : cases) EXPECT_EQ(outputPath(c.name, c.base), c.out) << c.name << " in " << c.base;
}
