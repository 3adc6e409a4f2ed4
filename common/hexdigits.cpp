#include "common/hexdigits.h"

namespace common {

uint64_t readHexDigits(std::string_view text, size_t pos, size_t* end) {
    uint64_t v = 0;
    size_t i = pos;
    for (; i < text.size(); ++i) {
        const int d = hexDigitValue(text[i]);
        if (d < 0) break;
        v = v > (UINT64_MAX >> 4) ? UINT64_MAX : (v << 4) | static_cast<uint64_t>(d);
    }
    if (end) *end = i;
    return v;
}

std::optional<uint64_t> parseHex(std::string_view text, size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    size_t end = 0;
    const uint64_t v = readHexDigits(text, 0, &end);
    if (end != text.size()) return std::nullopt;
    return v;
}

}  // namespace common
