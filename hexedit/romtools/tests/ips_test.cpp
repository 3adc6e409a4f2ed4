#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "hexedit/romtools/Ips.h"

using namespace hexedit::romtools;

namespace {

struct Record {
    uint32_t offset;
    size_t size;  // bytes written
    bool run;
};

// The records of a well-formed patch, read independently of applyIps.
std::vector<Record> records(const std::vector<uint8_t>& p) {
    std::vector<Record> out;
    size_t pos = 5;
    while (pos + 3 <= p.size()) {
        const uint32_t off = (p[pos] << 16) | (p[pos + 1] << 8) | p[pos + 2];
        if (off == kIpsEofOffset && pos + 3 == p.size()) break;
        const size_t size = (p[pos + 3] << 8) | p[pos + 4];
        if (size == 0) {
            out.push_back({off, static_cast<size_t>((p[pos + 5] << 8) | p[pos + 6]), true});
            pos += 8;
        } else {
            out.push_back({off, size, false});
            pos += 5 + size;
        }
    }
    return out;
}

std::vector<uint8_t> ramp(size_t n, uint8_t start = 0) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(start + i * 7);
    return v;
}

std::vector<uint8_t> applied(const std::vector<uint8_t>& base, const std::vector<uint8_t>& patch) {
    auto copy = base;
    EXPECT_EQ(applyIps(patch, copy).status, IpsApplyStatus::Ok);
    return copy;
}

std::vector<uint8_t> bytes(std::string_view s) { return {s.begin(), s.end()}; }

}  // namespace

TEST(IpsCreate, IdenticalFilesGiveTheEmptyPatch) {
    const auto a = ramp(1000);
    const auto r = createIps(a, a);
    EXPECT_EQ(r.status, IpsCreateStatus::Identical);
    EXPECT_EQ(r.patch, bytes("PATCHEOF"));
}

TEST(IpsCreate, OneChangedByteGivesFourteenBytes) {
    auto a = ramp(0x20000);
    auto b = a;
    b[0x12345] ^= 0xFF;
    const auto r = createIps(a, b);
    ASSERT_EQ(r.status, IpsCreateStatus::Ok);
    std::vector<uint8_t> expect = bytes("PATCH");
    for (int v : {0x01, 0x23, 0x45, 0x00, 0x01, int(b[0x12345])}) expect.push_back(static_cast<uint8_t>(v));
    for (char c : std::string("EOF")) expect.push_back(static_cast<uint8_t>(c));
    EXPECT_EQ(r.patch, expect);
}

TEST(IpsCreate, RecordsCarryFewerThanSixEqualBytesAndRespectTheSizeLimit) {
    struct Case {
        const char* what;
        std::vector<std::pair<size_t, size_t>> changes;  // (offset, length) of changed runs
        std::vector<std::pair<uint32_t, size_t>> expect;  // records (offset, size)
    };
    const Case cases[] = {
        {"five equal bytes between two changes", {{100, 1}, {106, 1}}, {{100, 7}}},
        {"six equal bytes end the record", {{100, 1}, {107, 1}}, {{100, 1}, {107, 1}}},
        {"40000 changed bytes", {{10, 40000}}, {{10, 32768}, {10 + 32768, 7232}}},
        {"one equal byte after 32767 changed", {{0, 32767}, {32768, 3}}, {{0, 32767}, {32768, 3}}},
        {"equal bytes carried up to the compared end", {{49994, 3}}, {{49994, 6}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto a = ramp(50000);
        auto b = a;
        for (auto [off, len] : c.changes)
            for (size_t i = off; i < off + len; ++i) b[i] = static_cast<uint8_t>(~a[i]);
        const auto r = createIps(a, b);
        std::vector<std::pair<uint32_t, size_t>> got;
        for (const auto& rec : records(r.patch)) got.push_back({rec.offset, rec.size});
        EXPECT_EQ(got, c.expect);
        EXPECT_EQ(applied(a, r.patch), b);
    }
}

TEST(IpsCreate, RunRecordsOnlyForNineOrMoreEqualBytes) {
    for (size_t n : {8u, 9u, 40u}) {
        const std::vector<uint8_t> a(100, 0x00);
        auto b = a;
        std::fill(b.begin() + 20, b.begin() + 20 + n, 0xAA);
        const auto r = createIps(a, b);
        const auto recs = records(r.patch);
        ASSERT_EQ(recs.size(), 1u);
        EXPECT_EQ(recs[0].run, n >= 9) << n;
        EXPECT_EQ(r.patch.size(), n >= 9 ? 5 + 8 + 3 : 5 + 5 + n + 3);
        EXPECT_EQ(applied(a, r.patch), b);
    }
}

TEST(IpsCreate, LongerEditedFileAddsItsTailInRecords) {
    const auto a = ramp(100);
    auto b = a;
    b.resize(100 + 40000, 0x55);  // one value: run records
    b.push_back(1);
    const auto recs = records(createIps(a, b).patch);
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0].offset, 100u);
    EXPECT_EQ(recs[0].size, 32768u);
    EXPECT_TRUE(recs[0].run);
    EXPECT_EQ(recs[1].size, 40001u - 32768u);
    EXPECT_FALSE(recs[1].run);
}

