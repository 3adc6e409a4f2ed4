// Scripts with pointers: the round trip on random tables and layouts, the
// errors a translator sees, and strings placed at bank edges.

#include <gtest/gtest.h>

#include <random>

#include "hexedit/core/TableLoader.h"
#include "hexedit/transfer/Script.h"

namespace hexedit::transfer {
namespace {

std::string hex2(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", v & 0xFF);
    return buf;
}

// Dumps, reads back and plans the insert of the script as it is edited by `edit`.
InsertPlan roundTrip(const TableData& t, const std::vector<uint8_t>& file, const DumpRequest& req,
                     const std::function<void(std::string&)>& edit = {}, std::optional<uint8_t> fill = {}) {
    std::string error;
    auto text = dumpScript(t, file, req, error);
    EXPECT_TRUE(text) << error;
    if (!text) return {};
    if (edit) edit(*text);
    std::vector<ScriptError> errors;
    auto script = readScript(*text, errors);
    EXPECT_TRUE(script) << (errors.empty() ? "" : errorText(errors[0])) << "\n" << *text;
    if (!script) return {};
    auto plan = planInsert(t, *script, file, fill);
    EXPECT_TRUE(plan);
    return plan ? std::move(*plan) : InsertPlan{};
}

// A random table: ambiguous texts, prefixes, '<', '#', pairs, every directive.
std::string randomTable(std::mt19937& rng) {
    const char* pieces[] = {"a", "b", "ab", "ba", "<", ">", "<$", "#", "@", " ", "abc", "é", "<W>", "c", "$"};
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    std::string tbl;
    for (int b = 0; b < 256; ++b)
        if (pick(3) == 0) tbl += hex2(b) + "=" + pieces[pick(15)] + (pick(4) == 0 ? pieces[pick(15)] : "") + "\n";
    for (int k = 0; k < 20; ++k) tbl += hex2(pick(256)) + hex2(pick(256)) + "=" + pieces[pick(15)] + "\n";
    for (int k = 0; k < 10; ++k)
        tbl += hex2(pick(256)) + hex2(pick(256)) + hex2(pick(256)) + (pick(2) ? hex2(pick(256)) : "") + "=" + pieces[pick(15)] +
               pieces[pick(15)] + "\n";
    tbl += "/" + hex2(pick(256)) + "\n*" + hex2(pick(256)) + "\n";
    tbl += ".code=$" + hex2(pick(256)) + " \"<WAIT>\\n\"\n";
    tbl += ".code=$" + hex2(pick(256)) + " \"<at %OFFSET>\"\n";
    tbl += ".dual=$" + hex2(pick(256)) + hex2(pick(256)) + " \"<W>\"\n";
    tbl += ".multicode=$" + hex2(pick(256)) + " " + std::to_string(pick(3)) + (pick(2) ? " \"<JUMP_>\"\n" : " \"<W>\"\n");
    return tbl;
}

// Random tables, random strings and random pointer layouts: an unchanged
// script inserts as the very bytes it was dumped from.
TEST(Script, UnchangedScriptInsertsByteIdentical) {
    std::mt19937 rng(30);
    const PointerMap maps[] = {PointerMap::Linear, PointerMap::LoRom, PointerMap::HiRom};
    for (int round = 0; round < 200; ++round) {
        auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        const std::string tbl = randomTable(rng);
        TableData t;
        parseTableText(t, tbl);

        PointerTable pt;
        pt.map = maps[pick(3)];
        pt.width = 16 + 8 * pick(3);
        pt.bigEndian = pick(2) == 0;
        pt.count = 1 + static_cast<uint32_t>(pick(24));
        pt.offset = 0x40;
        // 16-bit pointers reach one bank (or 64 KiB past a base); the
        // others reach the whole file, strings crossing bank edges included.
        int64_t lo = 0x200, hi = 0x30000;
        if (pt.width == 16) {
            pt.bank = pt.map == PointerMap::Linear ? 0x8000 : 2;
            lo = pt.map == PointerMap::LoRom ? 0x10000 : pt.map == PointerMap::HiRom ? 0x20000 : 0x8000;
            hi = lo + (pt.map == PointerMap::LoRom ? 0x8000 : 0x10000);
        }
        std::vector<uint8_t> file(0x30000);
        for (auto& b : file) b = static_cast<uint8_t>(rng());
        std::vector<int64_t> starts;
        for (uint32_t i = 0; i < pt.count; ++i) {
            if (!starts.empty() && pick(4) == 0) {
                starts.push_back(starts[static_cast<size_t>(pick(static_cast<int>(starts.size())))]);  // shared
                continue;
            }
            const int64_t edge = pt.map == PointerMap::LoRom ? 0x8000 : 0x10000;
            int64_t at = lo + pick(static_cast<int>(hi - lo - 64));
            if (pt.width != 16 && pick(4) == 0) at = std::max<int64_t>(lo, (at / edge) * edge - 5);  // across an edge
            starts.push_back(at);
        }
        for (uint32_t i = 0; i < pt.count; ++i) {
            const auto v = pointerValue(pt, starts[i], static_cast<uint32_t>(rng()));
            ASSERT_TRUE(v) << round;
            for (int k = 0; k < pt.width / 8; ++k)
                file[static_cast<size_t>(pt.offset) + i * static_cast<size_t>(pt.width / 8) +
                     static_cast<size_t>(pt.bigEndian ? pt.width / 8 - 1 - k : k)] = static_cast<uint8_t>(*v >> (8 * k));
        }
        if (pick(5) == 0) file[static_cast<size_t>(pt.offset)] ^= 0x80;  // a pointer that may leave the file

        std::vector<uint8_t> copy = file;
        const InsertPlan plan = roundTrip(t, file, {pt, {}, "t.tbl", "f"}, {}, uint8_t{0xEE});
        ASSERT_TRUE(plan.ok()) << round << ": " << errorText(plan.errors[0]) << "\n" << tbl;
        applyPlan(copy, plan);
        ASSERT_EQ(copy, file) << "round " << round << "\n" << tbl;
    }
}

// The one-pass writer, where it takes a string, writes what the piece by
// piece writer writes; strings drawn from the table's own codes.
TEST(Script, QuickStringTextMatchesCheckedText) {
    std::mt19937 rng(31);
    int taken = 0, declined = 0;
    for (int round = 0; round < 400; ++round) {
        TableData t;
        parseTableText(t, randomTable(rng));
        std::vector<uint8_t> codes;
        for (int b = 0; b < 256; ++b)
            if (t.ByteTable[b] || rng() % 8 == 0) codes.push_back(static_cast<uint8_t>(b));
        std::vector<uint8_t> bytes(1 + rng() % 8);
        for (auto& b : bytes) b = codes[rng() % codes.size()];
        const auto checked = detail::stringText(t, bytes, false);
        const auto quick = detail::stringText(t, bytes, true);
        ++(quick ? taken : declined);
        if (quick) {
            ASSERT_EQ(*quick, *checked) << round;
        }
    }
    EXPECT_GT(taken, 30);
    EXPECT_GT(declined, 30);
}

// Entries of three and four bytes come first, as in the text dump.
TEST(Script, LongerEntriesAreReadFirst) {
    TableData t;
    parseTableText(t, "41=A\n42=B\n43=C\n414243=Sword\n41424344=Shield\n*FF\n");
    for (const bool quick : {false, true}) {
        const auto text = detail::stringText(t, std::vector<uint8_t>{0x41, 0x42, 0x43, 0x41, 0x42, 0x43, 0x44, 0x42, 0xFF}, quick);
        if (text) {
            EXPECT_EQ(text->first, "SwordShieldB<END>\n") << quick;
        }
    }
}

// An edited string: longer, it moves into the free space; its pointers
// follow and its old bytes get the fill; the dump of the result shows it.
TEST(Script, EditedStringMovesAndItsPointersFollow) {
    TableData t;
    parseTableText(t, "41=A\n42=B\n43=C\n20= \n/FE\n*FF\n.code=$FD \"<WAIT>\"\n");
    std::vector<uint8_t> file(0x400, 0x00);
    const std::vector<uint8_t> strings = {0x41, 0x42, 0xFF, 0x43, 0xFE, 0x43, 0xFD, 0xFF};
    std::copy(strings.begin(), strings.end(), file.begin() + 0x100);
    file[0x10] = 0x00, file[0x11] = 0x01;  // -> "AB"
    file[0x12] = 0x03, file[0x13] = 0x01;  // -> "C\nC<WAIT>"
    file[0x14] = 0x00, file[0x15] = 0x01;  // shares "AB"
    const DumpRequest req{{0x10, 3, 16, PointerMap::Linear, 0, false}, {{0x200, 0x240}}, "t.tbl", "f"};
    std::string error;
    const std::string text = *dumpScript(t, file, req, error);
    EXPECT_NE(text.find("@0,2 100 3\r\n#|AB<END>\r\nAB<END>\r\n\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("@1 103 5\r\n#|C\r\n#|C<WAIT><END>\r\nC\r\nC<WAIT><END>\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("space 100-107\r\nspace 200-23F\r\n"), std::string::npos) << text;

    const InsertPlan plan = roundTrip(
        t, file, req, [](std::string& s) { s.replace(s.find("\nAB<END>"), 8, "\nABC BA<END>"); }, uint8_t{0x99});
    ASSERT_TRUE(plan.ok()) << errorText(plan.errors[0]);
    applyPlan(file, plan);
    EXPECT_EQ(file[0x11], 0x02);  // the free space: the gap it left is too small
    EXPECT_EQ(file[0x15], 0x02);
    EXPECT_EQ(file[0x12], 0x03);
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 0x100, file.begin() + 0x110),
              (std::vector<uint8_t>{0x99, 0x99, 0x99, 0x43, 0xFE, 0x43, 0xFD, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0x00}));
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 0x200, file.begin() + 0x208),
              (std::vector<uint8_t>{0x41, 0x42, 0x43, 0x20, 0x42, 0x41, 0xFF, 0x00}));
    std::vector<ScriptError> errs;
    const Script script = *readScript(*dumpScript(t, file, req, error), errs);
    EXPECT_EQ(script.entries[0].text, "ABC BA<END>\n");
    const auto after = planInsert(t, script, file, {});
    EXPECT_NE(insertReport(script, *after).find("2 strings placed (2 where they were)"), std::string::npos)
        << insertReport(script, *after);
}

