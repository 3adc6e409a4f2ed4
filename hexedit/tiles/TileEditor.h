#pragma once
// The tile editor window's model: the tile view over the open file, the
// cursor box, the character being edited, the clipboard area, colours,
// keys, scroll bar and mouse, the window's menu, and the pictures its boxes
// show. The form only blits these pictures and forwards events.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hexedit/core/EditSession.h"
#include "hexedit/core/Keys.h"
#include "hexedit/core/ModalView.h"
#include "hexedit/tiles/Palettes.h"
#include "hexedit/tiles/TileFormats.h"

namespace hexedit::tiles {

// An image of pixel indices with the colours (0xRRGGBB) they show.
struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> indices;  // row by row
    std::vector<uint32_t> colors;
    bool indexed = true;  // false: a read image has no palette
};

// "Import 'TILE DATA' from PNG": checks an image read from a file against
// the tile area and a format of `colors` colours, and copies its indices to
// the top left of `area`. The refusal to show when it does not fit (`area`
// unchanged), else nothing.
std::optional<std::string> placeImportedImage(const IndexedImage& image, int colors, TileArea& area);

class TileEditorView : public ModalView {
public:
    // Everything shown changed: boxes, labels, status bar, scroll bar, marks.
    virtual void refresh() = 0;
    // Writes the picture as an image file of the type the path's extension
    // names; false when it could not be written.
    virtual bool writeImage(const std::string& path, const struct Picture& picture) = 0;
    // Writes an indexed image file (PNG); false when it could not be written.
    virtual bool writeIndexedImage(const std::string& path, const IndexedImage& image) = 0;
    // Reads an image file; nothing when it cannot be read.
    virtual std::optional<IndexedImage> readIndexedImage(const std::string& path) = 0;
    // The desktop clipboard as an image whose pixel colours are the indices
    // (red component = index); false / nothing when that fails or it holds
    // no image.
    virtual bool setClipboardImage(const IndexedImage& image) = 0;
    virtual std::optional<IndexedImage> clipboardImage() = 0;
};

// Windows of other subsystems that the tile window opens (requests, not
// announcements); the program implements every one.
class TileHost {
public:
    virtual ~TileHost() = default;
    // The goto window; where it lands comes back as a cursor move.
    virtual void gotoOffset() = 0;
    // The table editor beside the tile window, in editor or maker mode.
    virtual void openTableEditor() = 0;
    virtual void openTableMaker() = 0;
    // The tile window closed: so does a table editor it opened.
    virtual void closeTableEditor() = 0;
    virtual void help() = 0;
};

enum class MouseButton { None, Left, Right };
enum class ScrollAction { LineUp, LineDown, PageUp, PageDown, Top, Bottom, Thumb };

// A picture in the RGB565 pixels of the boxes, row by row.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> pixels;
    void resize(int w, int h) {
        width = w;
        height = h;
        pixels.assign(static_cast<size_t>(w) * h, 0);
    }
};

// One item of the window's menu bar.
struct TileMenuItem {
    std::string_view menu;      // "&File", "&View/&Format" for the submenu
    std::string_view caption;   // empty for a separator
    std::string_view shortcut;  // as the toolkit writes key sequences
    std::function<void()> run;
    std::function<bool()> checked;  // empty for plain entries
    bool hidden = false;            // not shown; its shortcut still works
};

class TileEditor {
public:
    static constexpr int kChar = 64;         // the character's row length
    static constexpr int kClipWidth = 256;
    static constexpr int kClipHeight = 128;
    static constexpr int kTBox = 256;        // screen pixels of the tile box
    static constexpr int kBox = 128;         // ChrBox at start, ClrBox

    explicit TileEditor(EditSession& session);
    TileEditor(const TileEditor&) = delete;
    TileEditor& operator=(const TileEditor&) = delete;

    void setView(TileEditorView* view) { view_ = view; }
    // Set once by the program; without it those entries do nothing.
    void setHost(TileHost* host) { host_ = host; }

    // ---- state ----
    int Format = 0;
    int TileHeight = 8;
    int ViewColumns = 16;
    uint8_t ColorIndexStart = 0;
    int tWid = 8, tHgt = 8;  // the box size taken each time the window shows
    int BoxWidth = 8, BoxHeight = 8;
    int BoxX = 0, BoxY = 0;
    int ChrBoxWidth = kBox, ChrBoxHeight = kBox;
    int CellWidth = kBox / 8, CellHeight = kBox / 8;
    uint8_t LeftColor = 1, RightColor = 0;
    bool FreeGrid = false;  // free mouse movement
    bool curBox = true;     // independent cursor box
    bool RawView = false;   // tile area as raw 16-bit pixels (key W)
    bool BoxShown = false;  // box outline over the tile area
    bool ClipBoxShown = false;
    int32_t TopOffset = 0;
    const Palette* palette = &standardPalette();
    TileArea tiles{};
    std::array<uint8_t, kChar * kChar> character{};
    std::array<uint8_t, kClipWidth * kClipHeight> clip{};

    const TileFormat& format() const { return kTileFormats[static_cast<size_t>(Format)]; }
    TileLayout layout() const { return {&format(), TileHeight, ViewColumns}; }

    // ---- showing the window ----
    void TileEditor1Click();  // Tools menu of the main window
    void FormShow();
    void Exit1Click();

