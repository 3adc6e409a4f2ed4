#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "common/fileio.h"
#include "hexedit/core/TableLoader.h"

using namespace hexedit;

namespace {
TableData parse(std::string_view text) {
    TableData t;
    parseTableText(t, text);
    return t;
}
}  // namespace

TEST(TableLines, SingleAndPairEntries) {
    auto t = parse("41=A\n4142=AB\n20= \n00=\n8a=\n8A=ka\n61=th\nf0F1=word with = sign\n");
    EXPECT_EQ(t.ByteTable[0x41], "A");
    EXPECT_EQ(t.PairTable[0x4142], "AB");
    EXPECT_EQ(t.ByteTable[0x20], " ");
    ASSERT_TRUE(t.ByteTable[0x00].has_value());
    EXPECT_EQ(*t.ByteTable[0x00], "");
    EXPECT_EQ(t.ByteTable[0x8A], "ka");
    EXPECT_EQ(t.PairTable[0xF0F1], "word with = sign");
    // Two-character texts also go to the DTE table; others leave 0x01 there.
    EXPECT_EQ(t.DteTable[0x61 * 3], 't');
    EXPECT_EQ(t.DteTable[0x61 * 3 + 1], 'h');
    EXPECT_EQ(t.DteTable[0x61 * 3 + 2], 0x01);
    EXPECT_EQ(t.DteTable[0x41 * 3], 0x01);
    EXPECT_EQ(t.DteTable[0x8A * 3], 'k');
    // Third character '=' wins over the fifth.
    t = parse("41=B=C\n");
    EXPECT_EQ(t.ByteTable[0x41], "B=C");
}

TEST(TableLines, KeysThatAreNotHexAreSkipped) {
    auto t = parse("ZZ=x\n4G=y\n12G4=z\n# comment=yes\n; any text\n\n");
    for (const auto& e : t.ByteTable) EXPECT_FALSE(e.has_value());
    for (const auto& e : t.PairTable) EXPECT_FALSE(e.has_value());
}

TEST(TableLines, EndAndLineBreakCodes) {
    auto t = parse("/00\n*FF rest ignored\n");
    EXPECT_EQ(t.LineBreakCode.value, 0x00);
    EXPECT_EQ(t.LineBreakCode.marker, '/');
    EXPECT_EQ(t.EndStringCode.value, 0xFF);
    EXPECT_EQ(t.EndStringCode.marker, '*');
    std::vector<uint8_t> run{0x00, 0xFF};
    EXPECT_EQ(decodeAt(t, run, 0).text, "/");
    EXPECT_EQ(decodeAt(t, run, 1).text, "*");
    // A later line of the same kind replaces it, '\' included.
    t = parse("*FF\n\\fe\n/0a\n/0B\n");
    EXPECT_EQ(t.EndStringCode.value, 0xFE);
    EXPECT_EQ(t.EndStringCode.marker, '\\');
    EXPECT_EQ(t.LineBreakCode.value, 0x0B);
    // "//" comments set nothing.
    t = parse("// a comment\n");
    EXPECT_EQ(t.LineBreakCode.marker, 0);
}

TEST(TableLines, BookmarksAndDumpMarks) {
    auto t = parse("(1A2Bh)Town text\n(1A2B)No h\n()odd\n[00000100-000001FF]Intro\n[no dash]x\n");
    ASSERT_EQ(t.BookmarkList.size(), 3u);
    EXPECT_EQ(t.BookmarkList[0], "Town text->[1A2B]");
    EXPECT_EQ(t.BookmarkList[1], "No h->[1A2]");
    EXPECT_EQ(t.BookmarkList[2], "odd->[]");
    ASSERT_EQ(t.DumpMarkCount(), 1u);
    EXPECT_EQ(t.DumpMarks[0], "[00000100-000001FF]Intro");

    std::string many;
    for (int i = 0; i < 130; ++i) many += "[00000000-00000001]mark" + std::to_string(i) + "\n";
    t = parse(many);
    EXPECT_EQ(t.DumpMarkCount(), kMaxDumpMarks);
    EXPECT_EQ(t.DumpMarks.back(), "[00000000-00000001]mark127");
}

