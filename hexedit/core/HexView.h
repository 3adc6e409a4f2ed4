#pragma once
// The main window's hex and text view and its keyboard input: page layout as
// rows of coloured cells, the status text, partial repaints of two rows, the
// cursor blink, the scroll bar, mouse placement, the Japanese display mode,
// cursor keys and byte entry in hex and text mode, and pasting.
//
// The view draws nothing itself. It produces the page as cells (text,
// colours, position, the bytes a cell covers, whether it is the cursor) and
// tells its host which part changed; a paint box only draws the cells.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/port/Port.h"
#include "common/progress.h"
#include "hexedit/core/EditSession.h"
#include "hexedit/core/EditorState.h"
#include "hexedit/core/Keys.h"
#include "hexedit/core/TableData.h"
#include "hexedit/core/ViewState.h"

namespace hexedit {

// Measures text in one font: Qt's font metrics in the program, a monospace
// fake in the tests.
class TextMetrics {
public:
    virtual ~TextMetrics() = default;
    // Height of the font's characters in pixels (positive).
    virtual int height() const = 0;
    virtual int width(std::u16string_view text) const = 0;
};

struct ViewCell {
    std::u16string text;
    uint32_t textColor = 0;   // 0x00BBGGRR
    uint32_t background = 0;  // 0x00BBGGRR
    int x = 0;
    int width = 0;
    int32_t offset = 0;  // first byte covered
    int count = 0;       // bytes covered; 0 for the offset label and the row's filler
    bool cursor = false;
};

struct ViewRow {
    std::vector<ViewCell> cells;
};

// What the paint boxes show. Row r is drawn at y = r * lineHeight.
struct ViewPage {
    bool valid = false;  // false: nothing to draw (no buffer, or not started)
    bool japanese = false;  // text cells are drawn with the Japanese font (HexView::japaneseFace)
    int lineHeight = 1;
    std::vector<ViewRow> hexRows;   // offset label, one cell per byte, filler
    std::vector<ViewRow> textRows;  // one cell per decoded item, filler
};

// The cursor cell as last painted in the active column, for the blink.
struct BlinkCellState {
    bool valid = false;
    bool textColumn = false;  // the cell is in the text column
    int x = 0;
    int row = 0;
    std::u16string text;  // at most 128 characters
    ColorPair on;
    ColorPair off;
    bool phase = true;
    size_t cellIndex = 0;  // the cell in its page row
};

enum class ViewKey { Left, Right, Up, Down, Home, End, PageUp, PageDown, Backspace, Modifier, Other };
enum class ScrollCode { LineUp, LineDown, PageUp, PageDown, Track, Top, Bottom, Other };

// Told what changed; every call is a request to show it.
class ViewHost {
public:
    virtual ~ViewHost() = default;
    virtual void pageRepainted() {}
    virtual void rowsRepainted(int /*rowA*/, int /*rowB*/) {}
    virtual void blinkRepainted() {}
    virtual void statusChanged() {}
    virtual void panelWidthChanged() {}  // the hex panel's width
    virtual void scrollBarChanged() {}   // range, steps or position
    virtual void menusChanged() {}       // check marks and enabled entries
};

struct ScrollBarState {
    int minimum = 0;
    int maximum = 0;
    int singleStep = 1;
    int pageStep = 1;
    int position = 0;
};

// Shown in the status bar when typing or pasting reaches the bytes past the
// end of the file, which are shown but never saved.
inline constexpr std::string_view kPastEndStatus = "Past the end of the file: bytes here are not saved.";

// Sample whose width sizes the status bar's first panel.
inline constexpr std::string_view kStatusSample =
    "Dec: 000 Hex: 00 Bin: 00000000 Offset: 00000000 [000%] Asc 'A'=00        ";

// Most rows a page holds: CursorRow is a signed 8-bit value.
inline constexpr int kMaxRows = 127;
// Most bytes per row: CursorColumn is a signed 8-bit value.
inline constexpr int kMaxBytesPerRow = 128;

class HexView {
public:
    HexView(const EditorState& editor, TableData& table, ViewState& view);
    // Typed and pasted bytes are written through the session (one undo step
    // per run of typing); without one, typing changes nothing.
    // The session typed bytes go to; a half-typed byte is dropped when a
    // file is read.
    void setSession(EditSession* session) {
        session_ = session;
        fileEvents_.reset();
        if (session_)
            fileEvents_ = session_->document().subscribe([this](const DocumentEvent& e) {
                if (std::holds_alternative<doc::FileOpened>(e)) cancelPending();
            });
    }
    HexView(const HexView&) = delete;
    HexView& operator=(const HexView&) = delete;

