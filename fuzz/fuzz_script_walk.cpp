// The script walk and string decoding over an image that is the input:
// the walk starts at offset 0, and every string it finds is decoded.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "scripted/Script.h"

using namespace scripted;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> image(data, size);
    std::vector<uint32_t> pointers;
    const WalkResult r = WalkScript(image, 0, pointers);
    if (r.count == kWalkFailed) return 0;
    FUZZ_CHECK(pointers.size() == r.count && pointers.size() <= kMaxStrings);
    for (uint32_t p : pointers) {
        size_t glyphs = 0;
        for (const TextEvent& e : DecodeString(image, p)) {
            if (e.kind == TextEvent::Glyph && !GlyphAt(image, e.word).empty()) ++glyphs;
        }
        FUZZ_CHECK(glyphs <= size);
    }
    const std::vector<TextEvent> events = DecodeString(image, 0);
    FUZZ_CHECK(!events.empty() && events.back().kind == TextEvent::End);
    return 0;
}
