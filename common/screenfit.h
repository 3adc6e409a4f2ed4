#pragma once
// Window geometry on the screen as plain arithmetic: keeping a window's
// frame inside the screen's free area.

namespace common {

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    int right() const { return x + width; }
    int bottom() const { return y + height; }
    bool operator==(const Rect&) const = default;
};

// `frame` moved, and where it is larger also shrunk, so that it lies inside
// `area`. A frame already inside is returned unchanged.
inline Rect fitInto(Rect frame, Rect area) {
    if (frame.width > area.width) frame.width = area.width;
    if (frame.height > area.height) frame.height = area.height;
    if (frame.right() > area.right()) frame.x = area.right() - frame.width;
    if (frame.bottom() > area.bottom()) frame.y = area.bottom() - frame.height;
    if (frame.x < area.x) frame.x = area.x;
    if (frame.y < area.y) frame.y = area.y;
    return frame;
}

}  // namespace common
