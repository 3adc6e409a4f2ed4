#pragma once
// A key press as the models see it, independent of the toolkit.

#include <cstdint>
#include <string>

namespace hexedit {

enum class Key {
    Other,
    Left, Right, Up, Down, Home, End, PageUp, PageDown,
    Backspace, Delete, Insert, Tab, Enter, Escape, Space,
    F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
    Modifier,  // Shift, Ctrl, Alt and the like pressed alone
};

struct KeyPress {
    Key key = Key::Other;
    char32_t text = 0;  // the character typed, 0 for none
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    // Several characters that came at once (an input method's commit, a key
    // composing more than one): typed together; `text` is then 0.
    std::u32string composed{};
};

}  // namespace hexedit
