#pragma once
// Accessible names for a window's controls, so screen readers and
// black-box tests can find its edit boxes, lists, grids and paint areas.

class QWidget;

namespace common {

// Gives every control under `window` that has a label (its buddy) the
// label's text as accessible name, and every other named control (edit
// boxes, lists, grids, combo and spin boxes, scroll bars, paint areas) its
// object name, unless it already has one. Buttons, labels and check boxes keep the
// text they show.
void nameControls(QWidget* window);

}  // namespace common
