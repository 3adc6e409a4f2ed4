#include "hexedit/tiles/TileEditor.h"

#include <algorithm>
#include <cstdio>

#include "hexedit/core/OffsetFormat.h"

namespace hexedit::tiles {

namespace {
constexpr uint16_t kWhite = 0xFFFF;

// A one-pixel outline of the rectangle, clipped to the picture.
void outline(Picture& p, int x, int y, int w, int h, uint16_t color) {
    auto put = [&](int px, int py) {
        if (px >= 0 && py >= 0 && px < p.width && py < p.height) p.pixels[static_cast<size_t>(py) * p.width + px] = color;
    };
    for (int i = 0; i < w; ++i) {
        put(x + i, y);
        put(x + i, y + h - 1);
    }
    for (int j = 0; j < h; ++j) {
        put(x, y + j);
        put(x + w - 1, y + j);
    }
}
}  // namespace

TileEditor::TileEditor(EditSession& session) : session_(session) {
    session.commands().add("TileEditor1Click", [this] { TileEditor1Click(); });
    buildMenu();
}

void TileEditor::buildMenu() {
    auto add = [&](std::string_view menu, std::string_view caption, std::string_view keys, std::function<void()> run,
                   std::function<bool()> checked = {}) {
        menu_.push_back({menu, caption, keys, std::move(run), std::move(checked)});
    };
    add("&File", "&Open File for Editing...", "Ctrl+O", [this] { Open1Click(); });
    add("&File", "&Save File", "Ctrl+S", [this] { Save1Click(); });
    add("&File", "", "", {});
    add("&File", "E&xit", "Esc", [this] { Exit1Click(); });
    add("&Edit", "&Undo", "Alt+Backspace", [this] { Undo1Click(); });
    add("&Edit", "&Redo", "Ctrl+Y", [this] { Redo1Click(); });
    add("&Option", "&Table Editor ", "Ctrl+T", [this] { TableEditor1Click(); });
    add("&Option", "Table &Maker", "Ctrl+M", [this] { TableMaker1Click(); });
    add("&Option", "&Goto Offset", "Ctrl+G", [this] { GotoOffset1Click(); });
    add("&Option", "", "", {});
    add("&Option", "&Mouse Movement [ Free / Grid ]", "Tab", [this] { MouseMovement1Click(); },
        [this] { return FreeGrid; });
    add("&Option", "&Independent Cursor Box", "Ctrl+I", [this] { IndependentBox1Click(); }, [this] { return curBox; });
    for (const auto& f : kTileFormats) {
        const int n = f.number;
        add("&View/&Format", f.caption, std::string_view(&f.key, 1), [this, n] { selectFormat(n); },
            [this, n] { return Format == n; });
    }
    add("&View", "", "", {});
    add("&View", "View &Standard Palette", "Ctrl+P", [this] { selectPalette(standardPalette()); },
        [this] { return palette == &standardPalette(); });
    add("&View", "View &NES Palette", "Ctrl+N", [this] { selectPalette(nesPalette()); },
        [this] { return palette == &nesPalette(); });
    add("&Help", "&Help Contents", "F1", [this] { Help1Click(); });
}

bool TileEditor::ready() const { return session_.editor().fileOpen() && session_.editor().hasBuffer(); }

void TileEditor::refresh() {
    if (view_) view_->refresh();
}

// ---- showing ----

void TileEditor::TileEditor1Click() {
    if (!ready()) return;
    if (host.showing) host.showing(true);
    session_.setMainWindowVisible(false);
    FormShow();
    if (view_) view_->execModal();
    if (host.closeTableEditor) host.closeTableEditor();
    if (host.showing) host.showing(false);
    session_.moveCursorTo(TopOffset);
    session_.setMainWindowVisible(true);
}

void TileEditor::FormShow() {
    TopOffset = session_.view().TopOffset;
    BoxWidth = tWid;
    BoxHeight = tHgt;
    CellWidth = std::max(1, ChrBoxWidth / BoxWidth);
    CellHeight = std::max(1, ChrBoxHeight / BoxHeight);
    BoxShown = ClipBoxShown = false;
    redrawCleared();
}

void TileEditor::Exit1Click() {
    if (view_) view_->closeWindow();
}

// ---- decoding ----

void TileEditor::decode(Redraw kind) {
    if (!ready()) return;
    bool full = kind == Redraw::Full;
    TopOffset = clampViewStart(TopOffset, session_.editor().BufferSize, layout(), full);
    decodeView(layout(), session_.bytes(), TopOffset, full ? Redraw::Full : kind, tiles);
}

void TileEditor::redrawCleared() {
    tiles.fill(0);
    decode(Redraw::Full);
    refresh();
}

void TileEditor::moveTop(int64_t top, Redraw kind) {
    TopOffset = static_cast<int32_t>(std::clamp<int64_t>(top, INT32_MIN, INT32_MAX));
    decode(kind);
}

// ---- menu ----

void TileEditor::runHost(const std::function<void()>& hook, std::string_view command) {
    if (hook) {
        hook();
    } else if (session_.commands().has(command)) {
        session_.commands().run(command);
    }
}

TileEditor::MainWindowMark TileEditor::mainWindowMark() {
    const auto& e = session_.editor();
    return {session_.view().TopOffset, session_.view().CursorOffset, e.CurrentPath, e.FileBuffer()};
}

// After a command of the main window: when it moved the cursor or loaded a
// file the view starts at the main window's offset; when it was cancelled
// the view stays where it was.
void TileEditor::afterMainWindow(const MainWindowMark& before) {
    const MainWindowMark now = mainWindowMark();
    if (now.top != before.top || now.cursor != before.cursor || now.path != before.path || now.bytes != before.bytes)
        TopOffset = now.top;
    redrawCleared();
}

void TileEditor::Open1Click() {
    const auto before = mainWindowMark();
    session_.commands().run("Open1Click");
    afterMainWindow(before);
}

void TileEditor::Save1Click() {
    session_.commands().run("SaveFile1Click");
    refresh();
}

void TileEditor::TableEditor1Click() { runHost(host.tableEditor, "TableEdit1Click"); }
void TileEditor::TableMaker1Click() { runHost(host.tableMaker, "TableMaker1Click"); }
void TileEditor::Help1Click() { runHost(host.help, "HelpTopics1Click"); }

void TileEditor::GotoOffset1Click() {
    const auto before = mainWindowMark();
    runHost(host.gotoOffset, "GotoOffset1Click");
    afterMainWindow(before);
}

void TileEditor::Undo1Click() {
    session_.commands().run("Undo1Click");
    decode(Redraw::Full);
    refresh();
}

void TileEditor::Redo1Click() {
    session_.commands().run("Redo1Click");
    decode(Redraw::Full);
    refresh();
}

void TileEditor::MouseMovement1Click() {
    FreeGrid = !FreeGrid;
    refresh();
}

void TileEditor::IndependentBox1Click() {
    curBox = !curBox;
    refresh();
}

void TileEditor::selectFormat(int number) {
    if (number < 0 || number >= kFormatCount) return;
    Format = number;
    decode(Redraw::Full);
    refresh();
}

void TileEditor::selectPalette(const Palette& p) {
    palette = &p;
    refresh();
}

// ---- keys ----

bool TileEditor::FormKeyDown(const KeyPress& k) {
    if (!ready()) return true;
    if (k.key == Key::Modifier) return false;
    if (k.shift) {
        const int before = ViewColumns;
        if (k.key == Key::Left) ViewColumns = std::max(1, ViewColumns - 1);
        if (k.key == Key::Right) ViewColumns = std::min(16, ViewColumns + 1);
        if (ViewColumns != before) redrawCleared();
        return true;
    }
    const auto L = layout();
    if (k.ctrl) {
        if (k.key == Key::Left || k.key == Key::Right) {
            tWid = std::clamp(tWid + (k.key == Key::Left ? -1 : 1), 2, kChar);
            refresh();
            return true;
        }
        bool changed = true;
        if (k.key == Key::Up || k.key == Key::Down) {
            TileHeight = std::clamp(TileHeight + (k.key == Key::Up ? -1 : 1), kMinTileHeight, kMaxTileHeight);
            if (!curBox) tHgt = std::clamp(TileHeight, 2, kChar);
        } else if (k.text == U'+' || k.text == U'-') {
            ColorIndexStart = static_cast<uint8_t>(ColorIndexStart + (k.text == U'+' ? 1 : -1));
        } else {
            changed = false;
        }
        if (changed) redrawCleared();
        return changed;
    }
    if (k.alt) return false;
    const int64_t top = TopOffset;
    switch (k.key) {
    case Key::Up: moveTop(top - L.rowBytes(), Redraw::ScrollUp); break;
    case Key::Down: moveTop(top + L.rowBytes(), Redraw::ScrollDown); break;
    case Key::Left: moveTop(top > 0 ? top - 1 : top, Redraw::Full); break;
    case Key::Right: moveTop(top + 1, Redraw::Full); break;
    case Key::PageUp: moveTop(top - L.screenBytes(), Redraw::Full); break;
    case Key::PageDown: moveTop(top + L.screenBytes(), Redraw::Full); break;
    case Key::Home: moveTop(0, Redraw::Full); break;
    case Key::End: moveTop(session_.editor().BufferSize - L.screenBytes(), Redraw::Full); break;
    case Key::Tab: MouseMovement1Click(); return true;
    case Key::Escape: Exit1Click(); return true;
    case Key::F1: Help1Click(); return true;
    default:
        if (k.text == U'+' || k.text == U'-') {
            moveTop(top + (k.text == U'+' ? L.tileBytes() : -L.tileBytes()), Redraw::Full);
        } else if (const int n = formatForKey(k.text); n >= 0) {
            Format = n;
            decode(Redraw::Full);
        } else {
            return k.text != 0;  // typed characters are discarded
        }
    }
    refresh();
    return true;
}

void TileEditor::TVScrlScroll(ScrollAction action, int32_t position) {
    static constexpr Key keys[] = {Key::Up, Key::Down, Key::PageUp, Key::PageDown, Key::Home, Key::End};
    if (action == ScrollAction::Thumb) {
        if (!ready()) return;
        moveTop(position & ~15, Redraw::Full);
        refresh();
        return;
    }
    FormKeyDown({keys[static_cast<int>(action)]});
}

// ---- the cursor box ----

void TileEditor::placeBox(int px, int py, int areaWidth, int areaHeight, bool freeMove) {
    if (px < 0 || py < 0 || px >= areaWidth || py >= areaHeight) return;
    if (freeMove) {
        BoxX = px;
        BoxY = py;
    } else if (curBox) {
        BoxX = px & ~7;
        BoxY = py & ~7;
    } else {
        BoxX = BoxWidth * (px / BoxWidth);
        BoxY = BoxHeight * (py / BoxHeight);
    }
}

void TileEditor::resizeBox(int px, int py, int areaWidth, int areaHeight) {
    if (!FreeGrid) {
        px &= ~7;
        py &= ~7;
    }
    const int w = px - BoxX, h = py - BoxY;
    if (w <= 0 || h <= 0 || BoxX + w > areaWidth || BoxY + h > areaHeight) return;
    BoxWidth = std::min(w, kChar);
    BoxHeight = std::min(h, kChar);
    ChrBoxWidth = (kBox / BoxWidth) * BoxWidth;
    ChrBoxHeight = (kBox / BoxHeight) * BoxHeight;
    CellWidth = ChrBoxWidth / BoxWidth;
    CellHeight = ChrBoxHeight / BoxHeight;
}

void TileEditor::pullInside(int width, int height) {
    BoxX = std::clamp(BoxX, 0, width - BoxWidth);
    BoxY = std::clamp(BoxY, 0, height - BoxHeight);
}

void TileEditor::TBoxMouse(int x, int y, MouseButton button, bool ctrl) {
    if (!ready()) return;
    const int px = x / 2, py = y / 2;
    if (ctrl) {
        resizeBox(px, py, kArea, kArea);
    } else {
        placeBox(px, py, kArea, kArea, FreeGrid);
        if (button == MouseButton::Left) pickUp();
        if (button == MouseButton::Right) drop();
    }
    BoxShown = true;
    ClipBoxShown = false;
    refresh();
}

void TileEditor::pickUp() {
    pullInside(kArea, kArea);
    for (int r = 0; r < BoxHeight; ++r)
        std::copy_n(&tiles[static_cast<size_t>(BoxY + r) * kArea + BoxX], BoxWidth, &character[static_cast<size_t>(r) * kChar]);
}

void TileEditor::drop() {
    pullInside(kArea, kArea);
    for (int r = 0; r < BoxHeight; ++r)
        std::copy_n(&character[static_cast<size_t>(r) * kChar], BoxWidth, &tiles[static_cast<size_t>(BoxY + r) * kArea + BoxX]);
    encodeTouched();
    // What lay outside the view's tiles was not written: it must not stay.
    tiles.fill(0);
    decode(Redraw::Full);
}

// Re-encodes every tile of the view that the box overlaps, and nothing else,
// with one write to the file: one undo step per drop.
void TileEditor::encodeTouched() {
    const auto L = layout();
    const TileFormat& f = format();
    const int w = tileWidth(f), h = TileHeight;
    const int columns = std::min(L.perRow(), kArea / w);
    const int r0 = BoxY / h, c0 = BoxX / w;
    const int r1 = std::min(L.rows() - 1, (BoxY + BoxHeight - 1) / h);
    const int c1 = std::min(columns - 1, (BoxX + BoxWidth - 1) / w);
    if (r0 > r1 || c0 > c1) return;
    const auto file = session_.editor().fileBytes();
    const int64_t lo = std::max<int64_t>(0, L.tileOffset(TopOffset, r0, c0));
    const int64_t hi = std::min<int64_t>(static_cast<int64_t>(file.size()),
                                         L.tileOffset(TopOffset, r1, c1) + tileFootprint(f, h));
    if (lo >= hi) return;  // all past the end of the file
    std::vector<uint8_t> span(file.begin() + lo, file.begin() + hi);
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c)
            encodeTile(f, &tiles[static_cast<size_t>(r * h) * kArea + c * w], kArea, h, span, lo, L.tileOffset(TopOffset, r, c));
    size_t first = 0, last = span.size();
    while (first < last && span[first] == file[lo + first]) ++first;
    while (last > first && span[last - 1] == file[lo + last - 1]) --last;
    if (first == last) return;
    session_.writeBytes(static_cast<int32_t>(lo + first),
                        std::span<const uint8_t>(span).subspan(first, last - first));
}

