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

// ---- entries of one to four bytes, UTF-8 tables ----

TEST(TableEncodingDetection, ByteOrderMarkOrValidUtf8WithAMultiByteSequence) {
    struct Case {
        std::string_view content;
        TableEncoding encoding;
        bool bom;
    };
    using namespace std::string_view_literals;
    const Case cases[] = {
        {"\xEF\xBB\xBF" "41=A\n", TableEncoding::Utf8, true},
        {"\xEF\xBB\xBF" "41=\xE9\n", TableEncoding::Utf8, true},        // marked: its bad lines are skipped
        {"41=\xC3\xA9\n42=\xE3\x81\x82\n", TableEncoding::Utf8, false},  // é, あ
        {"41=\xF0\x9F\x90\x89\n", TableEncoding::Utf8, false},           // a four-byte character
        {"41=A\n4142=AB\n", TableEncoding::Legacy, false},               // ASCII only: valid, but no sequence
        {"", TableEncoding::Legacy, false},
        {"41=\xE9\n", TableEncoding::Legacy, false},                      // Windows-1252 é
        {"41=\x82\xA0\n", TableEncoding::Legacy, false},                  // Shift-JIS あ
        {"41=\xC3\xA9\n42=\xE9\n", TableEncoding::Legacy, false},         // one bad byte anywhere
        {"41=\xC0\x80\n", TableEncoding::Legacy, false},                  // an overlong form
        {"41=\xED\xA0\x80\n", TableEncoding::Legacy, false},              // a surrogate
        {"41=\xF4\x90\x80\x80\n", TableEncoding::Legacy, false},          // past U+10FFFF
        {"41=\xE3\x81\n"sv, TableEncoding::Legacy, false},                // cut short
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.content));
        bool bom = !c.bom;
        EXPECT_EQ(detectTableEncoding(c.content, &bom), c.encoding);
        EXPECT_EQ(bom, c.bom);
        TableData t;
        parseTableText(t, c.content);
        EXPECT_EQ(t.Encoding, c.encoding);
    }
}

TEST(TableDecoding, LongestCodeFirstAcrossLengths) {
    TableData t;
    parseTableText(t, "41=a\n4142=ab\n414243=abc\n41424344=abcd\n424344=x\n");
    struct Case {
        std::vector<uint8_t> run;
        ItemKind kind;
        int length;
        std::string_view text;
    };
    const Case cases[] = {
        {bytes({0x41, 0x42, 0x43, 0x44}), ItemKind::Long, 4, "abcd"},
        {bytes({0x41, 0x42, 0x43, 0x45}), ItemKind::Long, 3, "abc"},
        {bytes({0x41, 0x42, 0x43}), ItemKind::Long, 3, "abc"},
        {bytes({0x41, 0x42, 0x45}), ItemKind::Pair, 2, "ab"},
        {bytes({0x41, 0x42}), ItemKind::Pair, 2, "ab"},
        {bytes({0x41, 0x45}), ItemKind::Single, 1, "a"},
        {bytes({0x42, 0x43, 0x44}), ItemKind::Long, 3, "x"},
        {bytes({0x42, 0x43}), ItemKind::NoEntry, 1, "."},
    };
    for (const Case& c : cases) {
        const DecodedItem item = decodeAt(t, c.run, 0);
        EXPECT_EQ(item.kind, c.kind) << c.text;
        EXPECT_EQ(item.length, c.length) << c.text;
        EXPECT_EQ(item.text, c.text);
    }
    // Cut by the run's end: the longest code that lies within it.
    const auto run = bytes({0x41, 0x42, 0x43, 0x44});
    EXPECT_EQ(decodeAt(t, std::span(run).first(3), 0).length, 3);
    EXPECT_EQ(decodeAt(t, std::span(run).first(2), 0).length, 2);
}

