// The tile window's model: keys and scroll bar, the cursor box, picking up
// and dropping (exactly the touched tiles, one undo step), colours,
// transformations, showing the window and the status texts.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>

#include <unistd.h>

#include "common/testing/ScriptedPort.h"
#include "hexedit/core/HexView.h"
#include "hexedit/core/Savestate.h"
#include "hexedit/core/testing/TestSession.h"
#include "hexedit/tiles/TileEditor.h"

namespace hexedit::tiles {
namespace {

struct FakeTileView : TileEditorView {
    std::function<void()> script;
    int execs = 0, closes = 0, refreshes = 0;
    void execModal() override {
        ++execs;
        if (script) script();
    }
    void closeWindow() override { ++closes; }
    void refresh() override { ++refreshes; }
    std::vector<std::pair<std::string, Picture>> written;
    bool writeOk = true;
    bool writeImage(const std::string& path, const Picture& picture) override {
        written.emplace_back(path, picture);
        return writeOk;
    }
    std::map<std::string, IndexedImage> files;  // indexed images written and read
    bool writeIndexedImage(const std::string& path, const IndexedImage& image) override {
        files[path] = image;
        return writeOk;
    }
    std::optional<IndexedImage> desktopClipboard;
    bool setClipboardImage(const IndexedImage& image) override {
        if (!writeOk) return false;
        // As the desktop holds it: pixel colours, red carrying the index.
        IndexedImage held = image;
        for (uint8_t& v : held.indices) v = static_cast<uint8_t>(image.colors[v] >> 16);
        held.colors.clear();
        desktopClipboard = held;
        return true;
    }
    std::optional<IndexedImage> clipboardImage() override { return desktopClipboard; }
    std::optional<IndexedImage> readIndexedImage(const std::string& path) override {
        auto it = files.find(path);
        if (it == files.end()) return std::nullopt;
        return it->second;
    }
};

struct Fixture : ::testing::Test {
    common::testing::ScriptedPort port;
    hexedit::testing::TestSession session{port};
    TileEditor editor{session};
    FakeTileView view;