void TileEditor::ChrBoxMouse(int x, int y, MouseButton button) {
    const int cx = x / CellWidth, cy = y / CellHeight;
    const bool inside = x >= 0 && y >= 0 && cx < BoxWidth && cy < BoxHeight;
    hoverChrX_ = inside ? cx : -1;
    hoverChrY_ = inside ? cy : -1;
    BoxShown = ClipBoxShown = false;
    hoverColor_ = -1;
    if (inside && button != MouseButton::None)
        character[static_cast<size_t>(cy) * kChar + cx] = button == MouseButton::Left ? LeftColor : RightColor;
    refresh();
}

void TileEditor::ClrBoxMouse(int x, int y, MouseButton button) {
    const bool inside = x >= 0 && y >= 0 && x < kBox && y < kBox;
    const int n = inside ? x / 8 + 16 * (y / 8) : -1;
    hoverColor_ = n;
    BoxShown = ClipBoxShown = false;
    hoverChrX_ = hoverChrY_ = -1;
    if (n >= 0 && n < format().ColorCount) {
        if (button == MouseButton::Left) LeftColor = static_cast<uint8_t>(n);
        if (button == MouseButton::Right) RightColor = static_cast<uint8_t>(n);
    }
    refresh();
}

void TileEditor::ClipBoxMouseMove(int x, int y, bool ctrl) {
    if (ctrl) {
        resizeBox(x, y, kClipWidth, kClipHeight);
    } else {
        placeBox(x, y, kClipWidth, kClipHeight, false);
    }
    ClipBoxShown = true;
    BoxShown = false;
    refresh();
}