TEST(TableDirectives, CodeDualMulticodeNontbl) {
    auto t = parse(
        ".code=$F5 \"<END>\"\n"
        ".CODEX=16 \"<sixteen>\"\n"
        ".code=$1FF \"out of range\"\n"
        ".dual=$E0F1 \"[X]\"\n"
        ".dual=$0102 \"[Y]\"\n"
        ".multicode=$F0 2 \"<JUMP_>\"\n"
        ".multicode=$F1 \"<JUMP_>\" 2\n"
        ".multicode=$F2 $10 \"<HEX>\"\n"
        ".nontbl=\"($)\"\n"
        ".nontblx=\"no\"\n"
        ".unknown=$00 \"x\"\n");
    EXPECT_EQ(t.CodeEntries[0xF5].flag, 1u);
    EXPECT_EQ(t.CodeEntries[0xF5].text, "<END>");
    EXPECT_EQ(t.CodeEntries[16].text, "<sixteen>");
    EXPECT_EQ(t.CodeEntries[0xFF].flag, 0u);
    ASSERT_EQ(t.DualCount, 2u);
    EXPECT_EQ(t.DualEntries[0].value, 0xF1E0u);  // bytes E0 F1 read little-endian
    EXPECT_EQ(t.DualEntries[0].text, "[X]");
    EXPECT_EQ(t.DualEntries[1].value, 0x0201u);
    EXPECT_EQ(t.MultiCodeEntries[0xF0].text, "<JUMP_>");
    EXPECT_EQ(t.MultiCodeEntries[0xF0].paramCount, 2u);
    EXPECT_EQ(t.MultiCodeEntries[0xF1].paramCount, 0u);
    EXPECT_EQ(t.MultiCodeEntries[0xF2].paramCount, 16u);
    EXPECT_EQ(t.NonTableText.flag, 1u);
    EXPECT_EQ(t.NonTableText.text, "($)");
}

TEST(TableDirectives, TextWithoutOrWithUnbalancedQuotes) {
    auto t = parse(".code=$41 no quotes\n.code=$42 \"open only\n");
    EXPECT_EQ(t.CodeEntries[0x41].text, ".code $41 no quotes");
    EXPECT_EQ(t.CodeEntries[0x42].text, "open only");
}

TEST(TableDirectives, DualLimit) {
    std::string text;
    for (int i = 0; i < 260; ++i) text += ".dual=$" + std::to_string(1000 + i) + " \"d" + std::to_string(i) + "\"\n";
    auto t = parse(text);
    EXPECT_EQ(t.DualCount, kMaxDualEntries);
    EXPECT_EQ(t.DualEntries[254].text, "d254");
    EXPECT_EQ(t.DualEntries[255].flag, 0u);
}

TEST(TableDirectives, StartAndEndDumpOverSeveralLines) {
    auto t = parse(
        ".startdump=\"first\",\n"
        "  \"second\",\n"
        "\"third\"\n"
        "41=A\n"
        ".enddump=\"only\" , not continued\n");
    EXPECT_EQ(t.StartDumpSpec.flag, 1u);
    EXPECT_EQ(t.StartDumpSpec.text, "firstsecondthird");
    EXPECT_EQ(t.ByteTable[0x41], "A");
    EXPECT_EQ(t.EndDumpSpec.text, "only");
    // Unbalanced: the text runs to the end of the line; end of file ends it.
    t = parse(".enddump=\"a\",\n\"b\",\n");
    EXPECT_EQ(t.EndDumpSpec.text, "ab");
    t = parse(".startdump=\"unbalanced, to the end\n");
    EXPECT_EQ(t.StartDumpSpec.text, "unbalanced, to the end");
    // At most 8191 characters in all.
    std::string longer = ".startdump=\"x\",\n";
    for (int i = 0; i < 40; ++i) longer += "\"" + std::string(250, 'y') + "\",\n";
    longer += "\"z\"\n";
    t = parse(longer);
    EXPECT_EQ(t.StartDumpSpec.text.size(), kMaxDumpSpecText);
}

TEST(TableLines, LongLinesCrLfAndNul) {
    // 254 characters per line at most, the LF counted: a longer line goes on as the next line.
    std::string line = "41=" + std::string(251, 'a') + "42=B\n";
    auto t = parse(line);
    EXPECT_EQ(t.ByteTable[0x41]->size(), 251u);
    EXPECT_EQ(t.ByteTable[0x42], "B");
    t = parse("41=A\r\n42=B\r\n43=C");
    EXPECT_EQ(t.ByteTable[0x41], "A");
    EXPECT_EQ(t.ByteTable[0x42], "B");
    EXPECT_EQ(t.ByteTable[0x43], "C");
    using namespace std::string_view_literals;
    t = parse("41=A\0hidden\n42=B\n"sv);
    EXPECT_EQ(t.ByteTable[0x41], "A");
    EXPECT_EQ(t.ByteTable[0x42], "B");
}