    void setHost(ViewHost* host) { host_ = host; }
    // Fonts of HexData and TblData and the Japanese font (which may be the
    // text font when no Japanese face exists). Must outlive the view.
    void setFonts(const TextMetrics* hexFont, const TextMetrics* textFont, const TextMetrics* japaneseFont);

    // ---- layout ----
    int LineHeight() const;
    // Panel3's width: BytesPerRow x width("DD") + width("DDDDDDDDD ").
    int hexPanelWidth() const;
    // Rows that fit the panel height (at least 1, at most kMaxRows).
    int visibleRows() const;
    // After a size change of the window: new panel height and text panel
    // width. Recomputes PageBytes, keeps the cursor offset, repaints.
    void Panel3Resize(int panelHeight, int textPanelWidth);
    // Only the text panel's width changed.
    void Panel2Resize(int textPanelWidth);
    int panelHeight() const { return panelHeight_; }

    // ---- painting ----
    void FormPaint();
    void ShowLine(int rowA, int rowB);
    const ViewPage& page() const { return page_; }
    const std::string& statusText() const { return status_; }
    // The status text for the byte at CursorOffset.
    std::string StatusText() const;

    // ---- settings of the view ----
    void setOffsetFormat(int32_t format);
    bool JapaneseView() const { return japanese_; }
    // The text column is drawn with the Japanese face: under the Japanese
    // mark, and for a UTF-8 table with characters past U+00FF (Qt's font
    // fallback draws what the face lacks).
    bool japaneseFace() const;
    // The status bar's name of the table's text encoding.
    std::string tableEncodingLabel() const;
    void ViewKanaClick();
    bool BlinkEnabled = true;  // the settings window's "Blinking Cursor"

    // ---- cursor blink (every 500 ms) ----
    void Timer1Timer(bool windowVisible);
    const BlinkCellState& BlinkCell() const { return blink_; }

    // ---- scroll bar ----
    ScrollBarState VScrlChange() const;
    void VScrlScroll(ScrollCode code, int position);

    // ---- mouse wheel ----
    // A wheel turn over the view: `angle` in eighths of a degree (120 a
    // notch), `pixels` the distance a touchpad gives instead (0 when none),
    // both positive away from the user. A notch scrolls three rows, with
    // Shift a page; parts of a notch and pixels add up to whole rows. The
    // cursor keeps its place in the view.
    void MouseWheel(int angle, int pixels, bool shift);
    // Moves the page by whole rows (positive: towards the end).
    void scrollRows(int64_t rows);

    // ---- mouse ----
    void HexDataMouseMove(int x, int y);
    void TblDataMouseMove(int x, int y);
    // A click (press and release in place) at the last position given by
    // the column's MouseMove: moves the cursor and drops the selection.
    void HexDataClick() {
        mouseDown(false, false);
        mouseUp();
    }
    void TblDataClick() {
        mouseDown(true, false);
        mouseUp();
    }
    // Left button pressed in the hex (textColumn false) or text column: the
    // cursor goes to the cell under the pointer; with Shift the selection
    // runs from its anchor (or the old cursor) to that cell.
    void mouseDown(bool textColumn, bool shift);
    // The pointer moved with the button held: the selection runs from the
    // pressed cell to the one under the pointer, scrolling a row at a time
    // when the pointer is above or below the page.
    void mouseDrag(bool textColumn);
    void mouseUp() { dragging_ = false; }
    // A button press in either box: the menus follow the editor state.
    void mousePressed();

    // ---- selection ----
    // The selected bytes, within the buffer.
    std::optional<ByteRange> selection() const { return selectedRange(vs_, ed_.BufferSize); }
    // Drops the selection and repaints; false when nothing was selected.
    bool clearSelection();

    // ---- keyboard ----
    // Navigation and Ctrl combinations; returns true when the key was used.
    bool FormKeyDown(ViewKey key, bool ctrl);
    // Byte entry of one typed character (a Unicode code point).
    void FormKeyPress(char32_t ch);
    // Several characters typed at once: in text mode encoded together as a
    // paste is (the longest text first, words kept whole), with one repaint;
    // else hex digits one by one. False when none of them is typable.
    bool typeChars(std::u32string_view chars);
    // Key preview of the main window: cursor keys and typed characters.
    // Returns true when the key was used.
    bool previewKey(const KeyPress& key);
    // Drops a half-typed hex byte.
    void cancelPending() { pending_ = false; }
    bool TextMode = false;       // false: hex digits, true: characters through the table
    bool Disable16Bit = false;   // "Enable / Disable 16-Bit ASCII Input" checked
    bool DteInserting = false;   // "Enable / Disable DTE Inserting" checked
    bool pendingDigit() const { return pending_; }
    void HexEditMode1Click();
    void D_MBEClick();
    void D_DTEClick();
    // Pastes the clipboard's text as typed characters (asText) or hex digits,
    // reporting to `progress` between pieces (the busy runner's; a false
    // answer stops the paste there).
    void AsText1Click(common::Port& port, bool asText, const common::Progress& progress = {});

