#pragma once
// The string length calculator (TStringLen): the first press of its key marks
// the start at the cursor and shows the window, the second marks the end and
// shows the distance. With a selection one press shows its ends and length.

#include <array>
#include <cstdint>
#include <string>

#include "hexedit/core/EditSession.h"

namespace hexedit::search {

struct ScreenRect {
    int x = 0, y = 0, width = 0, height = 0;
    int bottom() const { return y + height; }
};

// Where the window of `width` x `height` goes beside the main window's frame:
// left edges aligned, above the main window when it fits there, else below
// it when it fits on the screen, else centred on the screen.
ScreenRect stringLengthPlacement(const ScreenRect& main, int width, int height, const ScreenRect& screen);

class StringLengthView {
public:
    virtual ~StringLengthView() = default;
    virtual void showWindow() = 0;  // without modality; placed beside the main window
    virtual void closeWindow() = 0;
    virtual void refresh() = 0;  // the three boxes
};

class StringLength {
public:
    explicit StringLength(EditSession& session) : session_(session) {}
    void setView(StringLengthView* v) { view_ = v; }

    std::array<int32_t, 2> LengthMarks{};
    int toggle = 0;  // 0: the next press sets the start, 1: the end

    const std::string& startText() const { return start_; }
    const std::string& endText() const { return end_; }
    const std::string& lengthText() const { return length_; }
    bool visible() const { return visible_; }

    void StringLengthCalculator1Click();
    // "Ok" or the close box.
    void close();
    // The window was closed by any means.
    void closed();

private:
    void refresh();

    EditSession& session_;
    StringLengthView* view_ = nullptr;
    std::string start_, end_, length_;
    bool visible_ = false;
};

}  // namespace hexedit::search
