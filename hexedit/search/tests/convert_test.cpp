#include <gtest/gtest.h>

#include "hexedit/search/PatternConvert.h"

using namespace hexedit;
using namespace hexedit::search;

namespace {

std::vector<uint8_t> bytes(std::initializer_list<int> v) { return std::vector<uint8_t>(v.begin(), v.end()); }

}  // namespace

TEST(TextConversion, SingleBytesBeforePairsAndTheLowestCode) {
    TableData t;
    t.ByteTable[0x90] = "A";
    t.ByteTable[0x10] = "A";   // lowest single byte wins
    t.PairTable[0x0102] = "A"; // single bytes come first
    t.PairTable[0x8A01] = "B";
    t.PairTable[0x8A00] = "B"; // lowest pair wins
    t.ByteTable[0x20] = "CD";  // entries of two characters are never used
    EXPECT_EQ(textToPattern(t, "AB", false, false), bytes({0x10, 0x8A, 0x00}));
    // Characters without entries contribute nothing.
    EXPECT_EQ(textToPattern(t, "xCAy", false, false), bytes({0x10}));
    EXPECT_TRUE(textToPattern(t, "CD", false, false).empty());
}

TEST(TextConversion, CaseFoldingAndWildcards) {
    TableData t;
    t.ByteTable[0x01] = "a";
    t.ByteTable[0x41] = "A";
    t.ByteTable[0x55] = "*";
    EXPECT_EQ(textToPattern(t, "a", false, false), bytes({0x01}));
    EXPECT_EQ(textToPattern(t, "a", true, false), bytes({0x41}));
    EXPECT_EQ(textToPattern(t, "A*", false, false), bytes({0x41, 0x55}));
    EXPECT_EQ(textToPattern(t, "A*", false, true), bytes({0x41, 0x2A}));
}

TEST(TextConversion, HoldsAllSixtyFourBytesOfThirtyTwoPairCharacters) {
    TableData t;
    t.PairTable[0x8081] = "q";
    auto p = textToPattern(t, std::string(32, 'q'), false, false);
    ASSERT_EQ(p.size(), 64u);
    EXPECT_EQ(p[62], 0x80);
    EXPECT_EQ(p[63], 0x81);
}

TEST(HexConversion, DigitsWildcardsAndErrors) {
    EXPECT_EQ(hexToPattern("A1FF00", false).bytes, bytes({0xA1, 0xFF, 0x00}));
    EXPECT_EQ(hexToPattern("A", false).error, HexError::MissingDigit);
    EXPECT_EQ(hexToPattern("A1**", true).bytes, bytes({0xA1, 0x2A}));
    EXPECT_EQ(hexToPattern("A1**", false).error, HexError::WildcardNotEnabled);
    EXPECT_EQ(hexToPattern("*7", true).bytes, bytes({0x2A}));
    EXPECT_EQ(hexToPattern("G1", true).error, HexError::NotHex);
    EXPECT_TRUE(hexToPattern("", false).bytes.empty());
}

TEST(KanaConversion, PairsByTextPrefixAndTheWildcardPair) {
    TableData t;
    t.ByteTable[0x50] = "\x82\xA0" "x";      // text beginning with the kana
    t.ByteTable[0x60] = "\x82\xA0";
    t.PairTable[0x0203] = "\x82\xA2";
    EXPECT_EQ(kanaToPattern(t, "\x82\xA0" "**" "\x82\xA2" "\x82\xA4"), bytes({0x50, 0x2A, 0x02, 0x03}));
    // A lone trailing byte is no character.
    EXPECT_EQ(kanaToPattern(t, "\x82\xA0\x82"), bytes({0x50}));
}
