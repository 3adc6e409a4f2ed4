#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "hexedit/search/Scanner.h"

using namespace hexedit::search;

namespace {

// The scan as written: every candidate, every position.
size_t naiveFind(const std::vector<uint8_t>& data, size_t from, const std::vector<uint8_t>& p, MatchRules r,
                 size_t limit = kNoMatch) {
    if (p.empty() || data.size() < p.size()) return kNoMatch;
    size_t last = std::min(limit, data.size() - p.size());
    for (size_t o = from; o <= last && o != kNoMatch; ++o) {
        bool ok = true;
        for (size_t i = 0; i < p.size() && ok; ++i) {
            if (r.wildcards && p[i] == kWildcardByte) continue;
            ok = r.ignoreCase ? foldUpper(data[o + i]) == foldUpper(p[i]) : data[o + i] == p[i];
        }
        if (ok) return o;
    }
    return kNoMatch;
}

std::vector<uint8_t> bytes(std::initializer_list<int> v) { return std::vector<uint8_t>(v.begin(), v.end()); }

// The widest loops again, however a test ends.
struct WidestAfter {
    ~WidestAfter() { limitVectorWidth(VectorWidth::Widest); }
};

// Each round's vector loops: every width this machine has, in turn.
VectorWidth widthOfRound(int round) {
    constexpr VectorWidth widths[] = {VectorWidth::Bytes16, VectorWidth::Bytes32, VectorWidth::Widest};
    return widths[round % 3];
}

}  // namespace

TEST(Matcher, AgreesWithTheNaiveScanOnRandomData) {
    const WidestAfter widest;
    std::mt19937 rng(7);
    // A small alphabet of letters, their other case, '*' and zeros makes
    // matches, folded matches and wildcard hits frequent.
    const uint8_t alphabet[] = {'a', 'A', 'b', 'B', '*', 0, 'z', '@', '`', 0xE1};
    for (int round = 0; round < 400; ++round) {
        std::vector<uint8_t> data(rng() % 300);
        for (auto& b : data) b = alphabet[rng() % std::size(alphabet)];
        std::vector<uint8_t> p(1 + rng() % 6);
        for (auto& b : p) b = alphabet[rng() % std::size(alphabet)];
        MatchRules r{(rng() & 1) != 0, (rng() & 2) != 0};
        Matcher m(p, r);
        limitVectorWidth(widthOfRound(round));
        size_t from = data.empty() ? 0 : rng() % (data.size() + 2);
        for (;;) {
            size_t want = naiveFind(data, from, p, r);
            size_t got = m.find(data, from);
            ASSERT_EQ(got, want) << "round " << round << " from " << from;
            if (got == kNoMatch) break;
            from = got + 1;
        }
    }
}

TEST(Matcher, FindsMatchesEndingOnTheLastByteAndRespectsTheLimit) {
    std::vector<uint8_t> data(100000, 0x11);
    data[99997] = 1;
    data[99998] = 2;
    data[99999] = 3;
    Matcher m(bytes({1, 2, 3}), {});
    EXPECT_EQ(m.find(data, 0), 99997u);
    EXPECT_EQ(m.find(data, 99997), 99997u);
    EXPECT_EQ(m.find(data, 99998), kNoMatch);
    EXPECT_EQ(m.find(data, 0, 99996), kNoMatch);  // last candidate before the match
    EXPECT_EQ(m.find(data, 0, 99997), 99997u);
    // A pattern longer than the data, and an empty pattern, match nothing.
    EXPECT_EQ(Matcher(std::vector<uint8_t>(8, 1), {}).find(bytes({1, 1, 1}), 0), kNoMatch);
    EXPECT_EQ(Matcher(std::vector<uint8_t>{}, {}).find(data, 0), kNoMatch);
}

TEST(Matcher, WildcardsAndCaseFolding) {
    const auto data = bytes({'x', 'H', 'e', 'L', 'l', 'O', 0xA1, 0x77, 'q'});
    EXPECT_EQ(Matcher(bytes({'h', 'E', 'l'}), {}).find(data, 0), kNoMatch);
    EXPECT_EQ(Matcher(bytes({'h', 'E', 'l'}), {true, false}).find(data, 0), 1u);
    // Folding touches letters only: '@' (0x40) is not '`' (0x60).
    EXPECT_EQ(Matcher(bytes({'@'}), {true, false}).find(bytes({'`', '@'}), 0), 1u);
    // 0x2A is a wildcard only when wildcards are on.
    EXPECT_EQ(Matcher(bytes({0xA1, 0x2A}), {false, true}).find(data, 0), 6u);
    EXPECT_EQ(Matcher(bytes({0xA1, 0x2A}), {false, false}).find(data, 0), kNoMatch);
    // All wildcards: the first candidate.
    EXPECT_EQ(Matcher(bytes({0x2A, 0x2A}), {false, true}).find(data, 3), 3u);
    EXPECT_EQ(Matcher(bytes({0x2A, 0x2A}), {false, true}).find(data, 8), kNoMatch);
}

TEST(RelativeScanner, FindsEveryFirstByteAsTheCandidateScansWould) {
    const WidestAfter widest;
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        // Up to a few hundred bytes past the widest loop's two 64-byte blocks.
        std::vector<uint8_t> data(rng() % 700);
        for (auto& b : data) b = static_cast<uint8_t>(0x28 + rng() % 8);  // around '*' and with case pairs
        if (round % 3 == 0)
            for (auto& b : data) b = static_cast<uint8_t>('A' + rng() % 4 + (rng() & 1) * 0x20);
        std::vector<uint8_t> dist(1 + rng() % 7);
        for (size_t k = 1; k < dist.size(); ++k) dist[k] = static_cast<uint8_t>(rng() % 5 + (rng() % 4 == 0 ? 0xE0 : 0));
        MatchRules r{(rng() & 1) != 0, (rng() & 2) != 0};
        const size_t from = data.empty() ? 0 : rng() % data.size();
        const size_t limit = round % 2 ? kNoMatch : from + rng() % 300;  // a stretch as the find window scans
        std::vector<std::vector<uint32_t>> want(256), got(256);
        for (int v = 0; v < 256; ++v) {
            std::vector<uint8_t> p(dist.size());
            for (size_t k = 0; k < p.size(); ++k) p[k] = static_cast<uint8_t>(v + dist[k]);
            for (size_t o = from;; ++o) {
                o = naiveFind(data, o, p, r, limit);
                if (o == kNoMatch) break;
                want[v].push_back(static_cast<uint32_t>(o));
            }
        }
        RelativeScanner s(dist, r);
        limitVectorWidth(widthOfRound(round / 6));  // each width sees every kind of round
        s.scan(data, from, limit, [&](uint32_t o, uint8_t v) { got[v].push_back(o); });
        for (int v = 0; v < 256; ++v) ASSERT_EQ(got[v], want[v]) << "round " << round << " v " << v;
    }
}
