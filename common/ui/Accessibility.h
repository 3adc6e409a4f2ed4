#pragma once
// Accessible names for a window's controls, so screen readers and
// black-box tests can find its edit boxes, lists, grids and paint areas.

class QWidget;

namespace common {

// Gives every named control under `window` (edit boxes, lists, grids, combo
// and spin boxes, scroll bars, paint areas) its object name as accessible
// name, unless it already has one. Buttons, labels and check boxes keep the
// text they show.
void nameControls(QWidget* window);

}  // namespace common