void TileEditor::ClipBoxMouseDown(int x, int y, MouseButton button) {
    if (x < 0 || y < 0 || x >= kClipWidth || y >= kClipHeight) return;
    placeBox(x, y, kClipWidth, kClipHeight, false);
    pullInside(kClipWidth, kClipHeight);
    for (int r = 0; r < BoxHeight; ++r) {
        uint8_t* area = &clip[static_cast<size_t>(BoxY + r) * kClipWidth + BoxX];
        uint8_t* chr = &character[static_cast<size_t>(r) * kChar];
        if (button == MouseButton::Left) std::copy_n(area, BoxWidth, chr);
        if (button == MouseButton::Right) std::copy_n(chr, BoxWidth, area);
    }
    ClipBoxShown = true;
    BoxShown = false;
    refresh();
}

void TileEditor::mouseLeft() {
    BoxShown = ClipBoxShown = false;
    hoverChrX_ = hoverChrY_ = hoverColor_ = -1;
    refresh();
}

// ---- transformations ----

void TileEditor::FlipXClick() {
    for (int r = 0; r < BoxHeight; ++r) {
        auto row = character.begin() + r * kChar;
        std::reverse(row, row + BoxWidth);
    }
    refresh();
}

void TileEditor::FlipYClick() {
    for (int r = 0; r < BoxHeight / 2; ++r)
        std::swap_ranges(character.begin() + r * kChar, character.begin() + r * kChar + BoxWidth,
                         character.begin() + (BoxHeight - 1 - r) * kChar);
    refresh();
}

