// Keyboard input of the hex view: cursor keys, the Ctrl combinations, byte
// entry from hex digits or characters encoded through the table, the DTE
// merge, and pasting the clipboard as typed input.

#include <algorithm>
#include <iterator>

#include "common/codepage.h"
#include "common/hexdigits.h"
#include "hexedit/core/HexView.h"

namespace hexedit {

namespace {

int hexDigit(char32_t ch) { return ch < 0x80 ? common::hexDigitValue(static_cast<char>(ch)) : -1; }

// A character that types something (Enter's CR included), not a control.
bool typable(char32_t ch) { return (ch >= 0x20 || ch == U'\r') && ch != 0x7F; }

}  // namespace

void HexView::afterKey() {
    status_ = StatusText();
    host().statusChanged();
    host().scrollBarChanged();
}

bool HexView::FormKeyDown(ViewKey key, bool ctrl) {
    if (!ed_.hasBuffer()) return false;
    const int rows = visibleRows();
    bool otherKey = false;

    if (ctrl) {
        switch (key) {
        case ViewKey::PageUp:
            vs_.CursorRow = 0;
            FormPaint();
            afterKey();
            return true;
        case ViewKey::PageDown:
            vs_.CursorRow = static_cast<int8_t>(rows - 1);
            FormPaint();
            afterKey();
            return true;
        case ViewKey::Home:
            vs_.TopOffset = 0;
            FormPaint();
            afterKey();
            return true;
        case ViewKey::End:
            vs_.TopOffset = std::max(0, ed_.BufferSize - vs_.PageBytes);
            FormPaint();
            afterKey();
            return true;
        case ViewKey::Left:
            if (vs_.BytesPerRow > 1) --vs_.BytesPerRow;
            setPanelWidth();
            break;
        case ViewKey::Right:
            if (vs_.BytesPerRow < kMaxBytesPerRow) ++vs_.BytesPerRow;
            setPanelWidth();
            break;
        case ViewKey::Up:
        case ViewKey::Down:
            tbl_.CharShift = static_cast<uint8_t>(tbl_.CharShift + (key == ViewKey::Up ? 1 : -1));
            if (tbl_.TableSlot == 2) {
                tbl_.buildAsciiTable();
                FormPaint();
            } else if (TextMode) {
                FormPaint();
            }
            afterKey();
            return true;
        default: break;
        }
    }

    // Every row moves when the row length changes, so those redraw the page.
    const bool widthChanged = ctrl && (key == ViewKey::Left || key == ViewKey::Right);
    const int oldRow = vs_.CursorRow;
    auto up = [&] {
        if (vs_.CursorRow - 1 < 0) {
            vs_.CursorRow = 0;
            vs_.TopOffset -= vs_.BytesPerRow;
            FormPaint();
        } else {
            --vs_.CursorRow;
            ShowLine(oldRow, vs_.CursorRow);
        }
    };
    auto down = [&] {
        if (vs_.CursorRow + 1 < rows) {
            ++vs_.CursorRow;
            ShowLine(oldRow, vs_.CursorRow);
        } else {
            vs_.CursorRow = static_cast<int8_t>(rows - 1);
            vs_.TopOffset += vs_.BytesPerRow;
            FormPaint();
        }
    };

    switch (key) {
    case ViewKey::Left:
    case ViewKey::Backspace:
        if (vs_.CursorColumn > 0) {
            --vs_.CursorColumn;
            ShowLine(vs_.CursorRow, vs_.CursorRow);
        } else {
            vs_.CursorColumn = static_cast<int8_t>(vs_.BytesPerRow - 1);
            up();
        }
        break;
    case ViewKey::Right:
        if (vs_.CursorColumn < vs_.BytesPerRow - 1) {
            ++vs_.CursorColumn;
            ShowLine(vs_.CursorRow, vs_.CursorRow);
        } else {
            vs_.CursorColumn = 0;
            down();
        }
        break;
    case ViewKey::Up: up(); break;
    case ViewKey::Down: down(); break;
    case ViewKey::Home:
        vs_.CursorColumn = 0;
        FormPaint();
        break;
    case ViewKey::End:
        vs_.CursorColumn = static_cast<int8_t>(vs_.BytesPerRow - 1);
        FormPaint();
        break;
    case ViewKey::PageUp:
        vs_.TopOffset = vs_.TopOffset - vs_.PageBytes > 0 ? vs_.TopOffset - vs_.PageBytes : 0;
        FormPaint();
        break;
    case ViewKey::PageDown:
        if (vs_.TopOffset + vs_.PageBytes < ed_.BufferSize) vs_.TopOffset += vs_.PageBytes;
        else vs_.TopOffset = std::max(0, ed_.BufferSize - vs_.PageBytes);
        FormPaint();
        break;
    case ViewKey::Modifier: return false;
    case ViewKey::Other: otherKey = true; break;
    }
    if (otherKey) {
        // Keys that type nothing end a half-typed hex byte.
        pending_ = false;
        afterKey();
        return false;
    }
    if (widthChanged) FormPaint();
    afterKey();
    return true;
}

void HexView::writeByte(int32_t at, uint8_t value) {
    if (session_) session_->writeBytes(at, std::span<const uint8_t>(&value, 1), EditKind::Typing);
}

bool HexView::previewKey(const KeyPress& k) {
    ViewKey key;
    switch (k.key) {
    case Key::Left: key = ViewKey::Left; break;
    case Key::Right: key = ViewKey::Right; break;
    case Key::Up: key = ViewKey::Up; break;
    case Key::Down: key = ViewKey::Down; break;
    case Key::Home: key = ViewKey::Home; break;
    case Key::End: key = ViewKey::End; break;
    case Key::PageUp: key = ViewKey::PageUp; break;
    case Key::PageDown: key = ViewKey::PageDown; break;
    case Key::Backspace: key = ViewKey::Backspace; break;
    case Key::Modifier: FormKeyDown(ViewKey::Modifier, k.ctrl); return false;
    case Key::Tab: return true;  // never moves the focus; the Edit toggles own Tab
    case Key::Escape:
        if (clearSelection()) return true;
        [[fallthrough]];
    default: {
        const char32_t ch = k.text;
        const bool ctrlOnly = k.ctrl && !k.alt;
        if (!k.composed.empty() && !ctrlOnly && typeChars(k.composed)) return true;
        if (!typable(ch) || ctrlOnly) {
            FormKeyDown(ViewKey::Other, k.ctrl);
            return false;
        }
        FormKeyPress(ch);
        return true;
    }
    }
    // Ctrl with the arrows changes the row width and the character shift.
    const bool arrow = key == ViewKey::Left || key == ViewKey::Right || key == ViewKey::Up || key == ViewKey::Down;
    if (k.ctrl && arrow) return FormKeyDown(key, true);
    return moveKey(key, k.ctrl, k.shift && key != ViewKey::Backspace);
}

// A movement key: with Shift it extends the selection from where the cursor
// was, without it drops the selection.
bool HexView::moveKey(ViewKey key, bool ctrl, bool extend) {
    if (!ed_.hasBuffer()) return false;
    const bool had = vs_.SelectionAnchor >= 0;
    if (extend && !had) {
        vs_.SelectionAnchor = vs_.SelectionEnd = std::clamp(vs_.CursorOffset, 0, ed_.BufferSize - 1);
    } else if (!extend && had) {
        vs_.SelectionAnchor = vs_.SelectionEnd = -1;
    }
    extending_ = extend;
    const bool used = FormKeyDown(key, ctrl);
    extending_ = false;
    // Dropping a selection repaints every row it covered.
    if (!extend && had) FormPaint();
    return used;
}

void HexView::FormKeyPress(char32_t ch) {
    if (!ed_.hasBuffer() || vs_.CursorOffset < 0 || vs_.CursorOffset >= ed_.BufferSize) return;
    if (batch_ == 0) clearSelection();  // typing is a plain edit at the cursor
    if (vs_.CursorOffset >= ed_.FileSize) {
        // Saving writes FileSize bytes: what is typed past them would be lost.
        refusedPastEnd_ = true;
        pending_ = false;
        if (batch_ == 0) {
            status_ = kPastEndStatus;
            host().statusChanged();
        }
        return;
    }
    if (!TextMode) {
        if (hexDigit(ch) < 0) return;
        if (!pending_) {
            pending_ = true;
            pendingChar_ = static_cast<char>(ch);
            return;
        }
        writeByte(vs_.CursorOffset, static_cast<uint8_t>(common::hexByteValue(pendingChar_, static_cast<char>(ch))));
        pending_ = false;
        FormPaint();
        FormKeyDown(ViewKey::Right, false);
        return;
    }
    typeText(std::u32string_view(&ch, 1));
}

namespace {
// A character in one of the legacy code pages; nothing when it has no code.
std::optional<std::string> inCodePage(char32_t ch, bool japanese) {
    if (ch > 0xFFFF) return std::nullopt;  // outside both code pages
    const std::u16string u16(1, static_cast<char16_t>(ch));
    return japanese ? common::utf16ToCp932(u16) : common::utf16ToCp1252(u16);
}

std::string utf8Of(char32_t ch) {
    std::string out;
    if (ch < 0x80) {
        out += static_cast<char>(ch);
    } else if (ch < 0x800) {
        out += static_cast<char>(0xC0 | (ch >> 6));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        if (ch >= 0xD800 && ch <= 0xDFFF) return {};  // a lone surrogate is no character
        out += static_cast<char>(0xE0 | (ch >> 12));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else if (ch < 0x110000) {
        out += static_cast<char>(0xF0 | (ch >> 18));
        out += static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    }
    return out;
}
}  // namespace

// The characters in the table's encoding (UTF-8, or the displayed code page
// with the other one for a character it lacks), encoded by the one encoder:
// at each character the entry whose text is the longest prefix of the rest
// that ends between characters. A character no entry begins there is typed
// alone (a legacy table tries its bytes in the other code page next) or
// skipped.
void HexView::typeText(std::u32string_view chars) {
    const bool utf8 = tbl_.Encoding == TableEncoding::Utf8;
    std::string text;
    std::vector<size_t> starts;  // byte offset of each character in `text`, then its end
    std::vector<std::optional<std::string>> other(chars.size());
    for (size_t i = 0; i < chars.size(); ++i) {
        starts.push_back(text.size());
        if (utf8) {
            text += utf8Of(chars[i]);
            continue;
        }
        const auto first = inCodePage(chars[i], japanese_);
        const auto second = inCodePage(chars[i], !japanese_);
        if (first) text += *first;
        if (second && second != first) other[i] = second;
    }
    starts.push_back(text.size());
    const bool allowLonger = !Disable16Bit;
    for (size_t i = 0; i < chars.size();) {
        if (vs_.CursorOffset >= ed_.FileSize) {
            refusedPastEnd_ = true;
            if (batch_ == 0) {
                status_ = kPastEndStatus;
                host().statusChanged();
            }
            return;
        }
        const std::string_view rest = std::string_view(text).substr(starts[i]);
        size_t next = i + 1;
        std::optional<TextMatch> m;
        if (starts[i + 1] > starts[i]) {
            m = matchLongestText(tbl_, rest, allowLonger);
            // The match must end between two characters; else the character alone.
            if (m) {
                const auto end = std::lower_bound(starts.begin() + static_cast<std::ptrdiff_t>(i) + 1, starts.end(),
                                                  starts[i] + m->textLength);
                if (end != starts.end() && *end == starts[i] + m->textLength) {
                    next = static_cast<size_t>(end - starts.begin());
                } else {
                    m = matchLongestText(tbl_, rest.substr(0, starts[i + 1] - starts[i]), allowLonger);
                    if (m && m->textLength != starts[i + 1] - starts[i]) m.reset();
                }
            }
        }
        if (!m && other[i]) {
            m = matchLongestText(tbl_, *other[i], allowLonger);
            if (m && m->textLength != other[i]->size()) m.reset();
        }
        i = next;
        if (m) typeCode(*m);
    }
}

// Writes one table code at the cursor and moves past it; a code that would
// reach past the end of the file is refused.
void HexView::typeCode(const TextMatch& m) {
    const int32_t c = vs_.CursorOffset;
    if (m.length == 1) {
        writeByte(c, m.bytes[0]);
        if (DteInserting) dteMerge(c);
        FormPaint();
        FormKeyDown(ViewKey::Right, false);
        return;
    }
    if (c + m.length - 1 >= ed_.FileSize) {
        refusedPastEnd_ = true;
        if (batch_ == 0) {
            status_ = kPastEndStatus;
            host().statusChanged();
        }
        return;
    }
    for (int k = 0; k < m.length; ++k) writeByte(c + k, m.bytes[k]);
    FormPaint();
    for (int k = 0; k < m.length; ++k) FormKeyDown(ViewKey::Right, false);
}

// After byte B was typed at c: when the previous character and B's, or B's
// and the next, form a two-character entry, that entry's code replaces the
// first of the two bytes.
void HexView::dteMerge(int32_t c) {
    auto firstChar = [&](int64_t at) -> int {
        if (at < 0 || at >= ed_.BufferSize) return -1;
        const auto& text = tbl_.ByteTable[ed_.FileBuffer()[at]];
        if (!text || text->empty()) return -1;
        return static_cast<unsigned char>((*text)[0]);
    };
    const int P = firstChar(static_cast<int64_t>(c) - 1);
    const int T = firstChar(c);
    const int N = firstChar(static_cast<int64_t>(c) + 1);
    if ((P < 0) + (T < 0) + (N < 0) >= 2) return;
    // A two-character string found in DteTable counts only where it starts
    // a cell; a match across two cells would name no entry.
    auto find = [&](int a, int b) -> int {
        for (int k = 0; k < 256; ++k)
            if (tbl_.DteTable[k * 3] == a && tbl_.DteTable[k * 3 + 1] == b) return k;
        return -1;
    };
    if (P >= 0 && T >= 0) {
        const int k = find(P, T);
        if (k >= 0) {
            writeByte(c - 1, static_cast<uint8_t>(k));
            return;
        }
    }
    if (T >= 0 && N >= 0) {
        const int k = find(T, N);
        if (k >= 0) writeByte(c, static_cast<uint8_t>(k));
    }
}

void HexView::HexEditMode1Click() {
    TextMode = !TextMode;
    ShowLine(vs_.CursorRow, vs_.CursorRow);
    host().menusChanged();
}

void HexView::D_MBEClick() {
    Disable16Bit = !Disable16Bit;
    host().menusChanged();
}

void HexView::D_DTEClick() {
    DteInserting = !DteInserting;
    host().menusChanged();
}

template <class F>
void HexView::batched(F&& typing) {
    refusedPastEnd_ = false;
    ++batch_;
    typing();
    --batch_;
    batchDirty_ = false;
    FormPaint();
    afterKey();
    if (refusedPastEnd_) {
        status_ = kPastEndStatus;
        host().statusChanged();
    }
}

void HexView::typePiece(std::u32string_view chars) {
    if (chars.empty()) return;
    if (!TextMode) {
        for (char32_t ch : chars) FormKeyPress(ch);
    } else if (vs_.CursorOffset >= 0 && vs_.CursorOffset < ed_.BufferSize) {
        if (vs_.CursorOffset >= ed_.FileSize) refusedPastEnd_ = true;
        else typeText(chars);
    }
}

bool HexView::typeChars(std::u32string_view chars) {
    std::u32string typed;
    std::copy_if(chars.begin(), chars.end(), std::back_inserter(typed), typable);
    if (typed.empty()) return false;
    if (!ed_.hasBuffer()) return true;
    clearSelection();  // typing is a plain edit at the cursor
    batched([&] { typePiece(typed); });
    return true;
}

void HexView::AsText1Click(common::Port& port, bool asText, const common::Progress& progress) {
    if (!ed_.hasBuffer()) return;
    const bool savedMode = TextMode;
    TextMode = asText;
    const std::u16string text = common::utf8ToUtf16(port.clipboardText());
    // Lines are replayed in pieces of at most 511 characters, with progress
    // reported between pieces; one repaint at the end. Text goes a piece at
    // a time through the encoder; line breaks are not typed and end words.
    constexpr size_t kPiece = 511;
    batched([&] {
        std::u32string piece;
        auto flush = [&] {
            typePiece(piece);
            piece.clear();
        };
        for (size_t i = 0; i < text.size(); ++i) {
            char32_t ch = text[i];
            if (ch == u'\r' || ch == u'\n') {
                flush();
                continue;
            }
            if (ch >= 0xD800 && ch <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF) {
                ch = 0x10000 + ((ch - 0xD800) << 10) + (text[i + 1] - 0xDC00);
                ++i;
            }
            piece.push_back(ch);
            if (piece.size() == kPiece) {
                flush();
                if (progress && !progress(i + 1, text.size())) break;
            }
        }
        flush();
        TextMode = savedMode;
    });
}

}  // namespace hexedit
