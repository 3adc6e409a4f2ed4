#include "hexedit/core/ViewState.h"

#include <algorithm>

namespace hexedit {

int32_t PlaceCursor(ViewState& view, int32_t offset) {
    const int32_t perRow = view.BytesPerRow > 0 ? view.BytesPerRow : 1;
    int32_t rows = view.PageBytes / perRow;
    if (rows < 1) rows = 1;
    view.CursorOffset = offset;
    const int32_t n = offset / perRow;
    int32_t row;
    if (n % 256 < 128 && n % 256 <= rows - 1) row = n % 256;
    else if (n % 16 <= rows - 1) row = n % 16;
    else row = rows - 1;
    view.CursorRow = static_cast<int8_t>(row);
    view.CursorColumn = static_cast<int8_t>(offset % perRow);
    return offset - row * perRow - view.CursorColumn;
}

std::optional<ByteRange> selectedRange(const ViewState& view, int32_t bufferSize) {
    if (view.SelectionAnchor < 0 || bufferSize <= 0) return std::nullopt;
    const int32_t last = bufferSize - 1;
    const int32_t a = std::min(view.SelectionAnchor, last);
    const int32_t c = std::clamp(view.SelectionEnd, 0, last);
    return ByteRange{std::min(a, c), std::max(a, c)};
}

}  // namespace hexedit
