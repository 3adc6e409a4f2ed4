#pragma once
// Cursor and page of the hex view, shared by every command that navigates.

#include <cstdint>

namespace hexedit {

struct ViewState {
    int32_t TopOffset = 0;
    int8_t CursorRow = 0;
    int8_t CursorColumn = 0;
    int32_t CursorOffset = 0;
    int32_t BytesPerRow = 16;
    int32_t PageBytes = 256;
};

}  // namespace hexedit
