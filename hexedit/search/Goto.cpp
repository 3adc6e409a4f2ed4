#include "hexedit/search/Goto.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "common/hexdigits.h"

namespace hexedit::search {

namespace {

void warn(EditSession& session, const char* text) { session.port().inform(text, {}, common::MsgIcon::Exclamation); }

// Digits of `base` only, at least one; saturates above 32 bits.
std::optional<uint64_t> readNumber(std::string_view text, bool hex) {
    if (text.empty()) return std::nullopt;
    if (hex) {
        size_t end = 0;
        const uint64_t v = common::readHexDigits(text, 0, &end);
        if (end != text.size()) return std::nullopt;
        return std::min<uint64_t>(v, uint64_t{1} << 40);
    }
    uint64_t v = 0;
    for (char c : text) {
        const int d = c >= '0' && c <= '9' ? c - '0' : -1;
        if (d < 0) return std::nullopt;
        v = std::min<uint64_t>(v * 10 + static_cast<uint64_t>(d), uint64_t{1} << 40);
    }
    return v;
}

}  // namespace

bool pushReturnOffset(EditSession& session, int32_t offset) {
    NavigationState& nav = session.nav();
    if (nav.ReturnCount >= kMaxReturnOffsets) {
        warn(session, kReturnStackFull);
        return false;
    }
    nav.ReturnStack[static_cast<size_t>(nav.ReturnCount++)] = offset;
    return true;
}

std::optional<uint32_t> bookmarkOffset(std::string_view item) {
    // The loader puts "[offset]" at the end of the item, after the label,
    // which may hold a "[" of its own.
    const size_t open = item.rfind('[');
    if (open == std::string_view::npos) return std::nullopt;
    size_t end = 0;
    const uint64_t v = common::readHexDigits(item, open + 1, &end);
    if (end == open + 1 || end - open - 1 > 8) return std::nullopt;
    return static_cast<uint32_t>(v);
}

GotoWindow::GotoWindow(EditSession& session) : session_(session) {}

std::string GotoWindow::caption() const {
    switch (use_) {
        case GotoUse::GotoOffset: return "Goto Offset";
        case GotoUse::JumpList: return "Jump List Offset";
        case GotoUse::Bookmark: break;
    }
    return "Bookmark";
}

std::string GotoWindow::groupCaption() const {
    return use_ == GotoUse::Bookmark ? " Save Bookmark " : " File Position ";
}

void GotoWindow::refresh() {
    if (view_) view_->refresh();
}

std::optional<char> GotoWindow::acceptChar(char c) const {
    const auto u = static_cast<unsigned char>(c);
    if (use_ == GotoUse::Bookmark) {
        // Any character but a line break or other control: the name is one
        // line of the table file.
        if (u < 0x20 || u == 0x7F) return std::nullopt;
        return c;
    }
    if (c >= '0' && c <= '9') return c;
    if (!hex_) return std::nullopt;
    if (c >= 'a' && c <= 'f') return static_cast<char>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'F') return c;
    return std::nullopt;
}

void GotoWindow::setText(std::string_view text) {
    std::string kept;
    for (char c : text)
        if (auto k = acceptChar(c)) kept += *k;
    if (const size_t limit = maxLength(); limit && kept.size() > limit) kept.resize(limit);
    const bool filtered = kept != text;
    text_ = std::move(kept);
    if (filtered) refresh();
}

void GotoWindow::selectItem(int row) {
    selected_ = (row >= 0 && row < static_cast<int>(items().size())) ? row : -1;
}

void GotoWindow::setHex(bool hex) {
    hex_ = hex || !decimalEnabled();
    // Digits of the other base would not read.
    const std::string old = text_;
    text_.clear();
    setText(old);
    refresh();
}

void GotoWindow::hexClicked(bool checked) { setHex(checked); }
void GotoWindow::decimalClicked(bool checked) { setHex(!checked); }

void GotoWindow::done() {
    if (view_) view_->closeWindow();
}