TEST(TableLoading, ReplacesEverythingAndSurvivesMissingFiles) {
    TableData t;
    t.setByte(0x41, "old");
    t.BookmarkList = {"old->[0]"};
    t.TablePaths[0] = "kept";
    EXPECT_EQ(loadTableFile(t, "/nonexistent/table.tbl"), TableLoadStatus::CannotOpen);
    EXPECT_FALSE(t.ByteTable[0x41].has_value());
    EXPECT_TRUE(t.BookmarkList.empty());
    EXPECT_EQ(t.TablePaths[0], "kept");

    auto path = std::filesystem::temp_directory_path() / ("tableloader_" + std::to_string(::getpid()) + ".tbl");
    {
        std::ofstream out(path, std::ios::binary);
        out << "41=A\n(10h)Mark\n";
    }
    EXPECT_EQ(loadTableFile(t, path.string()), TableLoadStatus::Ok);
    EXPECT_EQ(t.ByteTable[0x41], "A");
    EXPECT_EQ(t.BookmarkList, std::vector<std::string>{"Mark->[10]"});
    std::filesystem::remove(path);
}

TEST(TableLoading, AnyInputIsSafe) {
    // Random bytes biased towards the characters the rules look at.
    const char alphabet[] = "0123456789ABCDEFabcdef=*/\\()[]-.\"$, \n\r\t\0xyz";
    uint32_t seed = 12345;
    TableData t;
    for (int round = 0; round < 120; ++round) {
        std::string text;
        size_t n = static_cast<size_t>(round) * 37 % 2000;
        for (size_t i = 0; i < n; ++i) {
            seed = seed * 1664525u + 1013904223u;
            uint8_t r = static_cast<uint8_t>(seed >> 24);
            text.push_back(r < 200 ? alphabet[r % (sizeof alphabet - 1)] : static_cast<char>(r));
        }
        for (const char* prefix : {"", ".startdump=\"", ".code=$", ".dual=$", ".multicode=$", "(", "["}) {
            parseTableText(t, prefix + text);
            EXPECT_LE(t.DumpMarkCount(), kMaxDumpMarks);
            EXPECT_LE(t.DualCount, kMaxDualEntries);
            EXPECT_LE(t.StartDumpSpec.text.size(), kMaxDumpSpecText);
        }
    }
}

TEST(TableLoading, CompanionTableNames) {
    EXPECT_EQ(companionTablePath("/roms/game.smc"), "/roms/game.tbl");
    EXPECT_EQ(companionTablePath("/roms/game"), "/roms/gametbl");
    EXPECT_EQ(companionTablePath("/my.roms/game"), "/my.roms/gametbl");
    EXPECT_EQ(companionTablePath("/roms/game.v1.sfc"), "/roms/game.v1.tbl");
    EXPECT_EQ(companionTablePath("game."), "game.tbl");
}

TEST(TableLoading, TheDemoTableDecodesTheDemoScript) {
    const char* data = std::getenv("TOOLSET_DATA");
    if (!data) GTEST_SKIP() << "TOOLSET_DATA not set";
    TableData t;
    ASSERT_EQ(loadTableFile(t, std::string(data) + "/demo/demo.tbl"), TableLoadStatus::Ok);
    std::vector<uint8_t> rom;
    ASSERT_EQ(common::readWholeFile(std::string(data) + "/demo/demo.bin", rom), common::ReadStatus::Ok);
    ASSERT_GE(t.BookmarkList.size(), 2u);
    EXPECT_EQ(t.BookmarkList[1], "Script->[8000]");
    ASSERT_GE(t.DumpMarkCount(), 1u);
    EXPECT_EQ(t.StartDumpSpec.text, "// Demo script dump// one string per line");
    EXPECT_EQ(t.LineBreakCode.marker, '/');
    EXPECT_EQ(t.EndStringCode.marker, '*');
    std::string text;
    std::span<const uint8_t> run(rom.data() + 0x8000, 64);
    for (size_t p = 0; p < run.size();) {
        auto item = decodeAt(t, run, p);
        if (item.kind == ItemKind::LineBreakMarker) break;
        text += item.text;
        p += static_cast<size_t>(item.length);
    }
    EXPECT_EQ(text, "Welcome to the castle of Vexmoor!");
}

// ---- entries of three and four bytes, UTF-8 files, the check ----

