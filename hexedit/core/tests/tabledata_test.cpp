#include <gtest/gtest.h>

#include "hexedit/core/TableData.h"

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