// What a translator gets wrong, with the line and column named.
TEST(Script, ErrorsNameLineAndColumn) {
    TableData t;
    parseTableText(t, "41=A\n42=B\n43=\xC3\xA9\n*FF\n");
    std::vector<uint8_t> file(0x100, 0);
    file[0] = 0x80;  // one 16-bit pointer to 0x80
    file[0x80] = 0x41, file[0x81] = 0xFF;
    const std::string head = "table t.tbl\npointers 0,1,16,linear\nspace 80-8F\n";
    struct Case {
        std::string script;
        int line, column;
        std::string says;
    };
    const Case cases[] = {
        {head + "@0 80 2\nABAxB<END>\n", 5, 4, "no table entry for \"x\""},
        {head + "@0 80 2\nA<$4>B\n", 5, 2, "raw byte form"},
        {head + "@0 80 2\nA\xC3\xA9\xC3\xA9<$ZZ>\n", 5, 4, "raw byte form"},
        {head + "@0 80 2\n" + std::string(20, 'A') + "<END>\n", 4, 1, "no longer fits: 5 bytes over"},
        {head + "@0 80 2\nA\nB", 5, 2, "no line-break code"},
        {head + "@1 80 2\nA<END>\n", 4, 2, "not a pointer number"},
        {head + "@0 80 2\nA<END>\n@0\nB<END>\n", 6, 2, "already belongs"},
        {head + "@0 80\nA<END>\n", 4, 4, "offset and size"},
        {"table t.tbl\npointers 0,1,12,linear\n", 2, 10, "width must be 16, 24 or 32"},
        {"table t.tbl\npointers 0,1,16,linear\nspace 90-80\n", 3, 7, "START-END"},
        {"table t.tbl\npointers 0,1,16,linear\nbogus\n", 3, 1, "unknown header line"},
        {"pointers 0,1,16,linear\n", 1, 1, "names no table"},
        {"table t.tbl\n@0\n", 2, 1, "before the \"pointers\" line"},
        {"table t.tbl\npointers F8,10,16,linear\n", 2, 1, "does not lie in the file"},
        {head + "space 80-1FF\n", 4, 1, "past the end of the file"},
    };
    for (const Case& c : cases) {
        std::vector<ScriptError> errors;
        auto script = readScript(c.script, errors);
        if (script) {
            auto plan = planInsert(t, *script, file, {});
            errors = plan->errors;
            EXPECT_TRUE(plan->records.empty());
        }
        ASSERT_FALSE(errors.empty()) << c.script;
        EXPECT_EQ(errors[0].line, c.line) << c.script << errorText(errors[0]);
        EXPECT_EQ(errors[0].column, c.column) << c.script << errorText(errors[0]);
        EXPECT_NE(errors[0].text.find(c.says), std::string::npos) << c.script << errorText(errors[0]);
    }
}

