#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <tuple>

#include "hexedit/core/TableData.h"
#include "hexedit/core/TableLoader.h"

using namespace hexedit;

namespace {
std::vector<uint8_t> bytes(std::initializer_list<int> v) { return {v.begin(), v.end()}; }
}

TEST(TableDecoding, PairBeforeSingleWithinTheRun) {
    TableData t;
    t.setByte(0x41, "A");
    t.PairTable[0x4142] = "AB";
    auto run = bytes({0x41, 0x42});
    auto item = decodeAt(t, run, 0);
    EXPECT_EQ(item.kind, ItemKind::Pair);
    EXPECT_EQ(item.length, 2);
    EXPECT_EQ(item.text, "AB");
    // The pair's second byte outside the run: the first byte alone.
    item = decodeAt(t, std::span(run).first(1), 0);
    EXPECT_EQ(item.kind, ItemKind::Single);
    EXPECT_EQ(item.text, "A");
    auto other = bytes({0x41, 0x43});
    EXPECT_EQ(decodeAt(t, other, 0).text, "A");
    EXPECT_EQ(decodeAt(t, other, 1).kind, ItemKind::NoEntry);
    EXPECT_EQ(decodeAt(t, other, 1).text, ".");
}

TEST(TableDecoding, MarkersOnlyWithoutOwnEntry) {
    TableData t;
    t.LineBreakCode = {0x00, '/'};
    t.EndStringCode = {0xFF, '*'};
    auto run = bytes({0x00, 0xFF});
    EXPECT_EQ(decodeAt(t, run, 0).kind, ItemKind::LineBreakMarker);
    EXPECT_EQ(decodeAt(t, run, 0).text, "/");
    EXPECT_EQ(decodeAt(t, run, 1).text, "*");
    t.setByte(0x00, "");
    EXPECT_EQ(decodeAt(t, run, 0).kind, ItemKind::Single);
    EXPECT_EQ(decodeAt(t, run, 0).text, "");
}

TEST(TableData, ClearResetsEntriesButKeepsPathsAndBookmarks) {
    TableData t;
    t.setByte(0x20, "ab");
    EXPECT_EQ(t.DteTable[0x20 * 3], 'a');
    t.PairTable[1] = "x";
    t.DumpMarks.push_back("[00000000-00000010]x");
    t.DualCount = 3;
    t.TablePaths[0] = "/a.tbl";
    t.BookmarkList.push_back("x->[10]");
    t.clear();
    EXPECT_FALSE(t.ByteTable[0x20]);
    EXPECT_FALSE(t.PairTable[1]);
    EXPECT_EQ(t.DteTable[0x20 * 3], 0x01);
    EXPECT_EQ(t.DumpMarkCount(), 0u);
    EXPECT_EQ(t.DualCount, 0u);
    EXPECT_EQ(t.TablePaths[0], "/a.tbl");
    EXPECT_EQ(t.BookmarkList.size(), 1u);
}

TEST(TableData, AsciiTableFollowsCharShift) {
    TableData t;
    t.CharShift = 1;
    t.buildAsciiTable();
    EXPECT_EQ(*t.ByteTable[0x40], "A");
    EXPECT_FALSE(t.ByteTable[31]);
    EXPECT_FALSE(t.ByteTable[127]);
    t.CharShift = 200;
    t.buildAsciiTable();
    EXPECT_EQ(static_cast<uint8_t>((*t.ByteTable[126])[0]), (126 + 200) & 0xFF);
}

TEST(TableData, ReverseLookupTakesTheLowestByteBeforeAnyPair) {
    TableData t;
    t.PairTable[0x0001] = "a";
    t.setByte(0x90, "a");
    t.setByte(0x10, "a");
    auto e = reverseLookup(t, "a");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->length, 1);
    EXPECT_EQ(e->bytes[0], 0x10);
    t.ByteTable[0x10].reset();
    t.ByteTable[0x90].reset();
    e = reverseLookup(t, "a");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->length, 2);
    EXPECT_EQ(e->bytes[0], 0x00);
    EXPECT_EQ(e->bytes[1], 0x01);
    EXPECT_FALSE(reverseLookup(t, "z"));
}

TEST(TableData, ARedefinedByteDropsItsTwoCharacters) {
    TableData t;
    parseTableText(t, "74=t\n68=h\n80=th\n80=x\n81=ab\n81=abc\n");
    for (int code : {0x80, 0x81}) {
        EXPECT_EQ(t.DteTable[code * 3], 0x01) << code;
        EXPECT_EQ(t.DteTable[code * 3 + 1], 0x01) << code;
    }
    parseTableText(t, "80=x\n80=th\n");
    EXPECT_EQ(t.DteTable[0x80 * 3], 't');
    EXPECT_EQ(t.DteTable[0x80 * 3 + 1], 'h');
}

// The index a loaded table builds answers exactly as a scan of the entries.
TEST(TableData, IndexedLookupsAgreeWithTheScan) {
    std::mt19937 rng(7);
    const std::string letters = "ab\x82\xA0";
    auto text = [&] {
        std::string s;
        for (size_t n = rng() % 4; n > 0; --n) s += letters[rng() % letters.size()];
        return s;
    };
    std::string file;
    char line[16];
    for (int k = 0; k < 300; ++k) {
        if (rng() % 3) std::snprintf(line, sizeof line, "%04X=", static_cast<unsigned>(rng() % 65536));
        else std::snprintf(line, sizeof line, "%02X=", static_cast<unsigned>(rng() % 256));
        file += line + text() + "\n";
    }
    TableData indexed;
    parseTableText(indexed, file);
    ASSERT_TRUE(indexed.textIndex());
    TableData scanned = indexed;
    scanned.dropIndex();
    auto same = [](std::optional<EncodedChar> a, std::optional<EncodedChar> b) {
        return a.has_value() == b.has_value() && (!a || (a->length == b->length && a->bytes == b->bytes));
    };
    int found = 0;
    for (int k = 0; k < 200; ++k) {
        const std::string ch = text();
        SCOPED_TRACE(ch);
        EXPECT_TRUE(same(reverseLookupByte(indexed, ch), reverseLookupByte(scanned, ch)));
        EXPECT_TRUE(same(reverseLookupPair(indexed, ch), reverseLookupPair(scanned, ch)));
        if (ch.size() == 2) {
            EXPECT_TRUE(same(prefixLookup(indexed, ch), prefixLookup(scanned, ch)));
        }
        found += reverseLookup(indexed, ch).has_value();
        // The longest-match encoder: same answer either way, and its text is an entry's.
        const std::string run = text() + text();
        const auto a = matchLongestText(indexed, run), b = matchLongestText(scanned, run);
        ASSERT_EQ(a.has_value(), b.has_value());
        if (!a) continue;
        EXPECT_EQ(std::tie(a->bytes, a->length, a->textLength), std::tie(b->bytes, b->length, b->textLength));
        const auto exact = reverseLookup(indexed, run.substr(0, a->textLength));
        ASSERT_TRUE(exact);
        EXPECT_EQ(exact->length, a->length);
        for (size_t n = a->textLength + 1; n <= run.size(); ++n) EXPECT_FALSE(reverseLookup(indexed, run.substr(0, n)));
    }
    EXPECT_GT(found, 100);
}
