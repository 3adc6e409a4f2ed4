#include "hexedit/tiles/TileEditor.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "common/fileio.h"
#include "hexedit/core/HexView.h"
#include "hexedit/core/Savestate.h"
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
    session.commands().add({.name = "TileEditor1Click",
                            .caption = "Tile &Editor",
                            .shortcut = "Ctrl+L",
                            .hint = "View and edit the data as tiles",
                            .enabled = session.when().fileOpen(),
                            .run = [this] { TileEditor1Click(); }});
    buildMenu();
    documentEvents_ = session.document().subscribe([this](const DocumentEvent& e) { documentChanged(e); });
}

void TileEditor::documentChanged(const DocumentEvent& e) {
    if (const auto* moved = std::get_if<doc::CursorMoved>(&e)) {
        landed_ = moved->offset;
    } else if (const auto* opened = std::get_if<doc::FileOpened>(&e)) {
        landed_ = session_.view().TopOffset;
        // Whatever the header question's answer, a savestate's palette is kept.
        if (isSavestatePath(opened->path)) {
            zst_ = convertSavestatePalette(session_.editor().storedBytes());
            zstLoaded_ = true;
        }
    }
}

void TileEditor::buildMenu() {
    auto add = [&](std::string_view menu, std::string_view caption, std::string_view keys, std::function<void()> run,
                   std::function<bool()> checked = {}) {
        menu_.push_back({menu, caption, keys, std::move(run), std::move(checked)});
    };
    add("&File", "&Open File for Editing...", "Ctrl+O", [this] { Open1Click(); });
    add("&File", "&Save File", "Ctrl+S", [this] { Save1Click(); });
    add("&File", "&Load Zsnes ZST Palette", "Ctrl+L", [this] { LoadZstPalette1Click(); });
    add("&File", "Load Palette File...", "", [this] { LoadPaletteFile1Click(); });
    add("&File", "Save Palette File...", "", [this] { SavePaletteFile1Click(); });
    add("&File", "", "", {});
    add("&File", "E&xit", "Esc", [this] { Exit1Click(); });
    add("&Edit", "&Undo", "Alt+Backspace", [this] { Undo1Click(); });
    add("&Edit", "&Redo", "Ctrl+Y", [this] { Redo1Click(); });
    add("&Edit/Export...", "'CHARACTER DATA' to BITMAP File", "", [this] { exportCharacter(); });
    add("&Edit/Export...", "'CURRENT PALETTE' to BITMAP File", "", [this] { exportPalette(); });
    add("&Edit/Export...", "'CLIPBOARD DATA' to BITMAP File", "", [this] { exportClipboard(); });
    add("&Edit/Export...", "'TILE DATA' to BITMAP File", "", [this] { exportTiles(); });
    add("&Edit/Export...", "", "", {});
    add("&Edit/Export...", "'CHARACTER DATA' to PNG File", "", [this] { exportPng(0); });
    add("&Edit/Export...", "'CURRENT PALETTE' to PNG File", "", [this] { exportPng(1); });
    add("&Edit/Export...", "'CLIPBOARD DATA' to PNG File", "", [this] { exportPng(2); });
    add("&Edit/Export...", "'TILE DATA' to PNG File", "", [this] { exportPng(3); });
    add("&Edit", "Import 'TILE DATA' from PNG...", "", [this] { importTilesFromPng(); });
    add("&Edit", "Send 'CHAR DATA' To Windows Clipboard", "Ctrl+C", [this] { SendCharToClipboard1Click(); });
    menu_.back().hidden = true;
    add("&Edit", "Paste to 'CHAR DATA' From Windows Clipboard", "Ctrl+V", [this] { PasteCharFromClipboard1Click(); });
    menu_.back().hidden = true;
    add("&Edit", "Transfer 'TILE DATA' to 'CLIPBOARD DATA ( Left Section )'", "", [this] { transferTiles(false); });
    add("&Edit", "Transfer 'TILE DATA' to 'CLIPBOARD DATA' ( Right Section )", "", [this] { transferTiles(true); });
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
    add("&View", "View  &ZST Palette", "Ctrl+Z", [this] { ViewZstPalette1Click(); },
        [this] { return palette != nullptr && palette == savestatePalette(); });
    add("&Help", "&Help Contents", "F1", [this] { Help1Click(); });
}

