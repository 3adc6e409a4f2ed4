#pragma once
// The view's colour pairs: 20 pairs of Windows colour values (0x00BBGGRR),
// text colour first. The first 16 are the items of the colour settings list;
// the last four are kept for the configuration file only.

#include <array>
#include <cstdint>
#include <string_view>

namespace hexedit {

struct ColorPair {
    uint32_t text = 0;
    uint32_t background = 0;
    bool operator==(const ColorPair&) const = default;
};

inline constexpr size_t kColorPairs = 20;
inline constexpr size_t kColorItems = 16;
using ColorPairs = std::array<ColorPair, kColorPairs>;

// Items of the colour list, by index.
enum ColorItem : size_t {
    kOffsetColor = 0,
    kHex1Color = 1,
    kHex2Color = 2,
    kTextColor = 3,
    kOffsetHighlight = 4,
    kHexHighlight = 5,
    kTextHighlight = 6,
    kDteTextColor = 7,
    kMteTextColor = 8,
    kSubstringColor = 9,
    kDteTextHighlight = 10,
    kMteTextHighlight = 11,
    kSubstringHighlight = 12,
    kOffsetPanelBackground = 13,
    kHexPanelBackground = 14,
    kTextPanelBackground = 15,
};

// The colour settings list's captions, in item order.
extern const std::array<std::string_view, kColorItems> kColorItemNames;

// The defaults used when no configuration is read: every background 0 but
// the highlights, text colours of pairs 13 to 19 are 0.
ColorPairs defaultColorTable();

// Contrast ratio of two colours by their relative luminance: 1 (the same)
// to 21 (black and white).
double contrastRatio(uint32_t a, uint32_t b);

// Colours of selected cells over cells of `background` showing `text`: a
// background at least 3:1 from `background` (and, where one is, also from
// the cursor's `cursorBackground`), and a text colour at least 3:1 from
// it, `text` itself when it is.
ColorPair selectionColors(uint32_t text, uint32_t background, uint32_t cursorBackground);

// Text colour of bytes changed since the last save: orange.
inline constexpr uint32_t kDefaultChangedColor = 0x00A5FF;

// Windows colour value of white and yellow, used for the code markers.
inline constexpr uint32_t kWhite = 0xFFFFFF;
inline constexpr uint32_t kYellow = 0x00FFFF;

}  // namespace hexedit
