// The synthetic game ROM as written by the build, read the way the script
// editor reads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "common/fileio.h"
#include "common/gamerom.h"
#include "scripted/DataFile.h"
#include "scripted/Script.h"
#include "scripted/tests/TestFiles.h"
#include "tools/mkgamerom/GameRom.h"

using namespace scripted;
using scripted::testing::gameFile;

namespace {

std::vector<uint8_t> readFile(const std::string& path) {
    std::vector<uint8_t> out;
    EXPECT_EQ(common::readWholeFile(path, out), common::ReadStatus::Ok) << path;
    return out;
}

}  // namespace

TEST(GameRomFiles, BothVariantsHaveTheirHeaderAndTitle) {
    auto plain = readFile(gameFile("vt2.smc"));
    auto headered = readFile(gameFile("vt2_hdr.smc"));
    ASSERT_EQ(plain.size(), 0x200000u);
    ASSERT_EQ(headered.size(), 0x200200u);
    EXPECT_EQ(common::gamerom::headerSize(plain.size()), 0u);
    EXPECT_EQ(common::gamerom::headerSize(headered.size()), 512u);
    EXPECT_EQ(std::string(headered.begin() + 0x101C0, headered.begin() + 0x101CD), "VEXMOORTALES2");
    EXPECT_TRUE(common::gamerom::titleMatches(plain));
    EXPECT_TRUE(common::gamerom::titleMatches(std::span<const uint8_t>(headered).subspan(512)));
    EXPECT_FALSE(common::gamerom::titleMatches(headered));
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), headered.begin() + 512));
    // The build's files are what the library makes.
    EXPECT_EQ(plain, mkgamerom::buildGameRom().image);
}

TEST(GameRomFiles, InternalHeaderChecksum) {
    auto img = mkgamerom::buildGameRom().image;
    uint32_t sum = 0;
    for (uint8_t b : img) sum += b;
    uint16_t checksum = static_cast<uint16_t>(img[0xFFDE] | (img[0xFFDF] << 8));
    uint16_t complement = static_cast<uint16_t>(img[0xFFDC] | (img[0xFFDD] << 8));
    EXPECT_EQ(checksum, static_cast<uint16_t>(sum));
    EXPECT_EQ(static_cast<uint16_t>(checksum ^ complement), 0xFFFF);
    EXPECT_EQ(img[0xFFD5], 0x31);  // HiROM
    EXPECT_EQ(img[0xFFD7], 0x0B);  // 2 MiB
}

TEST(GameRomFiles, EveryBlockWalksToItsStrings) {
    auto rom = mkgamerom::buildGameRom();
    auto headered = readFile(gameFile("vt2_hdr.smc"));
    auto image = std::span<const uint8_t>(headered).subspan(512);
    size_t strings = 0;
    for (const auto& b : rom.blocks) {
        std::vector<uint32_t> ptrs;
        WalkResult r = WalkScript(image, SnesToRom(b.address), ptrs);
        if (b.runsOff) {
            EXPECT_EQ(r.count, kWalkFailed) << std::hex << b.address;
            continue;
        }
        EXPECT_EQ(r.count, b.strings.size()) << std::hex << b.address;
        EXPECT_EQ(ptrs, b.strings) << std::hex << b.address;
        strings += ptrs.size();
        for (uint32_t at : ptrs) {
            auto ev = DecodeString(image, at);
            EXPECT_EQ(ev.back().kind, TextEvent::End);
            EXPECT_FALSE(ev.back().cut);
            for (const auto& e : ev)
                if (e.kind == TextEvent::Glyph) {
                    EXPECT_FALSE(GlyphAt(image, e.word).empty());
                }
        }
    }
    EXPECT_GE(strings, 10u);
}

TEST(GameRomFiles, StringsUseEveryControlWord) {
    auto rom = mkgamerom::buildGameRom();
    std::set<std::string> texts;
    bool newLine = false, heart = false, endFFFF = false;
    for (const auto& b : rom.blocks)
        for (uint32_t at : b.strings)
            for (const auto& e : DecodeString(rom.image, at)) {
                if (e.kind == TextEvent::ControlText) texts.insert(e.text);
                if (e.kind == TextEvent::NewLine) newLine = true;
                if (e.kind == TextEvent::Glyph && e.word == mkgamerom::kHeartCode) heart = true;
                if (e.kind == TextEvent::End && e.word == 0xFFFF) endFFFF = true;
            }
    for (const char* t : {"[Key]", "[Text8x16]", "[Text16x16]", "[ClrScr]", "[$8123]"}) EXPECT_TRUE(texts.count(t)) << t;
    EXPECT_TRUE(newLine);
    EXPECT_TRUE(heart);
    EXPECT_TRUE(endFFFF);
}

