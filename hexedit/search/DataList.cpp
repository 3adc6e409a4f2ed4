#include "hexedit/search/DataList.h"

#include <algorithm>

#include "common/fileio.h"
#include "common/hexdigits.h"

namespace hexedit::search {

std::string matchCaption(int count) { return "Data List: " + std::to_string(count) + " Match(es) Found!"; }

std::optional<uint32_t> parseHexOffset(std::string_view text) {
    auto v = common::parseHex(text, 8);
    if (!v) return std::nullopt;
    return static_cast<uint32_t>(*v);
}

DataList::DataList(EditSession& session)
    : session_(session),
      editor_(session.editor()),
      table_(session.table()),
      view_state_(session.view()),
      port_(session.port()) {}

void DataList::notifyChanged() {
    if (view_) view_->listChanged();
}

void DataList::clear() {
    lines_.clear();
    MatchLengths.clear();
    selection_.clear();
    notifyChanged();
}

void DataList::append(std::string line) {
    lines_.push_back(std::move(line));
}

void DataList::setCaption(std::string caption) {
    caption_ = std::move(caption);
    notifyChanged();
}

void DataList::setSelection(std::vector<int> rows) {
    std::erase_if(rows, [&](int r) { return r < 0 || r >= static_cast<int>(lines_.size()); });
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (!multiSelect() && rows.size() > 1) rows.resize(1);
    selection_ = std::move(rows);
}

void DataList::show() {
    if (ListMode == SearchResults) {
        selection_.clear();
        if (!lines_.empty()) selection_.push_back(0);
    } else {
        lines_ = table_.DumpMarks;
        selection_.clear();
    }
    visible_ = true;
    notifyChanged();
    if (!view_) return;
    if (ListMode == SearchResults)
        view_->showList();
    else
        view_->showListModal();
}

void DataList::closed() {
    visible_ = false;
    ListMode = SearchResults;
}

void DataList::close() {
    closed();
    if (view_) view_->closeList();
}

void selectMatch(EditSession& session, uint32_t offset, int length) {
    const int32_t size = session.editor().BufferSize;
    if (length <= 0 || offset >= static_cast<uint32_t>(std::max(size, 0))) return;
    // The cursor stays on the first byte, the selection's moving end.
    ViewState& v = session.view();
    v.SelectionEnd = static_cast<int32_t>(offset);
    v.SelectionAnchor = static_cast<int32_t>(std::min<int64_t>(int64_t{offset} + length - 1, size - 1));
    session.repaint();
}

bool DataList::placeCursor(uint32_t offset) {
    // A line can outlive the file it was found in: never put the cursor
    // outside the buffer now open.
    if (!editor_.hasBuffer() || offset >= static_cast<uint32_t>(std::max(editor_.BufferSize, 0))) return false;
    session_.moveCursorTo(static_cast<int32_t>(offset));
    return true;
}

void DataList::activate() {
    if (ListMode != SearchResults && selection_.size() != 1) {
        std::vector<std::string> chosen;
        for (int r : selection_) chosen.push_back(lines_[r]);
        if (dumps_ && !chosen.empty()) dumps_->dumpLines(chosen);
        close();
        return;
    }
    if (selection_.empty()) return;
    const std::string& line = lines_[selection_.front()];
    if (ListMode != SearchResults) {
        if (dumps_) dumps_->dumpLine(line);
        close();
        return;
    }
    const size_t at = line.find("[$");
    if (at == std::string::npos) return;
    auto offset = parseHexOffset(std::string_view(line).substr(at + 2, 8));
    const size_t row = static_cast<size_t>(selection_.front());
    const int length = row < MatchLengths.size() ? MatchLengths[row] : MatchLength;
    if (offset && placeCursor(*offset)) selectMatch(session_, *offset, length);
}

void DataList::jumpToBookmarkEnd(bool end) {
    if (selection_.empty()) return;
    const std::string& line = lines_[selection_.front()];
    const size_t dash = line.find('-');
    if (dash == std::string::npos) return;
    std::optional<uint32_t> offset;
    if (!end) {
        const size_t open = line.find('[');
        if (open == std::string::npos || open > dash) return;
        offset = parseHexOffset(std::string_view(line).substr(open + 1, dash - open - 1));
    } else {
        const size_t closeAt = line.find(']', dash);
        if (closeAt == std::string::npos) return;
        offset = parseHexOffset(std::string_view(line).substr(dash + 1, closeAt - dash - 1));
    }
    if (!offset || !placeCursor(*offset)) return;
    close();
    if (dumps_) dumps_->clearDumpBoxes();
}

void DataList::dumpToFile() {
    common::SaveRequest r;
    r.filter = "All files (*.*)|*.*";
    auto path = port_.saveFile(r);
    if (!path) return;
    std::string text;
    for (const auto& line : lines_) {
        text += line;
        text += "\r\n";
    }
    if (!common::writeFileAtomic(*path, text).empty()) {
        port_.inform("Error: Could not open the output file for saving.");
        return;
    }
    port_.inform("Data saved to output file!");
}

void DataList::CreateTBL1Click() {
    if (!createTableEnabled() || selection_.empty() || !tables_) return;
    const std::string& line = lines_[static_cast<size_t>(selection_.front())];
    // The "A=" field of the line's tail; the searched word before it may
    // hold a "=" of its own.
    size_t eq = line.rfind("| A=");
    eq = eq == std::string::npos ? line.find('=') : eq + 3;
    if (eq == std::string::npos) return;
    size_t end = 0;
    const std::string_view digits = std::string_view(line).substr(eq + 1, 2);
    const uint64_t a = common::readHexDigits(digits, 0, &end);
    if (end == 0) return;
    if (view_) view_->closeList();
    tables_->createTable(static_cast<uint8_t>(a));
    close();
}

void DataList::escape() {
    close();
    if (dumps_) dumps_->clearDumpBoxes();
}

void DataList::exit() { close(); }

}  // namespace hexedit::search
