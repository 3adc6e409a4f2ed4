// The text dump against a slow, literal reading of its rules, and the
// examples every translator relies on.

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "hexedit/core/TableLoader.h"
#include "hexedit/transfer/TextDump.h"

namespace hexedit::transfer {
namespace {

std::string hex2(uint8_t b) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02X", b);
    return buf;
}

// Each rule tried in order at every position, nothing precomputed.
std::string slowDump(const TableData& t, const std::vector<uint8_t>& d, DumpInfo info) {
    const size_t n = d.size();
    info.length = static_cast<int64_t>(n);
    auto at = [&](std::string_view text, size_t pos) { return expandTemplate(text, info, static_cast<int64_t>(pos)); };
    std::string out;
    if (t.StartDumpSpec.flag) out += at(t.StartDumpSpec.text, 0);
    size_t pos = 0;
    while (pos < n) {
        const uint8_t b = d[pos];
        bool dual = false;
        if (t.DualCount > 0 && pos + 1 < n)
            for (uint32_t i = 0; i < t.DualCount && !dual; ++i) {
                const auto& e = t.DualEntries[i];
                if (e.flag && (e.value & 0xFF) == b && ((e.value >> 8) & 0xFF) == d[pos + 1]) {
                    out += at(e.text, pos);
                    pos += 2;
                    dual = true;
                }
            }
        if (dual) continue;
        if (t.CodeEntries[b].flag) {
            out += at(t.CodeEntries[b].text, pos);
            pos += 1;
        } else if (t.MultiCodeEntries[b].flag) {
            const std::string text = at(t.MultiCodeEntries[b].text, pos);
            const size_t s = text.find('_') != std::string::npos ? text.find_first_of("_>") : 1;
            out += text.substr(0, std::min(s, text.size())) + "$";
            const uint64_t count = t.MultiCodeEntries[b].paramCount;
            if (pos + count < n) {
                for (uint64_t i = 1; i <= count; ++i) out += hex2(d[pos + i]);
                pos += count + 1;
            } else {
                pos += 1;
            }
            if (s + 1 <= text.size()) out += text.substr(s + 1);
        } else if (pos + 1 < n && t.PairTable[b * 256 + d[pos + 1]]) {
            out += *t.PairTable[b * 256 + d[pos + 1]];
            pos += 2;
        } else if (t.ByteTable[b]) {
            out += *t.ByteTable[b];
            pos += 1;
        } else if (t.LineBreakCode.marker == '/' && t.LineBreakCode.value == b) {
            out += "\n";
            pos += 1;
        } else if (t.EndStringCode.marker && t.EndStringCode.value == b) {
            out += "<END>\n";
            pos += 1;
        } else if (t.NonTableText.flag) {
            const std::string& nt = t.NonTableText.text;
            char num[8];
            std::snprintf(num, sizeof num, nt.find('$') != std::string::npos ? "$%02X" : "%03d", b);
            out += (nt.empty() || nt.front() == '$') ? '(' : nt.front();
            out += num;
            out += (nt.empty() || nt.back() == '$') ? ')' : nt.back();
            pos += 1;
        } else {
            out += "($" + hex2(b) + ")";
            pos += 1;
        }
    }
    if (t.EndDumpSpec.flag) out += at(t.EndDumpSpec.text, pos);
    return toCrLf(out);
}

// A table with entries of every kind on a small byte alphabet, so that they
// meet often, and bytes from that alphabet.
struct RandomDump {
    std::mt19937& rng;
    int pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
    uint8_t byte() { return static_cast<uint8_t>(pick(5) == 0 ? pick(256) : pick(12)); }
    std::string text() {
        static const std::vector<std::string> pieces = {"a",  "ka", "%",      "_",         ">",   "$", "\\n", "\n",
                                                        "%offset", "%DUMPSIZE", "\\T", "<", "%ENDOFS", "", "%StartOfs"};
        std::string s;
        for (int i = pick(4); i > 0; --i) s += pieces[static_cast<size_t>(pick(static_cast<int>(pieces.size())))];
        return s;
    }
    TableData table() {
        static const std::vector<std::string> nontbl = {"", "[$]", "<>", "$", "x$", "($)", "|"};
        TableData t;
        for (int i = pick(8); i > 0; --i) t.ByteTable[byte()] = text();
        for (int i = pick(10); i > 0; --i) t.PairTable[byte() * 256 + byte()] = text();
        for (int i = pick(4); i > 0; --i) t.CodeEntries[byte()] = {1, text()};
        for (int i = pick(4); i > 0; --i)
            t.MultiCodeEntries[byte()] = {1, pick(6) == 0 ? 0xFFFFFFFFu : static_cast<uint32_t>(pick(4)), text()};
        for (int i = pick(5); i > 0; --i)
            t.DualEntries[t.DualCount++] = {1, static_cast<uint32_t>(byte() | (byte() << 8)), text()};
        if (pick(2)) t.NonTableText = {1, nontbl[static_cast<size_t>(pick(static_cast<int>(nontbl.size())))]};
        if (pick(2)) t.LineBreakCode = {byte(), '/'};
        if (pick(2)) t.EndStringCode = {byte(), pick(2) ? '*' : '\\'};
        if (pick(2)) t.StartDumpSpec = {1, text()};
        if (pick(2)) t.EndDumpSpec = {1, text()};
        return t;
    }
    std::vector<uint8_t> bytes(size_t n) {
        std::vector<uint8_t> d(n);
        for (auto& b : d) b = byte();
        return d;
    }
    DumpInfo info() { return {static_cast<int64_t>(rng()), static_cast<int64_t>(rng()), 0, "rom.smc", "t.tbl"}; }
};

TEST(TextDump, MatchesTheRulesReadOneByOneOnRandomTables) {
    std::mt19937 rng(11);
    RandomDump r{rng};
    for (int round = 0; round < 300; ++round) {
        const TableData t = r.table();
        const auto d = r.bytes(static_cast<size_t>(r.pick(60)));
        const DumpInfo info = r.info();
        const std::string dumped = *textDump(t, d, info);
        ASSERT_EQ(dumped, slowDump(t, d, info)) << "round " << round;
        // The step API, as the script dump walks it, gives the same text
        // between the ".startdump" and ".enddump" texts.
        DumpInfo whole = info;
        whole.length = static_cast<int64_t>(d.size());
        const DumpSteps steps(t, whole);
        std::string walked, scratch;
        for (size_t pos = 0; pos < d.size();) {
            const DumpItem item = steps.at(d, pos, scratch);
            walked += item.text;
            pos += static_cast<size_t>(item.advance);
        }
        const size_t head = t.StartDumpSpec.flag ? toCrLf(expandTemplate(t.StartDumpSpec.text, whole, 0)).size() : 0;
        const size_t tail = t.EndDumpSpec.flag ? toCrLf(expandTemplate(t.EndDumpSpec.text, whole, whole.length)).size() : 0;
        ASSERT_EQ(walked, dumped.substr(head, dumped.size() - head - tail)) << "round " << round;
    }
}

TEST(TextDump, LongRangesGoToTheSinkInBoundedPieces) {
    std::mt19937 rng(12);
    RandomDump r{rng};
    for (int round = 0; round < 4; ++round) {
        const TableData t = r.table();
        const auto d = r.bytes(400000);
        const DumpInfo info = r.info();
        std::string joined;
        std::vector<size_t> sizes;
        ASSERT_TRUE(textDump(t, d, info, [&](std::string_view piece) {
            sizes.push_back(piece.size());
            joined += piece;
            return true;
        }));
        // Whole pieces, so that a file gets them at aligned offsets.
        ASSERT_GT(sizes.size(), 1u);
        for (size_t i = 0; i + 1 < sizes.size(); ++i) EXPECT_EQ(sizes[i], kDumpPiece) << "round " << round;
        EXPECT_LE(sizes.back(), kDumpPiece) << "round " << round;
        ASSERT_EQ(joined, slowDump(t, d, info)) << "round " << round;
    }
    // A sink that fails stops the dump.
    int pieces = 0;
    EXPECT_FALSE(textDump(TableData{}, std::vector<uint8_t>(1 << 20), {}, [&](std::string_view) {
        ++pieces;
        return false;
    }));
    EXPECT_EQ(pieces, 1);
}

TableData load(std::string_view text) {
    TableData t;
    parseTableText(t, text);
    return t;
}

TEST(TextDump, AppliesTheRulesInOrderWithEveryDirective) {
    const TableData t = load(
        "41=A\n4142=AB\n43=C\n4344=CD\nE0=e\nF5=never\n"
        ".dual=$E0F1 \"[X]\"\n.dual=$E0F1 \"[Y]\"\n"
        ".code=$F5 \"<c %offset>\\n\"\n"
        ".multicode=$F0 2 \"<JUMP_>\"\n"
        ".multicode=$F2 1 \"ab\"\n"
        "/FE\n*FF\n"
        ".startdump=\"[%StartOfs-%endofs %DUMPSIZE %romname %TBLNAME]\\n\"\n"
        ".enddump=\"\\t%OFFSET\"\n");
    const std::vector<uint8_t> d = {0x41, 0x42, 0x41, 0x43, 0xE0, 0xF1, 0xF5, 0xF0, 0x12, 0x34,
                                    0xF2, 0x07, 0xFE, 0xFF, 0x7F, 0xE0, 0x43, 0xF0, 0x01};
    const DumpInfo info{0x100, 0x2000, 0, "rom.smc", "t.tbl"};
    EXPECT_EQ(*textDump(t, d, info),
              "[00000100-00002000 19 rom.smc t.tbl]\r\n"
              "ABAC[X]<c 00000107>\r\n<JUMP$1234>a$07\r\n<END>\r\n($7F)eC"
              "<JUMP$>($01)\t00000114");  // F0 at the end: its parameters lie past the range
}

TEST(TextDump, NonTableBytesTakeTheirBracketsFromNontblAfterTheTablesCodes) {
    struct Case {
        const char* directive;
        const char* expected;  // bytes 4F, FE (line break) and FF (end)
    };
    const Case cases[] = {
        {"", "($4F)\r\n<END>\r\n"},
        {".nontbl=\"[$]\"\n", "[$4F]\r\n<END>\r\n"},
        {".nontbl=\"<>\"\n", "<079>\r\n<END>\r\n"},
        {".nontbl=\"($)\"\n", "($4F)\r\n<END>\r\n"},
        {".nontbl=\"$\"\n", "($4F)\r\n<END>\r\n"},
        {".nontbl=\"{x\"\n", "{079x\r\n<END>\r\n"},
    };
    for (const auto& c : cases) {
        const TableData t = load(std::string("/FE\n*FF\n") + c.directive);
        EXPECT_EQ(*textDump(t, std::vector<uint8_t>{0x4F, 0xFE, 0xFF}, {}), c.expected) << c.directive;
    }
}

TEST(TextDump, TemplateKeywordsInAnyCase) {
    const DumpInfo info{0x10, 0xFFFFFFFF, 123456789, "/roms/game.smc", "/roms/game.tbl"};
    EXPECT_EQ(expandTemplate("%offset %OFFSET %DumpSize|\\N\\t|%ROMNAME|%tblname|%STARTofs %endofs %other%", info, 0),
              "00000010 00000010 123,456,789|\n\t|/roms/game.smc|/roms/game.tbl|00000010 FFFFFFFF %other%");
    EXPECT_EQ(expandTemplate("%Offset", info, 5), "00000016");
    const std::pair<int64_t, const char*> groups[] = {
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {1234567, "1,234,567"}, {123456789, "123,456,789"}};
    for (const auto& [value, text] : groups) EXPECT_EQ(groupThousands(value), text);
}

TEST(TextDump, WritesLongTextsWhole) {
    TableData t;
    t.ByteTable[0x01] = std::string(70000, 'x');
    t.PairTable[0x0203] = std::string(66000, 'y') + "\n";
    t.CodeEntries[0x04] = {1, "%ROMNAME%OFFSET"};
    const DumpInfo info{0, 0, 0, std::string(100000, 'r'), ""};
    const std::vector<uint8_t> d = {0x01, 0x02, 0x03, 0x04, 0x01, 0x05};
    const auto out = textDump(t, d, info);
    EXPECT_EQ(out->size(), 70000 * 2 + 66002 + 100008 + 5);
    EXPECT_EQ(*out, slowDump(t, d, info));
}

// Entries of one to four bytes decode as the view decodes them: the longest
// code first. A UTF-8 table's texts go out as they are.
TEST(TextDump, EntriesOfEveryLengthAsTheViewDecodes) {
    std::mt19937 rng(21);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    for (int round = 0; round < 100; ++round) {
        TableData t;
        std::string file;
        char line[32];
        for (int k = pick(40); k > 0; --k) {
            const int length = 1 + pick(4);
            uint32_t code = 0;
            for (int i = 0; i < length; ++i) code = code << 8 | static_cast<uint32_t>(pick(6));
            std::snprintf(line, sizeof line, "%0*X=", length * 2, code);
            static const char* const pieces[] = {"a", "b", "\xC3\xA9", "\xE7\xAB\x9C"};
            std::string text;
            for (int n = pick(3); n > 0; --n) text += pieces[pick(4)];
            file += line + text + "\n";
        }
        parseTableText(t, file);
        std::vector<uint8_t> d(static_cast<size_t>(pick(400)));
        for (auto& b : d) b = static_cast<uint8_t>(pick(7));
        std::string expected;
        for (size_t p = 0; p < d.size();) {
            const DecodedItem item = decodeAt(t, d, p);
            if (item.kind == ItemKind::NoEntry) expected += "($" + hex2(d[p]) + ")";
            else expected += item.text;
            p += static_cast<size_t>(item.length);
        }
        EXPECT_EQ(*textDump(t, d, {}), toCrLf(expected));
    }
}

TEST(TextDump, StopsWhenCancelled) {
    const std::vector<uint8_t> d(300000, 0x41);
    int calls = 0;
    EXPECT_FALSE(textDump(TableData{}, d, {}, [&](uint64_t, uint64_t) { return ++calls < 3; }));
    EXPECT_EQ(calls, 3);
}

}  // namespace
}  // namespace hexedit::transfer
