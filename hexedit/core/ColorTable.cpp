#include "hexedit/core/ColorTable.h"

#include <algorithm>
#include <cmath>

namespace hexedit {

const std::array<std::string_view, kColorItems> kColorItemNames = {
    "Offset Color",        "Hex 1 Color",        "Hex 2 Color",         "Text Color",
    "Offset Highlight",    "Hex Highlight",      "Text Highlight",      "DTE Text Color",
    "MTE Text Color",      "Substring Color",    "DTE Text Highlight",  "MTE Text Highlight",
    "Substring Highlight", "Offset Panel Background", "Hex Panel Background", "Text Panel Background",
};

ColorPairs defaultColorTable() {
    constexpr uint32_t grey = 0x808080, teal = 0x808000, red = 0x0000FF;
    ColorPairs t{};
    t[kOffsetColor] = {kWhite, 0};
    t[kHex1Color] = {kWhite, 0};
    t[kHex2Color] = {teal, 0};
    t[kTextColor] = {teal, 0};
    t[kOffsetHighlight] = {kWhite, grey};
    t[kHexHighlight] = {kWhite, grey};
    t[kTextHighlight] = {teal, grey};
    t[kDteTextColor] = {red, 0};
    t[kMteTextColor] = {kYellow, 0};
    t[kSubstringColor] = {kWhite, 0};
    t[kDteTextHighlight] = {red, grey};
    t[kMteTextHighlight] = {kYellow, grey};
    t[kSubstringHighlight] = {kWhite, grey};
    return t;
}

namespace {
double luminance(uint32_t c) {
    auto channel = [c](int shift) {
        const double v = ((c >> shift) & 0xFF) / 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    // 0x00BBGGRR: red is the low byte.
    return 0.2126 * channel(0) + 0.7152 * channel(8) + 0.0722 * channel(16);
}
}  // namespace

double contrastRatio(uint32_t a, uint32_t b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

ColorPair selectionColors(uint32_t text, uint32_t background, uint32_t cursorBackground) {
    constexpr double kMin = 3.0;
    // Half-way between the cursor's and the cells' background first (the
    // look of light themes), then blues and greys; black and white always
    // stand 3:1 from one of the two ends.
    uint32_t mixed = 0;
    for (int shift : {0, 8, 16}) {
        const uint32_t a = (cursorBackground >> shift) & 0xFF, b = (background >> shift) & 0xFF;
        mixed |= ((a + b) / 2) << shift;
    }
    const uint32_t candidates[] = {mixed,    0xC06030, 0xFFC299, 0x804000, 0xE0B080,
                                   0x808080, 0xC0C0C0, 0x404040, 0xFFFFFF, 0x000000};
    uint32_t chosen = 0;
    double best = -1;
    for (uint32_t c : candidates) {
        // Standing out from the cursor counts less than from the cells.
        const double score = std::min(contrastRatio(c, background), kMin) * 2 +
                             std::min(contrastRatio(c, cursorBackground), 1.5);
        if (score > best + 1e-9) {
            best = score;
            chosen = c;
        }
        if (score >= kMin * 2 + 1.5 - 1e-9) break;
    }
    if (contrastRatio(text, chosen) >= kMin) return {text, chosen};
    return {contrastRatio(0xFFFFFF, chosen) >= contrastRatio(0, chosen) ? 0xFFFFFFu : 0u, chosen};
}

}  // namespace hexedit
