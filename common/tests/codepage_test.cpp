#include <gtest/gtest.h>

#include "common/codepage.h"

using namespace common;

TEST(CodePage, ShiftJisKanaAndAsciiDecode) {
    EXPECT_EQ(cp932ToUtf16("\x82\xa0" "A\x83\x41"), u"\u3042A\u30A2");
    // Half-width katakana are single bytes.
    EXPECT_EQ(cp932ToUtf16("\xb1"), u"\uFF71");
}

TEST(CodePage, ShiftJisBrokenInputIsReplacedNotOverrun) {
    // A lead byte at the end, and a lead byte with an invalid trail byte.
    EXPECT_EQ(cp932ToUtf16("A\x82"), u"A\u30FB");
    EXPECT_EQ(cp932ToUtf16(std::string("\x82\x01", 2)), u"\u30FB\u0001");
    EXPECT_EQ(cp932ToUtf16(std::string("\0", 1)), std::u16string(1, u'\0'));
}

TEST(CodePage, ShiftJisRoundTripPicksTheCode) {
    EXPECT_EQ(utf16ToCp932(u"\u3042A"), std::optional<std::string>("\x82\xa0" "A"));
    EXPECT_EQ(utf16ToCp932(u"\u00e9"), std::nullopt);
}

TEST(CodePage, Windows1252) {
    EXPECT_EQ(cp1252ToUtf16("\x80\xe9"), u"\u20AC\u00E9");
    EXPECT_EQ(utf16ToCp1252(u"\u00E9"), std::optional<std::string>("\xe9"));
    EXPECT_EQ(utf16ToCp1252(u"\u3042"), std::nullopt);
}

TEST(CodePage, Utf8RoundTrip) {
    std::string s = "a\xc3\xa9\xe3\x81\x82\xf0\x9f\x98\x80";
    EXPECT_EQ(utf8ToUtf16(s), u"a\u00e9\u3042\U0001F600");
    EXPECT_EQ(utf16ToUtf8(utf8ToUtf16(s)), s);
    // Truncated sequences become U+FFFD, never read past the end.
    EXPECT_EQ(utf8ToUtf16("\xe3\x81"), u"\uFFFD\uFFFD");
}
