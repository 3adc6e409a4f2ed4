// BPS and IPS32 round trips over random file pairs, and patches refused
// without touching the file.

#include <gtest/gtest.h>

#include <unistd.h>
#include <zlib.h>

#include <map>
#include <random>

#include "common/fileio.h"
#include "hexedit/romtools/Bps.h"
#include "hexedit/romtools/Ips.h"
#include "hexedit/romtools/Ips32.h"
#include "hexedit/romtools/PatchFormats.h"

using namespace hexedit::romtools;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes randomBytes(std::mt19937& rng, size_t n) {
    Bytes b(n);
    for (auto& x : b) x = static_cast<uint8_t>(rng());
    return b;
}

// Text of `n` bytes or more from a vocabulary of `words` short words, so
// that it repeats itself as new text does.
Bytes wordText(std::mt19937& rng, size_t n, size_t words) {
    std::vector<Bytes> vocabulary(words);
    for (auto& w : vocabulary) w = randomBytes(rng, 2 + rng() % 7);
    Bytes out;
    while (out.size() < n) {
        const Bytes& w = vocabulary[rng() % words];
        out.insert(out.end(), w.begin(), w.end());
        out.push_back(' ');
    }
    return out;
}

// An edited copy: scattered byte changes, runs of one value, a block moved
// from elsewhere, an insertion or deletion, growth or truncation at the end,
// new text.
Bytes edit(std::mt19937& rng, const Bytes& in) {
    Bytes out = in;
    auto pick = [&](size_t n) { return n == 0 ? size_t{0} : static_cast<size_t>(rng() % n); };
    const int edits = static_cast<int>(rng() % 12);
    for (int e = 0; e < edits; ++e) {
        switch (rng() % 7) {
        case 0:
            if (!out.empty()) out[pick(out.size())] ^= static_cast<uint8_t>(1 + rng() % 255);
            break;
        case 1: {
            const size_t at = pick(out.size() + 1), n = 1 + pick(300);
            out.insert(out.begin() + static_cast<ptrdiff_t>(at), n, static_cast<uint8_t>(rng()));
            break;
        }
        case 2:
            if (!in.empty()) {
                const size_t from = pick(in.size()), n = std::min(in.size() - from, 1 + pick(2000));
                out.insert(out.begin() + static_cast<ptrdiff_t>(pick(out.size() + 1)), in.begin() + static_cast<ptrdiff_t>(from),
                           in.begin() + static_cast<ptrdiff_t>(from + n));
            }
            break;
        case 3:
            if (!out.empty()) {
                const size_t at = pick(out.size()), n = std::min(out.size() - at, 1 + pick(500));
                out.erase(out.begin() + static_cast<ptrdiff_t>(at), out.begin() + static_cast<ptrdiff_t>(at + n));
            }
            break;
        case 4: {
            const Bytes tail = randomBytes(rng, pick(1000));
            out.insert(out.end(), tail.begin(), tail.end());
            break;
        }
        case 6: {
            const Bytes text = wordText(rng, pick(9000), 1 + pick(40));  // at times past one parsed stretch
            out.insert(out.begin() + static_cast<ptrdiff_t>(pick(out.size() + 1)), text.begin(), text.end());
            break;
        }
        default:
            out.resize(pick(out.size() + 1));
        }
    }
    return out;
}

TEST(Bps, RoundTripsRandomPairs) {
    std::mt19937 rng(20);
    for (int i = 0; i < 300; ++i) {
        const Bytes source = randomBytes(rng, rng() % 3 == 0 ? rng() % 16 : rng() % 40000);
        const Bytes target = edit(rng, source);
        const Bytes patch = createBps(source, target);
        const auto r = applyBps(patch, source);
        ASSERT_EQ(r.status, BpsApplyStatus::Ok) << i;
        ASSERT_EQ(r.target, target) << i;
    }
}

