#pragma once
// Short hints for the main window's commands, shown in the status bar's hint
// panel while a menu entry is highlighted. Keyed by the handler or menu name
// of the entry in the menu map.

#include <string_view>

namespace hexedit {

// The hint of a menu entry, or an empty text when it has none.
std::string_view menuHint(std::string_view name);

}  // namespace hexedit