    // ---- menu ----
    const std::vector<TileMenuItem>& menu() const { return menu_; }
    void Open1Click();
    void Save1Click();
    void TableEditor1Click();
    void TableMaker1Click();
    void GotoOffset1Click();
    void Help1Click();
    void Undo1Click();
    void Redo1Click();
    void MouseMovement1Click();
    void IndependentBox1Click();
    void selectFormat(int number);
    void selectPalette(const Palette& p);
    void LoadZstPalette1Click();
    void ViewZstPalette1Click();
    // Palette files: a loaded one becomes current; the current one is saved.
    void LoadPaletteFile1Click();
    void SavePaletteFile1Click();
    // The savestate palette, or null while none is loaded.
    const Palette* savestatePalette() const;
    // The tile window is up (the main window is hidden meanwhile).
    bool showing() const { return showing_; }

    // ---- keys and scroll bar ----
    // True when the key was used (or discarded, as typed characters are).
    bool FormKeyDown(const KeyPress& key);
    void TVScrlScroll(ScrollAction action, int32_t position = 0);
    int32_t scrollMaximum() const { return session_.editor().BufferSize; }
    int32_t scrollLargeChange() const { return TileHeight * ViewColumns * (1 << format().RowShift); }

    // ---- mouse, in screen pixels of each box ----
    void TBoxMouse(int x, int y, MouseButton button, bool ctrl);  // press or move
    void ChrBoxMouse(int x, int y, MouseButton button);
    void ClrBoxMouse(int x, int y, MouseButton button);
    void ClipBoxMouseMove(int x, int y, bool ctrl);
    void ClipBoxMouseDown(int x, int y, MouseButton button);
    // The mouse is over the rest of the window: outlines go.
    void mouseLeft();

    // ---- export and transfer ----
    void exportCharacter();
    void exportPalette();
    void exportClipboard();
    void exportTiles();
    void transferTiles(bool rightSection);
    // Indexed PNG files carrying the pixel indices, coloured as now.
    void exportPng(int area);  // 0 character, 1 palette, 2 clipboard, 3 tiles
    IndexedImage indexedImage(int area) const;
    void importTilesFromPng();
    // The character to and from the desktop clipboard.
    void SendCharToClipboard1Click();
    void PasteCharFromClipboard1Click();
    // The areas one image pixel per pixel index, as currently coloured.
    Picture characterImage() const;  // BoxWidth x BoxHeight
    Picture paletteImage() const;    // 16 x 16
    Picture clipImage() const;       // 256 x 128
    Picture tileImage() const;       // 128 x 128

    // ---- transformations of the character ----
    void FlipXClick();
    void FlipYClick();
    void RotateClick();
    void ShiftLeftClick();
    void ShiftRightClick();

    // ---- texts ----
    std::string caption() const;
    std::string statusLayout() const;  // panel 0
    std::string_view statusFormat() const { return format().statusName; }
    std::string statusPosition() const;
    std::string colorIndexText() const;
    // A passing note for the status bar, shown over its panels (empty: none).
    const std::string& statusNote() const { return note_; }

    // ---- pictures ----
    const Picture& tilePicture();       // TBox, 256 x 256
    const Picture& characterPicture();  // ChrBox, ChrBoxWidth x ChrBoxHeight
    const Picture& clipPicture();       // ClipBox, 256 x 128
    const Picture& palettePicture();    // ClrBox, 128 x 128
    uint16_t colorOf(uint8_t index) const { return tiles::colorOf(*palette, index, ColorIndexStart); }

private:
    bool ready() const;
    void decode(Redraw kind);
    void redrawCleared();
    void moveTop(int64_t top, Redraw kind);
    // Runs a command of the main window; when it placed the cursor (on the
    // offset asked for) or read a file, the view starts there.
    void throughMainWindow(const std::function<void()>& command);
    void documentChanged(const DocumentEvent& e);
    void refresh();
    void pullInside(int width, int height);
    void pickUp();
    void drop();
    void encodeTouched();
    void encodeRegion(int x, int y, int width, int height);
    // The tiles of the view under a region of the tile area (rows r0..r1,
    // columns c0..c1) and their file bytes [first, last), past the end of the
    // file included; nothing when no tile of the view lies under it.
    struct TouchedTiles {
        int r0, c0, r1, c1;
        int64_t first, last;
    };
    std::optional<TouchedTiles> touchedTiles(int x, int y, int width, int height) const;
    void placeBox(int px, int py, int areaWidth, int areaHeight, bool freeMove);
    void resizeBox(int px, int py, int areaWidth, int areaHeight);
    void buildMenu();
    void exportPicture(const std::string& title, const Picture& picture);

    EditSession& session_;
    TileEditorView* view_ = nullptr;
    TileHost* host_ = nullptr;
    std::vector<TileMenuItem> menu_;
    int hoverChrX_ = -1, hoverChrY_ = -1;
    int hoverColor_ = -1;
    Picture tilePic_, chrPic_, clipPic_, palPic_;
    Palette zst_{};  // from the last savestate opened or loaded here
    bool zstLoaded_ = false;
    bool showing_ = false;
    std::optional<int32_t> landed_;  // where the main window's command put the view
    Subscription documentEvents_;
    Palette filePalette_{};  // the last palette loaded from a palette file
    std::string note_;
    // What the next refresh shows once: the tile area drawn raw after a
    // decode, the character as copied to the desktop clipboard. A refresh
    // with neither draws the areas through the palette again.
    bool decoded_ = false;
    bool rawShown_ = false;
    bool clipCopied_ = false;
    bool clipCopyShown_ = false;
};

}  // namespace hexedit::tiles