    void SetUp() override {
        std::vector<uint8_t> bytes(0x40000);
        std::iota(bytes.begin(), bytes.end(), uint8_t{0});
        session.load(std::move(bytes));
        editor.setView(&view);
        editor.FormShow();
    }
    bool key(Key k, char32_t text = 0, bool shift = false, bool ctrl = false) {
        return editor.FormKeyDown({k, text, shift, ctrl});
    }
};

TEST_F(Fixture, KeysMoveTheViewSymmetricallyInEveryFormat) {
    for (const auto& f : kTileFormats) {
        editor.selectFormat(f.number);
        editor.TopOffset = 0x10000;
        key(Key::Down);
        const int32_t down = editor.TopOffset;
        key(Key::Up);
        EXPECT_EQ(editor.TopOffset, 0x10000) << f.caption;
        if (f.number == 9) {
            EXPECT_EQ(down - 0x10000, 384);
        }
    }
    editor.selectFormat(3);  // 32-byte tiles, 512-byte rows, 8 KiB screens
    key(Key::PageDown);
    EXPECT_EQ(editor.TopOffset, 0x10000 + 8192);
    key(Key::Other, U'-');
    EXPECT_EQ(editor.TopOffset, 0x10000 + 8192 - 32);
    key(Key::Home);
    key(Key::Left);
    EXPECT_EQ(editor.TopOffset, 0);
    key(Key::End);
    EXPECT_EQ(editor.TopOffset, 0x40000 - 8192);
    key(Key::Down);  // pulled back
    EXPECT_EQ(editor.TopOffset, 0x40000 - 8192);
    editor.TVScrlScroll(ScrollAction::Thumb, 0x1237);
    EXPECT_EQ(editor.TopOffset, 0x1230);
    EXPECT_EQ(editor.scrollLargeChange(), 8 * 16 * 4);
    key(Key::Other, U'a');
    EXPECT_EQ(editor.Format, 10);
}

TEST_F(Fixture, ShiftAndCtrlKeysChangeTheViewWithinLimits) {
    key(Key::Right, 0, true);
    EXPECT_EQ(editor.ViewColumns, 16);
    for (int i = 0; i < 20; ++i) key(Key::Left, 0, true);
    EXPECT_EQ(editor.ViewColumns, 1);
    EXPECT_TRUE(key(Key::Other, U'x', true));  // discarded
    key(Key::Up, 0, false, true);
    EXPECT_EQ(editor.TileHeight, 7);
    EXPECT_EQ(editor.tHgt, 8);  // independent box
    editor.IndependentBox1Click();
    key(Key::Down, 0, false, true);
    EXPECT_EQ(editor.tHgt, 8);
    EXPECT_EQ(editor.TileHeight, 8);
    key(Key::Left, 0, false, true);
    EXPECT_EQ(editor.tWid, 7);
    EXPECT_EQ(editor.BoxWidth, 8);  // taken when the window shows next
    key(Key::Other, U'-', false, true);
    EXPECT_EQ(editor.ColorIndexStart, 255);
    EXPECT_EQ(editor.colorIndexText(), "Color Index Start: 255");
}

TEST_F(Fixture, BoxFollowsTheMouseAndIsPulledInside) {
    editor.TBoxMouse(2 * 13, 2 * 21, MouseButton::None, false);
    EXPECT_EQ(editor.BoxX, 8);
    EXPECT_EQ(editor.BoxY, 16);
    EXPECT_TRUE(editor.BoxShown);
    editor.MouseMovement1Click();  // free
    editor.TBoxMouse(2 * 124, 2 * 3, MouseButton::None, false);
    EXPECT_EQ(editor.BoxX, 124);
    editor.TBoxMouse(2 * 124, 2 * 3, MouseButton::Left, false);
    EXPECT_EQ(editor.BoxX, 120);
    editor.TBoxMouse(300, 2, MouseButton::None, false);  // outside: kept
    EXPECT_EQ(editor.BoxX, 120);
    editor.MouseMovement1Click();
    editor.IndependentBox1Click();  // multiples of the box size
    editor.BoxWidth = 12;
    editor.TBoxMouse(2 * 30, 2 * 30, MouseButton::None, false);
    EXPECT_EQ(editor.BoxX, 24);
    // Ctrl resizes: grid mode rounds down to 8; ChrBox keeps whole cells.
    editor.BoxX = editor.BoxY = 0;
    editor.TBoxMouse(2 * 29, 2 * 17, MouseButton::None, true);
    EXPECT_EQ(editor.BoxWidth, 24);
    EXPECT_EQ(editor.BoxHeight, 16);
    EXPECT_EQ(editor.ChrBoxWidth, 120);
    EXPECT_EQ(editor.CellWidth, 5);
    EXPECT_EQ(editor.CellHeight, 8);
    EXPECT_EQ(editor.statusLayout(), "Win-Width: 16 | Tile-[H x W]: 16 x 24 | Pixel Height:  8");
}

TEST_F(Fixture, DropEncodesExactlyTheTouchedTilesAsOneUndoStep) {
    editor.selectFormat(3);
    editor.TopOffset = 0x2000;
    editor.BoxWidth = editor.BoxHeight = 12;
    editor.character.fill(5);
    const std::vector<uint8_t> before(session.bytes().begin(), session.bytes().end());
    editor.TBoxMouse(2 * 16, 2 * 8, MouseButton::Right, false);  // box at (16, 8): tiles (1..2, 2..3)
    const auto after = session.bytes();
    const TileLayout l = editor.layout();
    for (int64_t i = 0; i < static_cast<int64_t>(before.size()); ++i) {
        const int64_t k = (i - 0x2000) / 32;
        const bool inTouched = i >= 0x2000 && (k / 16 == 1 || k / 16 == 2) && (k % 16 == 2 || k % 16 == 3);
        if (!inTouched) {
            ASSERT_EQ(after[i], before[i]) << std::hex << i;
        }
    }
    EXPECT_NE(after[l.tileOffset(0x2000, 1, 2)], before[l.tileOffset(0x2000, 1, 2)]);
    EXPECT_EQ(editor.tiles[8 * kArea + 16], 5);
    EXPECT_EQ(session.buffer.canUndo(), true);
    ASSERT_TRUE(session.commandTable.has("TileEditor1Click"));
    session.doc.undo();
    EXPECT_TRUE(std::equal(before.begin(), before.end(), session.bytes().begin()));
    EXPECT_FALSE(session.buffer.canUndo());
    // Picking up and dropping back writes nothing.
    editor.TBoxMouse(2 * 40, 2 * 40, MouseButton::Left, false);
    editor.TBoxMouse(2 * 40, 2 * 40, MouseButton::Right, false);
    EXPECT_FALSE(session.buffer.canUndo());
}

TEST_F(Fixture, DropReachingPastTheFileIsRefused) {
    session.load(std::vector<uint8_t>(100, 0));
    editor.FormShow();
    EXPECT_EQ(editor.TopOffset, 0);
    editor.character.fill(1);
    editor.BoxWidth = editor.BoxHeight = 64;
    editor.TBoxMouse(0, 0, MouseButton::Right, false);
    EXPECT_EQ(editor.statusNote(), kPastEndStatus);
    EXPECT_FALSE(session.buffer.canUndo());
    EXPECT_EQ(editor.tiles[0], 0);  // nothing drawn that the next decode would take away
    // A tile inside the file takes the drop, and the note goes.
    editor.BoxWidth = editor.BoxHeight = 8;
    editor.TBoxMouse(0, 0, MouseButton::Right, false);
    EXPECT_EQ(editor.statusNote(), "");
    EXPECT_EQ(session.bytes()[0], 0xFF);
    EXPECT_EQ(editor.tiles[0], 1);
    // The tile of bytes 96 to 103 straddles the end.
    editor.TBoxMouse(2 * 96, 0, MouseButton::Right, false);
    EXPECT_EQ(editor.statusNote(), kPastEndStatus);
    EXPECT_EQ(session.bytes()[96], 0);
    key(Key::Home);
    EXPECT_EQ(editor.statusNote(), "");
    // Right of a four-column view there are no tiles to take the drop.
    editor.ViewColumns = 4;
    editor.TBoxMouse(2 * 100, 0, MouseButton::Right, false);
    EXPECT_EQ(editor.tiles[96], 0);
}

TEST_F(Fixture, ColoursAreLimitedByTheFormat) {
    editor.selectFormat(1);
    editor.ClrBoxMouse(3 * 8 + 2, 2, MouseButton::Left);
    EXPECT_EQ(editor.LeftColor, 3);
    editor.ClrBoxMouse(4 * 8 + 2, 2, MouseButton::Right);
    EXPECT_EQ(editor.RightColor, 0);
    EXPECT_EQ(editor.statusNote(), "Colour 4 is not used: this format has 4 colours.");
    editor.ClrBoxMouse(4 * 8 + 2, 2, MouseButton::None);
    EXPECT_EQ(editor.statusNote(), "");
    editor.ChrBoxMouse(17, 33, MouseButton::Left);
    EXPECT_EQ(editor.character[2 * TileEditor::kChar + 1], 3);
    editor.ChrBoxMouse(130, 1, MouseButton::Right);  // outside the character
    EXPECT_EQ(editor.character[0], 0);
}

TEST_F(Fixture, TransformationsAndClipboardArea) {
    editor.BoxWidth = 3;
    editor.BoxHeight = 2;
    auto set = [&](std::initializer_list<uint8_t> rows3) {
        editor.character.fill(0);
        int i = 0;
        for (uint8_t v : rows3) editor.character[static_cast<size_t>(i / 3) * TileEditor::kChar + i % 3] = v, ++i;
    };
    auto row = [&](int r) {
        return std::vector<uint8_t>(editor.character.begin() + r * TileEditor::kChar,
                                    editor.character.begin() + r * TileEditor::kChar + 3);
    };
    using V = std::vector<uint8_t>;
    set({1, 2, 3, 4, 5, 6});
    editor.FlipXClick();
    EXPECT_EQ(row(0), (V{3, 2, 1}));
    editor.FlipYClick();
    EXPECT_EQ(row(0), (V{6, 5, 4}));
    editor.ShiftLeftClick();
    EXPECT_EQ(row(0), (V{5, 4, 0}));
    editor.ShiftRightClick();
    EXPECT_EQ(row(1), (V{0, 2, 1}));
    set({1, 2, 3, 4, 5, 6});
    editor.RotateClick();  // new (r, c) = old (2 - c, r)
    EXPECT_EQ(row(0), (V{0, 4, 1}));
    EXPECT_EQ(row(1), (V{0, 5, 2}));

    set({7, 7, 7, 7, 7, 7});
    editor.ClipBoxMouseDown(255, 127, MouseButton::Right);  // box on the 8 x 8 grid
    EXPECT_EQ(editor.clip[120 * 256 + 248], 7);
    EXPECT_EQ(editor.clip[121 * 256 + 250], 7);
    EXPECT_EQ(editor.clip[121 * 256 + 251], 0);
    editor.character.fill(0);
    editor.ClipBoxMouseDown(250, 122, MouseButton::Left);
    EXPECT_EQ(row(1), (V{7, 7, 7}));
}

TEST_F(Fixture, ShowingTheWindowHidesTheMainWindowAndPlacesTheCursorAfterwards) {
    bool hiddenWhileUp = false;
    view.script = [&] {
        hiddenWhileUp = !session.host.mainWindowVisible;
        key(Key::Other, U'4');
        key(Key::PageDown);
        key(Key::Escape);
    };
    session.viewState.TopOffset = 0x100;
    session.commandTable.run("TileEditor1Click");
    EXPECT_TRUE(hiddenWhileUp);
    EXPECT_EQ(view.closes, 1);
    EXPECT_TRUE(session.host.mainWindowVisible);
    EXPECT_EQ(session.viewState.CursorOffset, 0x100 + 8192);
    EXPECT_EQ(editor.statusPosition(), "Position: 00002100");
    session.viewState.OffsetFormat = kOffsetHiRom;
    EXPECT_EQ(editor.statusPosition(), "Position: 00C02100");
    EXPECT_EQ(editor.statusFormat(), "4 - Bitplane");

    // The goto window: the view starts on the offset typed, not on the
    // main view's row.
    struct GotoHost : TileHost {
        EditSession& session;
        int gotos = 0;
        explicit GotoHost(EditSession& s) : session(s) {}
        void gotoOffset() override {
            ++gotos;
            session.moveCursorTo(0x3005);
        }
        void openTableEditor() override {}
        void openTableMaker() override {}
        void closeTableEditor() override {}
        void help() override {}
    } host(session);
    editor.setHost(&host);
    editor.GotoOffset1Click();
    EXPECT_EQ(host.gotos, 1);
    EXPECT_EQ(editor.TopOffset, 0x3005);

    // Open: cancelled, the view stays; a new file starts at its top.
    const auto other = std::filesystem::temp_directory_path() / ("tiles_other_" + std::to_string(::getpid()));
    ASSERT_TRUE(common::writeFileAtomic(other.string(), std::string(0x30000, '\x11')).empty());
    editor.TopOffset = 0x4000;
    port.cancelOpen();
    editor.Open1Click();
    EXPECT_EQ(editor.TopOffset, 0x4000);
    port.answerOpen(other.string());
    editor.Open1Click();
    std::filesystem::remove(other);
    EXPECT_EQ(editor.TopOffset, 0);
    EXPECT_EQ(editor.tiles[3], 15);  // 0x11 in all four planes
}

}  // namespace
}  // namespace hexedit::tiles