TEST(TableLines, EntriesOfOneToFourBytesAndLinesSkippedForTheirDigits) {
    const auto t = parse("41=A\n4142=AB\n414243=ABC\n41424344=ABCD\nfeedface=word\n123=odd\n1234567890=long\n");
    EXPECT_EQ(t.ByteTable[0x41], "A");
    EXPECT_EQ(t.PairTable[0x4142], "AB");
    ASSERT_TRUE(t.LongTable.find(0x414243, 3));
    EXPECT_EQ(*t.LongTable.find(0x414243, 3), "ABC");
    EXPECT_EQ(*t.LongTable.find(0x41424344, 4), "ABCD");
    EXPECT_EQ(*t.LongTable.find(0xFEEDFACE, 4), "word");
    EXPECT_EQ(t.LongTable.size(), 3u);
    // The editor's sort keeps the new entries with the others.
    const std::vector<std::string> lines = {"414243=ABC", "12345=x", ".code 01 \"x\"", "4142=AB"};
    EXPECT_EQ(tableEntryLines(lines), (std::vector<bool>{true, false, false, true}));
}

TEST(TableLines, Utf8FilesStripTheMarkKeepCharactersWholeAndSkipBadLines) {
    auto t = parse("\xEF\xBB\xBF" "41=\xC3\xA9\n42=\xE9\n43=C\n");
    EXPECT_EQ(t.Encoding, TableEncoding::Utf8);
    EXPECT_EQ(t.ByteTable[0x41], "\xC3\xA9");
    EXPECT_FALSE(t.ByteTable[0x42].has_value());  // not UTF-8: skipped
    EXPECT_EQ(t.ByteTable[0x43], "C");
    // A line over 254 bytes is cut before a character, never inside it.
    std::string kana;
    for (int i = 0; i < 90; ++i) kana += "\xE3\x81\x82";
    t = parse("41=" + kana + "\n");
    ASSERT_TRUE(t.ByteTable[0x41]);
    EXPECT_EQ(t.ByteTable[0x41]->size(), 249u);  // 3 + 83 characters of 3 bytes, then the next piece
    EXPECT_TRUE(isValidUtf8(*t.ByteTable[0x41]));
    // A legacy file is cut where it always was.
    t = parse("41=" + std::string(260, 'a') + "\n");
    EXPECT_EQ(t.ByteTable[0x41]->size(), 251u);
}

TEST(TableCheckReport, SkippedLinesWithNumbersAndReasonsAndShadows) {
    const TableCheck c = checkTableText(
        "41=A\n"             // 1
        "# a comment\n"      // 2
        "123=odd\n"          // 3
        "123456789A=nine\n"  // 4
        "4G=x\n"             // 5
        "hello\n"            // 6
        "41=B\n"             // 7: redefines line 1
        "4142=AB\n"          // 8: begins with 41
        "90=B\n"             // 9: the same text as line 7, a higher code
        ".code 300 \"x\"\n"  // 10
        "\n"
        "414243=ABC\n");     // 12
    EXPECT_EQ(c.encoding, TableEncoding::Legacy);
    EXPECT_EQ(c.entries, (std::array<size_t, 4>{2, 1, 1, 0}));
    std::vector<std::pair<size_t, std::string>> skipped;
    for (const auto& n : c.skipped) skipped.emplace_back(n.line, n.note);
    EXPECT_EQ(skipped, (std::vector<std::pair<size_t, std::string>>{
                           {3, "odd number of hex digits"},
                           {4, "more than 8 hex digits"},
                           {5, "the code is not hexadecimal"},
                           {6, "not an entry, code, bookmark or directive"},
                           {10, "code above FF"},
                       }));
    std::vector<std::pair<size_t, std::string>> shadows;
    for (const auto& n : c.shadows) shadows.emplace_back(n.line, n.note);
    EXPECT_EQ(shadows, (std::vector<std::pair<size_t, std::string>>{
                           {1, "redefined by line 7 (41=B)"},
                           {7, "decoded as 4142 where its bytes follow: line 8 (4142=AB)"},
                           {7, "decoded as 414243 where its bytes follow: line 12 (414243=ABC)"},
                           {8, "decoded as 414243 where its bytes follow: line 12 (414243=ABC)"},
                           {9, "never written by the encoder: line 7 (41=B) has the same text"},
                       }));
    // UTF-8: a line that is not UTF-8, by its number.
    const TableCheck u = checkTableText("\xEF\xBB\xBF" "41=\xC3\xA9\n42=\xE9\n");
    EXPECT_TRUE(u.bom);
    ASSERT_EQ(u.skipped.size(), 1u);
    EXPECT_EQ(u.skipped[0].line, 2u);
    EXPECT_EQ(u.skipped[0].note, "not valid UTF-8");
}
