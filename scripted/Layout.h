#pragma once
// Placement of the script editor's side windows and the split of the list
// window, as plain geometry.

namespace scripted {

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    int right() const { return x + width; }
    int bottom() const { return y + height; }
    bool operator==(const Rect&) const = default;
};

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
    Point textEditor, list, kana;
};

// Frames are whole window frames on the screen. The text editor goes 2
// pixels right of the main window at its top, the list window 2 pixels under
// the text editor, the kana window 2 pixels under the main window, or, after
// "Zoom in x 2", 2 pixels under the list window.
inline SidePlacement placeSideWindows(Rect mainFrame, Rect textEditorFrame, Rect listFrame, bool zoomed) {
    SidePlacement p;
    p.textEditor = {mainFrame.right() + 2, mainFrame.y};
    p.list = {p.textEditor.x, p.textEditor.y + textEditorFrame.height + 2};
    p.kana = zoomed ? Point{p.list.x, p.list.y + listFrame.height + 2} : Point{mainFrame.x, mainFrame.bottom() + 2};
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
