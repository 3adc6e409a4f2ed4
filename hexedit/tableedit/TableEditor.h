#pragma once
// The table editor and maker (TTMForm): a table file as a list of lines, the
// entry field with its automatic numbering, the Shift-JIS character grid,
// opening, saving and closing, and the main window's commands that show it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hexedit/core/EditSession.h"
#include "hexedit/core/ModalView.h"
#include "hexedit/tableedit/CharGrid.h"

namespace hexedit {
class EditorSettings;
}

namespace hexedit::tableedit {

// The form showing the window.
class TableEditorView : public ModalView {
public:
    // Caption, lines, selection, entry field and caret, grid, menu checks.
    virtual void refresh() = 0;
    // Shows the window without waiting for it to close.
    virtual void showModeless() = 0;
    // Only the grid, its scroll bar, selection buttons and flat button.
    virtual void gridChanged() { refresh(); }
    // The entry field takes the focus.
    virtual void focusEntry() = 0;
};

// How the window was opened: the current table, an empty new one, or a
// table built by the caller (the Data List).
enum TableEditorMode { EditorMode = 0, MakerMode = 1, PreparedMode = 2 };

// The next value of the numbering after `value`, kept within `digits` hex
// digits. Normal: value + 1, wrapping to 0. Reverse: the highest byte
// counts up and carries into the bytes to its right, as if the value were
// written lowest byte first.
uint32_t nextTableValue(uint32_t value, int digits, bool reverse);
// The entries "XX=c" that give every printable ASCII character the code
// implied by a relative search hit in which "A" has the code `codeOfA`.
std::vector<std::string> tableFromHit(uint8_t codeOfA);
// Splits a table file into its lines (LF or CR LF; a last line without its
// line end is kept, less a CR it ends in).
std::vector<std::string> splitLines(std::string_view text);

class TableEditor {
public:
    static constexpr size_t MaxEntryChars = 256;  // TblVal
    static constexpr size_t GridInsertLimit = 30;  // characters in TblVal

    // `help` opens the user guide ("Help Topics"); none in a session without
    // the main window's settings.
    explicit TableEditor(EditSession& session, EditorSettings* help = nullptr);
    TableEditor(const TableEditor&) = delete;
    TableEditor& operator=(const TableEditor&) = delete;
    void setView(TableEditorView* v) { view_ = v; }

    int Mode = MakerMode;
    std::string TableEditorFile;
    uint32_t NextValue = 0;
    int ValueDigits = 0;
    bool ReverseIncrement = false;
    CharGrid grid;  // jGrid and TScrl

    // "Table Editor [name]"
    std::string caption() const;
    bool isOpen() const { return open_; }

    // TblList: lines in the file's encoding (UTF-8 for a UTF-8 table file,
    // else Shift-JIS), as in the file less a UTF-8 byte-order mark, which
    // saving writes back.
    const std::vector<std::string>& lines() const { return lines_; }
    bool utf8() const { return utf8_; }
    // Text of the lines and the field for the window, and back (nothing when
    // a character has no code in the encoding).
    std::u16string toDisplay(std::string_view bytes) const;
    std::optional<std::string> fromDisplay(std::u16string_view text) const;
    std::optional<int> selection() const { return selection_; }
    void select(std::optional<int> row);
    // Replaces the list (the callers that prepare it) and selects nothing.
    void setLines(std::vector<std::string> lines);

    // TblVal: bytes in the lines' encoding and the caret as a byte offset.
    const std::string& entry() const { return entry_; }
    size_t caret() const { return caret_; }
    // The field's text changed by editing in the field itself; cut to
    // MaxEntryChars characters.
    void entryEdited(std::string text, size_t caret);

    // Main window commands ("&Table Editor", "Table &Maker").
    void TableEdit1Click();
    void TableMaker1Click();
    // The same from the tile editor (EditorMode or MakerMode): the window
    // shows beside it without blocking, the main window stays hidden, and
    // the maker keeps TableEditorFile. The table is reloaded on closing.
    void openBeside(int mode);
    // The Data List's "Create table with Selected values".
    void createFromHit(uint8_t codeOfA);

    // Menu of the window.
    void OpenTableFile1Click();
    void SaveTableFile1Click();
    void Exit1Click() { closeRequested(); }
    void SortTableList1Click();
    void ReverseValueIncrement1Click();
    void HelpTopics1Click();

    // The entry field.
    void entryEnter();
    void entryBackspace();
    // The list.
    void listActivate();  // Enter or double click
    void listDelete();
    void listRightClick(int row);
    void listDrag(int from, int to);
    // The grid, its button and scroll bar, the character selection.
    void gridMouseMove(int x, int y);
    void gridClick(int x, int y);
    void clickMeClick();
    void scrolled(int position);
    void characterSelection(int index);
    // Escape, "E&xit" or the title bar: the replace question, then the
    // window closes.
    void closeRequested();

private:
    void runModal();
    void formShow();
    void insertCell(CharGrid::Cell cell);
    void setEntry(std::string text);
    // Lines of a table file's content, noting its encoding.
    void readLines(std::string_view content);
    // A new table is written as the main view's table is: UTF-8 (with no
    // byte-order mark) when that one is UTF-8, else Shift-JIS.
    void startNewTable();
    size_t charLength(std::string_view text, size_t i) const;
    size_t charCount(std::string_view text) const;
    size_t bytesOfChars(std::string_view text, size_t chars) const;
    void refresh();
    // The path of the main window's current table when it is Table #1 or
    // Table #2; empty otherwise.
    std::string currentTablePath() const;

    EditSession& session_;
    EditorSettings* help_;
    TableEditorView* view_ = nullptr;
    std::vector<std::string> lines_;
    std::optional<int> selection_;
    std::string entry_;
    size_t caret_ = 0;
    bool open_ = false;
    bool beside_ = false;        // opened by openBeside
    int besideMode_ = MakerMode;  // the mode openBeside was given
    bool reloadOnClose_ = false;  // the editor mode had a table file
    bool utf8_ = false;           // the lines are UTF-8
    bool bom_ = false;            // the file began with the UTF-8 byte-order mark
};

}  // namespace hexedit::tableedit