TEST(Bps, IsCompactForScatteredChangesAndMovedBlocks) {
    std::mt19937 rng(7);
    const Bytes source = randomBytes(rng, 1 << 20);
    Bytes target = source;
    for (int i = 0; i < 100; ++i) target[rng() % target.size()] ^= 0x55;
    // A 64 KiB block copied from the front to the middle.
    std::copy(source.begin(), source.begin() + 0x10000, target.begin() + 0x80000);
    EXPECT_LT(createBps(source, target).size(), 2000u);
    // A 4 KiB run of one value costs a few bytes, not 4 KiB.
    std::fill(target.begin() + 0x1000, target.begin() + 0x2000, 0xFF);
    EXPECT_LT(createBps(source, target).size(), 2100u);
    // New text costs well under its size: its words come from its own
    // earlier copies.
    const Bytes text = wordText(rng, 20000, 300);
    target.insert(target.begin() + 0x40000, text.begin(), text.end());
    EXPECT_LT(createBps(source, target).size(), 2100u + text.size() * 6 / 10);
}

// Past 64 MiB the encoder reports its passes, so that mapped files can give
// back their pages; the patch is the same as one made without reports.
TEST(Bps, LargePairsReportTheirPassesAndKeepTheirPatch) {
    const size_t size = (size_t{64} << 20) + 12345;
    Bytes source(size);
    for (size_t i = 0; i < size; ++i) source[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
    Bytes target = source;
    target[size - 100] ^= 1;
    std::vector<std::pair<uint64_t, uint64_t>> reports;
    const Bytes patch = createBps(source, target, [&](uint64_t s, uint64_t t) { reports.emplace_back(s, t); });
    EXPECT_EQ(patch, createBps(source, target));
    ASSERT_FALSE(reports.empty());
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_LE(reports.back().second, size);
    EXPECT_FALSE(bpsKeepsSource(patch));
    EXPECT_TRUE(bpsKeepsSource(createBps(source, source)));
    const auto r = applyBps(patch, source);
    ASSERT_EQ(r.status, BpsApplyStatus::Ok);
    EXPECT_TRUE(r.target == target);
}

TEST(Bps, RefusesAnotherSourceNamingBothChecksums) {
    const Bytes source(5000, 1);
    Bytes target = source;
    target[100] = 2;
    const Bytes patch = createBps(source, target);
    Bytes other = source;
    other[4999] = 9;
    const auto r = applyBps(patch, other);
    EXPECT_EQ(r.status, BpsApplyStatus::WrongSource);
    EXPECT_EQ(r.expectedSourceCrc, crc32Of(source));
    EXPECT_EQ(r.foundSourceCrc, crc32Of(other));
    EXPECT_TRUE(r.target.empty());
    EXPECT_EQ(applyBps(patch, Bytes(4000, 1)).status, BpsApplyStatus::WrongSource);
}

TEST(Bps, DamagedOrForeignPatchesAreRefused) {
    const Bytes source(300, 3);
    const Bytes patch = createBps(source, Bytes(400, 4));
    EXPECT_EQ(applyBps(Bytes{'P', 'A', 'T', 'C', 'H'}, source).status, BpsApplyStatus::BadHeader);
    EXPECT_EQ(applyBps(Bytes(patch.begin(), patch.begin() + 10), source).status, BpsApplyStatus::BadHeader);
    Bytes damaged = patch;
    damaged[6] ^= 1;
    EXPECT_EQ(applyBps(damaged, source).status, BpsApplyStatus::PatchChecksum);
}

uint32_t zlibCrc(std::span<const uint8_t> d) { return static_cast<uint32_t>(::crc32(0, d.data(), static_cast<uInt>(d.size()))); }

// A plain decoder written from the public format description, byte by byte:
// what applyBps must answer for any patch whose own checksum is right.
BpsApplyStatus referenceApply(const Bytes& p, const Bytes& source, Bytes& out) {
    const size_t end = p.size() - 12;
    size_t pos = 4;
    auto num = [&](uint64_t& v) {
        v = 0;
        for (uint64_t shift = 1, i = 0; i < 10 && pos < end; ++i) {
            const uint8_t x = p[pos++];
            v += (x & 0x7F) * shift;
            if (x & 0x80) return true;
            shift <<= 7;
            v += shift;
        }
        return false;
    };
    auto le = [&](size_t at) { return uint32_t{p[at]} | p[at + 1] << 8 | p[at + 2] << 16 | uint32_t{p[at + 3]} << 24; };
    uint64_t srcSize, tgtSize, meta;
    if (!num(srcSize) || !num(tgtSize) || !num(meta) || meta > end - pos) return BpsApplyStatus::Malformed;
    pos += meta;
    if (srcSize != source.size() || zlibCrc(source) != le(end)) return BpsApplyStatus::WrongSource;
    if (tgtSize > kBpsMaxTarget) return BpsApplyStatus::TooLarge;
    int64_t srcRel = 0, tgtRel = 0;
    while (pos < end) {
        uint64_t action, len;
        if (!num(action)) return BpsApplyStatus::Malformed;
        len = (action >> 2) + 1;
        if (len > tgtSize - out.size()) return BpsApplyStatus::Malformed;
        for (uint64_t i = 0; i < len; ++i) {
            const size_t at = out.size();
            if ((action & 3) == 0) {
                if (at >= source.size()) return BpsApplyStatus::Malformed;
                out.push_back(source[at]);
            } else if ((action & 3) == 1) {
                if (pos >= end) return BpsApplyStatus::Malformed;
                out.push_back(p[pos++]);
            } else {
                int64_t& rel = (action & 3) == 2 ? srcRel : tgtRel;
                if (i == 0) {
                    uint64_t u;
                    if (!num(u)) return BpsApplyStatus::Malformed;
                    rel += (u & 1) ? -static_cast<int64_t>(u >> 1) : static_cast<int64_t>(u >> 1);
                }
                const Bytes& from = (action & 3) == 2 ? source : out;
                if (rel < 0 || static_cast<uint64_t>(rel) >= ((action & 3) == 2 ? from.size() : at)) return BpsApplyStatus::Malformed;
                out.push_back(from[static_cast<size_t>(rel++)]);
            }
        }
    }
    if (out.size() != tgtSize) return BpsApplyStatus::Malformed;
    return zlibCrc(out) == le(end + 4) ? BpsApplyStatus::Ok : BpsApplyStatus::TargetChecksum;
}

// Mutated patches with a repaired patch checksum reach the action reader:
// each answers what the plain decoder answers, and never reads or writes
// outside its buffers (checked under the sanitizers).
TEST(Bps, MutatedPatchesAnswerAsThePlainDecoder) {
    std::mt19937 rng(3);
    const Bytes source = randomBytes(rng, 3000);
    const Bytes patch = createBps(source, edit(rng, source));
    std::map<BpsApplyStatus, int> seen;
    for (int i = 0; i < 3000; ++i) {
        Bytes m = patch;
        for (int k = 0; k < 1 + static_cast<int>(rng() % 4); ++k) m[4 + rng() % (m.size() - 16)] = static_cast<uint8_t>(rng());
        const uint32_t crc = crc32Of(std::span(m).first(m.size() - 4));
        for (int k = 0; k < 4; ++k) m[m.size() - 4 + k] = static_cast<uint8_t>(crc >> (8 * k));
        Bytes expected;
        const BpsApplyStatus want = referenceApply(m, source, expected);
        const auto r = applyBps(m, source);
        ASSERT_EQ(r.status, want) << i;
        ASSERT_EQ(r.target, want == BpsApplyStatus::Ok ? expected : Bytes{}) << i;
        ++seen[want];
    }
    EXPECT_GE(seen.size(), 3u);  // the mutations reach several outcomes
}

// The fast CRC32 against zlib's on every alignment, length and starting CRC.
TEST(Bps, Crc32MatchesZlib) {
    std::mt19937 rng(9);
    const Bytes data = randomBytes(rng, 1 << 18);
    for (int i = 0; i < 600; ++i) {
        const size_t at = rng() % 64, n = rng() % (i < 300 ? 300 : data.size() - 64);
        const uint32_t start = i % 2 ? static_cast<uint32_t>(rng()) : 0;
        const auto piece = std::span(data).subspan(at, n);
        ASSERT_EQ(crc32Update(start, piece), static_cast<uint32_t>(::crc32(start, piece.data(), static_cast<uInt>(n)))) << i;
    }
}

// Appends the source, target and patch CRC32s.
void seal(Bytes& patch, uint32_t sourceCrc, uint32_t targetCrc) {
    for (const uint32_t c : {sourceCrc, targetCrc})
        for (int k = 0; k < 4; ++k) patch.push_back(static_cast<uint8_t>(c >> (8 * k)));
    const uint32_t c = zlibCrc(patch);
    for (int k = 0; k < 4; ++k) patch.push_back(static_cast<uint8_t>(c >> (8 * k)));
}

// A patch written by hand from the format description: every action kind,
// a negative source offset and a target copy overlapping what it writes.
TEST(Bps, KnownAnswerPatch) {
    const Bytes source = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'};
    const std::string text = "ABCDxyzGHxyzGHxBC";
    const Bytes target(text.begin(), text.end());
    Bytes patch = {'B', 'P', 'S', '1',
                   0x88,                // source size 8
                   0x91,                // target size 17
                   0x80,                // no metadata
                   0x8C,                // SourceRead 4: ABCD
                   0x89, 'x', 'y', 'z', // TargetRead 3
                   0x86, 0x8C,          // SourceCopy 2 from +6: GH
                   0x97, 0x88,          // TargetCopy 6 from +4: xyzGH, then its own x
                   0x86, 0x8F};         // SourceCopy 2 from 8 - 7 = 1: BC
    seal(patch, zlibCrc(source), zlibCrc(target));
    const auto r = applyBps(patch, source);
    ASSERT_EQ(r.status, BpsApplyStatus::Ok);
    EXPECT_EQ(std::string(r.target.begin(), r.target.end()), text);
    // The encoder's patch for the same pair reads the same way in the plain decoder.
    Bytes decoded;
    EXPECT_EQ(referenceApply(createBps(source, target), source, decoded), BpsApplyStatus::Ok);
    EXPECT_EQ(decoded, target);
    EXPECT_EQ(crc32Of(Bytes{'1', '2', '3', '4', '5', '6', '7', '8', '9'}), 0xCBF43926u);
}

// Patches that ask for files past 2 GB - 1 are refused before anything is
// allocated; so is a patch whose actions cannot make its declared target.
TEST(PatchLimits, HostilePatchesAreRefusedBeforeAllocating) {
    for (const uint32_t offset : {0xFFFFFF00u, 0x7FFFFFF0u}) {
        Bytes ips32 = {'I', 'P', 'S', '3', '2', static_cast<uint8_t>(offset >> 24), static_cast<uint8_t>(offset >> 16),
                       static_cast<uint8_t>(offset >> 8), static_cast<uint8_t>(offset), 0, 16};
        ips32.resize(ips32.size() + 16, 0xAB);
        ips32.insert(ips32.end(), {'E', 'E', 'O', 'F'});
        Bytes file(100, 1);
        EXPECT_EQ(applyIps32(ips32, file), Ips32ApplyStatus::TooLarge) << offset;
        EXPECT_LE(file.size(), 100u);
    }
    const Bytes source = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'};
    // Target sizes 2^31 and 2^31 - 1 as numbers, then one SourceRead of 9 bytes.
    Bytes big = {'B', 'P', 'S', '1', 0x88, 0x00, 0x7F, 0x7E, 0x7E, 0x86, 0x80, 0xA0};
    seal(big, zlibCrc(source), 0);
    EXPECT_EQ(readBpsHeader(big).targetSize, uint64_t{1} << 31);
    EXPECT_EQ(applyBps(big, source).status, BpsApplyStatus::TooLarge);
    Bytes bogus = {'B', 'P', 'S', '1', 0x88, 0x7F, 0x7E, 0x7E, 0x7E, 0x86, 0x80, 0xA0};
    seal(bogus, zlibCrc(source), 0);
    EXPECT_EQ(readBpsHeader(bogus).targetSize, uint64_t{INT32_MAX});
    EXPECT_EQ(readBpsHeader(bogus).status, BpsApplyStatus::Malformed);
    EXPECT_EQ(applyBps(bogus, source).status, BpsApplyStatus::Malformed);
}

// A temporary file holding `bytes`, and the whole content of one.
int fileWith(const Bytes& bytes) {
    const int fd = common::anonymousFile();
    EXPECT_TRUE(fd >= 0 && common::writeAll(fd, bytes.data(), bytes.size()));
    return fd;
}

Bytes contentOf(int fd) {
    Bytes b(static_cast<size_t>(::lseek(fd, 0, SEEK_END)));
    EXPECT_TRUE(common::readAt(fd, b.data(), b.size(), 0));
    return b;
}

// One more record at `offset`, before the end marker.
Bytes withRecord(Bytes patch, bool ips32, uint32_t offset) {
    Bytes rec;
    for (int k = ips32 ? 3 : 2; k >= 0; --k) rec.push_back(static_cast<uint8_t>(offset >> (8 * k)));
    rec.insert(rec.end(), {0, 3, 'r', 'e', 'c'});
    patch.insert(patch.end() - (ips32 ? 4 : 3), rec.begin(), rec.end());
    return patch;
}

// Applying from file to file gives what applying in memory gives, byte for
// byte and message for message: random files and patches of each format,
// records past the end, shrinking targets, cut and damaged patches, and the
// 16 MiB and 2 GB limits.
TEST(PatchToFile, MatchesTheInMemoryApply) {
    std::mt19937 rng(41);
    std::vector<std::pair<Bytes, Bytes>> cases;  // source, patch
    for (int i = 0; i < 240; ++i) {
        const Bytes source = randomBytes(rng, rng() % 3 == 0 ? rng() % 64 : rng() % 150000);
        const Bytes target = edit(rng, source);
        const int kind = i % 3;
        Bytes patch = kind == 0 ? createBps(source, target) : kind == 1 ? createIps32(source, target).patch : createIps(source, target).patch;
        if (kind != 0 && i % 4 == 1) patch = withRecord(patch, kind == 1, static_cast<uint32_t>(source.size() + rng() % 3000));
        if (i % 5 == 2 && patch.size() > 6) patch.resize(5 + rng() % (patch.size() - 5));
        if (i % 7 == 3) patch[rng() % patch.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
        cases.emplace_back(source, patch);
    }
    const Bytes small(100, 7);
    // Target copies reaching back past the output buffer of the file path.
    Bytes twice = randomBytes(rng, 1300000);
    twice.insert(twice.end(), twice.begin(), twice.end());
    cases.emplace_back(small, createBps(small, twice));
    cases.emplace_back(small, withRecord(createIps(Bytes{}, Bytes{}).patch, false, 0xFFFFF0));  // up to 16 MiB
    cases.emplace_back(small, withRecord(createIps32(Bytes{}, Bytes{}).patch, true, 0x7FFFFFFE));  // past 2 GB - 1
    cases.emplace_back(small, Bytes{'X', 'Y'});
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto& [source, patch] = cases[i];
        Bytes inMemory = source;
        const PatchOutcome want = applyAnyPatch(patch, "p", inMemory);
        const int in = fileWith(source), out = common::anonymousFile();
        const PatchOutcome got = applyPatchToFile(patch, "p", in, source.size(), out);
        ASSERT_EQ(got.ok, want.ok) << i << want.message;
        ASSERT_EQ(got.message, want.message) << i;
        if (want.ok) {
            ASSERT_TRUE(contentOf(out) == inMemory) << i;
        }
        ::close(in);
        ::close(out);
    }
}

TEST(Ips32, RoundTripsAcross16MiB) {
    std::mt19937 rng(32);
    const size_t mib16 = size_t{1} << 24;
    Bytes base = randomBytes(rng, mib16 + 0x10000);
    for (int i = 0; i < 6; ++i) {
        Bytes unchanged(base.begin(), base.begin() + static_cast<ptrdiff_t>(mib16 - 0x8000 + rng() % 0x10000));
        Bytes edited = unchanged;
        for (int k = 0; k < 200; ++k) edited[edited.size() - 1 - rng() % 0x8000] ^= static_cast<uint8_t>(1 + rng() % 255);
        std::fill(edited.end() - 20, edited.end(), 0x7E);  // a run
        edited.resize(edited.size() + rng() % 70000, 0xA5);
        const auto c = createIps32(unchanged, edited);
        ASSERT_EQ(c.status, Ips32CreateStatus::Ok);
        ASSERT_TRUE(looksLikeIps32(c.patch));
        Bytes applied = unchanged;
        ASSERT_EQ(applyIps32(c.patch, applied), Ips32ApplyStatus::Ok);
        ASSERT_TRUE(applied == edited) << i;
    }
}

TEST(Ips32, RoundTripsSmallRandomPairsAndReportsIdentical) {
    std::mt19937 rng(5);
    for (int i = 0; i < 300; ++i) {
        const Bytes unchanged = randomBytes(rng, rng() % 5000);
        Bytes edited = edit(rng, unchanged);
        if (edited.size() < unchanged.size()) edited.insert(edited.end(), unchanged.begin() + static_cast<ptrdiff_t>(edited.size()), unchanged.end());
        const auto c = createIps32(unchanged, edited);
        Bytes applied = unchanged;
        ASSERT_EQ(applyIps32(c.patch, applied), Ips32ApplyStatus::Ok);
        ASSERT_EQ(applied, edited) << i;
        EXPECT_EQ(c.status == Ips32CreateStatus::Identical, unchanged == edited);
    }
}

TEST(Ips32, RecordLayout) {
    // One changed byte: header, offset 4, size 2, data 1, "EEOF".
    Bytes a(100, 0), b = a;
    b[0x50] = 7;
    const auto c = createIps32(a, b);
    EXPECT_EQ(c.patch, (Bytes{'I', 'P', 'S', '3', '2', 0, 0, 0, 0x50, 0, 1, 7, 'E', 'E', 'O', 'F'}));
    // Changes five equal bytes apart share a record; six apart do not.
    b[0x56] = 7;
    EXPECT_EQ(createIps32(a, b).patch.size(), 5u + 6 + 7 + 4);
    b[0x56] = 0;
    b[0x57] = 7;
    EXPECT_EQ(createIps32(a, b).patch.size(), 5u + 2 * 7 + 4);
}

TEST(Ips32, CutPatchesAreRefused) {
    Bytes a(100, 0), b = a;
    b[10] = 1;
    const Bytes patch = createIps32(a, b).patch;
    for (size_t n = 0; n + 4 < patch.size(); ++n) {
        Bytes file = a;
        const auto s = applyIps32(std::span(patch).first(n), file);
        EXPECT_EQ(s, n < 5 ? Ips32ApplyStatus::BadHeader : n == 5 ? Ips32ApplyStatus::Ok : Ips32ApplyStatus::Truncated) << n;
    }
}

}  // namespace
