// The search through the table as shown: table-driven cases, and a property
// test against decoding the whole buffer and searching its text.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <random>
#include <set>

#include "hexedit/core/TableLoader.h"
#include "hexedit/search/ShownSearch.h"
#include "hexedit/search/tests/SearchFixture.h"

using namespace hexedit;
using namespace hexedit::search;

namespace {

// Every match in the data, offset -> length.
std::map<size_t, size_t> allMatches(const ShownMatcher& m, std::span<const uint8_t> data) {
    std::map<size_t, size_t> hits;
    size_t length = 0;
    for (size_t from = 0; from < data.size();) {
        const size_t p = m.find(data, from, kNoMatch, length);
        if (p == kNoMatch) break;
        hits[p] = length;
        from = p + 1;
    }
    return hits;
}

std::vector<uint8_t> bytes(std::initializer_list<int> v) { return {v.begin(), v.end()}; }

TableData table(std::string_view text) {
    TableData t;
    parseTableText(t, text);
    return t;
}

}  // namespace

TEST(ShownSearch, FindsEveryMixOfEntryLengths) {
    // "dragon" as one pair, as single bytes, as "dr" + "agon" (three bytes)
    // and as a four-byte word; and a place whose bytes the view shows otherwise.
    const TableData t = table(
        "64=d\n72=r\n61=a\n67=g\n6F=o\n6E=n\n"
        "9001=dragon\n8111=dr\nA0A1A2=agon\nB0B1B2B3=dragon\n"
        "6461=X\n");  // 64 61 shows "X", never "da"
    const auto data = bytes({0x90, 0x01, 0x00, 0x64, 0x72, 0x61, 0x67, 0x6F, 0x6E, 0x00, 0x81, 0x11, 0xA0, 0xA1,
                             0xA2, 0x00, 0xB0, 0xB1, 0xB2, 0xB3, 0x00, 0x64, 0x61});
    struct Case {
        const char* text;
        MatchRules rules;
        std::map<size_t, size_t> hits;
    };
    const Case cases[] = {
        {"dragon", {}, {{0, 2}, {3, 6}, {10, 5}, {16, 4}}},
        {"DRAGON", {true, false}, {{0, 2}, {3, 6}, {10, 5}, {16, 4}}},
        {"DRAGON", {}, {}},
        {"d*agon", {false, true}, {{3, 6}}},        // a wildcard is one byte
        {"dr", {}, {{3, 2}, {10, 2}}},              // entries end where the text does
        {"agon", {}, {{5, 4}, {12, 3}}},
        {"da", {}, {}},                             // 64 61 shows "X"
        {"X", {}, {{21, 2}}},
        {"nope", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const ShownMatcher m(t, c.text, c.rules);
        EXPECT_EQ(allMatches(m, data), c.hits);
    }
    EXPECT_TRUE(ShownMatcher(t, "", {}).impossible());
    EXPECT_TRUE(ShownMatcher(t, "zzz", {}).impossible());
}

TEST(ShownSearch, UsesTheLongestCodeAsTheViewDoes) {
    const TableData t = table("41=A\n42=B\n4142=Q\n414243=AB\n");
    const auto data = bytes({0x41, 0x42, 0x43, 0x00, 0x41, 0x42, 0x00, 0x41, 0x00, 0x42});
    EXPECT_EQ(allMatches(ShownMatcher(t, "AB", {}), data), (std::map<size_t, size_t>{{0, 3}}));
    EXPECT_EQ(allMatches(ShownMatcher(t, "Q", {}), data), (std::map<size_t, size_t>{{4, 2}}));
    EXPECT_EQ(allMatches(ShownMatcher(t, "A", {}), data), (std::map<size_t, size_t>{{7, 1}}));
}

TEST(ShownSearch, ByteClassesTestTheirMembers) {
    std::mt19937 rng(3);
    for (int round = 0; round < 200; ++round) {
        ByteClass c;
        const int n = static_cast<int>(rng() % 120);
        for (int k = 0; k < n; ++k) c.member[rng() % 256] = true;
        c.finish();
        for (int b = 0; b < 256; ++b) {
            const bool passes = (c.lo[b & 15] & c.hi[b >> 4]) != 0;
            EXPECT_TRUE(passes || !c.member[b]) << b;
            EXPECT_EQ((c.bitmap[(b >> 3) + 32 * (b & 1)] >> (b & 7)) & 1, c.member[b]) << b;  // both copies
        }
    }
    ByteClass few;
    for (int b : {0x41, 0x61, 0x90, 0xB0, 0x00}) few.member[b] = true;
    few.finish();
    for (int b = 0; b < 256; ++b) EXPECT_EQ((few.lo[b & 15] & few.hi[b >> 4]) != 0, few.member[b]) << b;
    EXPECT_EQ(few.fewCount, 0);  // five: the nibble tables
    ByteClass two;
    two.member[0x53] = two.member[0x73] = true;
    two.finish();
    EXPECT_EQ(two.fewCount, 2);
    EXPECT_EQ(two.few, (std::array<uint8_t, 3>{0x53, 0x73, 0x53}));
}

// Random tables with codes of every length that overlap freely; the typed
// text is a run of consecutive entries of the buffer's own decoding. The
// matches are exactly the offsets from which the view's decoding spells the
// text, which include every place where decoding the whole buffer and
// searching its text finds it between entries.
class ShownProperty : public ::testing::TestWithParam<ShownKernel> {
protected:
    void SetUp() override { setShownKernel(GetParam()); }
    void TearDown() override { setShownKernel(ShownKernel::Best); }
};

TEST_P(ShownProperty, MatchesAreWhereDecodingSpellsTheText) {
    std::mt19937 rng(11);
    size_t found = 0;
    const std::string letters = "abcAB*";
    auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
    for (int round = 0; round < 60; ++round) {
        std::string file;
        char line[32];
        for (int k = 0; k < 120; ++k) {
            const int length = 1 + static_cast<int>(pick(4));
            uint32_t code = 0;
            for (int i = 0; i < length; ++i) code = code << 8 | static_cast<uint32_t>(0x10 + pick(12));
            std::snprintf(line, sizeof line, "%0*X=", length * 2, code);
            std::string text;
            for (size_t n = 1 + pick(3); n > 0; --n) text += letters[pick(letters.size())];
            file += line + text + "\n";
        }
        const TableData t = table(file);
        std::vector<uint8_t> data(700 + pick(800));
        for (auto& b : data) b = static_cast<uint8_t>(0x10 + pick(13));

        // The whole buffer decoded as the view does.
        struct Item {
            size_t offset, length;
            std::string text;
            bool entry;
        };
        std::vector<Item> items;
        for (size_t p = 0; p < data.size();) {
            const DecodedItem d = decodeAt(t, data, p);
            const bool entry = (d.kind == ItemKind::Single || d.kind == ItemKind::Pair || d.kind == ItemKind::Long) &&
                               !d.text.empty();
            items.push_back({p, static_cast<size_t>(d.length), std::string(d.text), entry});
            p += static_cast<size_t>(d.length);
        }
        for (int query = 0; query < 6; ++query) {
            // A run of one to four entries.
            const size_t first = pick(items.size());
            std::string text;
            for (size_t k = first; k < items.size() && k < first + 1 + pick(4) && items[k].entry; ++k)
                text += items[k].text;
            if (text.empty()) continue;
            const MatchRules rules{query % 2 == 1, query % 3 == 2};
            SCOPED_TRACE(text);
            const ShownMatcher m(t, text, rules);
            const auto hits = allMatches(m, data);

            // Brute force: decode from every offset.
            auto fold = [&](uint8_t c) { return rules.ignoreCase ? foldUpper(c) : c; };
            std::map<size_t, size_t> expected;
            for (size_t p = 0; p < data.size(); ++p) {
                size_t i = 0, q = p;
                bool ok = true;
                while (ok && i < text.size()) {
                    if (q >= data.size()) {
                        ok = false;
                    } else if (rules.wildcards && text[i] == '*') {
                        ++i;
                        ++q;
                    } else {
                        const DecodedItem d = decodeAt(t, data, q);
                        ok = (d.kind == ItemKind::Single || d.kind == ItemKind::Pair || d.kind == ItemKind::Long) &&
                             !d.text.empty() && d.text.size() <= text.size() - i;
                        for (size_t k = 0; ok && k < d.text.size(); ++k)
                            ok = !(rules.wildcards && text[i + k] == '*') &&
                                 fold(static_cast<uint8_t>(d.text[k])) == fold(static_cast<uint8_t>(text[i + k]));
                        i += d.text.size();
                        q += static_cast<size_t>(d.length);
                    }
                }
                if (ok) expected[p] = q - p;
            }
            EXPECT_EQ(hits, expected);
            found += hits.size();

            // Searching the decoded text of the whole buffer: every place the
            // text runs from an entry's start to an entry's end is a match.
            if (rules.ignoreCase || rules.wildcards) continue;
            for (size_t k = 0; k < items.size(); ++k) {
                std::string run;
                for (size_t j = k; j < items.size() && items[j].entry && run.size() < text.size(); ++j) {
                    run += items[j].text;
                    if (run == text) {
                        EXPECT_EQ(hits.count(items[k].offset), 1u) << items[k].offset;
                        EXPECT_EQ(hits.at(items[k].offset), items[j].offset + items[j].length - items[k].offset);
                    }
                }
            }
        }
    }
    EXPECT_GT(found, 1000u);  // the texts are found, and often
}

INSTANTIATE_TEST_SUITE_P(Kernels, ShownProperty,
                         ::testing::Values(ShownKernel::Best, ShownKernel::Avx2, ShownKernel::Ssse3,
                                           ShownKernel::Scalar));

// The Find window's check box: a word kept as one entry is found only with
// it; the Data List selects each match's own length.
TEST(ShownSearch, FindWindowOption) {
    hexedit::search::testing::SearchEnv e;
    parseTableText(e.table, "64=d\n72=r\n61=a\n67=g\n6F=o\n6E=n\n9001=dragon\n");
    std::vector<uint8_t> file(0x400, 0);
    file[0x100] = 0x90;
    file[0x101] = 0x01;
    const std::string spelt = "dragon";
    std::copy(spelt.begin(), spelt.end(), file.begin() + 0x200);
    e.load(file);
    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        EXPECT_TRUE(e.find.optionEnabled(Option::AsShown));
        e.type("dragon");
        e.enter();
    });
    EXPECT_EQ(e.view.CursorOffset, 0x200);  // the plain search: letters only
    EXPECT_FALSE(e.find.state.ShownSearch);

    e.placeCursor(0);
    e.find.options.AsShown = true;
    e.find.options.SaveFnd = true;
    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        e.type("dragon");
        e.enter();
    });
    EXPECT_TRUE(e.find.state.ShownSearch);
    ASSERT_EQ(e.list.lines(), (std::vector<std::string>{"[$00000100]", "[$00000200]"}));
    EXPECT_EQ(e.list.MatchLengths, (std::vector<int>{2, 6}));
    e.list.setSelection({0});
    e.list.activate();
    EXPECT_EQ(e.view.CursorOffset, 0x100);
    EXPECT_EQ(e.view.SelectionAnchor, 0x101);

    // "Search Again" repeats the search as shown.
    e.find.options.SaveFnd = false;
    e.find.state.MatchCount = 0;
    e.placeCursor(0x150);
    e.find.SearchAgain1Click();
    EXPECT_EQ(e.view.CursorOffset, 0x200);
    EXPECT_EQ(e.view.SelectionAnchor, 0x205);

    // Only the text search offers it.
    e.inWindow(&FindWindow::HexSearch1Click, [&] { EXPECT_FALSE(e.find.optionEnabled(Option::AsShown)); });
}

