#include "scripted/ScriptEditor.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <new>
#include <system_error>

#include "common/codepage.h"
#include "common/fileio.h"
#include "common/gamerom.h"
#include "scripted/Translation.h"

namespace scripted {
namespace {

constexpr uint64_t kMaxDataFile = 64ull << 20;

std::string format(const char* fmt, auto... args) {
    char buf[128];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

std::string itemsHint(size_t count) { return std::to_string(count) + " item(s)"; }

}  // namespace

ScriptEditor::ScriptEditor(std::string startFolder)
    : StartFolder(std::move(startFolder)), CurrentDirectory(StartFolder) {
    StringPointers.reserve(kMaxStrings);
    BlockTable.reserve(kMaxBlocks);
}

std::span<const uint8_t> ScriptEditor::RomImage() const {
    if (RomBuffer.size() <= HeaderSize) return {};
    return std::span<const uint8_t>(RomBuffer).subspan(HeaderSize);
}

void ScriptEditor::setItems(ListState& list, std::vector<std::string> items) {
    list.items = std::move(items);
    list.selected = -1;
    ++list.revision;
}

void ScriptEditor::clearStrings() {
    setItems(pList, {});
    pList.hint = itemsHint(0);
    StringPointers.clear();
    clearSelectedString();
}

// No string is selected: nothing of the previous one stays shown.
void ScriptEditor::clearSelectedString() {
    CurrentString = -1;
    CurrentStringOffset = 0;
    CurrentText.clear();
    TranslationBuffer.clear();
    KanaCaption = "Kana Text: String #0";
    setStatus();
    RedrawBoth();
}

void ScriptEditor::OpenRomFile(common::Port& port) {
    common::OpenRequest req;
    req.title = "Open ROM File";
    req.initialFolder = StartFolder;
    req.filter = "SNES ROM | *.s*c; *.fig;";
    auto path = port.openFile(req);
    if (!path) return;

    // The file dialog leaves the chosen file's folder as the current one.
    CurrentDirectory = common::folderOf(*path);
    if (CurrentDirectory.empty()) CurrentDirectory = StartFolder;
    DumpFolder = CurrentDirectory + "/Dumps";
    std::error_code ec;
    std::filesystem::create_directories(DumpFolder, ec);  // a failure shows when a file is written there

    std::vector<uint8_t> buffer;
    common::ReadStatus status;
    try {
        status = common::readWholeFile(*path, buffer, 0xFFFFFFFFu);
    } catch (const std::bad_alloc&) {
        status = common::ReadStatus::TooLarge;
    }
    if (status == common::ReadStatus::CannotOpen || status == common::ReadStatus::ReadError) {
        port.inform("Fatal Error: Could not open file!");
        return;
    }
    RomBuffer.clear();
    RomBuffer.shrink_to_fit();
    RomSize = 0;
    HeaderSize = 0;
    if (status == common::ReadStatus::TooLarge) {
        RomPath.clear();
        DataMenuEnabled = false;
        port.inform("Fatal Error: Could not allocate needed memory!");
        CloseRequested = true;
        return;
    }
    RomBuffer = std::move(buffer);
    RomSize = static_cast<uint32_t>(RomBuffer.size());
    HeaderSize = common::gamerom::headerSize(RomSize);
    RomPath = *path;

    if (!common::gamerom::titleMatches(RomImage())) {
        port.inform("Error: This is not the ROM used.\nPlease load the correct ROM.");
        RomBuffer.clear();
        RomBuffer.shrink_to_fit();
        RomSize = 0;
        HeaderSize = 0;
        RomPath.clear();
        DataMenuEnabled = false;
        // The lists belong to the refused image's predecessor: empty them.
        BlockTable.clear();
        setItems(bList, {});
        bList.hint = itemsHint(0);
        CurrentBlock = -1;
        DataLoaded = false;
        clearStrings();
        std::fill(Renderer.Screen.begin(), Renderer.Screen.end(), uint16_t{0});
        ++FrameRevision;
        return;
    }

    DataMenuEnabled = true;
    bool read = LoadDataFile(port);
    if (!bList.items.empty()) {
        bList.selected = 0;
        DataLoaded = true;
        // Without a new data file the listed strings still belong to the
        // previous ROM: walk the block again in this one.
        if (!read) SelectBlock(port);
        if (windowVisible(Window::List)) FocusRequest = Focus::BlockList;
    }
}

bool ScriptEditor::LoadDataFile(common::Port& port) {
    if (!DataMenuEnabled) return false;
    common::OpenRequest req;
    req.title = "Open Text Block Data File";
    req.initialFolder = CurrentDirectory;
    req.filter = "Font Format File | *.txt";
    auto path = port.openFile(req);
    if (!path) return false;
    if (!common::folderOf(*path).empty()) CurrentDirectory = common::folderOf(*path);

    std::vector<uint8_t> bytes;
    if (common::readWholeFile(*path, bytes, kMaxDataFile) != common::ReadStatus::Ok) {
        port.inform("Fatal Error: Could not open FONT file!");
        return false;
    }
    try {
        readDataFileText(port, *path,
                         std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const std::bad_alloc&) {
        port.inform("Error: Program outof memory. 'TABLE DATA Load'. ");
        CloseRequested = true;
        return false;
    }
    return true;
}

void ScriptEditor::readDataFileText(common::Port& port, const std::string& path, std::string_view text) {
    DataLoaded = false;
    BlockTable.clear();
    setItems(bList, {});

    // What the data file's lines ask of the editor as it is read.
    struct Actions : DataFileActions {
        ScriptEditor& editor;
        explicit Actions(ScriptEditor& e) : editor(e) {}
        void reselectString() override { editor.SelectString(false); }
        void redrawBoth() override { editor.RedrawBoth(); }
        void showWindow(SideWindow w, bool visible) override {
            switch (w) {
                case SideWindow::TextEditor: editor.ShowWindow(Window::TextEditor, visible); break;
                case SideWindow::HexData: editor.ShowWindow(Window::HexData, visible); break;
                case SideWindow::KanaText: editor.ShowWindow(Window::KanaText, visible); break;
            }
        }
    } actions(*this);
    DataFileResult result = readDataFile(text, Table, View, &actions);

    BlockTable = std::move(result.blocks);
    std::vector<std::string> items;
    items.reserve(BlockTable.size());
    for (const auto& b : BlockTable) items.push_back(format("Block %X", b.address));
    setItems(bList, std::move(items));
    if (result.droppedBlocks > 0)
        port.inform(format("Warning: Only the first %u blocks were loaded; %zu further \".BLOCK\" line(s) were "
                           "ignored.",
                           static_cast<unsigned>(kMaxBlocks), result.droppedBlocks),
                    {}, common::MsgIcon::Exclamation);

    DataLoaded = true;
    Caption = std::string(kCaption) + " - [ " + common::fileNameOf(path) + " ]";
    bList.selected = bList.items.empty() ? -1 : 0;
    bList.hint = itemsHint(bList.items.size());
    if (bList.items.empty()) {
        // Strings of a block that is no longer listed must not stay clickable.
        CurrentBlock = -1;
        clearStrings();
    }
    SelectBlock(port);
}

void ScriptEditor::BlockListClick(common::Port& port, int index) {
    if (index < 0 || index >= static_cast<int>(bList.items.size())) return;
    bList.selected = index;
    SelectBlock(port);
}

void ScriptEditor::StringListClick(int index) {
    if (index < 0 || index >= static_cast<int>(pList.items.size())) return;
    pList.selected = index;
    SelectString(true);
}

void ScriptEditor::SelectBlock(common::Port& port) {
    if (!romLoaded()) return;
    if (bList.selected < 0 || bList.selected >= static_cast<int>(BlockTable.size())) return;
    CurrentBlock = bList.selected;
    const BlockEntry& block = BlockTable[static_cast<size_t>(CurrentBlock)];

    WalkResult walk = WalkScript(RomImage(), SnesToRom(block.address), StringPointers);
    StringCount = walk.count;
    if (walk.count == kWalkFailed) {
        port.inform("Scripting Read Error: Pointers could not be loaded.");
        // The list would otherwise show strings of another block.
        clearStrings();
        StringCount = kWalkFailed;
        return;
    }
    if (walk.truncated)
        port.inform(format("Warning: Block %X refers to more than %u strings; only the first %u are listed.",
                           block.address, static_cast<unsigned>(kMaxStrings), static_cast<unsigned>(kMaxStrings)),
                    {}, common::MsgIcon::Exclamation);

    std::vector<std::string> items;
    items.reserve(StringCount);
    for (unsigned i = 0; i < StringCount; ++i) items.push_back(format("String# %-5d", i));
    setItems(pList, std::move(items));

    openTranslation(port, DumpFolder + format("/%08X.txt", block.address));

    pList.selected = StringCount > 0 ? 0 : -1;
    pList.hint = itemsHint(StringCount);
    if (StringCount == 0) clearSelectedString();
    SelectString(false);
    if (windowVisible(Window::List)) FocusRequest = Focus::BlockList;
}

void ScriptEditor::SelectString(bool fromClick, bool fromTyping) {
    if (!romLoaded()) return;
    if (pList.selected < 0 || pList.selected >= static_cast<int>(StringPointers.size())) return;
    CurrentString = pList.selected;
    if (!TextEditorActive) {
        UpperScroll = 0;
        LowerScroll = 0;
    }
    View.translatedText = false;
    CurrentStringOffset = StringPointers[static_cast<size_t>(CurrentString)];
    if (DataLoaded) {
        CurrentText = DecodeString(RomImage(), CurrentStringOffset);
        if (!View.formatSet) {
            View.glyphHeight = 16;
            View.glyphWidth = 16;
        }
        drawUpper();
    }
    KanaCaption = "Kana Text: String #" + std::to_string(CurrentString);

    // The string's section in the text editor: searched from the end of a
    // selection, else from the start of the text.
    size_t caret = SelStart;
    size_t from = SelLength > 0 ? SelStart + SelLength : 0;
    std::optional<SectionMatch> match = findSection(EditorText, from, CurrentString);
    TranslationBuffer.clear();
    if (match) {
        SelStart = match->offset;
        SelLength = 0;
        if (fromTyping) {
            SelStart = caret;  // typing keeps the caret and the view
        } else {
            CaretRequest = SelStart;
            TopLineRequest = match->line;
        }
        TranslationBuffer = encodeSection(EditorText, match->line);
    }
    // Without a section the lower box is drawn empty, not with another
    // string's translation.
    if (DataLoaded) drawLower(16, 16);
    setStatus();
    if (fromClick && windowVisible(Window::List)) FocusRequest = Focus::StringList;
}

void ScriptEditor::drawUpper() {
    Renderer.layer(Box::Upper).scroll = UpperScroll;
    Renderer.DrawTextBox(Box::Upper, CurrentText, GlyphSource{Box::Upper, RomImage()}, View.glyphHeight,
                         View.glyphWidth, View);
    ++FrameRevision;
}

void ScriptEditor::drawLower(int glyphHeight, int glyphWidth) {
    Renderer.layer(Box::Lower).scroll = LowerScroll;
    std::vector<TextEvent> text = DecodeTranslation(TranslationBuffer);
    Renderer.DrawTextBox(Box::Lower, text, GlyphSource{Box::Lower, {}}, glyphHeight, glyphWidth, View);
    ++FrameRevision;
}

void ScriptEditor::setStatus() {
    StatusPanels[0] = format("Offset: %06X | PTR: %04X -> %06X", 0u, CurrentStringOffset, 0u);
    StatusPanels[1] =
        "Line {Kana, Ascii}: " + std::to_string(UpperScroll / 16) + ", " + std::to_string(LowerScroll / 16);
}

void ScriptEditor::RedrawBoth() {
    if (!romLoaded() || !DataLoaded) return;
    // Without a ".FORMAT" line the first request sets 16 x 16 and draws.
    if (!View.formatSet) {
        View.glyphHeight = 16;
        View.glyphWidth = 16;
        View.formatSet = true;
    }
    drawUpper();
    drawLower(View.glyphHeight, View.glyphWidth);
}

bool ScriptEditor::KeyDown(Key key, bool shift, bool ctrl) {
    if (shift || ctrl) {
        if (key == Key::Other) return true;
        uint16_t& scroll = ctrl ? LowerScroll : UpperScroll;
        if (key == Key::Up) {
            if (scroll == 0) return true;
            scroll = static_cast<uint16_t>(scroll - 16);
        } else {
            if (scroll >= kMaxScroll) return true;
            scroll = static_cast<uint16_t>(scroll + 16);
        }
    }
    RedrawBoth();
    setStatus();
    return false;
}

void ScriptEditor::setEditorText(std::string text) {
    EditorText = std::move(text);
    SelStart = SelLength = 0;
    CaretRequest.reset();
    TopLineRequest.reset();
    TextModified = false;
    ++EditorTextRevision;
}

void ScriptEditor::openTranslation(common::Port& port, std::string path) {
    // Typed text is never dropped without a question, also when its file
    // could not be created.
    if (TextModified && !TranslationPath.empty() &&
        port.ask("Current data not saved. Do you wish to save it?", "File Modified..."))
        SaveTextFile(port);
    TranslationPath = std::move(path);
    if (common::fileExists(TranslationPath)) {
        std::vector<uint8_t> bytes;
        if (common::readWholeFile(TranslationPath, bytes, kMaxDataFile) != common::ReadStatus::Ok) {
            // Saving must not replace a file that could not be shown.
            port.inform("Fatal Error: Could not open file!");
            TranslationPath.clear();
            setEditorText({});
            return;
        }
        setEditorText(fromFileText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
        return;
    }
    // A new file with an empty section per string. When it cannot be
    // written that is said, and the editor still gets the new block's
    // sections, so that a later Save Text File writes this block's text
    // under this block's name.
    std::string text = newTranslationText(StringCount);
    if (!common::writeFileAtomic(TranslationPath, toFileText(text)).empty())
        port.inform("Error: Could not create file \"" + common::fileNameOf(TranslationPath) + "\"...");
    setEditorText(std::move(text));
}

void ScriptEditor::SaveTextFile(common::Port& port) {
    if (TranslationPath.empty()) return;
    if (!common::writeFileAtomic(TranslationPath, toFileText(EditorText)).empty()) {
        port.inform("Error: Could not open file for saving...");
        return;
    }
    port.inform("\"" + common::fileNameOf(TranslationPath) + "\" was saved successfully!");
    TextModified = false;
    WrittenPath = TranslationPath;
}

void ScriptEditor::TextChanged(std::string text, size_t caret) {
    EditorText = std::move(text);
    TextModified = true;
    SelStart = std::min(caret, EditorText.size());
    SelLength = 0;
    SelectString(false, true);
}

void ScriptEditor::SetEditorSelection(size_t start, size_t length) {
    SelStart = std::min(start, EditorText.size());
    SelLength = std::min(length, EditorText.size() - SelStart);
}

bool ScriptEditor::CloseQuery(common::Port& port) {
    if (!TextModified) return true;
    const std::optional<bool> save = port.askOrCancel("TEXT data not saved. Do you wish to save it?", "TEXT File Modified...");
    if (!save) {
        CloseRequested = false;  // Cancel: the program stays open
        return false;
    }
    if (*save) SaveTextFile(port);
    // A save that failed keeps the text, and the program, open.
    if (*save && TextModified) CloseRequested = false;
    return !(*save && TextModified);
}

std::u16string ScriptEditor::KanaTextShown() const {
    return common::cp932ToUtf16(kanaText(CurrentText, View.hideCodes));
}

void ScriptEditor::ToggleHideCodes() {
    View.hideCodes = !View.hideCodes;
    RedrawBoth();
}

void ScriptEditor::ToggleVwf() {
    View.useVwf = !View.useVwf;
    RedrawBoth();
}

void ScriptEditor::ToggleTranslatedText() {
    View.translatedText = !View.translatedText;
    RedrawBoth();
}

void ScriptEditor::SetBoxColor(BoxColor c) {
    View.color = c;
    RedrawBoth();
}

void ScriptEditor::SetBoxFill(BoxFill f) {
    View.fill = f;
    RedrawBoth();
}

void ScriptEditor::SaveRomFile(common::Port& port) {
    if (!romLoaded()) return;
    std::string err = common::writeFileAtomic(RomPath, std::span<const uint8_t>(RomBuffer));
    if (!err.empty()) {
        port.inform("Fatal Error: Could not open ROM File for saving...");
        return;
    }
    WrittenPath = RomPath;
    port.inform("ROM File saved successfully!");
}

void ScriptEditor::DumpMemory(common::Port& port) {
    common::SaveRequest req;
    req.title = "Dump Working RAM to file...";
    req.initialFolder = StartFolder;
    auto path = port.saveFile(req);
    if (!path) return;
    // A bare name goes next to the ROM, not into the working folder.
    const std::string out = common::outputPath(*path, common::folderOf(RomPath));
    std::string err = common::writeFileAtomic(out, std::span<const uint8_t>(WorkRam));
    if (!err.empty()) port.inform("Error: Could not open file for saving...");
    else WrittenPath = out;
}

std::string ScriptEditor::FileStateText() const {
    std::string text;
    if (TextModified) text = "Unsaved text";
    if (!WrittenPath.empty()) text += (text.empty() ? "" : " | ") + std::string("Written: ") + WrittenPath;
    return text;
}

std::string ScriptEditor::HexCaption() const {
    uint32_t address = (0x7E0000u | CurrentStringOffset) + static_cast<uint32_t>(HexData.cursorOffset());
    return format("Hex Data - $%08X", address);
}

std::array<uint16_t, 8 * 16> ScriptEditor::HexPreview() const {
    std::array<uint16_t, 8 * 16> out{};
    uint16_t value = HexData.cursorWord();
    const uint16_t ink = kPalette[kTextColor], paper = kPalette[0];
    if (View.translatedText) {
        const GlyphBits& g = builtinGlyph8(static_cast<uint8_t>(value));
        for (size_t r = 0; r < 16; ++r)
            for (size_t c = 0; c < 8; ++c) out[r * 8 + c] = (g.rows[r] & (0x8000u >> c)) ? ink : paper;
        return out;
    }
    GlyphBits g = glyphFromRom(GlyphAt(RomImage(), value > 4095 ? 32 : value));
    for (size_t r = 0; r < 16; ++r)
        for (size_t c = 0; c < 8; ++c) out[r * 8 + c] = (g.rows[r] & (0x8000u >> (2 * c))) ? ink : paper;
    return out;
}

void ScriptEditor::EditorKeys(common::Port& port) {
    port.inform(
        "Shift + UP  : Scroll the KANA Textbox Data Up by 'ONE line'.\n"
        "Shift + DOWN: Scroll the KANA Textbox Data Down by 'ONE line'.\n"
        "Ctrl  + UP  : Scroll the ASCII Textbox Data Up by 'ONE line'.\n"
        "Ctrl  + DOWN: Scroll the ASCII Textbox Data Down by 'ONE line'.\n");
}

}  // namespace scripted
