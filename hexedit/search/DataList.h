#pragma once
// The Data List window (TListForm): search results, from which the user jumps
// to a match or saves the lines to a file, and the table's dump bookmarks for
// a dump from the list.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/port/Port.h"
#include "hexedit/core/EditorState.h"
#include "hexedit/core/TableData.h"
#include "hexedit/core/ViewState.h"
#include "hexedit/core/EditSession.h"

namespace hexedit::search {

// The form showing the list.
class DataListView {
public:
    virtual ~DataListView() = default;
    virtual void showList() = 0;   // without modality; brings it up when shown
    // Modally, for the dump lists: returns once the window has closed.
    virtual void showListModal() { showList(); }
    virtual void closeList() = 0;
    virtual void listChanged() = 0;  // lines, selection, caption or menu state
};

// The dumper's side of the dump lists: it dumps the chosen bookmark lines
// and empties its start and end boxes when a jump or Escape ends the list.
class DataListDumps {
public:
    virtual ~DataListDumps() = default;
    virtual void dumpLine(const std::string& line) = 0;
    virtual void dumpLines(const std::vector<std::string>& lines) = 0;
    virtual void clearDumpBoxes() = 0;
};

// The table editor's side of "Create table with Selected values".
class DataListTables {
public:
    virtual ~DataListTables() = default;
    virtual void createTable(uint8_t codeOfA) = 0;
};

enum ListModes { SearchResults = 0, BinaryDumpList = 1, TextDumpList = 2 };

// Selects the `length` bytes of a match at `offset` (the cursor already
// there), so that the status shows its range and Copy takes it.
void selectMatch(EditSession& session, uint32_t offset, int length);

class DataList {
public:
    explicit DataList(EditSession& session);
    void setView(DataListView* v) { view_ = v; }
    // Set once by the dumper and by the program; without them the dump lists
    // and the table entry do nothing.
    void setDumps(DataListDumps* d) { dumps_ = d; }
    void setTables(DataListTables* t) { tables_ = t; }

    int ListMode = SearchResults;
    // Bytes of each search result's match: a jump to a result selects them.
    int MatchLength = 0;
    // The same line by line where matches differ in length (the search
    // through the table as shown); lines past its end use MatchLength.
    std::vector<int> MatchLengths;

    // Lines are text in the table's single-byte code page.
    const std::vector<std::string>& lines() const { return lines_; }
    const std::string& caption() const { return caption_; }
    bool visible() const { return visible_; }
    bool multiSelect() const { return ListMode != SearchResults; }

    void clear();
    // Appends without telling the form; notifyChanged() ends a batch.
    void append(std::string line);
    void notifyChanged();
    void setCaption(std::string caption);

    // Rows selected in the list, ascending.
    const std::vector<int>& selection() const { return selection_; }
    void setSelection(std::vector<int> rows);

    // Shows the window: search results keep their lines and select the
    // first; dump lists are refilled from the table's dump bookmarks and
    // shown modally.
    void show();
    // The window was closed by any means.
    void closed();

    // "Create table with Selected values": in the search results, the code
    // of "A" in the first selected relative search line goes to the table
    // editor while the window is hidden; then the window closes.
    bool createTableEnabled() const { return ListMode == SearchResults; }
    void CreateTBL1Click();

    // Double click or Enter.
    void activate();
    void jumpToStartingOffset() { jumpToBookmarkEnd(false); }
    void jumpToEndingOffset() { jumpToBookmarkEnd(true); }
    void dumpToFile();
    void escape();
    void exit();

private:
    void close();
    // Places the cursor when the offset lies in the buffer.
    bool placeCursor(uint32_t offset);

    void jumpToBookmarkEnd(bool end);

    EditSession& session_;
    const EditorState& editor_;
    const TableData& table_;
    ViewState& view_state_;
    common::Port& port_;
    DataListView* view_ = nullptr;
    DataListDumps* dumps_ = nullptr;
    DataListTables* tables_ = nullptr;

    std::vector<std::string> lines_;
    std::vector<int> selection_;
    std::string caption_ = "Data List...";
    bool visible_ = false;
};

// "Data List: %d Match(es) Found!"
std::string matchCaption(int count);
// Reads up to eight hex digits; nothing for an empty or non-hex text.
std::optional<uint32_t> parseHexOffset(std::string_view text);

}  // namespace hexedit::search
