#include "hexedit/core/ColorChooser.h"

#include <algorithm>

namespace hexedit {

const std::array<uint32_t, 16> kGridColors = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
    0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
};

namespace {
int cellOf(uint32_t color, int current) {
    auto it = std::find(kGridColors.begin(), kGridColors.end(), color);
    return it == kGridColors.end() ? current : static_cast<int>(it - kGridColors.begin());
}
}  // namespace

void ColorChooser::selectItem(int item) {
    if (item < 0 || item >= static_cast<int>(kColorItems)) return;
    item_ = item;
    sample_ = table_[static_cast<size_t>(item)];
    fg_ = cellOf(sample_.text, fg_);
    bg_ = cellOf(sample_.background, bg_);
}

void ColorChooser::pickForeground(int cell) {
    if (cell < 0 || cell >= 16 || !foregroundEnabled()) return;
    fg_ = cell;
    sample_ = {kGridColors[static_cast<size_t>(fg_)], kGridColors[static_cast<size_t>(bg_)]};
}

void ColorChooser::pickBackground(int cell) {
    if (cell < 0 || cell >= 16) return;
    bg_ = cell;
    sample_ = {kGridColors[static_cast<size_t>(fg_)], kGridColors[static_cast<size_t>(bg_)]};
}

void ColorChooser::saveCurrentColor() {
    table_[static_cast<size_t>(item_)] = {kGridColors[static_cast<size_t>(fg_)], kGridColors[static_cast<size_t>(bg_)]};
}

int ColorChooser::cellAt(int x, int y, int w, int h) {
    if (x < 0 || y < 0 || x >= w || y >= h || w <= 0 || h <= 0) return -1;
    const int rows = 16 / kGridColumns;
    return (y * rows / h) * kGridColumns + x * kGridColumns / w;
}

}  // namespace hexedit