void GotoWindow::escape() {
    cancelled_ = true;
    text_.clear();
    selected_ = -1;
    refresh();
    if (view_) view_->closeWindow();
}

void GotoWindow::open(GotoUse use) {
    use_ = use;
    text_.clear();
    if (use == GotoUse::JumpList) {
        hex_ = true;
        // Nothing is chosen until the user picks an item: "Done" alone jumps nowhere.
        selected_ = -1;
    }
    cancelled_ = false;
    refresh();
    if (view_) view_->execModal();
    if (cancelled_) {
        selected_ = -1;
        cancelled_ = false;
    }
}

void GotoWindow::GotoOffset1Click() {
    open(GotoUse::GotoOffset);
    gotoOffset();
    session_.repaint();
}

void GotoWindow::JumpOffsetList1Click() {
    open(GotoUse::JumpList);
    jumpToItem();
    session_.repaint();
}

void GotoWindow::SaveBookmark1Click() {
    open(GotoUse::Bookmark);
    saveBookmark();
    session_.repaint();
}

void GotoWindow::gotoOffset() {
    const auto value = readNumber(text_, hex_);
    if (!value) return;
    const int32_t size = session_.editor().BufferSize;
    int64_t offset = std::numeric_limits<int64_t>::max();
    if (*value <= std::numeric_limits<uint32_t>::max()) {
        const auto mapped = SnesToOffset(static_cast<uint32_t>(*value), addressFormat);
        if (!mapped) {
            warn(session_, kNotLoRomAddress);
            return;
        }
        offset = *mapped;
    }
    // Beyond the buffer: the last page. The end itself is outside too.
    if (offset >= size) offset = std::max(0, size - 256);
    session_.moveCursorTo(static_cast<int32_t>(offset));
}

void GotoWindow::jumpToItem() {
    if (selected_ < 0 || selected_ >= static_cast<int>(items().size())) return;
    const auto value = bookmarkOffset(items()[static_cast<size_t>(selected_)]);
    if (!value) return;
    const auto mapped = SnesToOffset(*value, addressFormat);
    if (!mapped) {
        warn(session_, kNotLoRomAddress);
        return;
    }
    const int32_t size = session_.editor().BufferSize;
    int64_t offset = *mapped;
    if (offset >= size) offset = std::max(0, size - session_.view().PageBytes);
    session_.moveCursorTo(static_cast<int32_t>(offset));
}

void GotoWindow::saveBookmark() {
    if (text_.empty()) return;
    char head[16];
    std::snprintf(head, sizeof head, "(%Xh)", static_cast<unsigned>(session_.cursor()));
    if (!session_.appendTableLine(head + text_)) warn(session_, kNoBookmarkTable);
}

void GotoWindow::ReturntoLastOffset1Click() {
    NavigationState& nav = session_.nav();
    if (nav.ReturnCount <= 0) return;
    const int32_t offset = nav.ReturnStack[static_cast<size_t>(--nav.ReturnCount)];
    session_.moveCursorTo(offset);
    session_.refreshMenus();
    session_.repaint();
}

void JumpListWindow::ViewJUMPList1Click() {
    items_ = session_.table().BookmarkList;
    visible_ = true;
    if (view_) {
        view_->listChanged();
        view_->showList();
    }
}

void JumpListWindow::activate(int row) {
    if (row < 0 || row >= static_cast<int>(items_.size())) return;
    const auto offset = bookmarkOffset(items_[static_cast<size_t>(row)]);
    if (!offset) return;
    const EditorState& editor = session_.editor();
    if (!editor.hasBuffer() || *offset >= static_cast<uint32_t>(std::max(editor.BufferSize, 0))) {
        warn(session_, kOutsideBuffer);
        return;
    }
    session_.moveCursorTo(static_cast<int32_t>(*offset));
    if (view_) view_->focusMainWindow();
}

void JumpListWindow::escape() {
    if (view_) view_->closeList();
    closed();
}

void JumpListWindow::closed() {
    items_.clear();
    visible_ = false;
    if (view_) view_->listChanged();
}

}  // namespace hexedit::search
