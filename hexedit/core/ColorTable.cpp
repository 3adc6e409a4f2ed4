#include "hexedit/core/ColorTable.h"

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

}  // namespace hexedit
