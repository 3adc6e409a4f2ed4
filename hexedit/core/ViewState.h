#pragma once
// Cursor and page of the hex view, shared by every command that navigates.

#include <cstdint>

#include "hexedit/core/ColorTable.h"
#include "hexedit/core/OffsetFormat.h"

namespace hexedit {

struct ViewState {
    int32_t TopOffset = 0;
    int8_t CursorRow = 0;
    int8_t CursorColumn = 0;
    int32_t CursorOffset = 0;
    int32_t BytesPerRow = 16;
    int32_t PageBytes = 256;
    ColorPairs ColorTable = defaultColorTable();
    int32_t OffsetFormat = kOffsetStandard;  // not kept between runs
};

// Makes `offset` the cursor position and returns the new top offset, which
// the caller assigns to TopOffset before repainting. The target row comes
// from the low bits of its row number (below 128 of a 256-row cycle, else
// of a 16-row cycle), so it does not always land on the first row.
int32_t PlaceCursor(ViewState& view, int32_t offset);

}  // namespace hexedit
