// The whole road on the project's synthetic game ROM, whose block at $C06321
// was packed by the ROM generator rather than by this program's encoder.

#include <gtest/gtest.h>

#include <algorithm>

#include "common/testing/ScriptedPort.h"
#include "compress/Codec.h"
#include "compress/CompressionUtility.h"
#include "compress/tests/TestRom.h"
#include "tools/mkgamerom/GameRom.h"

using namespace vt2comp;
using namespace vt2comp::testing;
using common::testing::ScriptedPort;
using Bytes = std::vector<uint8_t>;

TEST(SyntheticGameRom, UnpacksEditsRepacksAndSavesTheStartMenuTiles) {
    const mkgamerom::GameRom game = mkgamerom::buildGameRom();
    ASSERT_EQ(game.packedOffset, CompressionUtility::blockOffset(0));

    TempDir dir;
    const std::string rom = dir.file("vt2_hdr.smc");
    writeFile(rom, mkgamerom::withCopierHeader(game.image));
    CompressionUtility util(dir.path());
    ScriptedPort port;
    port.answerOpen(rom);
    util.openRom(port);
    ASSERT_TRUE(util.state().romLoaded());
    EXPECT_EQ(util.state().HeaderSize, 512u);

    util.decompressBlock(0, port);
    const std::string data = dir.path() + "/Comp/VT2_6521.dat";
    EXPECT_EQ(util.state().ListBox1, std::vector<std::string>{"Sucessfully decompressed \"VT2_6521.dat\""});
    Bytes unpacked = readFile(data);
    ASSERT_GE(unpacked.size(), game.unpacked.size());
    EXPECT_TRUE(std::equal(game.unpacked.begin(), game.unpacked.end(), unpacked.begin()));

    // Repeated rows pack smaller than the generator's literals, so they fit.
    Bytes edited = game.unpacked;
    std::fill(edited.begin(), edited.begin() + 256, 0x11);
    writeFile(data, edited);
    port.answerOpen(dir.path() + "/Comp/00006521.txt");
    util.recompress(port);
    EXPECT_EQ(util.state().ListBox1,
              std::vector<std::string>{"Success: Data was recompressed completely! [ VT2_6521.dat ] "});
    util.saveRom(port);
    port.expectMessage("\"vt2_hdr.smc\" has been saved!", {}, common::MsgIcon::Exclamation);

    const Bytes saved = readFile(rom);
    ASSERT_EQ(saved.size(), game.image.size() + 512);
    Bytes out(0x10000);
    DecodeResult r = DecodeBlock(std::span(saved).subspan(512), game.packedOffset, out);
    ASSERT_EQ(r.status, DecodeStatus::Ok);
    ASSERT_GE(r.count, edited.size());
    EXPECT_TRUE(std::equal(edited.begin(), edited.end(), out.begin()));
    // Bytes past the generator's block are untouched.
    EXPECT_TRUE(std::equal(game.image.begin() + game.packedEnd, game.image.end(), saved.begin() + 512 + game.packedEnd));
}