    const EditorState& editor() const { return ed_; }
    const TableData& table() const { return tbl_; }
    ViewState& view() { return vs_; }

private:
    // The bytes changed since the last save on the page shown.
    std::vector<std::pair<int32_t, int32_t>> changed_;
    bool isChanged(int32_t offset) const;
    bool canPaint() const { return ed_.EditorReady && ed_.hasBuffer(); }
    void refreshState();
    void noteCursor();
    // While a key or drag extends the selection, its end follows the cursor.
    void followSelection();
    int rowAt(int y) const;
    bool moveKey(ViewKey key, bool ctrl, bool extend);
    // Columns [first, last] of the cell at x in page row r (a byte in the
    // hex column, an item of one or two bytes in the text column); right of
    // the row's last cell: that cell when `toEnd`, else none.
    std::optional<std::pair<int, int>> cellColumns(bool textColumn, int r, int x, bool toEnd) const;
    bool inSelection(int32_t first, int32_t last) const {
        return shownSelection_ && first <= shownSelection_->last && last >= shownSelection_->first;
    }
    void buildRow(int r);
    void buildHexRow(int r);
    void buildTextRow(int r);
    void noteBlink(bool textColumn, int r, size_t cellIndex, ColorPair off);
    void fillText(std::u16string& out, std::string_view bytes) const;
    size_t textLength(std::string_view text) const;
    const TextMetrics& textMetrics() const;
    int hexWidth(uint8_t b) const { return hexWidths_[b]; }
    int offsetTextWidth(uint32_t value) const;
    int32_t rowStart(int r) const { return vs_.TopOffset + r * vs_.BytesPerRow; }
    void afterKey();
    void writeByte(int32_t at, uint8_t value);
    void dteMerge(int32_t c);
    // Text mode: the characters through the table's one encoder (longest
    // text first), written at the cursor.
    void typeText(std::u32string_view chars);
    void typeCode(const TextMatch& m);
    // Characters at the cursor: through the encoder in text mode, else hex digits.
    void typePiece(std::u32string_view chars);
    // Runs `typing` with one repaint at its end; the status tells when the
    // end of the file stopped it.
    template <class F>
    void batched(F&& typing);
    void setPanelWidth();

    const EditorState& ed_;
    TableData& tbl_;
    EditSession* session_ = nullptr;
    Subscription fileEvents_;
    ViewState& vs_;
    ViewHost* host_ = nullptr;
    ViewHost noHost_;
    ViewHost& host() { return host_ ? *host_ : noHost_; }

    const TextMetrics* hexFont_ = nullptr;
    const TextMetrics* textFont_ = nullptr;
    const TextMetrics* kanaFont_ = nullptr;
    int hexWidths_[256] = {};
    int ddWidth_ = 0;
    int labelWidth_ = 0;  // "DDDDDDDDD "

    int panelHeight_ = 0;
    int textPanelWidth_ = 0;
    int hexPanelWidth_ = 0;
    int rows_ = 0;  // rows of the page as built
    bool japanese_ = false;

    ViewPage page_;
    std::string status_;
    BlinkCellState blink_;

    int hexMouseX_ = 0, hexMouseRow_ = 0;
    int tblMouseX_ = 0, tblMouseRow_ = 0;

    int wheelAngle_ = 0;   // turned but not yet scrolled, in eighths of a degree times rows per notch
    int wheelPixels_ = 0;  // touchpad distance not yet scrolled
    bool refusedPastEnd_ = false;  // typing reached the end of the file
    int32_t notedCursor_ = -1, notedAnchor_ = -1, notedEnd_ = -1;  // as last told to the document
    bool extending_ = false;  // a Shift key or a drag is moving the selection's end
    std::optional<ByteRange> shownSelection_;  // as the rows being built show it
    bool dragging_ = false;
    int32_t dragFirst_ = 0, dragLast_ = 0;  // the cell the drag started on

    bool pending_ = false;
    char pendingChar_ = 0;
    int batch_ = 0;  // while pasting, paints only refresh the state
    bool batchDirty_ = false;
};

}  // namespace hexedit
