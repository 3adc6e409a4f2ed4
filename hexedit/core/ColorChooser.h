#pragma once
// The colour settings window's state: the chosen item of the colour list,
// the 16-colour grid's foreground and background marks, the sample pair
// shown in Label1, and "Blinking Cursor". Saving writes the pair into the
// view's colour table; the grid's cell layout lives here too.

#include <array>
#include <cstdint>

#include "hexedit/core/ColorTable.h"

namespace hexedit {

// The grid's 16 colours (0x00BBGGRR), four rows of four.
extern const std::array<uint32_t, 16> kGridColors;
inline constexpr int kGridColumns = 4;

class ColorChooser {
public:
    explicit ColorChooser(ColorPairs& table, bool& blinkEnabled) : table_(table), blink_(blinkEnabled) {}

    // ColBox: the item's stored pair is shown and the marks move to the
    // grid cells of its colours (a colour not in the grid leaves its mark).
    void selectItem(int item);
    int item() const { return item_; }
    // Items 13 to 15 are backgrounds only.
    bool foregroundEnabled() const { return item_ < static_cast<int>(kOffsetPanelBackground); }

    // Left button: foreground; right button: background.
    void pickForeground(int cell);
    void pickBackground(int cell);
    int foregroundCell() const { return fg_; }
    int backgroundCell() const { return bg_; }
    // The pair Label1 shows.
    ColorPair sample() const { return sample_; }

    // "Save Current Color".
    void saveCurrentColor();

    bool blinking() const { return blink_; }
    void setBlinking(bool on) { blink_ = on; }

    // The cell under a point of a grid of w x h pixels; -1 outside.
    static int cellAt(int x, int y, int w, int h);

private:
    ColorPairs& table_;
    bool& blink_;
    int item_ = 0;
    int fg_ = 15;  // white
    int bg_ = 0;   // black
    ColorPair sample_{};
};

}  // namespace hexedit
