#include "hexedit/core/ViewState.h"

#include <algorithm>

namespace hexedit {

int32_t PlaceCursor(ViewState& view, int32_t offset, int32_t bufferSize) {
    const int32_t perRow = view.BytesPerRow > 0 ? view.BytesPerRow : 1;
    int32_t rows = view.PageBytes / perRow;
    if (rows < 1) rows = 1;
    view.CursorOffset = offset;
    const int32_t n = offset / perRow;
    int32_t row;
    if (n % 256 < 128 && n % 256 <= rows - 1) row = n % 256;
    else if (n % 16 <= rows - 1) row = n % 16;
    else row = rows - 1;
    int32_t column = offset % perRow;
    int32_t top = offset - row * perRow - column;
    // Painting pulls a page that runs past the buffer's end back to end
    // there, keeping the row; take that page now and find the row on it.
    const int32_t lastTop = std::max(0, bufferSize - view.PageBytes);
    if (top > lastTop) {
        top = lastTop;
        // CursorRow is a signed 8-bit value. A page that is not whole rows
        // (the row width changed since the last resize) can leave the very
        // end out of reach: the cursor then takes the page's last byte.
        row = std::min({(offset - top) / perRow, rows - 1, int32_t{127}});
        column = std::min(offset - top - row * perRow, perRow - 1);
        view.CursorOffset = top + row * perRow + column;
    }
    view.CursorRow = static_cast<int8_t>(row);
    view.CursorColumn = static_cast<int8_t>(column);
    return top;
}

void KeepCursorInBuffer(ViewState& view, int32_t bufferSize) {
    if (bufferSize <= 0) return;
    if (view.CursorOffset < bufferSize && view.TopOffset + view.PageBytes <= bufferSize) return;
    view.TopOffset = PlaceCursor(view, std::clamp(view.CursorOffset, 0, bufferSize - 1), bufferSize);
}

std::optional<ByteRange> selectedRange(const ViewState& view, int32_t bufferSize) {
    if (view.SelectionAnchor < 0 || bufferSize <= 0) return std::nullopt;
    const int32_t last = bufferSize - 1;
    const int32_t a = std::min(view.SelectionAnchor, last);
    const int32_t c = std::clamp(view.SelectionEnd, 0, last);
    return ByteRange{std::min(a, c), std::max(a, c)};
}

}  // namespace hexedit