bool TileEditor::ready() const { return session_.editor().fileOpen() && session_.editor().hasBuffer(); }

void TileEditor::refresh() {
    rawShown_ = RawView && decoded_;
    decoded_ = false;
    clipCopyShown_ = clipCopied_;
    clipCopied_ = false;
    if (view_) view_->refresh();
}

// ---- showing ----

void TileEditor::TileEditor1Click() {
    if (!ready()) return;
    showing_ = true;
    session_.setMainWindowVisible(false);
    FormShow();
    if (view_) view_->execModal();
    if (host_) host_->closeTableEditor();
    showing_ = false;
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
    decoded_ = true;
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

// A cancelled command leaves the view where it was.
void TileEditor::throughMainWindow(const std::function<void()>& command) {
    landed_.reset();
    if (command) command();
    if (landed_) TopOffset = *landed_;
    landed_.reset();
    redrawCleared();
}

void TileEditor::Open1Click() {
    throughMainWindow([this] { session_.openFile(); });
}

void TileEditor::Save1Click() {
    session_.saveFile();
    refresh();
}

void TileEditor::TableEditor1Click() {
    if (host_) host_->openTableEditor();
}
void TileEditor::TableMaker1Click() {
    if (host_) host_->openTableMaker();
}
void TileEditor::Help1Click() {
    if (host_) host_->help();
}

void TileEditor::GotoOffset1Click() {
    throughMainWindow([this] {
        if (host_) host_->gotoOffset();
    });
}

void TileEditor::Undo1Click() {
    session_.document().undo();
    decode(Redraw::Full);
    refresh();
}

void TileEditor::Redo1Click() {
    session_.document().redo();
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

const Palette* TileEditor::savestatePalette() const { return zstLoaded_ ? &zst_ : nullptr; }

void TileEditor::ViewZstPalette1Click() {
    if (const Palette* p = savestatePalette()) selectPalette(*p);
    else session_.port().inform("No savestate palette: open a ZSNES savestate or load a ZST palette first.");
}

void TileEditor::LoadZstPalette1Click() {
    auto path = session_.port().openFile({.title = {}, .initialFolder = {}, .fileName = {},
                                          .filter = "ZST files (*.zs*)|*.zs*", .multiple = false});
    if (!path) return;
    std::ifstream in(*path, std::ios::binary);
    if (!in) {
        session_.port().inform("Fatal Error: Unable to open *.ZST file.", {}, common::MsgIcon::Stop);
        return;
    }
    // Only a file whose extension begins with "zs" is taken; the first dot
    // of the file name, not of the folders, starts the extension.
    const std::string name = common::fileNameOf(*path);
    const size_t dot = name.find('.');
    if (dot == std::string::npos || name.size() < dot + 3) return;
    auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); };
    if (lower(name[dot + 1]) != 'z' || lower(name[dot + 2]) != 's') return;
    // Entries past the end of a short file stay black.
    std::vector<uint8_t> head(kSavestatePaletteOffset + 512, 0);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    const size_t got = static_cast<size_t>(std::max<std::streamsize>(0, in.gcount()));
    const Palette loaded = convertSavestatePalette(std::span<const uint8_t>(head.data(), got));
    zst_ = loaded;
    zstLoaded_ = true;
    refresh();
}

// ---- export and transfer ----

Picture TileEditor::characterImage() const {
    Picture p;
    p.resize(BoxWidth, BoxHeight);
    for (int y = 0; y < BoxHeight; ++y)
        for (int x = 0; x < BoxWidth; ++x)
            p.pixels[static_cast<size_t>(y) * BoxWidth + x] = colorOf(character[static_cast<size_t>(y) * kChar + x]);
    return p;
}

Picture TileEditor::paletteImage() const {
    Picture p;
    p.resize(16, 16);
    for (int i = 0; i < 256; ++i) p.pixels[static_cast<size_t>(i)] = colorOf(static_cast<uint8_t>(i));
    return p;
}

