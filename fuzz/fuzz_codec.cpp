// VT2Comp's block codec. The input is decoded as a block at offset 0, and
// packed: what is packed must unpack to the input followed by at most the
// last group's zero padding, and agree with the plain reference scan.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "compress/Codec.h"
#include "fuzz/FuzzCheck.h"

using namespace vt2comp;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::vector<uint8_t> out(kDataCapacity + kGroupPadding);
    const std::span<const uint8_t> input(data, size);
    const DecodeResult d = DecodeBlock(input, 0, out);
    FUZZ_CHECK(d.count <= out.size() && d.end <= size);

    if (size > kDataCapacity) return 0;
    static std::vector<uint8_t> packed(kPackedCapacity);
    const auto p = PackBlock(input, packed);
    if (!p) return 0;
    if (size <= 512) {  // the reference scan is slow
        static std::vector<uint8_t> reference(kPackedCapacity);
        const auto q = PackBlockReference(input, reference);
        FUZZ_CHECK(q == p && std::equal(packed.begin(), packed.begin() + static_cast<long>(*p), reference.begin()));
    }
    if (*p > kMaxStreamLength) return 0;
    std::vector<uint8_t> block(2 + *p);
    block[0] = static_cast<uint8_t>(*p);
    block[1] = static_cast<uint8_t>(*p >> 8);
    std::copy_n(packed.begin(), *p, block.begin() + 2);
    const DecodeResult back = DecodeBlock(block, 0, out);
    FUZZ_CHECK(back.status == DecodeStatus::Ok && back.end == block.size());
    FUZZ_CHECK(back.count >= size && back.count - size <= kGroupPadding);
    FUZZ_CHECK(std::equal(input.begin(), input.end(), out.begin()));
    FUZZ_CHECK(std::all_of(out.begin() + static_cast<long>(size), out.begin() + static_cast<long>(back.count),
                           [](uint8_t b) { return b == 0; }));
    return 0;
}
