#include "hexedit/tableedit/TableEditor.h"

#include <algorithm>
#include <cstdio>

#include "common/codepage.h"
#include "common/fileio.h"
#include "common/hexdigits.h"
#include "hexedit/core/EditorSettings.h"
#include "hexedit/core/TableLoader.h"

namespace hexedit::tableedit {

namespace {

constexpr char kCaptionTitle[] = "Table Editor";
constexpr char kOpenFilter[] = "Tbl files (*.tbl)|*.TBL";
constexpr char kSaveFilter[] = "TBL files (*.tbl)|*.tbl";
// A table file is text of a few kilobytes; anything this large is no table.
constexpr uint64_t kMaxTableFile = 64u << 20;

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Letters to upper case, leaving the trail bytes of two-byte characters alone.
template <class CharLength>
void upperCase(std::string& text, size_t end, CharLength charLength) {
    for (size_t i = 0; i < end; i += charLength(text, i))
        if (text[i] >= 'a' && text[i] <= 'z') text[i] = static_cast<char>(text[i] - 'a' + 'A');
}

int caseless(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

bool caselessLess(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return caseless(static_cast<unsigned char>(x)) < caseless(static_cast<unsigned char>(y));
    });
}

}  // namespace

uint32_t nextTableValue(uint32_t value, int digits, bool reverse) {
    const int bytes = std::clamp(digits / 2, 0, 4);
    const uint32_t mask = bytes == 4 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1;
    value &= mask;
    if (!reverse) return (value + 1) & mask;
    for (int k = bytes - 1; k >= 0; --k) {
        const int shift = 8 * k;
        const uint32_t b = ((value >> shift) + 1) & 0xFF;
        value = (value & ~(0xFFu << shift)) | (b << shift);
        if (b != 0) break;
    }
    return value;
}

std::vector<std::string> tableFromHit(uint8_t codeOfA) {
    std::vector<std::string> out;
    const int d = 0x41 - codeOfA;
    for (int j = 0; j < 256; ++j) {
        const int c = (d + j) & 0xFF;
        if (c < 32 || c > 126) continue;
        char line[8];
        std::snprintf(line, sizeof line, "%02X=%c", j, c);
        out.emplace_back(line);
    }
    return out;
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) end = text.size();
        if (end > start && text[end - 1] == '\r') --end;
        out.emplace_back(text.substr(start, end - start));
        start = next;
    }
    return out;
}

