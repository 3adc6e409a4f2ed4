#pragma once
// What the search windows need from the main window.

namespace hexedit::search {

class SearchHost {
public:
    virtual ~SearchHost() = default;
    // The cursor moved (TopOffset already set through PlaceCursor): set the
    // scroll bar and repaint the view.
    virtual void repaintView() = 0;
};

}  // namespace hexedit::search