Picture TileEditor::clipImage() const {
    Picture p;
    p.resize(kClipWidth, kClipHeight);
    for (size_t i = 0; i < clip.size(); ++i) p.pixels[i] = colorOf(clip[i]);
    return p;
}

Picture TileEditor::tileImage() const {
    Picture p;
    p.resize(kArea, kArea);
    for (size_t i = 0; i < tiles.size(); ++i) p.pixels[i] = colorOf(tiles[i]);
    return p;
}

void TileEditor::exportPicture(const std::string& title, const Picture& picture) {
    auto path = session_.port().saveFile({.title = title, .initialFolder = {}, .fileName = {},
                                          .defaultExtension = "BMP", .filter = "Bitmaps|*.bmp|Icons|*.ico"});
    if (!path || !view_) return;
    if (!view_->writeImage(*path, picture))
        session_.port().inform("Error: Failed to write " + *path, "Error...", common::MsgIcon::Stop);
}

void TileEditor::exportCharacter() { exportPicture("CHARACTER DATA", characterImage()); }
void TileEditor::exportPalette() { exportPicture("PALETTE DATA  ", paletteImage()); }
void TileEditor::exportClipboard() { exportPicture("CLIPBOARD DATA", clipImage()); }
void TileEditor::exportTiles() { exportPicture("TILE DATA     ", tileImage()); }

IndexedImage TileEditor::indexedImage(int area) const {
    IndexedImage image;
    auto take = [&](int w, int h, auto indexAt) {
        image.width = w;
        image.height = h;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) image.indices.push_back(indexAt(x, y));
    };
    switch (area) {
    case 0: take(BoxWidth, BoxHeight, [&](int x, int y) { return character[static_cast<size_t>(y) * kChar + x]; }); break;
    case 1: take(16, 16, [](int x, int y) { return static_cast<uint8_t>(16 * y + x); }); break;
    case 2: take(kClipWidth, kClipHeight, [&](int x, int y) { return clip[static_cast<size_t>(y) * kClipWidth + x]; }); break;
    default: take(kArea, kArea, [&](int x, int y) { return tiles[static_cast<size_t>(y) * kArea + x]; }); break;
    }
    for (int i = 0; i < 256; ++i) {
        const uint16_t c = colorOf(static_cast<uint8_t>(i));
        image.colors.push_back(static_cast<uint32_t>((c >> 11) * 255 / 31) << 16 |
                               static_cast<uint32_t>(((c >> 5) & 63) * 255 / 63) << 8 |
                               static_cast<uint32_t>((c & 31) * 255 / 31));
    }
    return image;
}

void TileEditor::exportPng(int area) {
    static constexpr const char* titles[] = {"CHARACTER DATA", "PALETTE DATA  ", "CLIPBOARD DATA", "TILE DATA     "};
    auto path = session_.port().saveFile({.title = titles[std::clamp(area, 0, 3)], .initialFolder = {},
                                          .fileName = {}, .defaultExtension = "PNG", .filter = "PNG images|*.png"});
    if (!path || !view_) return;
    if (!view_->writeIndexedImage(*path, indexedImage(area)))
        session_.port().inform("Error: Failed to write " + *path, "Error...", common::MsgIcon::Stop);
}

std::optional<std::string> placeImportedImage(const IndexedImage& image, int colors, TileArea& area) {
    if (!image.indexed) return "The image has no palette: only an indexed image carries pixel indices.";
    if (image.width < 1 || image.height < 1 || image.width > kArea || image.height > kArea ||
        image.indices.size() != static_cast<size_t>(image.width) * image.height) {
        return "The image is " + std::to_string(image.width) + " x " + std::to_string(image.height) +
               " pixels; the tile area holds at most 128 x 128.";
    }
    for (const uint8_t v : image.indices)
        if (v >= colors)
            return "The image uses colour " + std::to_string(v) + "; the current format has " +
                   std::to_string(colors) + " colours.";
    for (int y = 0; y < image.height; ++y)
        std::copy_n(&image.indices[static_cast<size_t>(y) * image.width], image.width,
                    &area[static_cast<size_t>(y) * kArea]);
    return std::nullopt;
}