TEST(IpsCreate, NoRecordStartsAtTheEofOffsetOrBeyondSixteenMegabytes) {
    std::vector<uint8_t> a(kIpsEofOffset + 100, 0);
    auto b = a;
    b[kIpsEofOffset] = 1;
    b[kIpsEofOffset + 1] = 2;
    auto r = createIps(a, b);
    const auto recs = records(r.patch);
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].offset, kIpsEofOffset - 1);
    EXPECT_EQ(recs[0].size, 3u);
    EXPECT_EQ(applied(a, r.patch), b);

    // A tail whose records would start there too.
    a.resize(kIpsEofOffset);
    r = createIps(a, b);
    EXPECT_EQ(records(r.patch).front().offset, kIpsEofOffset - 1);
    EXPECT_EQ(applied(a, r.patch), b);

    a.assign(kIpsOffsetLimit + 10, 0);
    b = a;
    b[kIpsOffsetLimit - 1] = 1;  // may start below the limit
    EXPECT_EQ(createIps(a, b).status, IpsCreateStatus::Ok);
    b[kIpsOffsetLimit - 1] = 0;
    b[kIpsOffsetLimit + 5] = 1;
    r = createIps(a, b);
    EXPECT_EQ(r.status, IpsCreateStatus::OutOfRange);
    EXPECT_EQ(r.firstOutOfRange, kIpsOffsetLimit + 5);
    b = a;
    b.push_back(1);
    EXPECT_EQ(createIps(a, b).status, IpsCreateStatus::OutOfRange);
}

TEST(IpsCreate, AppliedPatchRebuildsTheEditedFileForRandomPairs) {
    std::mt19937 rng(13);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> a(rng() % 70000);
        for (auto& v : a) v = static_cast<uint8_t>(rng() % 4);  // many equal runs
        auto b = a;
        b.resize(rng() % 4 == 0 ? rng() % 70000 : a.size(), static_cast<uint8_t>(rng()));
        const int edits = static_cast<int>(rng() % 40);
        for (int e = 0; e < edits && !b.empty(); ++e) {
            const size_t at = rng() % b.size();
            const size_t len = std::min<size_t>(b.size() - at, rng() % (rng() % 8 == 0 ? 40000 : 30));
            const uint8_t v = static_cast<uint8_t>(rng());
            const bool run = rng() % 2;
            for (size_t i = at; i < at + len; ++i) b[i] = run ? v : static_cast<uint8_t>(rng());
        }
        const auto r = createIps(a, b);
        for (const auto& rec : records(r.patch)) {
            ASSERT_LE(rec.size, kIpsMaxRecord);
            ASSERT_GT(rec.size, 0u);
        }
        // Patches cannot shorten a file: the unchanged tail stays.
        auto expect = b;
        if (a.size() > b.size()) expect.insert(expect.end(), a.begin() + static_cast<long>(b.size()), a.end());
        ASSERT_EQ(applied(a, r.patch), expect) << "round " << round;
        EXPECT_EQ(r.status == IpsCreateStatus::Identical, records(r.patch).empty());
    }
}

