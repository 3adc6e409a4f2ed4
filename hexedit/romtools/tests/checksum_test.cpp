#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "hexedit/romtools/SnesChecksum.h"

using namespace hexedit::romtools;

namespace {

std::vector<uint8_t> randomImage(size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(size);
    for (auto& b : v) b = static_cast<uint8_t>(rng());
    return v;
}

void setWord(std::vector<uint8_t>& v, size_t at, uint16_t w) {
    v[at] = static_cast<uint8_t>(w);
    v[at + 1] = static_cast<uint8_t>(w >> 8);
}

uint64_t naiveSum(const std::vector<uint8_t>& v, size_t from, size_t to) {
    uint64_t s = 0;
    for (size_t i = from; i < to; ++i) s += v[i];
    return s;
}

}  // namespace

TEST(SnesChecksum, RemainderBeyondThePowerOfTwoIsMirrored) {
    constexpr size_t MiB = 1 << 20;
    struct Case {
        size_t size;
        uint32_t copier;
        size_t power;
        uint64_t times;
    };
    for (const Case& c : {Case{3 * MiB, 0, 2 * MiB, 2}, Case{5 * MiB / 2, 0, 2 * MiB, 4},
                          Case{2 * MiB + 0x200, 0x200, 2 * MiB, 0}, Case{0x11200, 0x200, 0x10000, 16}}) {
        const auto img = randomImage(c.size, static_cast<unsigned>(c.size));
        const uint64_t expect = naiveSum(img, c.copier, c.copier + c.power) +
                                c.times * naiveSum(img, c.copier + c.power, c.size);
        EXPECT_EQ(snesChecksum(img, c.copier), static_cast<uint16_t>(expect)) << c.size;
    }
}

TEST(SnesChecksum, ByteSumAgreesWithALoopAtAnyAlignment) {
    const auto img = randomImage(5000, 3);
    for (size_t from : {0u, 1u, 7u, 15u})
        for (size_t len : {0u, 1u, 63u, 64u, 65u, 1000u, 4985u})
            EXPECT_EQ(byteSum(std::span(img).subspan(from, len)), naiveSum(img, from, from + len));
}

TEST(SnesChecksum, HeaderCandidatesInOrderWithTheOrTest) {
    constexpr uint32_t bases[] = {0x7FC0, 0x81C0, 0xFFC0, 0x101C0};
    auto img = std::vector<uint8_t>(kChecksumMinSize, 0);
    for (uint32_t b : bases) {
        setWord(img, b + kComplementAt, 0xFFFF);
        setWord(img, b + kChecksumAt, 0xFFFF);
    }
    EXPECT_FALSE(locateSnesHeader(img)) << "four FFFFh words";

    // The OR test takes any complement whose bits cover the checksum's gaps.
    setWord(img, 0xFFC0 + kComplementAt, 0xFF0F);
    setWord(img, 0xFFC0 + kChecksumAt, 0x12F0);
    auto h = locateSnesHeader(img);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->index, 2);
    EXPECT_EQ(h->copier, 0u);
    EXPECT_EQ(h->checksum, 0x12F0);
    EXPECT_EQ(h->complement, 0xFF0F);

    setWord(img, 0x81C0 + kComplementAt, 0x0000);
    setWord(img, 0x81C0 + kChecksumAt, 0xFFFE);  // OR is FFFEh: not taken
    EXPECT_EQ(locateSnesHeader(img)->index, 2);
    setWord(img, 0x81C0 + kComplementAt, 0x0001);
    h = locateSnesHeader(img);
    EXPECT_EQ(h->index, 1);
    EXPECT_EQ(h->base, 0x81C0u);
    EXPECT_EQ(h->copier, 0x200u);

    img.pop_back();  // 66031 bytes: too small
    EXPECT_FALSE(locateSnesHeader(img));
}