// Strings keep to one bank of the mapping; 16-bit pointers to their own.
TEST(Script, PlacementRespectsBankEdges) {
    TableData t;
    parseTableText(t, "41=A\n*FF\n");
    struct Case {
        PointerTable pt;
        int64_t spaceStart, spaceEnd;  // free space, end excluded
        size_t length;                 // of the new string
        int64_t expect;                // where it lands, -1: refused
        std::string says;
    };
    const Case cases[] = {
        {{0, 1, 24, PointerMap::LoRom, 0, false}, 0x7FF0, 0x8100, 0x20, 0x8000, ""},
        {{0, 1, 24, PointerMap::LoRom, 0, false}, 0x7FE0, 0x8100, 0x20, 0x7FE0, ""},
        {{0, 1, 16, PointerMap::LoRom, 0, false}, 0x7FF0, 0x8100, 0x20, -1, "outside the bank"},
        {{0, 1, 16, PointerMap::LoRom, 1, false}, 0x7FF0, 0x8100, 0x20, 0x8000, ""},
        {{0, 1, 24, PointerMap::HiRom, 0, false}, 0xFFF8, 0x10100, 0x20, 0x10000, ""},
        {{0, 1, 16, PointerMap::HiRom, 0, false}, 0xFFF8, 0x10100, 0x08, 0xFFF8, ""},
        {{0, 1, 16, PointerMap::HiRom, 0, false}, 0xFFF8, 0x10100, 0x09, -1, "outside the bank"},
        {{0, 1, 16, PointerMap::Linear, 0x100, false}, 0x10100, 0x10200, 0x08, -1, "outside the bank"},
        {{0, 1, 32, PointerMap::Linear, 0, false}, 0x7FF0, 0x8100, 0x20, 0x7FF0, ""},
        {{0, 1, 24, PointerMap::LoRom, 0, false}, 0x7FF0, 0x8010, 0x21, -1, "fits: 1 bytes over"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> file(0x20000, 0);
        Script s;
        s.tablePath = "t.tbl";
        s.pointers = c.pt;
        s.space = {{c.spaceStart, c.spaceEnd}};
        s.spaceLines = {3};
        s.entries.push_back({{0}, std::nullopt, std::string(c.length - 1, 'A') + "<END>\n", 4, {5, 6}});
        const auto plan = planInsert(t, s, file, {});
        if (c.expect < 0) {
            ASSERT_FALSE(plan->ok()) << c.spaceStart;
            EXPECT_NE(plan->errors[0].text.find(c.says), std::string::npos) << errorText(plan->errors[0]);
            continue;
        }
        ASSERT_TRUE(plan->ok()) << c.spaceStart << errorText(plan->errors[0]);
        EXPECT_EQ(plan->placed[0].offset, c.expect) << c.spaceStart;
        applyPlan(file, *plan);
        EXPECT_EQ(pointerTarget(c.pt, readPointer(c.pt, file, 0)), c.expect);
    }
}

// The pointer argument, as users type it.
TEST(Script, PointerTablesParseAndPrint) {
    std::string error;
    const auto p = parsePointerTable("7F00,1A,24,HiROM", error);
    ASSERT_TRUE(p) << error;
    EXPECT_EQ(pointerTableText(*p), "7F00,1A,24,hirom");
    EXPECT_EQ(pointerTableText(*parsePointerTable("10,1,16,lorom,80", error)), "10,1,16,lorom,80");
    for (const char* bad : {"", "7F00,1,16", "7F00,0,16,lorom", "7F00,1,8,lorom", "7F00,1,16,exlorom", "x,1,16,lorom",
                            "7F00,1,16,lorom,100", "1,2,16,linear,3,4"})
        EXPECT_FALSE(parsePointerTable(bad, error)) << bad;
}

}  // namespace
}  // namespace hexedit::transfer