TEST(GameRomFiles, FontIsLegible) {
    auto img = readFile(gameFile("vt2.smc"));
    auto a = GlyphAt(img, 'A');
    ASSERT_FALSE(a.empty());
    // The 5 x 7 'A' doubled: the apex row is set in its middle, the
    // crossbar row across the whole width.
    EXPECT_FALSE(glyphPixel(a, 1, 0));
    EXPECT_TRUE(glyphPixel(a, 1, 2));
    EXPECT_TRUE(glyphPixel(a, 7, 0));
    EXPECT_TRUE(glyphPixel(a, 7, 9));
    EXPECT_FALSE(glyphPixel(a, 7, 10));
    auto space = GlyphAt(img, ' ');
    EXPECT_TRUE(std::all_of(space.begin(), space.end(), [](uint8_t b) { return b == 0; }));
    auto heart = GlyphAt(img, mkgamerom::kHeartCode);
    EXPECT_TRUE(std::any_of(heart.begin(), heart.end(), [](uint8_t b) { return b != 0; }));
}

TEST(GameRomFiles, CompressedBlockHoldsTheTiles) {
    auto rom = mkgamerom::buildGameRom();
    const auto& img = rom.image;
    uint32_t s = SnesToRom(mkgamerom::kPackedAddress);
    ASSERT_EQ(s, rom.packedOffset);
    int stream = img[s] | (img[s + 1] << 8);
    ASSERT_GT(stream, 0);
    ASSERT_LT(stream, 0x8000);
    // Decode the group format: a flag byte and eight items per group.
    std::vector<uint8_t> out;
    uint8_t window[256] = {};
    uint8_t w = 0;
    uint32_t pos = s + 2;
    for (int remaining = stream; remaining > 0;) {
        uint8_t flag = img[pos++];
        --remaining;
        for (int k = 0; k < 8; ++k) {
            if (flag & (1 << k)) {
                int count = img[pos] + 1;
                uint8_t src = static_cast<uint8_t>(img[pos + 1] + w);
                pos += 2;
                remaining -= 2;
                for (int i = 0; i < count; ++i) {
                    uint8_t b = window[src++];
                    out.push_back(b);
                    window[w++] = b;
                }
            } else {
                out.push_back(img[pos]);
                window[w++] = img[pos++];
                --remaining;
            }
        }
    }
    EXPECT_EQ(pos, rom.packedEnd);
    EXPECT_EQ(out, rom.unpacked);
    EXPECT_EQ(out.size(), 4096u);
    EXPECT_LT(rom.packedEnd, 0xFFC0u);
}

TEST(GameRomFiles, DataFileListsTheBlocks) {
    auto rom = mkgamerom::buildGameRom();
    std::vector<uint8_t> bytes = readFile(gameFile("vt2data.txt"));
    std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text, mkgamerom::dataFileText(rom));
    TextTable table;
    ViewOptions view;
    auto res = readDataFile(text, table, view);
    ASSERT_EQ(res.blocks.size(), rom.blocks.size());
    for (size_t i = 0; i < rom.blocks.size(); ++i) {
        EXPECT_EQ(res.blocks[i].address, rom.blocks[i].address);
        EXPECT_EQ(res.blocks[i].second, rom.blocks[i].second);
    }
    EXPECT_TRUE(view.formatSet);
    EXPECT_TRUE(view.useVwf);
    EXPECT_EQ(table.WordEntries[0x41].text, "A");
    EXPECT_EQ(table.WordEntries[0x41].color, 0x0C);
    EXPECT_EQ(table.WordEntries[0x20].text, " ");
    EXPECT_EQ(table.WordEntries[0x8140].text, "\x81\x40");
    EXPECT_EQ(table.ByteEntries[0x90].color, 15);  // coloured before the ".NULL" range marked it
    EXPECT_EQ(table.ByteEntries[0x1F].text, "[$1F]");
}

TEST(GameRomFiles, BenchmarkRomHas4096Strings) {
    auto rom = mkgamerom::buildBenchRom();
    ASSERT_EQ(rom.image.size(), 0x400000u);
    EXPECT_TRUE(common::gamerom::titleMatches(rom.image));
    size_t strings = 0;
    std::vector<uint32_t> ptrs;
    for (const auto& b : rom.blocks) {
        WalkResult r = WalkScript(rom.image, SnesToRom(b.address), ptrs);
        EXPECT_EQ(ptrs, b.strings);
        strings += r.count;
    }
    EXPECT_EQ(strings, 4096u);
}