void TileEditor::RotateClick() {
    const auto old = character;
    for (int r = 0; r < BoxHeight; ++r)
        for (int c = 0; c < BoxWidth; ++c)
            character[static_cast<size_t>(r) * kChar + c] = old[static_cast<size_t>(BoxWidth - 1 - c) * kChar + r];
    refresh();
}

void TileEditor::ShiftLeftClick() {
    for (int r = 0; r < BoxHeight; ++r) {
        auto row = character.begin() + r * kChar;
        std::copy(row + 1, row + BoxWidth, row);
        row[BoxWidth - 1] = 0;
    }
    refresh();
}

void TileEditor::ShiftRightClick() {
    for (int r = 0; r < BoxHeight; ++r) {
        auto row = character.begin() + r * kChar;
        std::copy_backward(row, row + BoxWidth - 1, row + BoxWidth);
        row[0] = 0;
    }
    refresh();
}

// ---- texts ----

std::string TileEditor::caption() const { return host.caption ? host.caption() : std::string("Tile Editor"); }

std::string TileEditor::statusLayout() const {
    char text[96];
    std::snprintf(text, sizeof text, "Win-Width: %2d | Tile-[H x W]: %2d x %2d | Pixel Height: %2d", ViewColumns,
                  BoxHeight, BoxWidth, TileHeight);
    return text;
}

