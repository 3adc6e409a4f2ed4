#include "hexedit/search/StringLength.h"

#include <cstdio>
#include <utility>

namespace hexedit::search {

namespace {

std::string hex8(uint32_t v) {
    char text[12];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

std::string distanceText(int32_t length) {
    return "DEC:" + std::to_string(length) + " HEX:" + hex8(static_cast<uint32_t>(length));
}

}  // namespace

ScreenRect stringLengthPlacement(const ScreenRect& main, int width, int height, const ScreenRect& screen) {
    if (height < main.y - screen.y) return {main.x, main.y - height, width, height};
    if (main.bottom() + height <= screen.bottom()) return {main.x, main.bottom(), width, height};
    return {screen.x + (screen.width - width) / 2, screen.y + (screen.height - height) / 2, width, height};
}

void StringLength::refresh() {
    if (view_) view_->refresh();
}

void StringLength::StringLengthCalculator1Click() {
    if (const auto sel = session_.selection()) {
        // One press: the selected bytes, counted.
        LengthMarks = {sel->first, sel->last};
        toggle = 0;
        start_ = hex8(static_cast<uint32_t>(sel->first));
        end_ = hex8(static_cast<uint32_t>(sel->last));
        length_ = distanceText(sel->length());
        if (!visible_) {
            visible_ = true;
            if (view_) view_->showWindow();
        }
        refresh();
        return;
    }
    LengthMarks[static_cast<size_t>(toggle)] = session_.cursor();
    if (toggle == 0) {
        toggle = 1;
        if (!visible_) {
            visible_ = true;
            if (view_) view_->showWindow();
        }
        start_ = hex8(static_cast<uint32_t>(LengthMarks[0]));
        end_.clear();
        length_.clear();
    } else {
        end_ = hex8(static_cast<uint32_t>(LengthMarks[1]));
        if (LengthMarks[1] < LengthMarks[0]) std::swap(LengthMarks[0], LengthMarks[1]);
        toggle = 0;
        length_ = distanceText(LengthMarks[1] - LengthMarks[0]);
    }
    refresh();
}

void StringLength::close() {
    if (view_) view_->closeWindow();
    closed();
}

void StringLength::closed() {
    visible_ = false;
    toggle = 0;
    start_.clear();
    end_.clear();
    length_.clear();
    refresh();
}

}  // namespace hexedit::search