// Length in bytes of the character starting at `i`: Shift-JIS, or UTF-8
// (an invalid byte alone).
size_t TableEditor::charLength(std::string_view text, size_t i) const {
    if (utf8_) {
        const size_t n = utf8SequenceLength(text, i);
        return n == 0 ? 1 : n;
    }
    return common::isCp932Lead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

size_t TableEditor::charCount(std::string_view text) const {
    size_t n = 0;
    for (size_t i = 0; i < text.size(); i += charLength(text, i)) ++n;
    return n;
}

// The byte offset after the first `chars` characters.
size_t TableEditor::bytesOfChars(std::string_view text, size_t chars) const {
    size_t i = 0;
    for (; i < text.size() && chars > 0; --chars) i += charLength(text, i);
    return i;
}

std::u16string TableEditor::toDisplay(std::string_view bytes) const {
    return utf8_ ? common::utf8ToUtf16(bytes) : common::cp932ToUtf16(bytes);
}

std::optional<std::string> TableEditor::fromDisplay(std::u16string_view text) const {
    if (!utf8_) return common::utf16ToCp932(text);
    return utf16ToUtf8Whole(text);
}

void TableEditor::readLines(std::string_view content) {
    utf8_ = detectTableEncoding(content, &bom_) == TableEncoding::Utf8;
    if (bom_) content.remove_prefix(kBom.size());
    lines_ = splitLines(content);
}

TableEditor::TableEditor(EditSession& session, EditorSettings* help) : session_(session), help_(help) {
    CommandTable& c = session.commands();
    c.add({.name = "TableEdit1Click",
           .caption = "&Table Editor",
           .shortcut = "Ctrl+T",
           .hint = "Edit the loaded table file",
           .run = [this] { TableEdit1Click(); }});
    c.add({.name = "TableMaker1Click",
           .caption = "Table &Maker",
           .shortcut = "Ctrl+M",
           .hint = "Make a new table file",
           .run = [this] { TableMaker1Click(); }});
}

std::string TableEditor::caption() const {
    return std::string(kCaptionTitle) + " [" + common::fileNameOf(TableEditorFile) + "]";
}

std::string TableEditor::currentTablePath() const {
    const TableData& t = session_.table();
    return t.TableSlot < 2 ? t.TablePaths[t.TableSlot] : std::string();
}

void TableEditor::select(std::optional<int> row) {
    if (row && (*row < 0 || *row >= static_cast<int>(lines_.size()))) row.reset();
    selection_ = row;
}

void TableEditor::setLines(std::vector<std::string> lines) {
    lines_ = std::move(lines);
    selection_.reset();
    refresh();
}

void TableEditor::refresh() {
    if (view_) view_->refresh();
}

void TableEditor::setEntry(std::string text) {
    text.resize(bytesOfChars(text, MaxEntryChars));
    entry_ = std::move(text);
    caret_ = entry_.size();
}

void TableEditor::entryEdited(std::string text, size_t caret) {
    // One line: a pasted line break would split it in the saved file.
    for (size_t i = text.size(); i-- > 0;)
        if (text[i] == '\r' || text[i] == '\n') {
            text.erase(i, 1);
            if (caret > i) --caret;
        }
    text.resize(bytesOfChars(text, MaxEntryChars));
    entry_ = std::move(text);
    caret_ = std::min(caret, entry_.size());
}

// ---- showing ----

void TableEditor::runModal() {
    formShow();
    open_ = true;
    if (view_) view_->execModal();
    open_ = false;
}

void TableEditor::formShow() {
    if (Mode == EditorMode) {
        lines_.clear();
        selection_.reset();
        utf8_ = bom_ = false;
        const std::string path = currentTablePath();
        std::vector<uint8_t> content;
        if (!path.empty()) {
            if (common::readWholeFile(path, content, kMaxTableFile) == common::ReadStatus::Ok)
                readLines(std::string_view(reinterpret_cast<const char*>(content.data()), content.size()));
        } else {
            // The built-in ASCII table as lines.
            const uint8_t shift = session_.table().CharShift;
            for (int ch = 32; ch <= 126; ++ch) {
                char line[8];
                std::snprintf(line, sizeof line, "%02X=%c", (shift + ch) & 0xFF, ch);
                lines_.emplace_back(line);
            }
        }
    }
    entry_.clear();
    caret_ = 0;
    refresh();
}

void TableEditor::TableEdit1Click() {
    const std::string path = currentTablePath();
    // Without a table file the list shows the built-in table: a file name
    // left from an earlier session must not be overwritten with it.
    TableEditorFile = path;
    Mode = EditorMode;
    session_.setMainWindowVisible(false);
    runModal();
    session_.setMainWindowVisible(true);
    if (!path.empty()) session_.reloadTable();
}

void TableEditor::startNewTable() {
    utf8_ = session_.table().Encoding == TableEncoding::Utf8;
    bom_ = false;
}

void TableEditor::TableMaker1Click() {
    Mode = MakerMode;
    startNewTable();
    lines_.clear();
    selection_.reset();
    TableEditorFile.clear();
    session_.setMainWindowVisible(false);
    runModal();
    if (Mode == EditorMode) session_.reloadTable();
    session_.setMainWindowVisible(true);
    Mode = MakerMode;
}

void TableEditor::openBeside(int mode) {
    if (open_) {
        if (view_) view_->showModeless();  // already up: raised
        return;
    }
    if (mode == EditorMode) {
        TableEditorFile = currentTablePath();
        reloadOnClose_ = !TableEditorFile.empty();
    } else {
        lines_.clear();
        selection_.reset();
        startNewTable();
        reloadOnClose_ = false;
    }
    Mode = besideMode_ = mode;
    formShow();
    open_ = beside_ = true;
    if (view_) view_->showModeless();
}

void TableEditor::createFromHit(uint8_t codeOfA) {
    Mode = PreparedMode;
    // A new table: saving asks for its name instead of overwriting the
    // file edited last.
    TableEditorFile.clear();
    startNewTable();
    lines_ = tableFromHit(codeOfA);
    selection_ = lines_.empty() ? std::nullopt : std::optional<int>(0);
    runModal();
}

// ---- menu ----

void TableEditor::OpenTableFile1Click() {
    common::OpenRequest r;
    r.initialFolder = session_.editor().LastDirectory;
    r.filter = kOpenFilter;
    const auto path = session_.port().openFile(r);
    if (!path || !common::fileExists(*path)) return;
    std::vector<uint8_t> content;
    if (common::readWholeFile(*path, content, kMaxTableFile) != common::ReadStatus::Ok) {
        session_.port().inform("Could not load the table file...");
        return;
    }
    TableEditorFile = *path;
    readLines(std::string_view(reinterpret_cast<const char*>(content.data()), content.size()));
    selection_.reset();
    refresh();
}

void TableEditor::SaveTableFile1Click() {
    common::Port& port = session_.port();
    if (!port.ask("Save Table Data", "Save File")) return;
    std::string path = TableEditorFile;
    if (path.empty()) {
        common::SaveRequest r;
        r.initialFolder = session_.editor().LastDirectory;
        r.defaultExtension = "tbl";
        r.filter = kSaveFilter;
        const auto chosen = port.saveFile(r);
        if (!chosen || chosen->empty()) {
            port.inform("No file selected...");
            return;
        }
        path = *chosen;
    }
    std::string text(bom_ ? kBom : std::string_view());
    for (const std::string& line : lines_) {
        text += line;
        text += "\r\n";
    }
    if (!common::writeFileAtomic(path, text).empty()) {
        port.inform("Could not open the Table File...");
        return;
    }
    TableEditorFile = path;
    refresh();
}

// Entry lines are sorted and put first; the rest (directives with their
// continuation lines, codes, bookmarks, comments) follow in their old order,
// so a directive never loses its continuation lines.
void TableEditor::SortTableList1Click() {
    std::vector<size_t> entries, others;
    const std::vector<bool> isEntry = tableEntryLines(lines_);
    for (size_t i = 0; i < lines_.size(); ++i) (isEntry[i] ? entries : others).push_back(i);
    std::stable_sort(entries.begin(), entries.end(), [&](size_t a, size_t b) {
        if (caselessLess(lines_[a], lines_[b])) return true;
        if (caselessLess(lines_[b], lines_[a])) return false;
        return lines_[a] < lines_[b];
    });
    entries.insert(entries.end(), others.begin(), others.end());
    std::vector<std::string> sorted;
    sorted.reserve(lines_.size());
    std::optional<int> selected;
    for (size_t k = 0; k < entries.size(); ++k) {
        if (selection_ && entries[k] == static_cast<size_t>(*selection_)) selected = static_cast<int>(k);
        sorted.push_back(std::move(lines_[entries[k]]));
    }
    lines_ = std::move(sorted);
    selection_ = selected;
    refresh();
}

void TableEditor::ReverseValueIncrement1Click() {
    ReverseIncrement = !ReverseIncrement;
    refresh();
}

void TableEditor::HelpTopics1Click() {
    if (help_) help_->HelpTopics1Click();
}

// ---- entry field ----

void TableEditor::entryEnter() {
    if (entry_.empty()) return;
    std::string line = entry_;
    size_t eq = line.find('=');
    if (eq != std::string::npos) {
        upperCase(line, eq, [this](std::string_view t, size_t i) { return charLength(t, i); });
        if (eq % 2 != 0) {
            line.insert(0, 1, '0');
            ++eq;
        }
        ValueDigits = static_cast<int>(eq);
        // Hex digits up to the first other character.
        NextValue = common::readHexDigits32(std::string_view(line).substr(0, eq));
    }
    lines_.push_back(std::move(line));
    selection_ = static_cast<int>(lines_.size()) - 1;
    if (eq != std::string::npos) {
        NextValue = nextTableValue(NextValue, ValueDigits, ReverseIncrement);
        char start[24];
        std::snprintf(start, sizeof start, "%0*X=", std::min(ValueDigits, 16), NextValue);
        setEntry(start);
    }
    refresh();
}

void TableEditor::entryBackspace() {
    if (caret_ == 0 || entry_.empty()) return;
    // The character ending at the caret, two bytes for a Shift-JIS pair, a
    // whole sequence in UTF-8.
    size_t start = 0;
    for (size_t i = 0; i < caret_ && i < entry_.size(); i += charLength(entry_, i)) start = i;
    entry_.erase(start, caret_ - start);
    caret_ = start;
    refresh();
}

// ---- list ----

void TableEditor::listActivate() {
    if (!selection_) return;
    setEntry(lines_[static_cast<size_t>(*selection_)]);
    refresh();
}

void TableEditor::listDelete() {
    if (!selection_) return;
    const int row = *selection_;
    lines_.erase(lines_.begin() + row);
    // The selection stays where it was; after the last line, on the new last.
    if (lines_.empty()) selection_.reset();
    else selection_ = std::min(row, static_cast<int>(lines_.size()) - 1);
    refresh();
}

void TableEditor::listRightClick(int row) {
    if (row < 0 || row >= static_cast<int>(lines_.size()) || entry_.empty()) return;
    if (!session_.port().ask("Place the table value here?", kCaptionTitle)) return;
    lines_[static_cast<size_t>(row)] = entry_;
    caret_ = entry_.size();
    refresh();
}

void TableEditor::listDrag(int from, int to) {
    const int n = static_cast<int>(lines_.size());
    if (from < 0 || to < 0 || from >= n || to >= n || from == to) return;
    std::swap(lines_[static_cast<size_t>(from)], lines_[static_cast<size_t>(to)]);
    selection_ = to;
    refresh();
}

// ---- grid ----

void TableEditor::gridMouseMove(int x, int y) {
    const auto before = grid.hover();
    grid.mouseMoved(x, y);
    if (view_ && grid.hover() != before) view_->gridChanged();
}

void TableEditor::gridClick(int x, int y) {
    if (auto cell = CharGrid::cellAt(x, y)) insertCell(*cell);
}

void TableEditor::clickMeClick() {
    if (auto cell = grid.hover()) insertCell(*cell);
}

void TableEditor::insertCell(CharGrid::Cell cell) {
    if (charCount(entry_) < GridInsertLimit) {
        caret_ = std::min(caret_, entry_.size());
        const std::string sjis = CharGrid::insertBytes(grid.code(cell));
        entry_.insert(caret_, utf8_ ? common::utf16ToUtf8(common::cp932ToUtf16(sjis)) : sjis);
    }
    caret_ = entry_.size();
    refresh();
    if (view_) view_->focusEntry();
}

void TableEditor::scrolled(int position) {
    grid.setPosition(position);
    if (view_) view_->gridChanged();
}

void TableEditor::characterSelection(int index) {
    grid.select(index);
    if (view_) view_->gridChanged();
}

// ---- closing ----

void TableEditor::closeRequested() {
    const TableData& t = session_.table();
    if (t.TableSlot < 2 && !TableEditorFile.empty() && TableEditorFile != t.TablePaths[t.TableSlot]) {
        const std::string text = "Would you like to replace\n \"" + t.TablePaths[t.TableSlot] +
                                 "\"\nwith this file\n \"" + TableEditorFile + "\"?\n";
        const int slot = t.TableSlot;
        if (session_.port().ask(text, kCaptionTitle)) session_.useTableFile(slot, TableEditorFile);
    }
    open_ = false;
    if (view_) view_->closeWindow();
    if (beside_) {
        beside_ = false;
        // As after the modal commands: the editor's table, or a made table
        // that was saved (the maker then turned into the editor).
        if (besideMode_ == EditorMode ? reloadOnClose_ : Mode == EditorMode) session_.reloadTable();
        if (besideMode_ == MakerMode) Mode = MakerMode;
    }
}

}  // namespace hexedit::tableedit