void TileEditor::importTilesFromPng() {
    if (!ready() || !view_) return;
    auto path = session_.port().openFile({.title = "TILE DATA", .initialFolder = {}, .fileName = {},
                                          .filter = "PNG images|*.png", .multiple = false});
    if (!path) return;
    auto refuse = [&](const std::string& text) { session_.port().inform(text, "Import...", common::MsgIcon::Exclamation); };
    const auto image = view_->readIndexedImage(*path);
    if (!image) return refuse("Error: Unable to read " + *path);
    if (const auto refusal = placeImportedImage(*image, format().ColorCount, tiles)) return refuse(*refusal);
    encodeRegion(0, 0, image->width, image->height);
    decode(Redraw::Full);
    refresh();
}

void TileEditor::SendCharToClipboard1Click() {
    IndexedImage image = indexedImage(0);
    // Colour value i is index i: the index travels in the red component.
    for (uint32_t i = 0; i < image.colors.size(); ++i) image.colors[i] = i << 16;
    if (!view_ || !view_->setClipboardImage(image)) {
        session_.port().inform("Error: Failed to copy CHAR DATA to clipboard!");
        return;
    }
    clipCopied_ = true;
    refresh();
}

void TileEditor::PasteCharFromClipboard1Click() {
    if (!view_) return;
    const auto image = view_->clipboardImage();
    if (!image || image->indices.size() < static_cast<size_t>(image->width) * image->height) return;
    const int w = std::min({image->width, BoxWidth, kChar}), h = std::min({image->height, BoxHeight, kChar});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            character[static_cast<size_t>(y) * kChar + x] = image->indices[static_cast<size_t>(y) * image->width + x];
    refresh();
}

void TileEditor::transferTiles(bool rightSection) {
    const int column = rightSection ? kArea : 0;
    for (int y = 0; y < kArea; ++y)
        std::copy_n(&tiles[static_cast<size_t>(y) * kArea], kArea, &clip[static_cast<size_t>(y) * kClipWidth + column]);
    refresh();
}

namespace {
constexpr const char* kPaletteFilter =
    "JASC palettes (*.pal)|*.pal|GIMP palettes (*.gpl)|*.gpl|Adobe color tables (*.act)|*.act";
}

void TileEditor::LoadPaletteFile1Click() {
    auto path = session_.port().openFile({.title = "Load Palette File", .initialFolder = {}, .fileName = {},
                                          .filter = std::string("Palette files|*.pal;*.gpl;*.act|") + kPaletteFilter,
                                          .multiple = false});
    if (!path) return;
    std::vector<uint8_t> bytes;
    std::optional<Palette> loaded;
    // Text palettes of 256 colours are small; anything far larger is not one.
    if (common::readWholeFile(*path, bytes, 1 << 20) == common::ReadStatus::Ok) loaded = readPaletteFile(bytes);
    if (!loaded) {
        session_.port().inform("Error: " + *path + " is not a palette file.", "Error...", common::MsgIcon::Stop);
        return;
    }
    filePalette_ = *loaded;
    selectPalette(filePalette_);
}

void TileEditor::SavePaletteFile1Click() {
    auto path = session_.port().saveFile({.title = "Save Palette File", .initialFolder = {}, .fileName = {},
                                          .defaultExtension = "pal", .filter = kPaletteFilter});
    if (!path) return;
    const std::string error = common::writeFileAtomic(*path, writePaletteFile(*palette, paletteKindOf(*path)));
    if (!error.empty()) session_.port().inform("Error: " + error, "Error...", common::MsgIcon::Stop);
}

// ---- keys ----

