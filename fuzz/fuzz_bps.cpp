// BPS patches applied to a source: any bytes are read as a patch without a
// fault. The source is as long as the patch says (up to a bound) and the
// source and patch CRC32s are set to match, so that the actions are read
// rather than refused at the checks. A patch made from the input's two
// halves rebuilds the second half from the first.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "hexedit/romtools/Bps.h"

using namespace hexedit::romtools;

namespace {

constexpr uint64_t kLargestSource = 1 << 16;
constexpr uint64_t kLargestTarget = 1 << 22;

// The source and target sizes after "BPS1": numbers of 7 bits a byte, the
// high bit ends one, each following byte counts from the values the
// shorter forms reach. UINT64_MAX when the patch ends first.
std::array<uint64_t, 2> declaredSizes(std::span<const uint8_t> p) {
    std::array<uint64_t, 2> sizes{UINT64_MAX, UINT64_MAX};
    size_t at = 4;
    for (uint64_t& size : sizes) {
        uint64_t value = 0, shift = 1;
        for (; at < p.size() && shift < (uint64_t{1} << 56); ++at) {
            value += (p[at] & 0x7F) * shift;
            if (p[at] & 0x80) break;
            shift <<= 7;
            value += shift;
        }
        if (at++ >= p.size()) break;
        size = value;
    }
    return sizes;
}

void putCrc(std::vector<uint8_t>& p, size_t at, uint32_t crc) {
    for (int i = 0; i < 4; ++i) p[at + i] = static_cast<uint8_t>(crc >> (8 * i));
}

void applyFixedUp(std::span<const uint8_t> in) {
    const auto [length, targetLength] = declaredSizes(in);
    // A few patch bytes can describe a target of up to 2 GB; building
    // large ones is not what is fuzzed here. Larger than that the
    // decoder refuses before allocating.
    if (targetLength > kLargestTarget && targetLength <= kBpsMaxTarget) return;
    std::vector<uint8_t> source(looksLikeBps(in) ? std::min(length, kLargestSource) : 0);
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
    std::vector<uint8_t> patch(in.begin(), in.end());
    if (patch.size() >= kBpsMinSize) {
        putCrc(patch, patch.size() - 12, crc32Of(source));
        putCrc(patch, patch.size() - 4, crc32Of(std::span(patch).first(patch.size() - 4)));
    }
    const BpsApplyResult r = applyBps(patch, source);
    if (r.status == BpsApplyStatus::Ok) {
        FUZZ_CHECK(r.target.size() <= kBpsMaxTarget);
        const uint32_t stored = patch[patch.size() - 8] | patch[patch.size() - 7] << 8 |
                                patch[patch.size() - 6] << 16 | uint32_t{patch[patch.size() - 5]} << 24;
        FUZZ_CHECK(crc32Of(r.target) == stored);
    } else {
        FUZZ_CHECK(r.target.empty());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> in(data, size);
    applyFixedUp(in);
    if (size > 4096) return 0;  // the encoder's index is not what is fuzzed here
    const auto source = in.first(size / 2);
    const auto target = in.subspan(size / 2);
    const BpsApplyResult back = applyBps(createBps(source, target), source);
    FUZZ_CHECK(back.status == BpsApplyStatus::Ok);
    FUZZ_CHECK(std::equal(target.begin(), target.end(), back.target.begin(), back.target.end()));
    return 0;
}
