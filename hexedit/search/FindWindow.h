#pragma once
// The Find window (TOptsForm) and the search state it shares with the
// relative search and the Data List: the four opening commands, "Search
// Again", the input box with its key filter, the options, the kana grid, the
// Find action and the scan.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/port/Port.h"
#include "hexedit/core/EditorState.h"
#include "hexedit/core/TableData.h"
#include "hexedit/core/ViewState.h"
#include "hexedit/search/DataList.h"
#include "hexedit/search/KanaGrid.h"
#include "hexedit/search/PatternConvert.h"
#include "hexedit/core/EditSession.h"

namespace hexedit::search {

enum SearchModes { TextMode = 0, HexMode = 1, RelativeMode = 2, RepeatMode = 3, KanaMode = 4 };

inline constexpr int kResultLimit = 128;

struct SearchState {
    int SearchMode = TextMode;
    std::array<uint8_t, kPatternCapacity> SearchPattern{};
    int PatternLength = 0;
    uint8_t FoundFlag = 0;
    int MatchCount = 0;
    int ContinueFlag = 0;  // relative search: go on after the cursor
    // The pattern is typed text searched through the table as shown
    // (ShownSearch.h), not bytes.
    bool ShownSearch = false;

    std::string_view pattern() const {
        return {reinterpret_cast<const char*>(SearchPattern.data()), static_cast<size_t>(PatternLength)};
    }
};

enum class Option { IgCase, SaveFnd, WildCrd, FindFromStart, IncFind, FindLimit, AsShown };

struct FindOptions {
    bool IgCase = false;
    bool SaveFnd = false;
    bool WildCrd = false;
    bool FindFromStart = false;
    bool IncFind = false;
    bool FindLimit = false;
    // Text search through every entry of the table as the view shows it;
    // kept in the settings file.
    bool AsShown = false;

    bool& operator[](Option o);
    bool operator[](Option o) const { return const_cast<FindOptions&>(*this)[o]; }
};

// Caption of each option's check box, in the window's order.
const std::array<Option, 7>& allOptions();
const char* optionCaption(Option o);

// The form showing the window.
class FindWindowView {
public:
    virtual ~FindWindowView() = default;
    // Shows the window modally; returns once it has closed.
    virtual void execModal() = 0;
    virtual void closeWindow() = 0;
    // Caption, layout, options, input text and caret, progress.
    virtual void refresh() = 0;
    // Focus to the input box with the caret at the end.
    virtual void focusInput() = 0;
    // Progress of a relative search only (input text and bar).
    virtual void progressChanged() { refresh(); }
};

// A key typed while the input box (or any control of the window) has focus.
struct Key {
    enum Kind { Char, Enter, Escape, Backspace } kind = Char;
    uint8_t ch = 0;  // for Char: the byte in the box's code page
};

struct KeyResult {
    enum Verdict {
        Pass,     // the box inserts `ch` (maybe changed, e.g. to upper case)
        Swallow,  // the key does nothing
        Handled,  // the window acted on it; the box shows the model's text
    } verdict = Pass;
    uint8_t ch = 0;
};

class FindWindow {
public:
    FindWindow(EditSession& session, DataList& list);
    void setView(FindWindowView* v) { view_ = v; }

    SearchState state;
    FindOptions options;
    KanaGrid grid;

    // Presentation of the window.
    const std::string& caption() const { return caption_; }
    bool gridShown() const { return gridShown_; }
    static constexpr int ClientHeight = 119;       // without the grid
    static constexpr int KanaWindowHeight = 314;   // frame included
    bool upperCase() const { return state.SearchMode == HexMode; }
    size_t maxLength() const { return maxLength_; }
    bool optionEnabled(Option o) const;
    bool isOpen() const { return open_; }
    // A search runs in the session's busy runner.
    bool busy() const { return session_.busy(); }
    // Percent of a relative search, while it runs.
    std::optional<int> progress() const { return progress_; }

    // The input box (FindBox): bytes in the box's code page, Shift-JIS in the
    // kana mode, UTF-8 in the text mode over a UTF-8 table and the
    // single-byte table code page otherwise.
    const std::string& input() const { return input_; }
    size_t caret() const { return caret_; }
    bool japaneseBox() const { return state.SearchMode == KanaMode; }
    bool utf8Box() const;
    std::u16string displayText() const { return boxToUtf16(input_); }
    std::u16string boxToUtf16(std::string_view bytes) const;
    // Nothing when a character has no code in the box's code page.
    std::optional<std::string> utf16ToBox(std::u16string_view text) const;

    // Main-window commands.
    void TextSearch1Click();
    void HexSearch1Click();
    void KanaSearch1Click();
    void RelativeSearch1Click();
    void SearchAgain1Click();

    // Window events.
    void FindClick();
    KeyResult keyPress(Key key);
    // The box's text changed by editing in the box itself.
    void inputEdited(std::string text, size_t caret);
    void paste();  // Ctrl+V
    void optionClicked(Option o, bool checked);
    void selectAllOptions();
    void removeAllOptions();
    void kanaClassChosen(int index);
    void gridMouseMove(int x, int y);
    void gridClick(int x, int y);
    // The window manager closed the window (title bar); refused while busy,
    // when it cancels the search instead.
    bool closeRequested();

    // The Find action and the scan, as run by the window and "Search Again".
    void findAction();
    void scan();

private:
    void openWindow(int mode, const char* caption, bool grid);
    void runModal();
    void close();
    void setInput(std::string text, size_t caret);
    void refresh();
    void showResults();
    void notFound();
    bool convertPattern();
    void storePattern(std::span<const uint8_t> bytes);
    void relativeSearch();
    bool startsSomeText(uint8_t c) const;
    void collectFirstBytes();

    EditSession& session_;
    const EditorState& editor_;
    const TableData& table_;
    ViewState& view_state_;
    common::Port& port_;
    DataList& list_;
    FindWindowView* view_ = nullptr;

    std::string caption_;
    bool gridShown_ = false;
    size_t maxLength_ = 32;
    bool saveFndEnabled_ = true;
    bool incFindEnabled_ = true;
    bool open_ = false;
    std::optional<int> progress_;
    std::string input_;
    size_t caret_ = 0;
    std::array<bool, 256> firstBytes_{};  // first bytes of the table's texts
};

}  // namespace hexedit::search
