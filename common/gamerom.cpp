#include "common/gamerom.h"

#include <algorithm>

namespace common::gamerom {

bool titleMatches(std::span<const uint8_t> image) {
    if (image.size() < kTitleOffset + kTitle.size()) return false;
    return std::equal(kTitle.begin(), kTitle.end(), image.begin() + kTitleOffset,
                      [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
}

}  // namespace common::gamerom
