#include "hexedit/core/ViewState.h"

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
    view.CursorColumn = static_cast<int8_t>(offset & (perRow - 1));
    return offset - row * perRow - view.CursorColumn;
}

}  // namespace hexedit