TEST(IpsApply, RunsLengtheningStopsAndOrder) {
    auto p = bytes("PATCH");
    auto add = [&p](std::initializer_list<int> v) {
        for (int x : v) p.push_back(static_cast<uint8_t>(x));
    };
    add({0, 0, 2, 0, 0, 0, 0, 0x77});        // run of count 0 at 2: nothing
    add({0, 0, 1, 0, 0, 0, 3, 0x99});        // run of 3 at 1
    add({0, 0, 8, 0, 2, 0xAB, 0xCD});         // plain record past the end: lengthens
    std::vector<uint8_t> f{1, 2, 3, 4, 5};
    auto r = applyIps(p, f);  // ends without "EOF": stops at the end
    EXPECT_EQ(r.status, IpsApplyStatus::Ok);
    EXPECT_EQ(r.records, 3u);
    EXPECT_EQ(f, (std::vector<uint8_t>{1, 0x99, 0x99, 0x99, 5, 0, 0, 0, 0xAB, 0xCD}));

    // Several patches, each applied to the result of the one before.
    const std::vector<uint8_t> base = ramp(64);
    auto mid = base;
    mid[3] = 0xEE;
    auto last = mid;
    last[3] = 0x11;
    last.push_back(0x22);
    auto f2 = base;
    EXPECT_EQ(applyIps(createIps(base, mid).patch, f2).status, IpsApplyStatus::Ok);
    EXPECT_EQ(applyIps(createIps(mid, last).patch, f2).status, IpsApplyStatus::Ok);
    EXPECT_EQ(f2, last);

    // Bytes after "EOF" are not records.
    p = bytes("PATCHEOF");
    add({0, 0, 0, 0, 1, 9});
    f = {1};
    EXPECT_EQ(applyIps(p, f).records, 0u);
    EXPECT_EQ(f, std::vector<uint8_t>{1});
}

TEST(IpsApply, BadHeaderAndEveryTruncationAreReported) {
    std::vector<uint8_t> f{1, 2, 3};
    for (const char* bad : {"", "PATC", "patch", "IPS32"}) EXPECT_EQ(applyIps(bytes(bad), f).status, IpsApplyStatus::BadHeader);

    auto a = ramp(200);
    auto b = a;
    b[10] = 0;
    std::fill(b.begin() + 50, b.begin() + 70, 0x33);  // a run record
    b.resize(230, 0x44);
    auto patch = createIps(a, b).patch;
    patch.resize(patch.size() - 3);  // without "EOF"
    // Record boundaries: the prefixes that still read completely.
    std::vector<size_t> ends{5};
    for (const auto& rec : records(patch)) ends.push_back(ends.back() + (rec.run ? 8 : 5 + rec.size));
    ASSERT_EQ(ends.back(), patch.size());
    for (size_t len = 5; len <= patch.size(); ++len) {
        auto copy = a;
        const std::vector<uint8_t> prefix(patch.begin(), patch.begin() + static_cast<long>(len));
        const bool whole = std::find(ends.begin(), ends.end(), len) != ends.end();
        EXPECT_EQ(applyIps(prefix, copy).status, whole ? IpsApplyStatus::Ok : IpsApplyStatus::Truncated) << len;
    }
}

TEST(IpsPath, ExtensionBecomesIps) {
    EXPECT_EQ(ipsPathFor("/roms/game.smc"), "/roms/game.ips");
    EXPECT_EQ(ipsPathFor("/roms/game.gb"), "/roms/game.ips");
    EXPECT_EQ(ipsPathFor("/roms.d/game"), "/roms.d/game.ips");
    EXPECT_EQ(ipsPathFor("/roms/.hidden"), "/roms/.hidden.ips");
}
