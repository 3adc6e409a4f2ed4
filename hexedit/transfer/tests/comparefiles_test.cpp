#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "common/testing/ScriptedPort.h"
#include "hexedit/core/testing/TestSession.h"
#include "hexedit/transfer/CompareFiles.h"

using namespace hexedit;
using namespace hexedit::transfer;
using common::MsgIcon;

namespace {

struct FakeCompareView : CompareView {
    int shows = 0, closes = 0;
    void showWindow() override { ++shows; }
    void closeWindow() override { ++closes; }
    void refresh() override {}
};

struct CompareEnv {
    std::filesystem::path dir;
    common::testing::ScriptedPort port;
    hexedit::testing::TestSession session{port};
    CompareFiles compare{session};
    FakeCompareView view;

    CompareEnv() : dir(std::filesystem::temp_directory_path() / ("tarnwick_compare_" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(dir);
        compare.setView(&view);
    }
    ~CompareEnv() { std::filesystem::remove_all(dir); }

    std::string file(const std::string& name, const std::vector<uint8_t>& bytes) {
        const auto path = (dir / name).string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    void compareFiles(const std::string& a, const std::string& b) {
        compare.pathEdited(0, a);
        compare.pathEdited(1, b);
        compare.Button3Click();
    }
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (size_t i = 0; i < compare.results().size(); ++i) out.push_back(compare.results().line(i));
        return out;
    }
};

}  // namespace

TEST(CompareFiles, ListsRunsUpToTheShorterLengthAndJumps) {
    CompareEnv env;
    env.session.load(std::vector<uint8_t>(0x100, 0));
    std::vector<uint8_t> a(0x40, 7), b = a;
    b[0x10] = b[0x11] = b[0x12] = 1;
    b[0x3F] = 2;
    b.resize(0x50, 9);  // bytes past the shorter file are not compared
    env.compareFiles(env.file("a.bin", a), env.file("b.bin", b));
    env.port.expectMessage("File comparison completed!", "", MsgIcon::Exclamation);
    EXPECT_EQ(env.lines(), (std::vector<std::string>{"[00000010] ;      3 bytes different at location.",
                                                     "[0000003F] ;      1 byte  different at location."}));
    EXPECT_EQ(env.compare.caption(), "Compare Files...Results: 2 difference(s) found.");
    env.compare.CompListDblClick(1);
    env.compare.CompListDblClick(7);  // past the list: nothing
    EXPECT_EQ(env.session.viewState.CursorOffset, 0x3F);

    // Equal, a longer copy, an empty file: the match line, which does not jump.
    auto longer = a;
    longer.resize(0x50, 9);
    for (const auto& other : {a, longer, std::vector<uint8_t>{}}) {
        env.compareFiles(env.file("a.bin", a), env.file("c.bin", other));
        env.port.expectMessage("File comparison completed!", "", MsgIcon::Exclamation);
        EXPECT_EQ(env.lines(), std::vector<std::string>{"These files match to smallest file length."});
        EXPECT_EQ(env.compare.caption(), "Compare Files...");
    }
    env.compare.CompListDblClick(0);
    EXPECT_EQ(env.session.cursorMoves, 1);
}

TEST(CompareFiles, FailuresAndCancel) {
    CompareEnv env;
    const auto a = env.file("a.bin", {1, 2});
    EXPECT_TRUE(env.session.commands().run("CompareFiles1Click"));
    EXPECT_EQ(env.view.shows, 1);

    env.compareFiles(a, "");
    env.port.expectMessage("Error: Missing file name(s).");

    // Lengths past what the offsets can name are refused before reading;
    // a longer file is read only as far as the shorter one.
    const auto huge = (env.dir / "huge.bin").string();
    std::ofstream(huge).close();
    std::filesystem::resize_file(huge, (uint64_t{1} << 32) + 1);
    env.compareFiles(huge, a);
    env.port.expectMessage("File comparison completed!", "", MsgIcon::Exclamation);
    EXPECT_EQ(env.lines(), (std::vector<std::string>{"[00000000] ;      2 bytes different at location."}));
    env.compareFiles(huge, huge);
    env.port.expectMessage("Fatal Error: Could not allocate memory for comparison of the two files...", "",
                           MsgIcon::Stop);

    // Cancelled: nothing listed, nothing reported.
    env.session.host.keepGoing = false;
    env.compareFiles(a, a);
    EXPECT_TRUE(env.lines().empty());
    EXPECT_EQ(env.compare.caption(), "Compare Files...");
    env.session.host.keepGoing = true;

    // An unopenable file is reported before the other is measured, and
    // closes the window.
    EXPECT_EQ(env.view.closes, 0);
    env.compareFiles((env.dir / "missing.bin").string(), huge);
    env.port.expectMessage("Fatal Error: Could not open A file...", "", MsgIcon::Stop);
    EXPECT_EQ(env.view.closes, 1);
    EXPECT_FALSE(env.compare.visible());
}
