#include "hexedit/core/HexView.h"

#include <algorithm>
#include <cstdio>

#include "common/codepage.h"

namespace hexedit {

namespace {

// Until the real fonts are known: 8 x 13 pixels per character.
class PlainMetrics : public TextMetrics {
public:
    int height() const override { return 13; }
    int width(std::u16string_view text) const override { return static_cast<int>(text.size()) * 8; }
};
const PlainMetrics kPlainMetrics;

struct HexTexts {
    char16_t text[256][2];
    HexTexts() {
        const char* digits = "0123456789ABCDEF";
        for (int b = 0; b < 256; ++b) {
            text[b][0] = static_cast<char16_t>(digits[b >> 4]);
            text[b][1] = static_cast<char16_t>(digits[b & 15]);
        }
    }
    std::u16string_view of(uint8_t b) const { return {text[b], 2}; }
};
const HexTexts kHex;

void putOffsetText(std::u16string& out, uint32_t value) {
    out.resize(9);
    const char* digits = "0123456789ABCDEF";
    for (int i = 7; i >= 0; --i) {
        out[i] = static_cast<char16_t>(digits[value & 15]);
        value >>= 4;
    }
    out[8] = u' ';
}

ViewCell& cellAt(ViewRow& row, size_t i) {
    if (row.cells.size() <= i) row.cells.resize(i + 1);
    return row.cells[i];
}

void setCell(ViewCell& c, int x, int width, ColorPair colors, int32_t offset, int count, bool cursor) {
    c.x = x;
    c.width = width;
    c.textColor = colors.text;
    c.background = colors.background;
    c.offset = offset;
    c.count = count;
    c.cursor = cursor;
}

// Entries of three and four bytes: the pair colours with the background a
// quarter (three bytes) or two fifths (four bytes) of the way to the text
// colour, so that the code lengths tell apart as pairs do.
ColorPair longEntry(ColorPair p, int length) {
    const uint32_t weight = length == 3 ? 64 : 102;  // of 256
    uint32_t background = 0;
    for (int shift : {0, 8, 16}) {
        const uint32_t t = (p.text >> shift) & 0xFF, b = (p.background >> shift) & 0xFF;
        background |= ((b * (256 - weight) + t * weight) / 256) << shift;
    }
    return {p.text, background};
}

// Bytes past the end of the file: the text half-way to the background.
ColorPair pastEnd(ColorPair p) {
    uint32_t text = 0;
    for (int shift : {0, 8, 16}) {
        const uint32_t a = (p.text >> shift) & 0xFF, b = (p.background >> shift) & 0xFF;
        text |= ((a + b) / 2) << shift;
    }
    return {text, p.background};
}

}  // namespace

HexView::HexView(const EditorState& editor, TableData& table, ViewState& view) : ed_(editor), tbl_(table), vs_(view) {
    setFonts(nullptr, nullptr, nullptr);
}

void HexView::setFonts(const TextMetrics* hexFont, const TextMetrics* textFont, const TextMetrics* japaneseFont) {
    hexFont_ = hexFont ? hexFont : &kPlainMetrics;
    textFont_ = textFont ? textFont : &kPlainMetrics;
    kanaFont_ = japaneseFont ? japaneseFont : textFont_;
    for (int b = 0; b < 256; ++b) hexWidths_[b] = hexFont_->width(kHex.of(static_cast<uint8_t>(b)));
    ddWidth_ = hexFont_->width(u"DD");
    labelWidth_ = hexFont_->width(u"DDDDDDDDD ");
    setPanelWidth();
}

const TextMetrics& HexView::textMetrics() const { return japaneseFace() ? *kanaFont_ : *textFont_; }

bool HexView::japaneseFace() const { return japanese_ || (tbl_.Encoding == TableEncoding::Utf8 && tbl_.WideText); }

std::string HexView::tableEncodingLabel() const {
    if (tbl_.Encoding == TableEncoding::Utf8) return "Table: UTF-8";
    return japanese_ ? "Table: Shift-JIS" : "Table: Windows-1252";
}

// ---------------------------------------------------------------- layout

int HexView::LineHeight() const { return std::max(hexFont_->height(), textFont_->height()) + 3; }

int HexView::hexPanelWidth() const { return vs_.BytesPerRow * ddWidth_ + labelWidth_; }

int HexView::visibleRows() const { return std::clamp(panelHeight_ / LineHeight(), 1, kMaxRows); }

void HexView::setPanelWidth() {
    const int w = hexPanelWidth();
    if (w != hexPanelWidth_) {
        hexPanelWidth_ = w;
        host().panelWidthChanged();
    }
}

void HexView::Panel3Resize(int panelHeight, int textPanelWidth) {
    panelHeight_ = std::max(0, panelHeight);
    textPanelWidth_ = std::max(0, textPanelWidth);
    setPanelWidth();
    // Rows are laid out by LineHeight, so the page is counted the same way.
    vs_.PageBytes = visibleRows() * vs_.BytesPerRow;
    vs_.TopOffset = PlaceCursor(vs_, std::clamp(vs_.CursorOffset, 0, std::max(0, ed_.BufferSize - 1)), ed_.BufferSize);
    host().scrollBarChanged();
    FormPaint();
}

void HexView::Panel2Resize(int textPanelWidth) {
    textPanelWidth_ = std::max(0, textPanelWidth);
    // Only the fillers at the rows' ends change.
    if (page_.valid) {
        for (ViewRow& row : page_.textRows)
            if (!row.cells.empty()) row.cells.back().width = std::max(0, textPanelWidth_ - row.cells.back().x);
        host().pageRepainted();
    }
    host().scrollBarChanged();
}

// ---------------------------------------------------------------- painting

void HexView::refreshState() {
    if (vs_.TopOffset + vs_.PageBytes > ed_.BufferSize) vs_.TopOffset = ed_.BufferSize - vs_.PageBytes;
    if (vs_.TopOffset < 0) vs_.TopOffset = 0;
    vs_.CursorOffset = vs_.TopOffset + vs_.CursorRow * vs_.BytesPerRow + vs_.CursorColumn;
    status_ = StatusText();
    noteCursor();
}

void HexView::noteCursor() {
    if (vs_.CursorOffset == notedCursor_ && vs_.SelectionAnchor == notedAnchor_ && vs_.SelectionEnd == notedEnd_)
        return;
    notedCursor_ = vs_.CursorOffset;
    notedAnchor_ = vs_.SelectionAnchor;
    notedEnd_ = vs_.SelectionEnd;
    if (session_) session_->document().viewCursorChanged();
}

void HexView::followSelection() {
    if (extending_ && vs_.SelectionAnchor >= 0)
        vs_.SelectionEnd = std::clamp(vs_.TopOffset + vs_.CursorRow * vs_.BytesPerRow + vs_.CursorColumn, 0,
                                      std::max(0, ed_.BufferSize - 1));
    shownSelection_ = selection();
}

bool HexView::clearSelection() {
    if (vs_.SelectionAnchor < 0) return false;
    vs_.SelectionAnchor = vs_.SelectionEnd = -1;
    FormPaint();  // also the status text and the cursor listener
    return true;
}

void HexView::FormPaint() {
    if (!canPaint()) {
        if (page_.valid) {
            page_.valid = false;
            blink_.valid = false;
            host().pageRepainted();
        }
        return;
    }
    setPanelWidth();
    if (batch_ > 0) {
        refreshState();
        batchDirty_ = true;
        return;
    }
    if (vs_.TopOffset + vs_.PageBytes > ed_.BufferSize) vs_.TopOffset = ed_.BufferSize - vs_.PageBytes;
    if (vs_.TopOffset < 0) vs_.TopOffset = 0;
    followSelection();
    page_.valid = true;
    page_.japanese = japaneseFace();
    page_.lineHeight = LineHeight();
    rows_ = visibleRows();
    page_.hexRows.resize(rows_);
    page_.textRows.resize(rows_);
    blink_.valid = false;
    changed_.clear();
    if (vs_.MarkChanges && session_)
        changed_ = session_->document().edits().changedSinceSave(vs_.TopOffset, vs_.TopOffset + vs_.PageBytes - 1);
    for (int r = 0; r < rows_; ++r) buildRow(r);
    refreshState();
    host().pageRepainted();
    host().statusChanged();
}

void HexView::ShowLine(int rowA, int rowB) {
    if (!canPaint()) return;
    vs_.CursorOffset = vs_.TopOffset + vs_.CursorRow * vs_.BytesPerRow + vs_.CursorColumn;
    followSelection();
    if (batch_ > 0 || !page_.valid) {
        batchDirty_ = batch_ > 0;
        noteCursor();
        return;
    }
    blink_.valid = false;
    for (int r : {rowA, rowB})
        if (r >= 0 && r < rows_) buildRow(r);
    host().rowsRepainted(rowA, rowB);
    noteCursor();
}

void HexView::buildRow(int r) {
    buildHexRow(r);
    buildTextRow(r);
}

int HexView::offsetTextWidth(uint32_t value) const {
    std::u16string text;
    putOffsetText(text, value);
    return hexFont_->width(text);
}

void HexView::noteBlink(bool textColumn, int r, size_t cellIndex, ColorPair off) {
    const ViewCell& c = (textColumn ? page_.textRows : page_.hexRows)[r].cells[cellIndex];
    blink_.valid = true;
    blink_.textColumn = textColumn;
    blink_.x = c.x;
    blink_.row = r;
    blink_.text.assign(c.text, 0, std::min<size_t>(c.text.size(), 128));
    blink_.on = {c.textColor, c.background};
    blink_.off = off;
    blink_.phase = true;
    blink_.cellIndex = cellIndex;
}

bool HexView::isChanged(int32_t offset) const {
    for (const auto& [first, last] : changed_)
        if (offset >= first && offset <= last) return true;
    return false;
}

void HexView::buildHexRow(int r) {
    const auto& colors = vs_.ColorTable;
    ViewRow& row = page_.hexRows[r];
    const int32_t start = rowStart(r);
    const bool cursorRow = r == vs_.CursorRow;
    size_t n = 0;
    int x = 0;
    if (start < ed_.BufferSize) {
        ViewCell& label = cellAt(row, n++);
        putOffsetText(label.text, DisplayOffset(vs_.OffsetFormat, start));
        setCell(label, 0, hexFont_->width(label.text), colors[cursorRow ? kOffsetHighlight : kOffsetColor], start, 0,
                false);
        x = label.width;
        const uint8_t* data = ed_.FileBuffer();
        const int count = std::min(vs_.BytesPerRow, ed_.BufferSize - start);
        for (int j = 0; j < count; ++j) {
            const uint8_t b = data[start + j];
            ViewCell& c = cellAt(row, n++);
            c.text.assign(kHex.of(b));
            const bool cursor = cursorRow && j == vs_.CursorColumn;
            const bool inSel = inSelection(start + j, start + j);
            // Selected bytes keep their column's text colour where it reads.
            const ColorPair selPair =
                selectionColors(colors[(j & 1) ? kHex2Color : kHex1Color].text,
                                colors[(j & 1) ? kHex1Color : kHex2Color].background, colors[kHexHighlight].background);
            ColorPair pair;
            if (cursor) pair = colors[kHexHighlight];
            else if (inSel) pair = selPair;
            else if (j & 1) pair = {colors[kHex2Color].text, colors[kHex1Color].background};
            else pair = {colors[kHex1Color].text, colors[kHex2Color].background};
            if (!cursor && start + j >= ed_.FileSize) pair = pastEnd(pair);
            else if (!cursor && !inSel && isChanged(start + j)) pair.text = vs_.ChangedColor;
            setCell(c, x, hexWidth(b), pair, start + j, 1, cursor);
            x += c.width;
            if (cursor && !TextMode)
                noteBlink(false, r, n - 1,
                          inSel ? selPair
                                : ColorPair{colors[(j & 1) ? kHex2Color : kHex1Color].text,
                                            colors[kHex1Color].background});
        }
    }
    ViewCell& fill = cellAt(row, n++);
    fill.text.clear();
    setCell(fill, x, std::max(0, hexPanelWidth_ - x), {colors[kHex1Color].text, colors[kHex1Color].background},
            start, 0, false);
    row.cells.resize(n);
}

void HexView::fillText(std::u16string& out, std::string_view bytes) const {
    bool ascii = true;
    for (char ch : bytes)
        if (static_cast<unsigned char>(ch) >= 0x80) ascii = false;
    if (ascii) {
        out.resize(bytes.size());
        for (size_t i = 0; i < bytes.size(); ++i) out[i] = static_cast<char16_t>(bytes[i]);
    } else if (tbl_.Encoding == TableEncoding::Utf8) {
        out = common::utf8ToUtf16(bytes);
    } else {
        out = japanese_ ? common::cp932ToUtf16(bytes) : common::cp1252ToUtf16(bytes);
    }
}

// Characters of a text for the colours: UTF-8 characters in a UTF-8 table,
// bytes in a legacy one (a Shift-JIS character counts two, as ever).
size_t HexView::textLength(std::string_view text) const {
    if (tbl_.Encoding != TableEncoding::Utf8) return text.size();
    size_t n = 0;
    for (unsigned char c : text) n += (c & 0xC0) != 0x80;
    return n;
}

void HexView::buildTextRow(int r) {
    const auto& colors = vs_.ColorTable;
    ViewRow& row = page_.textRows[r];
    const int32_t start = rowStart(r);
    const bool cursorRow = r == vs_.CursorRow;
    const TextMetrics& metrics = textMetrics();
    size_t n = 0;
    int x = 0;
    if (start < ed_.BufferSize) {
        const int count = std::min(vs_.BytesPerRow, ed_.BufferSize - start);
        std::span<const uint8_t> run(ed_.FileBuffer() + start, static_cast<size_t>(count));
        for (int j = 0; j < count;) {
            const DecodedItem item = decodeAt(tbl_, run, static_cast<size_t>(j));
            const bool cursor = cursorRow && vs_.CursorColumn >= j && vs_.CursorColumn < j + item.length;
            const bool inSel = inSelection(start + j, start + j + item.length - 1);
            const bool hi = cursor || inSel;
            ColorPair pair;
            uint32_t offBackground;
            if (item.kind == ItemKind::Pair) {
                pair = colors[hi ? kSubstringHighlight : kSubstringColor];
                offBackground = colors[kSubstringColor].background;
            } else if (item.kind == ItemKind::Long) {
                const ColorPair own = longEntry(colors[kSubstringColor], item.length);
                pair = hi ? colors[kSubstringHighlight] : own;
                offBackground = own.background;
            } else if (item.kind == ItemKind::LineBreakMarker) {
                pair = {kWhite, colors[hi ? kTextHighlight : kTextColor].background};
                offBackground = colors[kTextColor].background;
            } else if (item.kind == ItemKind::EndMarker) {
                pair = {kYellow, colors[hi ? kTextHighlight : kTextColor].background};
                offBackground = colors[kTextColor].background;
            } else if (textLength(item.text) == 1) {
                pair = colors[hi ? kTextHighlight : kTextColor];
                offBackground = colors[kTextColor].background;
            } else if (textLength(item.text) == 2) {
                pair = colors[hi ? kDteTextHighlight : kDteTextColor];
                offBackground = colors[kDteTextColor].background;
            } else {
                pair = colors[hi ? kMteTextHighlight : kMteTextColor];
                offBackground = colors[kMteTextColor].background;
            }
            if (inSel) {
                // Selection colours that read against the kind's background
                // (also the cursor's blink phase).
                const ColorPair sel = selectionColors(pair.text, offBackground, pair.background);
                if (!cursor) pair = sel;
                offBackground = sel.background;
            }
            if (!cursor && start + j >= ed_.FileSize) pair = pastEnd(pair);
            ViewCell& c = cellAt(row, n++);
            fillText(c.text, item.text);
            setCell(c, x, metrics.width(c.text), pair, start + j, item.length, cursor);
            x += c.width;
            if (cursor && TextMode) noteBlink(true, r, n - 1, {pair.text, offBackground});
            j += item.length;
        }
    }
    ViewCell& fill = cellAt(row, n++);
    fill.text.clear();
    setCell(fill, x, std::max(0, textPanelWidth_ - x), {colors[kTextColor].text, colors[kTextColor].background},
            start, 0, false);
    row.cells.resize(n);
}

std::string HexView::StatusText() const {
    const uint8_t b = ed_.byteAt(vs_.CursorOffset);
    char bin[9];
    for (int i = 0; i < 8; ++i) bin[i] = (b & (0x80 >> i)) ? '1' : '0';
    bin[8] = 0;
    const int64_t percent = static_cast<int64_t>(vs_.CursorOffset) * 100 / (ed_.BufferSize | 1);
    char text[128];
    std::snprintf(text, sizeof text, "Dec: %03d Hex: %02X Bin: %s Offset: %08X [%03d%%] Asc 'A'=%02X", b, b, bin,
                  static_cast<uint32_t>(vs_.CursorOffset), static_cast<int>(percent), (65 + tbl_.CharShift) & 0xFF);
    if (const auto sel = selection()) {
        char more[96];
        std::snprintf(more, sizeof more, "  Sel: %08X-%08X Len: %d (%Xh)", static_cast<uint32_t>(sel->first),
                      static_cast<uint32_t>(sel->last), sel->length(), static_cast<uint32_t>(sel->length()));
        return text + std::string(more);
    }
    return text;
}

// ---------------------------------------------------------------- settings

void HexView::setOffsetFormat(int32_t format) {
    vs_.OffsetFormat = format;
    host().menusChanged();
    FormPaint();
}

void HexView::ViewKanaClick() {
    japanese_ = !japanese_;
    host().menusChanged();
    FormPaint();
}

// ---------------------------------------------------------------- blink

void HexView::Timer1Timer(bool windowVisible) {
    if (!ed_.hasBuffer() || !windowVisible || !BlinkEnabled || !blink_.valid || !page_.valid) return;
    const bool p = blink_.phase;
    blink_.phase = !p;
    auto& rows = blink_.textColumn ? page_.textRows : page_.hexRows;
    if (blink_.row >= static_cast<int>(rows.size())) return;
    auto& cells = rows[blink_.row].cells;
    if (blink_.cellIndex >= cells.size()) return;
    ViewCell& c = cells[blink_.cellIndex];
    const ColorPair colors = p ? blink_.on : blink_.off;
    c.textColor = blink_.textColumn ? blink_.on.text : colors.text;
    c.background = colors.background;
    host().blinkRepainted();
}

// ---------------------------------------------------------------- scroll bar

ScrollBarState HexView::VScrlChange() const {
    ScrollBarState s;
    s.minimum = 0;
    s.maximum = std::max(0, ed_.BufferSize);
    s.singleStep = vs_.BytesPerRow;
    s.pageStep = vs_.PageBytes;
    s.position = vs_.TopOffset;
    return s;
}

void HexView::VScrlScroll(ScrollCode code, int position) {
    if (!ed_.hasBuffer()) return;
    const int32_t last = std::max(0, ed_.BufferSize - 1);
    switch (code) {
    case ScrollCode::LineUp: FormKeyDown(ViewKey::PageUp, false); break;
    case ScrollCode::LineDown: FormKeyDown(ViewKey::PageDown, false); break;
    case ScrollCode::PageUp:
    case ScrollCode::PageDown: {
        const int64_t step = static_cast<int64_t>(4) * vs_.PageBytes * (code == ScrollCode::PageUp ? -1 : 1);
        const int64_t target = std::clamp<int64_t>(vs_.CursorOffset + step, 0, last);
        vs_.TopOffset = PlaceCursor(vs_, static_cast<int32_t>(target), ed_.BufferSize);
        FormPaint();
        host().scrollBarChanged();
        break;
    }
    case ScrollCode::Track:
        vs_.TopOffset = PlaceCursor(vs_, std::clamp(position, 0, last), ed_.BufferSize);
        FormPaint();
        host().scrollBarChanged();
        break;
    case ScrollCode::Top: FormKeyDown(ViewKey::Home, true); break;
    case ScrollCode::Bottom: FormKeyDown(ViewKey::End, true); break;
    case ScrollCode::Other: break;
    }
}

// ---------------------------------------------------------------- wheel

void HexView::scrollRows(int64_t rows) {
    if (!canPaint() || rows == 0) return;
    const int64_t maxTop = std::max(0, ed_.BufferSize - vs_.PageBytes);
    const int64_t top = std::clamp<int64_t>(vs_.TopOffset + rows * vs_.BytesPerRow, 0, maxTop);
    if (top == vs_.TopOffset) return;
    vs_.TopOffset = static_cast<int32_t>(top);
    FormPaint();
    host().scrollBarChanged();
}

void HexView::MouseWheel(int angle, int pixels, bool shift) {
    constexpr int kNotch = 120;
    constexpr int kRowsPerNotch = 3;
    int64_t rows = 0;
    if (pixels != 0) {
        // A turn the other way drops what was left of the last one.
        if ((wheelPixels_ < 0) != (pixels < 0)) wheelPixels_ = 0;
        wheelPixels_ += pixels;
        rows = wheelPixels_ / LineHeight();
        wheelPixels_ -= static_cast<int>(rows) * LineHeight();
    } else if (angle != 0) {
        const int perNotch = shift ? visibleRows() : kRowsPerNotch;
        if ((wheelAngle_ < 0) != (angle < 0)) wheelAngle_ = 0;
        wheelAngle_ += angle * perNotch;
        rows = wheelAngle_ / kNotch;
        wheelAngle_ -= static_cast<int>(rows) * kNotch;
    }
    scrollRows(-rows);
}

// ---------------------------------------------------------------- mouse

// Rows are hit at the height they are drawn with, so a click selects the row
// under the pointer whatever the two fonts' heights. Above the box is row -1
// and less (a drag there scrolls up).
int HexView::rowAt(int y) const {
    const int h = LineHeight();
    return y >= 0 ? y / h : -1 - (-1 - y) / h;
}

void HexView::HexDataMouseMove(int x, int y) {
    hexMouseX_ = x;
    hexMouseRow_ = rowAt(y);
}

void HexView::TblDataMouseMove(int x, int y) {
    tblMouseX_ = x;
    tblMouseRow_ = rowAt(y);
}

void HexView::mousePressed() { host().menusChanged(); }

std::optional<std::pair<int, int>> HexView::cellColumns(bool textColumn, int r, int x, bool toEnd) const {
    const int32_t start = rowStart(r);
    const int count = std::clamp(ed_.BufferSize - start, 0, vs_.BytesPerRow);
    if (count == 0) return std::nullopt;
    if (!textColumn) {
        int w = offsetTextWidth(static_cast<uint32_t>(start));
        for (int j = 0; j < count; ++j) {
            w += hexWidth(ed_.FileBuffer()[start + j]);
            if (w >= x) return std::pair{j, j};
        }
        return toEnd ? std::optional(std::pair{count - 1, count - 1}) : std::nullopt;
    }
    std::span<const uint8_t> run(ed_.FileBuffer() + start, static_cast<size_t>(count));
    const TextMetrics& metrics = textMetrics();
    std::u16string text;
    int w = 0;
    for (int j = 0; j < count;) {
        const DecodedItem item = decodeAt(tbl_, run, static_cast<size_t>(j));
        fillText(text, item.text);
        w += metrics.width(text);
        if (w >= x || (toEnd && j + item.length >= count)) return std::pair{j, j + item.length - 1};
        j += item.length;
    }
    return std::nullopt;
}

// A row outside the page keeps the cursor's row; right of the row's last
// cell the column is kept. In the text column the cursor takes the item's
// last byte.
void HexView::mouseDown(bool textColumn, bool shift) {
    if (!canPaint()) return;
    if (shift) {
        if (vs_.SelectionAnchor < 0) vs_.SelectionAnchor = std::clamp(vs_.CursorOffset, 0, ed_.BufferSize - 1);
        dragFirst_ = dragLast_ = vs_.SelectionAnchor;
        dragging_ = true;
        mouseDrag(textColumn);
        return;
    }
    vs_.SelectionAnchor = vs_.SelectionEnd = -1;
    const int mouseRow = textColumn ? tblMouseRow_ : hexMouseRow_;
    if (mouseRow >= 0 && mouseRow < visibleRows()) vs_.CursorRow = static_cast<int8_t>(mouseRow);
    const auto cell = cellColumns(textColumn, vs_.CursorRow, textColumn ? tblMouseX_ : hexMouseX_, false);
    if (cell) vs_.CursorColumn = static_cast<int8_t>(textColumn ? cell->second : cell->first);
    const int32_t start = rowStart(vs_.CursorRow);
    dragFirst_ = std::clamp(start + (cell ? cell->first : vs_.CursorColumn), 0, ed_.BufferSize - 1);
    dragLast_ = std::clamp(start + (cell ? cell->second : vs_.CursorColumn), 0, ed_.BufferSize - 1);
    dragging_ = true;
    FormPaint();
}

void HexView::mouseDrag(bool textColumn) {
    if (!dragging_ || !canPaint()) return;
    int row = textColumn ? tblMouseRow_ : hexMouseRow_;
    const int rows = visibleRows();
    if (row < 0) {
        scrollRows(-1);
        row = 0;
    } else if (row >= rows) {
        scrollRows(1);
        row = rows - 1;
    }
    const auto cell = cellColumns(textColumn, row, textColumn ? tblMouseX_ : hexMouseX_, true);
    if (!cell) return;
    const int32_t start = rowStart(row);
    const int32_t first = start + cell->first;
    if (vs_.SelectionAnchor < 0 && first == dragFirst_) return;  // still on the pressed cell
    // Forwards the pressed cell's first byte is the anchor and the cursor
    // takes the cell's last byte; backwards the other way round.
    const bool forward = first >= dragFirst_;
    const int32_t end = std::min(forward ? start + cell->second : first, ed_.BufferSize - 1);
    vs_.SelectionAnchor = forward ? dragFirst_ : dragLast_;
    vs_.SelectionEnd = end;
    vs_.CursorRow = static_cast<int8_t>(row);
    vs_.CursorColumn = static_cast<int8_t>(end - start);
    FormPaint();
}

}  // namespace hexedit
