#pragma once
// Placement of the script editor's side windows and the split of the list
// window, as plain geometry.

#include <algorithm>
#include <climits>

#include "common/screenfit.h"

namespace scripted {

using common::Rect;

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    int width = 0, height = 0;
    bool operator==(const Size&) const = default;
};

// "Zoom in x 2": twice the start width and the start height plus 256 (room
// for the picture at twice its width with the boxes still readable).
inline Size zoomedClientSize(Size start) { return {start.width * 2, start.height + 256}; }

struct SidePlacement {
    Point main, textEditor, list, kana;
};

// No screen limit.
inline constexpr Rect kAnyArea{INT_MIN / 4, INT_MIN / 4, INT_MAX / 2, INT_MAX / 2};

// Frames are whole window frames on the screen. The text editor goes 2
// pixels right of the main window at its top, the list window 2 pixels under
// the text editor, the kana window 2 pixels under the main window, or, after
// "Zoom in x 2", 2 pixels under the list window. Everything stays inside
// `area`: when the column of side windows does not fit right of the main
// window, the main window moves left first; only what still does not fit is
// pulled inside and overlaps.
inline SidePlacement placeSideWindows(Rect mainFrame, Rect textEditorFrame, Rect listFrame, bool zoomed,
                                      Rect area = kAnyArea, Rect kanaFrame = {}) {
    int column = std::max(textEditorFrame.width, listFrame.width);
    if (zoomed) column = std::max(column, kanaFrame.width);
    const int overflow = mainFrame.right() + 2 + column - area.right();
    if (overflow > 0) mainFrame.x -= std::max(0, std::min(overflow, mainFrame.x - area.x));
    mainFrame = common::fitInto(mainFrame, area);

    auto inside = [&](Point at, Rect frame) {
        Rect r = common::fitInto({at.x, at.y, frame.width, frame.height}, area);
        return Point{r.x, r.y};
    };
    SidePlacement p;
    p.main = {mainFrame.x, mainFrame.y};
    const Point textEditor{mainFrame.right() + 2, mainFrame.y};
    const Point list{textEditor.x, textEditor.y + textEditorFrame.height + 2};
    const Point kana =
        zoomed ? Point{list.x, list.y + listFrame.height + 2} : Point{mainFrame.x, mainFrame.bottom() + 2};
    p.textEditor = inside(textEditor, textEditorFrame);
    p.list = inside(list, listFrame);
    p.kana = inside(kana, kanaFrame);
    return p;
}

// bList takes the left half and pList the right half of the list window's
// client area, both rounded down.
struct ListSplit {
    Rect blocks, strings;
};
inline ListSplit splitListWindow(int clientWidth, int clientHeight) {
    int half = clientWidth / 2;
    return {Rect{0, 0, half, clientHeight}, Rect{half, 0, half, clientHeight}};
}

}  // namespace scripted