TEST(ShownSearch, Utf8TableThroughTheFindWindow) {
    hexedit::search::testing::SearchEnv e;
    parseTableText(e.table, "\xEF\xBB\xBF" "10=\xE3\x81\x82\n" "11=\xE3\x81\x84\n" "F00102=\xE7\xAB\x9C\n");
    ASSERT_EQ(e.table.Encoding, TableEncoding::Utf8);
    std::vector<uint8_t> file(0x100, 0);
    for (int b : {0x10, 0x11, 0xF0, 0x01, 0x02}) file.push_back(static_cast<uint8_t>(b));
    e.load(file);
    EXPECT_TRUE(e.find.utf8Box());  // not yet open: the text mode is the default
    e.find.options.AsShown = true;
    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        const std::string word = "\xE3\x81\x84\xE7\xAB\x9C";  // "い竜"
        e.find.inputEdited(word, word.size());
        EXPECT_EQ(e.find.displayText(), u"\u3044\u7adc");
        e.enter();
    });
    EXPECT_EQ(e.view.CursorOffset, 0x101);
    // The plain text search: one code per character, longer entries too.
    e.find.options.AsShown = false;
    e.placeCursor(0);
    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        const std::string word = "\xE7\xAB\x9C";
        e.find.inputEdited(word, word.size());
        e.enter();
    });
    EXPECT_EQ(e.view.CursorOffset, 0x102);
}