bool TileEditor::FormKeyDown(const KeyPress& k) {
    if (!ready()) return true;
    if (k.key == Key::Modifier) return false;
    note_.clear();
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
        if (k.text == U'w' || k.text == U'W') {
            RawView = !RawView;
            decode(Redraw::Full);
        } else if (k.text == U'+' || k.text == U'-') {
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
        if (button != MouseButton::None) note_.clear();
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
    // Tiles past the end of the file are not kept: the drop would vanish
    // at the next decode, so it is refused as typing there is.
    const auto touched = touchedTiles(BoxX, BoxY, BoxWidth, BoxHeight);
    if (touched && touched->last > session_.editor().FileSize) {
        note_ = kPastEndStatus;
        return;
    }
    for (int r = 0; r < BoxHeight; ++r)
        std::copy_n(&character[static_cast<size_t>(r) * kChar], BoxWidth, &tiles[static_cast<size_t>(BoxY + r) * kArea + BoxX]);
    encodeTouched();
    // What lay outside the view's tiles was not written: it must not stay.
    tiles.fill(0);
    decode(Redraw::Full);
}

// Re-encodes every tile of the view that the box overlaps, and nothing else,
// with one write to the file: one undo step per drop.
void TileEditor::encodeTouched() { encodeRegion(BoxX, BoxY, BoxWidth, BoxHeight); }

std::optional<TileEditor::TouchedTiles> TileEditor::touchedTiles(int x, int y, int width, int height) const {
    const auto L = layout();
    const TileFormat& f = format();
    const int w = tileWidth(f), h = TileHeight;
    const int columns = std::min(L.perRow(), kArea / w);
    TouchedTiles t{y / h, x / w, std::min(L.rows() - 1, (y + height - 1) / h),
                   std::min(columns - 1, (x + width - 1) / w), 0, 0};
    if (t.r0 > t.r1 || t.c0 > t.c1) return std::nullopt;
    t.first = std::max<int64_t>(0, L.tileOffset(TopOffset, t.r0, t.c0));
    t.last = L.tileOffset(TopOffset, t.r1, t.c1) + tileFootprint(f, h);
    return t;
}

// Writes the tiles under the region of the tile area back into the file as
// one undo step, only the bytes that changed.
void TileEditor::encodeRegion(int x, int y, int width, int height) {
    const auto t = touchedTiles(x, y, width, height);
    if (!t) return;
    const auto L = layout();
    const TileFormat& f = format();
    const int w = tileWidth(f), h = TileHeight;
    const auto file = session_.editor().fileBytes();
    const int64_t lo = t->first;
    const int64_t hi = std::min<int64_t>(static_cast<int64_t>(file.size()), t->last);
    if (lo >= hi) return;  // all past the end of the file
    std::vector<uint8_t> span(file.begin() + lo, file.begin() + hi);
    for (int r = t->r0; r <= t->r1; ++r)
        for (int c = t->c0; c <= t->c1; ++c)
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
    note_.clear();
    if (n >= 0 && n < format().ColorCount) {
        if (button == MouseButton::Left) LeftColor = static_cast<uint8_t>(n);
        if (button == MouseButton::Right) RightColor = static_cast<uint8_t>(n);
    } else if (n >= 0 && button != MouseButton::None) {
        // Why the click did nothing.
        note_ = "Colour " + std::to_string(n) + " is not used: this format has " +
                 std::to_string(format().ColorCount) + " colours.";
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

std::string TileEditor::caption() const {
    const std::string& path = session_.editor().CurrentPath;
    if (path.empty()) return "Tile Editor";
    return "Tile Editor - \"" + common::fileNameOf(path) + "\"";
}

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
        for (int x = 0; x < kArea; ++x) {
            // The raw view pairs each index with the next one of the area
            // as one RGB565 pixel: a row's last pixel with the next row's
            // first, the area's very last pixel with 0.
            const size_t at = static_cast<size_t>(y) * kArea + x;
            const uint16_t c = rawShown_ ? static_cast<uint16_t>(in[x] | (at + 1 < tiles.size() ? tiles[at + 1] << 8 : 0))
                                         : colorOf(in[x]);
            out[2 * x] = out[2 * x + 1] = c;
        }
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
    if (clipCopyShown_) {
        // The character as it went to the desktop clipboard (the index in the
        // red component), stretched over the whole box.
        for (int y = 0; y < kClipHeight; ++y)
            for (int x = 0; x < kClipWidth; ++x) {
                const uint8_t v = character[static_cast<size_t>(y * BoxHeight / kClipHeight) * kChar +
                                            static_cast<size_t>(x * BoxWidth / kClipWidth)];
                p.pixels[static_cast<size_t>(y) * kClipWidth + x] = static_cast<uint16_t>((v >> 3) << 11);
            }
        return p;
    }
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
