#pragma once
// Cursor and page of the hex view, shared by every command that navigates.

#include <cstdint>
#include <optional>

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
    // Bytes changed since the last save are drawn in ChangedColor
    // (0x00BBGGRR), unless switched off.
    bool MarkChanges = true;
    uint32_t ChangedColor = kDefaultChangedColor;
    // The selected bytes run from the anchor (-1: nothing is selected) to
    // SelectionEnd, where the selecting key or drag left the cursor. Moving
    // the page by the scroll bar or the wheel leaves them alone.
    int32_t SelectionAnchor = -1;
    int32_t SelectionEnd = -1;
};

// A run of bytes, both ends included.
struct ByteRange {
    int32_t first = 0;
    int32_t last = 0;
    int32_t length() const { return last - first + 1; }
};

// The selected bytes within a buffer of `bufferSize` bytes, if any.
std::optional<ByteRange> selectedRange(const ViewState& view, int32_t bufferSize);

// Makes `offset` (inside a buffer of `bufferSize` bytes) the cursor
// position and returns the new top offset, which the caller assigns to
// TopOffset before repainting. The target row comes from the low bits of its
// row number (below 128 of a 256-row cycle, else of a 16-row cycle), so it
// does not always land on the first row. Near the end of the buffer the page
// is the last one a paint allows (ending at the buffer's end) and the row and
// column follow from it, so the cursor stays on `offset`.
int32_t PlaceCursor(ViewState& view, int32_t offset, int32_t bufferSize);

// After the buffer changed its size: when the page now runs past the end or
// the cursor's byte is gone, the cursor is placed again on its byte, or on
// the last one.
void KeepCursorInBuffer(ViewState& view, int32_t bufferSize);

}  // namespace hexedit
