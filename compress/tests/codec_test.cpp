#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "compress/Codec.h"
#include "compress/testing/SampleData.h"

using namespace vt2comp;
using Bytes = std::vector<uint8_t>;

namespace {

struct Decoded {
    DecodeStatus status;
    Bytes data;
    uint64_t end;
};

Decoded decode(const Bytes& image, uint64_t start = 0, size_t capacity = kDataCapacity) {
    Bytes out(capacity);
    DecodeResult r = DecodeBlock(image, start, out);
    out.resize(r.count);
    return {r.status, out, r.end};
}

// The packed stream (without the length field), or nothing when it overflows.
std::optional<Bytes> pack(const Bytes& data, bool fast = true, RunRule rule = RunRule::Sound) {
    Bytes packed(0x20000);
    auto p = fast ? PackBlock(data, packed) : PackBlockReference(data, packed, rule);
    if (!p) return std::nullopt;
    packed.resize(*p);
    return packed;
}

// A block as it lies in the ROM: length field and stream.
Bytes block(const Bytes& stream) {
    Bytes b{static_cast<uint8_t>(stream.size()), static_cast<uint8_t>(stream.size() >> 8)};
    b.insert(b.end(), stream.begin(), stream.end());
    return b;
}

// Decoding yields whole groups: the input, then the zero literals that
// filled the last group.
bool unpacksTo(const Bytes& unpacked, const Bytes& data) {
    if (unpacked.size() < data.size() || unpacked.size() - data.size() > 7) return false;
    if (!std::equal(data.begin(), data.end(), unpacked.begin())) return false;
    return std::all_of(unpacked.begin() + static_cast<long>(data.size()), unpacked.end(), [](uint8_t b) { return b == 0; });
}

bool roundTrips(const Bytes& data, const Bytes& stream) {
    Decoded d = decode(block(stream), 0, 0x10000 + 8);
    return d.status == DecodeStatus::Ok && unpacksTo(d.data, data) && d.end == stream.size() + 2;
}

}  // namespace

TEST(DecodeBlock, LengthZeroOrNegativeUnpacksNothing) {
    for (uint16_t length : {0x0000, 0x8000, 0xFFFF, 0x8001}) {
        Bytes image(40, 0x11);
        image[5] = static_cast<uint8_t>(length);
        image[6] = static_cast<uint8_t>(length >> 8);
        Decoded d = decode(image, 5);
        EXPECT_EQ(d.status, DecodeStatus::Ok) << length;
        EXPECT_TRUE(d.data.empty()) << length;
        EXPECT_EQ(d.end, 7u) << length;
    }
}

TEST(DecodeBlock, EveryItemOfTheLastGroupIsDecoded) {
    // Length 1 covers only the flag byte, yet the group's 8 literals follow.
    Bytes image = {0x01, 0x00, 0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x99};
    Decoded d = decode(image);
    EXPECT_EQ(d.data, (Bytes{'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'}));
    EXPECT_EQ(d.end, 11u);
    // The length is tested before each flag byte only: 10 stream bytes mean
    // two groups even though the second flag is the 10th byte.
    Bytes two = {0x0A, 0x00, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 0x00, 9, 10, 11, 12, 13, 14, 15, 16};
    d = decode(two);
    EXPECT_EQ(d.data.size(), 16u);
    EXPECT_EQ(d.data.back(), 16);
    EXPECT_EQ(d.end, two.size());
}