namespace hexedit::tiles {
namespace {

TEST_F(Fixture, PalettesColourIndicesFromColorIndexStart) {
    const Palette& vga = standardPalette();
    const uint16_t ega[16] = {0x0000, 0x0015, 0x0540, 0x0555, 0xA800, 0xA815, 0xAAA0, 0xAD55,
                              0x52AA, 0x52BF, 0x57EA, 0x57FF, 0xFAAA, 0xFABF, 0xFFEA, 0xFFFF};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(vga[i], ega[i]) << i;
    editor.ColorIndexStart = 16;
    EXPECT_EQ(editor.colorOf(0), vga[16]);
    EXPECT_EQ(editor.colorOf(0), 0x0000);
    EXPECT_EQ(editor.colorOf(15), 0xFFFF);
    EXPECT_EQ(editor.colorOf(240), vga[0]);  // wraps round
    EXPECT_EQ(nesPalette()[0], 0x8410);
    EXPECT_EQ(nesPalette()[63], 0x1082);
    for (int i = 64; i < 256; ++i) EXPECT_EQ(nesPalette()[i], 0) << i;
}

TEST_F(Fixture, SavestatePaletteLoadsFromFileAndIsChosenOnlyOnceLoaded) {
    const auto zstItem = [&] {
        for (const auto& item : editor.menu())
            if (item.caption == "View  &ZST Palette") return item;
        return TileMenuItem{};
    }();
    ASSERT_TRUE(zstItem.run);
    zstItem.run();  // nothing loaded yet: no change, no mark, and says so
    port.expectMessage("No savestate palette: open a ZSNES savestate or load a ZST palette first.");
    EXPECT_EQ(editor.palette, &standardPalette());
    EXPECT_FALSE(zstItem.checked());

    const auto dir = std::filesystem::temp_directory_path() / ("tarnwick_zst_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "a.b");
    // A short savestate: colour 0 is white, 1 pure red, the rest is missing.
    std::vector<uint8_t> bytes(kSavestatePaletteOffset + 3, 0x55);
    bytes[1560] = 0xFF, bytes[1561] = 0x7F, bytes[1562] = 0x1F;
    const auto write = [&](const std::filesystem::path& p) { std::ofstream(p, std::ios::binary).write(
        reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())); };
    write(dir / "a.b" / "game.txt");
    write(dir / "a.b" / "game.ZS1");

    port.answerOpen((dir / "a.b" / "game.txt").string());  // not a savestate: silently ignored
    editor.LoadZstPalette1Click();
    EXPECT_EQ(editor.savestatePalette(), nullptr);
    port.answerOpen((dir / "missing.zst").string());
    editor.LoadZstPalette1Click();
    port.expectMessage("Fatal Error: Unable to open *.ZST file.", {}, common::MsgIcon::Stop);
    port.cancelOpen();
    editor.LoadZstPalette1Click();
    EXPECT_EQ(port.openRequests.back().filter, "ZST files (*.zs*)|*.zs*");

    port.answerOpen((dir / "a.b" / "game.ZS1").string());
    editor.LoadZstPalette1Click();
    const Palette* zst = editor.savestatePalette();
    ASSERT_NE(zst, nullptr);
    EXPECT_EQ(editor.palette, &standardPalette());  // not current by itself
    EXPECT_EQ((*zst)[0], 0xFFFF);
    EXPECT_EQ((*zst)[1], 0xF820);
    for (int i = 2; i < 256; ++i) EXPECT_EQ((*zst)[i], 0) << i;
    zstItem.run();
    EXPECT_TRUE(zstItem.checked());
    EXPECT_EQ(editor.colorOf(0), 0xFFFF);
    std::filesystem::remove_all(dir);
}

// While on, the raw view draws at each decode; a plain repaint goes back to
// the palette. A pixel pairs with the next one of the area, across rows.
TEST_F(Fixture, RawSixteenBitViewDrawsAtTheNextDecodeOnly) {
    editor.TopOffset = 0x80;  // one bit per pixel: the second row of tiles starts with byte 81h
    key(Key::Other, U'w');
    const auto& t = editor.tiles;
    ASSERT_NE(t[kArea], 0);  // the next row's first pixel
    const auto raw = [&](size_t i) { return static_cast<uint16_t>(t[i] | (i + 1 < t.size() ? t[i + 1] << 8 : 0)); };
    const auto row0 = [&](bool asRaw) {
        const Picture& p = editor.tilePicture();
        for (int x = 0; x < kArea; ++x)
            if (p.pixels[2 * x] != (asRaw ? raw(x) : editor.colorOf(t[x]))) return false;
        return true;
    };
    EXPECT_TRUE(row0(true));
    EXPECT_EQ(editor.tilePicture().pixels[2 * (kArea - 1)], t[kArea - 1] | t[kArea] << 8);
    EXPECT_EQ(editor.tilePicture().pixels.back(), t.back());  // the area's last pixel pairs with 0
    editor.mouseLeft();  // a plain repaint
    EXPECT_TRUE(row0(false));
    key(Key::Down);  // still on: the next decode draws raw again
    EXPECT_TRUE(row0(true));
    key(Key::Other, U'W');
    EXPECT_TRUE(row0(false));
}

TEST_F(Fixture, ExportsSaveEachAreaThroughItsOwnDialog) {
    editor.BoxWidth = 5, editor.BoxHeight = 3;
    editor.character[2 * TileEditor::kChar + 4] = 7;
    editor.ColorIndexStart = 16;
    struct Case {
        void (TileEditor::*run)();
        const char* title;
        int width, height;
    };
    const Case cases[] = {{&TileEditor::exportCharacter, "CHARACTER DATA", 5, 3},
                          {&TileEditor::exportPalette, "PALETTE DATA  ", 16, 16},
                          {&TileEditor::exportClipboard, "CLIPBOARD DATA", 256, 128},
                          {&TileEditor::exportTiles, "TILE DATA     ", 128, 128}};
    for (const auto& c : cases) {
        port.answerSave(std::nullopt);  // cancelled: nothing written
        (editor.*c.run)();
        EXPECT_TRUE(view.written.empty());
        EXPECT_EQ(port.saveRequests.back().title, c.title);
        EXPECT_EQ(port.saveRequests.back().filter, "Bitmaps|*.bmp|Icons|*.ico");
        EXPECT_EQ(port.saveRequests.back().defaultExtension, "BMP");
        port.answerSave("/tmp/out.bmp");
        (editor.*c.run)();
        ASSERT_EQ(view.written.size(), 1u);
        EXPECT_EQ(view.written[0].second.width, c.width) << c.title;
        EXPECT_EQ(view.written[0].second.height, c.height) << c.title;
        view.written.clear();
    }
    EXPECT_EQ(editor.characterImage().pixels[2 * 5 + 4], standardPalette()[23]);
    EXPECT_EQ(editor.paletteImage().pixels[255], standardPalette()[15]);

    view.writeOk = false;  // a failed write is reported
    port.answerSave("/tmp/out.bmp");
    editor.exportTiles();
    port.expectMessage("Error: Failed to write /tmp/out.bmp", "Error...", common::MsgIcon::Stop);
}

TEST_F(Fixture, TransfersCopyTheTileAreaIntoEitherHalfOfTheClipboardArea) {
    for (size_t i = 0; i < editor.tiles.size(); ++i) editor.tiles[i] = static_cast<uint8_t>(i * 7 + i / kArea);
    editor.transferTiles(true);
    editor.transferTiles(false);
    for (int y = 0; y < kArea; ++y)
        for (int x = 0; x < kArea; ++x) {
            const uint8_t v = editor.tiles[static_cast<size_t>(y) * kArea + x];
            ASSERT_EQ(editor.clip[static_cast<size_t>(y) * TileEditor::kClipWidth + x], v);
            ASSERT_EQ(editor.clip[static_cast<size_t>(y) * TileEditor::kClipWidth + kArea + x], v);
        }
}

TEST_F(Fixture, PngExportAndImportGiveBackTheSameBytesInEveryFormat) {
    for (const auto& f : kTileFormats) {
        editor.selectFormat(f.number);
        editor.TopOffset = 0x1000;
        editor.FormShow();
        editor.TopOffset = 0x1000;
        editor.selectFormat(f.number);
        port.answerSave("tiles.png");
        editor.exportPng(3);
        IndexedImage& image = view.files["tiles.png"];
        ASSERT_EQ(image.width, kArea);
        ASSERT_EQ(image.colors.size(), 256u);
        EXPECT_EQ(image.colors[1], 0x0000ACu) << f.caption;  // standard palette entry 1 (0015)
        const std::vector<uint8_t> before(session.bytes().begin(), session.bytes().end());
        // Scramble the area's indices, import, then the original comes back.
        for (uint8_t& v : image.indices) v = static_cast<uint8_t>((v + 1) % f.ColorCount);
        const size_t undoBefore = session.buffer.stepCount();
        port.answerOpen("tiles.png");
        editor.importTilesFromPng();
        ASSERT_EQ(session.buffer.stepCount(), undoBefore + 1) << f.caption;  // one undo step
        for (size_t i = 0; i < editor.tiles.size(); ++i) ASSERT_EQ(editor.tiles[i], image.indices[i]) << f.caption;
        for (uint8_t& v : image.indices) v = static_cast<uint8_t>((v + f.ColorCount - 1) % f.ColorCount);
        port.answerOpen("tiles.png");
        editor.importTilesFromPng();
        ASSERT_TRUE(std::equal(before.begin(), before.end(), session.bytes().begin())) << f.caption;
    }
}

TEST_F(Fixture, PngImportRefusesImagesThatCarryNoFittingIndices) {
    editor.selectFormat(3);  // 16 colours
    const std::vector<uint8_t> before(session.bytes().begin(), session.bytes().end());
    struct Case {
        IndexedImage image;
        std::string message;
    };
    const Case cases[] = {
        {{8, 8, std::vector<uint8_t>(64, 0), {}, false},
         "The image has no palette: only an indexed image carries pixel indices."},
        {{129, 8, std::vector<uint8_t>(129 * 8, 0), {}, true}, "The image is 129 x 8 pixels; the tile area holds at most 128 x 128."},
        {{8, 8, std::vector<uint8_t>(63, 0), {}, true}, "The image is 8 x 8 pixels; the tile area holds at most 128 x 128."},
        {{2, 1, {3, 16}, {}, true}, "The image uses colour 16; the current format has 16 colours."},
    };
    for (const auto& c : cases) {
        view.files["bad.png"] = c.image;
        port.answerOpen("bad.png");
        editor.importTilesFromPng();
        port.expectMessage(c.message, "Import...", common::MsgIcon::Exclamation);
    }
    port.answerOpen("missing.png");
    editor.importTilesFromPng();
    port.expectMessage("Error: Unable to read missing.png", "Import...", common::MsgIcon::Exclamation);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), session.bytes().begin()));
}