TEST(TableEncoder, LongestTextThenShortestThenLowestCode) {
    TableData t;
    parseTableText(t, "10=d\n20=r\n8001=dr\n7F0000=dragon\n00112233=dragon\n9001=dragon\nA0A1A2=agon\n30=dra\n");
    struct Case {
        std::string_view text;
        bool allowPairs;
        std::vector<uint8_t> code;
        size_t textLength;
    };
    const Case cases[] = {
        {"dragons", true, bytes({0x90, 0x01}), 6},  // a pair before three and four bytes
        {"drag", true, bytes({0x30}), 3},
        {"dr", true, bytes({0x80, 0x01}), 2},
        {"drx", false, bytes({0x10}), 1},            // single bytes only
        {"dragon", false, bytes({0x30}), 3},
        {"agonx", true, bytes({0xA0, 0xA1, 0xA2}), 4},
        {"x", true, {}, 0},
    };
    TableData scanned = t;
    scanned.dropIndex();
    for (const TableData* table : {&t, &scanned}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.text);
            const auto m = matchLongestText(*table, c.text, c.allowPairs);
            ASSERT_EQ(m.has_value(), !c.code.empty());
            if (!m) continue;
            EXPECT_EQ(std::vector<uint8_t>(m->bytes.begin(), m->bytes.begin() + m->length), c.code);
            EXPECT_EQ(m->textLength, c.textLength);
        }
    }
    // The kana lookup by a prefix takes every length too.
    const auto p = prefixLookup(t, "ag");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->length, 3);
    EXPECT_EQ(p->bytes[2], 0xA2);
}

// Encoding a decoded text gives back bytes that decode to the same text:
// random tables whose codes of each length begin with their own bytes (as a
// kanji set behind prefix bytes), with every letter as a single byte so that
// the encoder never gets stuck, and texts of one to four letters shared
// freely between codes of every length.
TEST(TableEncoder, PropertyEncodingADecodedTextDecodesToTheSameText) {
    std::mt19937 rng(5);
    const std::string letters = "abcd\xE3\x81\x82";  // with a UTF-8 character (three bytes)
    auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
    auto letter = [&] {
        const size_t k = pick(5);
        return k < 4 ? std::string(1, letters[k]) : letters.substr(4);
    };
    for (int round = 0; round < 40; ++round) {
        std::string file = "00=a\n01=b\n02=c\n03=d\n04=\xE3\x81\x82\n";
        char line[32];
        for (int k = 0; k < 300; ++k) {
            const int length = 1 + static_cast<int>(pick(4));
            // The first byte tells the length; the letters' own bytes stay theirs.
            uint32_t code = static_cast<uint32_t>(length == 1 ? 5 + pick(0x3B) : 0x40 * (length - 1) + pick(0x40));
            for (int i = 1; i < length; ++i) code = code << 8 | static_cast<uint32_t>(pick(256));
            std::snprintf(line, sizeof line, "%0*X=", length * 2, code);
            std::string text;
            for (size_t n = 1 + pick(4); n > 0; --n) text += letter();
            file += line + text + "\n";
        }
        TableData t;
        parseTableText(t, file);
        ASSERT_EQ(t.Encoding, TableEncoding::Utf8);
        std::vector<uint8_t> data(2000);
        for (auto& b : data) b = static_cast<uint8_t>(pick(256));
        auto decode = [&](std::span<const uint8_t> run) {
            std::string text;
            for (size_t p = 0; p < run.size();) {
                const DecodedItem item = decodeAt(t, run, p);
                if (item.kind == ItemKind::Single || item.kind == ItemKind::Pair || item.kind == ItemKind::Long)
                    text += item.text;
                p += static_cast<size_t>(item.length);
            }
            return text;
        };
        const std::string text = decode(data);
        std::vector<uint8_t> encoded;
        for (size_t i = 0; i < text.size();) {
            const auto m = matchLongestText(t, std::string_view(text).substr(i));
            ASSERT_TRUE(m);
            encoded.insert(encoded.end(), m->bytes.begin(), m->bytes.begin() + m->length);
            i += m->textLength;
        }
        EXPECT_EQ(decode(encoded), text);
    }
}