std::string TileEditor::statusPosition() const {
    char text[32];
    std::snprintf(text, sizeof text, "Position: %08X",
                  DisplayOffset(session_.view().OffsetFormat, std::max(0, TopOffset)));
    return text;
}

std::string TileEditor::colorIndexText() const {
    char text[32];
    std::snprintf(text, sizeof text, "Color Index Start: %3d", ColorIndexStart);
    return text;
}

// ---- pictures ----

const Picture& TileEditor::tilePicture() {
    Picture& p = tilePic_;
    if (p.width != kTBox) p.resize(kTBox, kTBox);
    for (int y = 0; y < kArea; ++y) {
        uint16_t* out = &p.pixels[static_cast<size_t>(2 * y) * kTBox];
        const uint8_t* in = &tiles[static_cast<size_t>(y) * kArea];
        for (int x = 0; x < kArea; ++x) out[2 * x] = out[2 * x + 1] = colorOf(in[x]);
        std::copy_n(out, kTBox, out + kTBox);
    }
    if (BoxShown) outline(p, 2 * BoxX, 2 * BoxY, 2 * BoxWidth, 2 * BoxHeight, kWhite);
    return p;
}

const Picture& TileEditor::characterPicture() {
    Picture& p = chrPic_;
    p.resize(ChrBoxWidth, ChrBoxHeight);
    for (int y = 0; y < p.height; ++y) {
        const int cy = y / CellHeight;
        for (int x = 0; x < p.width; ++x) {
            const int cx = x / CellWidth;
            if (cx < BoxWidth && cy < BoxHeight)
                p.pixels[static_cast<size_t>(y) * p.width + x] = colorOf(character[static_cast<size_t>(cy) * kChar + cx]);
        }
    }
    if (hoverChrX_ >= 0) outline(p, hoverChrX_ * CellWidth, hoverChrY_ * CellHeight, CellWidth, CellHeight, kWhite);
    return p;
}

const Picture& TileEditor::clipPicture() {
    Picture& p = clipPic_;
    if (p.width != kClipWidth) p.resize(kClipWidth, kClipHeight);
    for (size_t i = 0; i < clip.size(); ++i) p.pixels[i] = colorOf(clip[i]);
    if (ClipBoxShown) outline(p, BoxX, BoxY, BoxWidth, BoxHeight, kWhite);
    return p;
}

const Picture& TileEditor::palettePicture() {
    Picture& p = palPic_;
    if (p.width != kBox) p.resize(kBox, kBox);
    for (int y = 0; y < kBox; ++y)
        for (int x = 0; x < kBox; ++x)
            p.pixels[static_cast<size_t>(y) * kBox + x] = colorOf(static_cast<uint8_t>(x / 8 + 16 * (y / 8)));
    if (hoverColor_ >= 0) outline(p, hoverColor_ % 16 * 8, hoverColor_ / 16 * 8, 8, 8, kWhite);
    return p;
}

}  // namespace hexedit::tiles