TEST_F(Fixture, PaletteFilesSaveTheCurrentPaletteAndLoadAsCurrent) {
    const auto dir = std::filesystem::temp_directory_path() / ("tarnwick_pal_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    editor.selectPalette(nesPalette());
    port.answerSave((dir / "nes.gpl").string());
    editor.SavePaletteFile1Click();
    editor.selectPalette(standardPalette());
    port.answerOpen((dir / "nes.gpl").string());
    editor.LoadPaletteFile1Click();
    EXPECT_EQ(*editor.palette, nesPalette());
    EXPECT_NE(editor.palette, &nesPalette());
    std::ofstream(dir / "junk.pal") << "not a palette";
    port.answerOpen((dir / "junk.pal").string());
    editor.LoadPaletteFile1Click();
    port.expectMessage("Error: " + (dir / "junk.pal").string() + " is not a palette file.", "Error...",
                       common::MsgIcon::Stop);
    EXPECT_EQ(*editor.palette, nesPalette());
    std::filesystem::remove_all(dir);
}

TEST_F(Fixture, CharacterRoundTripsThroughTheDesktopClipboard) {
    editor.PasteCharFromClipboard1Click();  // no image: nothing changes
    EXPECT_EQ(editor.character[0], 0);
    editor.BoxWidth = 6, editor.BoxHeight = 5;
    for (size_t i = 0; i < editor.character.size(); ++i) editor.character[i] = static_cast<uint8_t>(i * 37 + 1);
    const auto before = editor.character;
    editor.SendCharToClipboard1Click();
    ASSERT_TRUE(view.desktopClipboard);
    EXPECT_EQ(view.desktopClipboard->width, 6);
    // The copied picture (the index in red) is drawn stretched over the
    // clipboard area's box until the next repaint.
    const auto red = [](uint8_t v) { return static_cast<uint16_t>((v >> 3) << 11); };
    EXPECT_EQ(editor.clipPicture().pixels[0], red(before[0]));
    EXPECT_EQ(editor.clipPicture().pixels.back(), red(before[4 * TileEditor::kChar + 5]));
    EXPECT_EQ(editor.clipPicture().pixels[TileEditor::kClipWidth / 2], red(before[3]));
    editor.mouseLeft();
    EXPECT_EQ(editor.clipPicture().pixels[0], editor.colorOf(editor.clip[0]));
    editor.character.fill(0);
    editor.PasteCharFromClipboard1Click();
    for (int y = 0; y < TileEditor::kChar; ++y)
        for (int x = 0; x < TileEditor::kChar; ++x) {
            const size_t i = static_cast<size_t>(y) * TileEditor::kChar + x;
            ASSERT_EQ(editor.character[i], x < 6 && y < 5 ? before[i] : 0) << x << "," << y;
        }
    view.writeOk = false;
    editor.SendCharToClipboard1Click();
    port.expectMessage("Error: Failed to copy CHAR DATA to clipboard!");
}

}  // namespace
}  // namespace hexedit::tiles
