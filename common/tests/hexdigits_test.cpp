#include <gtest/gtest.h>

#include <string>

#include "common/hexdigits.h"

// Every pair of characters: a byte exactly when both are hex digits, and
// then the value the whole-text parser gives the pair.
TEST(HexDigits, ByteOfTwoDigitsAgreesWithTheParser) {
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) {
            const std::string pair{static_cast<char>(a), static_cast<char>(b)};
            const auto parsed = common::parseHex(pair);
            ASSERT_EQ(common::hexByteValue(pair[0], pair[1]), parsed ? static_cast<int>(*parsed) : -1) << a << ' ' << b;
        }
}
