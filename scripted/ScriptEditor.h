#pragma once
// The state and commands of the script editor's main window: the loaded
// ROM, the block and string lists, the text block data file, the view
// options and the side windows' visibility. The forms show this state and
// forward events; every message box and question is asked here.

#include <array>
#include <optional>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/port/Port.h"
#include "scripted/DataFile.h"
#include "scripted/HexData.h"
#include "scripted/Script.h"
#include "scripted/TextBox.h"

namespace scripted {

inline constexpr const char* kAppTitle = "\"Vexmoor Tales 2\" Script Editor";
inline constexpr const char* kCaption = "Script Editor: Vexmoor Tales 2";
inline constexpr uint32_t kWorkRamSize = 131072;

// A list box: its items, selection and hint.
struct ListState {
    std::vector<std::string> items;
    int selected = -1;
    std::string hint;
    unsigned revision = 0;  // grows whenever the items change
};

enum class Window : uint8_t { List, TextEditor, HexData, KanaText };
enum class Focus : uint8_t { None, BlockList, StringList };
enum class Key : uint8_t { Up, Down, Other };

class ScriptEditor {
public:
    // The start folder is the current directory when the main window is
    // created; the open dialogs start there.
    explicit ScriptEditor(std::string startFolder);

    // --- state ----------------------------------------------------------
    std::vector<uint8_t> RomBuffer;  // the whole file, header included; empty = no ROM
    uint32_t RomSize = 0;
    uint32_t HeaderSize = 0;
    std::vector<BlockEntry> BlockTable;
    std::vector<uint32_t> StringPointers;
    uint16_t StringCount = 0;
    int CurrentBlock = -1;
    int CurrentString = -1;
    uint32_t CurrentStringOffset = 0;
    std::string DumpFolder;
    bool DataLoaded = false;

    std::string StartFolder;
    // The folder the last file dialog chose a file in; later dialogs start
    // there and the "Dumps" folder is made in it.
    std::string CurrentDirectory;
    std::string RomPath;
    std::string TranslationPath;  // "<DumpFolder>/<block address %08X>.txt"
    TextTable Table;
    ViewOptions View;
    std::vector<TextEvent> CurrentText;  // the selected ROM string, decoded
    uint16_t UpperScroll = 0;            // text layer scroll offsets in pixel rows
    uint16_t LowerScroll = 0;
    std::vector<uint8_t> WorkRam = std::vector<uint8_t>(kWorkRamSize, 0);
    HexDataView HexData;
    unsigned FrameRevision = 0;  // grows whenever the screen picture changed
    unsigned HexRevision = 0;    // grows whenever the hex data window changed
    TextBoxRenderer Renderer;
    std::vector<uint8_t> TranslationBuffer;  // the encoded section of the selected string

    // --- the text editor (TDMemo) ------------------------------------------
    std::string EditorText;       // "\n" line ends; one byte per character
    size_t SelStart = 0;          // byte offsets into EditorText
    size_t SelLength = 0;
    bool TextModified = false;
    unsigned EditorTextRevision = 0;          // grows when the model replaces the text
    std::optional<size_t> CaretRequest;       // the form puts the caret here (byte offset)
    std::optional<size_t> TopLineRequest;     // the form scrolls this line to the top

    // --- what the windows show -------------------------------------------
    std::string Caption = kCaption;
    std::string KanaCaption = "Kana Text: String #0";
    std::array<std::string, 2> StatusPanels;
    ListState bList, pList;
    bool DataMenuEnabled = false;
    std::array<bool, 4> WindowVisible{true, false, false, false};  // by Window
    bool StayOnTop = false;
    bool TextEditorActive = false;  // set by the forms: the text editor is the active window
    Focus FocusRequest = Focus::None;  // taken by the forms after each command
    bool CloseRequested = false;
    bool WrapEditorLines = false;  // the text editor wraps long lines on screen
    std::string WrittenPath;       // the last file written

    // --- commands --------------------------------------------------------
    bool romLoaded() const { return !RomBuffer.empty(); }
    std::span<const uint8_t> RomImage() const;

    void OpenRomFile(common::Port& port);
    // Returns true when a data file was read to its end.
    bool LoadDataFile(common::Port& port);
    // A click in bList or pList (index = the clicked item).
    void BlockListClick(common::Port& port, int index);
    void StringListClick(int index);
    void SelectBlock(common::Port& port);
    void SelectString(bool fromClick, bool fromTyping = false);

    void SaveRomFile(common::Port& port);
    void SaveTextFile(common::Port& port);
    // The user changed the text editor's text; the caret is a byte offset.
    void TextChanged(std::string text, size_t caret);
    // The text editor's selection, as the form sees it before a command.
    void SetEditorSelection(size_t start, size_t length);
    // Closing the main window: asks to save a modified translation.
    // False when the program should stay open (Cancel, or a failed save).
    bool CloseQuery(common::Port& port);
    // A key of the main window; returns true when it is swallowed.
    bool KeyDown(Key key, bool shift, bool ctrl);
    void DumpMemory(common::Port& port);
    // The hex data window: its keys, caption and glyph preview.
    void HexKeyDown(HexKey key) {
        HexData.key(key);
        ++HexRevision;
    }
    std::string HexCaption() const;
    // What the kana text window shows: the selected string as text, its
    // Shift-JIS characters converted for display.
    std::u16string KanaTextShown() const;
    // The 8 x 16 RGB565 preview of the cursor's value: the built-in 8 x 16
    // glyph of its low byte while the translated text display is requested,
    // else the ROM glyph of the value (every second column; values above
    // 4095 show the glyph for 32).
    std::array<uint16_t, 8 * 16> HexPreview() const;
    void EditorKeys(common::Port& port);
    void Exit() { CloseRequested = true; }
    void ToggleWrap() { WrapEditorLines = !WrapEditorLines; }
    // The status bar's lasting state: unsaved text and the last file written.
    std::string FileStateText() const;

    void ShowWindow(Window w, bool visible) { WindowVisible[static_cast<size_t>(w)] = visible; }
    bool windowVisible(Window w) const { return WindowVisible[static_cast<size_t>(w)]; }
    void ToggleHideCodes();
    void ToggleVwf();
    void ToggleTranslatedText();
    void SetBoxColor(BoxColor c);
    void SetBoxFill(BoxFill f);
    void ToggleStayOnTop() { StayOnTop = !StayOnTop; }
    // Asks for both text boxes to be drawn again; the first request without a
    // glyph format only sets the 16 x 16 default.
    void RedrawBoth();

    Focus takeFocusRequest() {
        Focus f = FocusRequest;
        FocusRequest = Focus::None;
        return f;
    }

private:
    void openTranslation(common::Port& port, std::string path);
    void setEditorText(std::string text);
    void drawUpper();
    void drawLower(int glyphHeight, int glyphWidth);
    void clearSelectedString();
    void readDataFileText(common::Port& port, const std::string& path, std::string_view text);
    void setStatus();
    void clearStrings();
    static void setItems(ListState& list, std::vector<std::string> items);
};

}  // namespace scripted