TEST(DecodeBlock, CopiesReadTheWindowTheyWrite) {
    // 'A', then a copy of 5 from W - 1: each byte read was written by the copy.
    Bytes overlap = {0x01, 0x00, 0x02, 'A', 0x04, 0xFF, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(decode(overlap).data, (Bytes{'A', 'A', 'A', 'A', 'A', 'A', 0, 0, 0, 0, 0, 0}));

    // Three literals, then C = 255 with D = 0: 256 bytes, the window from W
    // onward (253 zeros, then 1 2 3), the window itself unchanged; a second
    // such copy repeats them.
    Bytes full = {0x01, 0x00, 0x18, 1, 2, 3, 0xFF, 0x00, 0xFF, 0x00, 0, 0, 0};
    Decoded d = decode(full);
    ASSERT_EQ(d.data.size(), 3u + 256 + 256 + 3);
    Bytes expected = {1, 2, 3};
    for (int r = 0; r < 2; ++r) {
        expected.insert(expected.end(), 253, 0);
        expected.insert(expected.end(), {1, 2, 3});
    }
    expected.insert(expected.end(), 3, 0);
    EXPECT_EQ(d.data, expected);
}

TEST(DecodeBlock, RefusesToReadOrWritePastItsBuffers) {
    // The last group's items lie past the end of the image.
    Bytes cut = {0x05, 0x00, 0x00, 1, 2, 3};
    EXPECT_EQ(decode(cut).status, DecodeStatus::OutsideImage);
    Bytes cutCopy = {0x03, 0x00, 0x80, 1, 2, 3, 4, 5, 6, 7, 0x05};  // item 7 needs D
    EXPECT_EQ(decode(cutCopy).status, DecodeStatus::OutsideImage);
    EXPECT_EQ(decode(Bytes{0x05}).status, DecodeStatus::OutsideImage);
    EXPECT_EQ(decode(Bytes(10), 9).status, DecodeStatus::OutsideImage);
    EXPECT_EQ(decode(Bytes(10), 1000).status, DecodeStatus::OutsideImage);

    // 0x7FFF bytes of all-copy groups would unpack to about 3.8 MB.
    Bytes huge = {0xFF, 0x7F};
    while (huge.size() < 0x7FFF + 2 + 17) {
        huge.push_back(0xFF);
        for (int k = 0; k < 8; ++k) huge.insert(huge.end(), {0xFF, 0x00});
    }
    Decoded d = decode(huge);
    EXPECT_EQ(d.status, DecodeStatus::OutputFull);
    EXPECT_EQ(d.data.size(), kDataCapacity);
    // Exactly full is fine.
    Bytes exact = {0x01, 0x00, 0x00, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(decode(exact, 0, 8).status, DecodeStatus::Ok);
    EXPECT_EQ(decode(exact, 0, 7).status, DecodeStatus::OutputFull);
}

TEST(PackBlock, ThreeZerosMatchTheFreshWindowTwoDoNot) {
    for (bool fast : {true, false}) {
        EXPECT_EQ(pack(Bytes{0, 0, 0}, fast), (Bytes{0x01, 0x02, 0x00, 0, 0, 0, 0, 0, 0, 0})) << fast;
        EXPECT_EQ(pack(Bytes{0, 0}, fast), (Bytes{0x00, 0, 0, 0, 0, 0, 0, 0, 0})) << fast;
        EXPECT_EQ(pack(Bytes{}, fast), Bytes{}) << fast;
    }
}

TEST(PackBlock, LongestRunWinsAndTheLowestWindowPositionBreaksTies) {
    // At index 8 "ABC" lies at window positions 0 and 4, both 3 long: 0 wins.
    const Bytes data = {'A', 'B', 'C', 'Z', 'A', 'B', 'C', 'Y', 'A', 'B', 'C'};
    const Bytes expected = {0x50, 'A', 'B', 'C', 'Z', 0x02, 0xFC, 'Y', 0x02, 0xF8, 0x00};
    EXPECT_EQ(pack(data, false), expected);
    EXPECT_EQ(pack(data, true), expected);
    EXPECT_TRUE(roundTrips(data, expected));

    // A run of 300 zeros: 256 from position 0 (the whole fresh window), then
    // 44 from the lowest position that still matches.
    Bytes zeros(300, 0);
    auto p = pack(zeros);
    ASSERT_TRUE(p);
    EXPECT_EQ(*p, (Bytes{0x03, 0xFF, 0x00, 0x2B, 0x00, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(pack(zeros, false), p);
    EXPECT_TRUE(roundTrips(zeros, *p));
}

TEST(PackBlock, PlainScanCanPickRunsTheDecoderDoesNotReproduce) {
    // 256 bytes of history ending in "xyz", then "xyz" again and a copy of
    // the history's start. At window position 253 (distance 3) the old window
    // matches 40 bytes, but the decoder would read the "xyz" the copy has just
    // written instead of the history's start.
    Bytes data = sample::randomBytes(256, 3);
    data[253] = 'x', data[254] = 'y', data[255] = 'z';
    data[0] = 'q';
    data.insert(data.end(), {'x', 'y', 'z'});
    const Bytes start(data.begin(), data.begin() + 37);
    data.insert(data.end(), start.begin(), start.end());
    auto plain = pack(data, false, RunRule::Plain);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(roundTrips(data, *plain));
    auto sound = pack(data, false);
    ASSERT_TRUE(sound);
    EXPECT_TRUE(roundTrips(data, *sound));
    EXPECT_EQ(pack(data, true), sound);
}

TEST(PackBlock, StopsWhenThePackedAreaIsFull) {
    Bytes data = sample::randomBytes(100, 1);
    Bytes packed(50);
    EXPECT_FALSE(PackBlock(data, packed));
    EXPECT_FALSE(PackBlockReference(data, packed));
    // 8 literals and their flag need 9 bytes; P = 9 fits exactly.
    Bytes eight = sample::randomBytes(8, 2);
    Bytes nine(9);
    EXPECT_EQ(PackBlock(eight, nine), 9u);
    Bytes tooSmall(8);
    EXPECT_FALSE(PackBlock(eight, tooSmall));
}

// The fast encoder must give the reference scan's bytes, and every block
// must decode back to its input. Where the plain scan's block decodes back,
// the sound block is the same bytes.
TEST(PackBlock, PropertyFastEqualsReferenceAndDecodesBack) {
    std::mt19937 rng(2024);
    int cases = 0, plainFaults = 0;
    auto check = [&](const Bytes& data, const char* kind) {
        ++cases;
        auto ref = pack(data, false);
        auto fast = pack(data, true);
        ASSERT_TRUE(ref && fast) << kind;
        ASSERT_EQ(*fast, *ref) << kind << " size " << data.size() << " case " << cases;
        // Longer streams do not fit the signed length field.
        if (fast->size() > kMaxStreamLength) return;
        ASSERT_TRUE(roundTrips(data, *fast)) << kind << " size " << data.size() << " case " << cases;
        auto plain = pack(data, false, RunRule::Plain);
        ASSERT_TRUE(plain);
        if (roundTrips(data, *plain)) ASSERT_EQ(*plain, *ref) << kind << " case " << cases;
        else ++plainFaults;
    };
    for (int k = 0; k < 1200; ++k) {
        const size_t n = rng() % (k % 10 == 0 ? 3000 : 700);
        check(sample::structuredBytes(n, rng()), "structured");
    }
    for (int k = 0; k < 500; ++k) check(sample::tileLikeData(rng() % 2000, rng()), "tiles");
    for (int k = 0; k < 500; ++k) check(sample::randomBytes(rng() % 600, rng()), "random");
    for (int k = 0; k < 300; ++k) {
        // Tiny alphabets make every window position a candidate.
        Bytes data(rng() % 1500);
        const unsigned alphabet = 1 + rng() % 3;
        for (auto& b : data) b = static_cast<uint8_t>(rng() % alphabet);
        check(data, "tiny alphabet");
    }
    // Every input of up to 13 bytes over two byte values.
    for (size_t n = 0; n <= 13; ++n)
        for (uint32_t bits = 0; bits < (1u << n); ++bits) {
            Bytes data(n);
            for (size_t k = 0; k < n; ++k) data[k] = (bits >> k) & 1 ? 0x41 : 0;
            check(data, "two values");
        }
    for (uint32_t seed : {1u, 2u}) {
        check(sample::randomBytes(0x10000, seed), "random 64K");
        check(sample::tileLikeData(0x10000, seed), "tiles 64K");
        check(sample::structuredBytes(0x10000, seed), "structured 64K");
    }
    check(Bytes(0x10000, 0), "zeros 64K");
    EXPECT_GE(cases, 2500 + (1 << 14) - 1);
    // The generated inputs do reach the fault the sound rule mends.
    EXPECT_GT(plainFaults, 0);
}

TEST(EncodeBlock, WritesOnlyWhatFitsBetweenStartAndEnd) {
    const Bytes data = sample::tileLikeData(1000, 5);
    const Bytes stream = *pack(data);
    const size_t p = stream.size();
    Bytes packed(kPackedCapacity);
    const Bytes original(4000, 0xEE);

    // Exact fit: S + 2 + P = E.
    Bytes image = original;
    EncodeResult r = EncodeBlock(data, packed, image, 100, 100 + 2 + p);
    EXPECT_EQ(r.status, EncodeStatus::Ok);
    EXPECT_EQ(r.packedLength, p);
    EXPECT_EQ(Bytes(image.begin() + 100, image.begin() + 102 + static_cast<long>(p)), block(stream));
    EXPECT_EQ(image[99], 0xEE);
    EXPECT_EQ(image[102 + p], 0xEE);
    Decoded d = decode(image, 100);
    EXPECT_TRUE(unpacksTo(d.data, data));
    EXPECT_EQ(d.end, 102 + p);

    // One byte short.
    image = original;
    r = EncodeBlock(data, packed, image, 100, 100 + 1 + p);
    EXPECT_EQ(r.status, EncodeStatus::TooLarge);
    EXPECT_EQ(r.bytesOver, 1u);
    EXPECT_EQ(image, original);
    // E before S counts from E as well.
    r = EncodeBlock(data, packed, image, 100, 50);
    EXPECT_EQ(r.status, EncodeStatus::TooLarge);
    EXPECT_EQ(r.bytesOver, 52 + p);

    // Offsets past the image.
    r = EncodeBlock(data, packed, image, 100, 4001);
    EXPECT_EQ(r.status, EncodeStatus::OutsideImage);
    r = EncodeBlock(data, packed, image, 3999, 4000);
    EXPECT_EQ(r.status, EncodeStatus::OutsideImage);
    EXPECT_EQ(image, original);

    // Empty data: a zero stream length.
    r = EncodeBlock({}, packed, image, 10, 12);
    EXPECT_EQ(r.status, EncodeStatus::Ok);
    EXPECT_EQ(image[10], 0);
    EXPECT_EQ(image[11], 0);
}

TEST(EncodeBlock, RefusesPackedFormsTheWorkAreaOrTheLengthFieldCannotHold) {
    Bytes packed(kPackedCapacity);
    Bytes image(0x30000, 0xEE);
    const Bytes original = image;
    // 64 KiB of random bytes pack to about 72 KiB.
    EncodeResult r = EncodeBlock(sample::randomBytes(0x10000, 9), packed, image, 0, image.size());
    EXPECT_EQ(r.status, EncodeStatus::WorkAreaFull);
    // 30 KiB of random bytes pack to more than 0x7FFF bytes.
    r = EncodeBlock(sample::randomBytes(30000, 9), packed, image, 0, image.size());
    EXPECT_EQ(r.status, EncodeStatus::StreamTooLong);
    EXPECT_GT(r.packedLength, kMaxStreamLength);
    EXPECT_EQ(image, original);
}
