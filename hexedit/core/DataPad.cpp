#include "hexedit/core/DataPad.h"

#include <algorithm>
#include <filesystem>
#include <new>

#include "common/fileio.h"
#include "common/progress.h"
#include "hexedit/core/SelectionText.h"
#include "hexedit/core/TableLoader.h"

namespace hexedit {

using common::MsgIcon;

namespace {
constexpr char kAllFilesFilter[] = "All files (*.*)|*.*";
constexpr char kTableFilter[] = "Tbl files (*.tbl)|*.TBL";
constexpr char kModifiedQuestion[] = "File has been modified. Do you wish to save the data?";
constexpr char kModifiedTitle[] = "ROM Data Modified...";
constexpr char kSavestateQuestion[] =
    "This is a ZSnes SaveState file. Do you wish to\nRemove the header and edit the other data only?";

std::string withFolder(const std::string& folder, const char* name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}
}  // namespace

DataPad::DataPad(common::Port& port) : port_(port) {
    busy_.setView(this);
    hexView.setSession(this);
    registerCommands();
    documentEvents_ = doc_.subscribe([this](const DocumentEvent& e) {
        if (const auto* bytes = std::get_if<doc::BytesChanged>(&e)) {
            bytesChanged(*bytes);
        } else if (std::holds_alternative<doc::CursorMoved>(e)) {
            notifyRepaint();
        } else if (std::holds_alternative<doc::SelectionChanged>(e)) {
            notify(&DataPadObserver::cursorMoved);
            // The copy entries follow whether anything is selected.
            if (selection().has_value() != hadSelection_) {
                hadSelection_ = !hadSelection_;
                notifyMenus();
            }
        }
    });
}

void DataPad::registerCommands() {
    CommandTable& c = commands_;
    c.add("Open1Click", [this] { Open1Click(); });
    c.add("Tbl11Click", [this] { Tbl11Click(); });
    c.add("Tbl21Click", [this] { Tbl21Click(); });
    c.add("RefreshCurrentROM1Click", [this] { RefreshCurrentROM1Click(); });
    c.add("SaveFile1Click", [this] { SaveFile1Click(); });
    c.add("SaveFileAs1Click", [this] { SaveFileAs1Click(); });
    c.add("tblv1Click", [this] { tblv1Click(); });
    c.add("tblv2Click", [this] { tblv2Click(); });
    c.add("Asciitbl1Click", [this] { Asciitbl1Click(); });
    c.add("Exit1Click", [this] { Exit1Click(); });
    c.add("ExitProgram1Click", [this] { Exit1Click(); });
    c.add("Undo1Click", [this] { Undo1Click(); }, [this] { return doc_.canUndo(); });
    c.add("Redo1Click", [this] { Redo1Click(); }, [this] { return doc_.canRedo(); });

    // The view's toggles and paste.
    HexView& v = hexView;
    c.add("HexEditMode1Click", [&v] { v.HexEditMode1Click(); }, {}, [&v] { return v.TextMode; });
    c.add("D_MBEClick", [&v] { v.D_MBEClick(); }, {}, [&v] { return v.Disable16Bit; });
    c.add("D_DTEClick", [&v] { v.D_DTEClick(); }, {}, [&v] { return v.DteInserting; });
    c.add("ViewKanaClick", [&v] { v.ViewKanaClick(); }, {}, [&v] { return v.JapaneseView(); });
    const std::pair<const char*, int32_t> formats[] = {{"StandardClick", kOffsetStandard},
                                                       {"LoROM1Click", kOffsetLoRomSlow},
                                                       {"LoROM2Click", kOffsetLoRomFast},
                                                       {"HiROM1Click", kOffsetHiRom},
                                                       {"SnesMem1Click", kOffsetSnesMemory}};
    // Init-captures: clang 14 (the fuzz build) cannot capture structured bindings.
    for (auto [name, format] : formats)
        c.add(name, [&v, f = format] { v.setOffsetFormat(f); }, {},
              [this, f = format] { return view_.OffsetFormat == f; });
    c.add("AsText1Click", [this] { paste(true); });
    c.add("AsHex1Click", [this] { paste(false); });
    const auto hasSelection = [this] { return selection().has_value(); };
    for (const char* name : {"CopyasText1Click", "CopyasText2Click"})
        c.add(name, [this] { copySelection(true); }, hasSelection);
    for (const char* name : {"CopyasHex1Click", "CopyasHex2Click"})
        c.add(name, [this] { copySelection(false); }, hasSelection);
    // While a long loop runs, keys wait with the commands.
    c.addKeyHandler([this, &v](const KeyPress& k) { return busy() || v.previewKey(k); });
}

void DataPad::copySelection(bool asText) {
    const auto sel = selection();
    if (!sel) return;
    if (sel->length() > kMaxCopyBytes) {
        port_.inform("The selection is too large to copy: at most 16 MB at a time.", "Copy", MsgIcon::Exclamation);
        return;
    }
    const auto bytes = editor_.buffer().subspan(static_cast<size_t>(sel->first), static_cast<size_t>(sel->length()));
    port_.setClipboardText(asText ? tableCopyText(table_, bytes, hexView.JapaneseView()) : hexCopyText(bytes));
}

void DataPad::paste(bool asText) {
    // With a selection the paste starts at its first byte.
    if (const auto sel = selection()) moveCursorTo(sel->first);
    // A paste is one undo step of its own, typed while the session is busy:
    // commands and keys wait, and the paste may be cancelled.
    doc_.closeTypingRun();
    pasting_ = true;
    runBusy("Paste", [&](const common::Progress& progress) {
        hexView.AsText1Click(port_, asText, progress);
        return true;
    });
    pasting_ = false;
    doc_.closeTypingRun();
}

void DataPad::addObserver(DataPadObserver* o) {
    if (std::find(observers_.begin(), observers_.end(), o) == observers_.end()) observers_.push_back(o);
}

void DataPad::removeObserver(DataPadObserver* o) { std::erase(observers_, o); }

void DataPad::notifyRepaint() { notify(&DataPadObserver::formPaint); }
void DataPad::notifyMenus() { notify(&DataPadObserver::menusChanged); }
void DataPad::notifyTitles() { notify(&DataPadObserver::titlesChanged); }
void DataPad::notifyScrollRange() { notify(&DataPadObserver::scrollRangeChanged); }

bool DataPad::FormCreate(const std::string& workingFolder) {
    view_.BytesPerRow = 16;
    view_.PageBytes = 256;
    table_.CharShift = 0;
    table_.TablePaths[2].clear();
    editor_.EditorReady = true;
    view_.CursorRow = 0;
    view_.CursorColumn = 0;
    view_.TopOffset = 0;
    nav_.ReturnCount = 0;
    // The help file is handed to the desktop's viewer for its type.
    HelpViewerPath = "xdg-open";
    HelpPath = withFolder(workingFolder, "tarnwick.chm");
    ConfigPath = withFolder(workingFolder, "tarnwick.cfg");
    editor_.LastDirectory = workingFolder;
    UpdateMenuItems();
    return editor_.EditorReady;
}

std::string DataPad::absolutePath(const std::string& path) const {
    std::error_code ec;
    auto p = std::filesystem::absolute(path, ec);
    return ec ? path : p.lexically_normal().string();
}

void DataPad::reportTooLarge(const std::string& path) {
    port_.inform("Error: The file is too large to edit (2 GB at most).\n\"" + path + "\".", {}, MsgIcon::Stop);
}

void DataPad::reportOutOfMemory() {
    port_.inform("Fatal Error: Could Not Allocate Memory.", "Out of Memory.", MsgIcon::Stop);
    editor_.EditorReady = false;
    notify(&DataPadObserver::closeRequested);
}

DataPad::LoadError DataPad::loadFile(const std::string& path, LoadedFile& out) {
    auto length = common::fileLength(path);
    if (!length) return LoadError::CannotOpen;
    if (*length > kMaxFileLength) return LoadError::TooLarge;
    if (MapFiles && *length >= static_cast<uint64_t>(kMinBufferSize) && !isSavestatePath(path)) {
        auto file = std::make_shared<common::MappedFile>();
        if (file->open(path).empty() && file->size() >= static_cast<size_t>(kMinBufferSize) &&
            file->size() <= kMaxFileLength) {
            out.storage.clear();
            out.headerSkip = 0;
            out.fileSize = out.bufferSize = static_cast<int32_t>(file->size());
            out.mapped = std::move(file);
            return LoadError::None;
        }
    }
    try {
        out.storage.clear();
        out.storage.reserve(std::max<size_t>(*length, kMinBufferSize));
        auto status = common::readWholeFile(path, out.storage, kMaxFileLength);
        if (status == common::ReadStatus::TooLarge) return LoadError::TooLarge;
        if (status != common::ReadStatus::Ok) return LoadError::CannotOpen;
        // The file may have changed length since it was examined.
        const auto fileLength = static_cast<int32_t>(out.storage.size());
        out.storage.resize(std::max<size_t>(out.storage.size(), kMinBufferSize), 0);
        out.headerSkip = 0;
        out.fileSize = fileLength;
        out.bufferSize = static_cast<int32_t>(out.storage.size());
        if (isSavestatePath(path)) {
            // A file shorter than the header cannot be a savestate with data after it.
            // The tile editor takes the palette from the opened file.
            bool skip = fileLength >= static_cast<int32_t>(kSavestateHeader) &&
                        port_.ask(kSavestateQuestion, "Confirmation...");
            if (skip) {
                out.headerSkip = kSavestateHeader;
                out.fileSize -= kSavestateHeader;
                out.bufferSize -= kSavestateHeader;
            }
        }
    } catch (const std::bad_alloc&) {
        out.storage = {};
        return LoadError::OutOfMemory;
    }
    return LoadError::None;
}

void DataPad::install(const std::string& path, LoadedFile&& f) {
    hexView.cancelPending();
    if (path.empty()) doc_.reload(std::move(f.storage), f.headerSkip, f.fileSize, std::move(f.mapped));
    else doc_.open(path, std::move(f.storage), f.headerSkip, f.fileSize, std::move(f.mapped));
    couldUndo_ = couldRedo_ = false;
    wasModified_ = editor_.Modified;
}

void DataPad::buildTitles() {
    const std::string name = common::fileNameOf(editor_.CurrentPath);
    MainCaption = std::string(kProgramCaption) + " - \"" + name + "\"";
    notifyTitles();
}

void DataPad::afterLoad() {
    // Not while the tile editor stands in for the main window.
    if (MainWindowVisible) {
        notifyRepaint();
        UpdateMenuItems();
    }
    notifyScrollRange();
}

bool DataPad::keepChanges() {
    // Opening another file would drop the changes the user wants kept.
    if (editor_.Modified && port_.ask(kModifiedQuestion, kModifiedTitle)) return SaveFile1Click();
    return true;
}

void DataPad::Open1Click() {
    if (!keepChanges()) return;
    common::OpenRequest r;
    r.initialFolder = editor_.LastDirectory;
    r.filter = kAllFilesFilter;
    auto path = port_.openFile(r);
    if (!path || path->empty()) return;
    openPath(*path);
}

bool DataPad::openPath(const std::string& chosen) {
    const std::string path = absolutePath(chosen);
    LoadedFile f;
    switch (loadFile(path, f)) {
        case LoadError::None: break;
        case LoadError::CannotOpen: port_.inform("Fata Error: Unable to open file.", {}, MsgIcon::Stop); return false;
        case LoadError::TooLarge: reportTooLarge(path); return false;
        case LoadError::OutOfMemory: reportOutOfMemory(); return false;
    }
    install(path, std::move(f));
    if (table_.TablePaths[0].empty()) table_.buildAsciiTable();
    buildTitles();
    afterLoad();
    editor_.LastDirectory = common::folderOf(path);

    const std::string companion = companionTablePath(path);
    if (common::fileExists(companion)) {
        table_.TablePaths[0] = companion;
        editor_.AutoLoadTable = true;
        Tbl11Click();
    }
    return true;
}

void DataPad::RefreshCurrentROM1Click() {
    if (!editor_.fileOpen()) return;
    LoadedFile f;
    switch (loadFile(editor_.CurrentPath, f)) {
        case LoadError::None: break;
        case LoadError::CannotOpen:
            port_.inform("Error: ROM File not found.\n\"" + editor_.CurrentPath + "\".");
            return;
        case LoadError::TooLarge: reportTooLarge(editor_.CurrentPath); return;
        case LoadError::OutOfMemory: reportOutOfMemory(); return;
    }
    // Reloading drops the changes but keeps the modified mark, so closing still asks.
    install({}, std::move(f));
    afterLoad();
}

bool DataPad::SaveFile1Click() {
    if (!editor_.fileOpen() || !editor_.hasBuffer()) return false;
    std::string error = doc_.save(editor_.CurrentPath);
    if (!error.empty()) {
        port_.inform("Fata Error: Problem writing to the file.\n\"" + editor_.CurrentPath + "\".\n" + error, {},
                     MsgIcon::Stop);
        return false;
    }
    port_.inform("Rom file was saved successfully!", {}, MsgIcon::Exclamation);
    UpdateMenuItems();
    notifyRepaint();  // the changed bytes lose their colour
    fileWritten(editor_.CurrentPath);
    return true;
}

void DataPad::fileWritten(const std::string& path) {
    WrittenPath = absolutePath(path);
    notify(&DataPadObserver::fileStateChanged);
}

std::string DataPad::FileStateText() const {
    std::string text;
    if (editor_.fileOpen() && editor_.Modified) text = "Unsaved changes";
    if (!WrittenPath.empty()) text += (text.empty() ? "" : " | ") + std::string("Written: ") + WrittenPath;
    return text;
}

void DataPad::SaveFileAs1Click() {
    if (!editor_.fileOpen()) return;
    common::SaveRequest r;
    r.initialFolder = editor_.LastDirectory;
    r.filter = kAllFilesFilter;
    auto path = port_.saveFile(r);
    if (!path || path->empty()) return;
    editor_.CurrentPath = absolutePath(*path);
    SaveFile1Click();
    buildTitles();
    if (MainWindowVisible) {
        notifyRepaint();
        UpdateMenuItems();
    }
}

bool DataPad::FormCloseQuery() {
    editor_.EditorReady = false;
    for (auto& hook : closeHooks) hook();
    if (!editor_.Modified) return true;
    // Cancel keeps the program open; so does a save that failed, which
    // would otherwise lose the changes the user asked to keep.
    const std::optional<bool> save = port_.askOrCancel(kModifiedQuestion, kModifiedTitle);
    if (!save || (*save && !SaveFile1Click())) {
        editor_.EditorReady = true;
        return false;
    }
    return true;
}

void DataPad::FormClose() { doc_.close(); }

void DataPad::Exit1Click() { notify(&DataPadObserver::closeRequested); }

bool DataPad::TableLoader(const std::string& path) {
    bool ok = false;
    switch (loadTableFile(table_, path)) {
        case TableLoadStatus::Ok:
            ok = true;
            doc_.tableChanged(path);
            break;
        case TableLoadStatus::CannotOpen: port_.inform("Could not load the table file..."); break;
        case TableLoadStatus::OutOfMemory: port_.inform("Error Allocating Memory for the Table File..."); break;
    }
    UpdateMenuItems();
    return ok;
}

void DataPad::OpenTablefile() {
    common::OpenRequest r;
    r.initialFolder = editor_.LastDirectory;
    r.filter = kTableFilter;
    auto path = port_.openFile(r);
    if (!path || path->empty()) return;
    table_.TablePaths[table_.TableSlot] = *path;
    TableLoader(*path);
}

void DataPad::tableSlotCommand(int slot) {
    table_.TableSlot = static_cast<uint8_t>(slot);
    if (editor_.AutoLoadTable) TableLoader(table_.TablePaths[slot]);
    else OpenTablefile();
    editor_.AutoLoadTable = false;
    if (!table_.TablePaths[slot].empty()) {
        SwapCaptions[slot] = common::fileNameOf(table_.TablePaths[slot]);
        notifyMenus();
    }
    notifyRepaint();
}

void DataPad::swapCommand(int slot) {
    if (SwapCaptions[slot] == kNoTableCaption) return;
    table_.TableSlot = static_cast<uint8_t>(slot);
    TableLoader(table_.TablePaths[slot]);
    notifyRepaint();
}

void DataPad::Asciitbl1Click() {
    table_.buildAsciiTable();
    table_.TableSlot = 2;
    doc_.tableChanged({});
    UpdateMenuItems();
    notifyRepaint();
}

void DataPad::UpdateMenuItems() {
    if (!editor_.EditorReady) return;
    Menus.fileOpen = editor_.fileOpen();
    Menus.returnOffset = nav_.ReturnCount != 0;
    Menus.dumpList = table_.DumpMarkCount() > 0;
    Menus.tableSlots = !table_.TablePaths[0].empty() || !table_.TablePaths[1].empty();
    couldUndo_ = doc_.canUndo();
    couldRedo_ = doc_.canRedo();
    wasModified_ = editor_.Modified;
    notifyMenus();
}

void DataPad::ShowHint(const std::string& text) {
    HintText = text;
    notify(&DataPadObserver::hintChanged);
}

// --- the editing session ---------------------------------------------------------

void DataPad::moveCursorTo(int32_t offset) { doc_.moveCursorTo(offset); }

void DataPad::bytesChanged(const doc::BytesChanged& e) {
    if (e.resized) notifyScrollRange();
    // Typed bytes are repainted by the view itself, row by row.
    if (!e.typing) notifyRepaint();
    // Menus only when what they show changed: typing calls this per byte.
    if (couldUndo_ != doc_.canUndo() || couldRedo_ != doc_.canRedo() || wasModified_ != editor_.Modified || e.resized)
        UpdateMenuItems();
}

bool DataPad::writeBytes(int32_t offset, std::span<const uint8_t> bytes, EditKind kind) {
    if (busy() && !pasting_ && kind == EditKind::Typing) return false;
    return doc_.writeBytes(offset, bytes, kind == EditKind::Typing);
}

bool DataPad::fill(int32_t offset, int32_t length, uint8_t value) { return doc_.fill(offset, length, value); }

bool DataPad::replaceBuffer(std::span<const uint8_t> content) { return doc_.replaceBuffer(content); }

bool DataPad::writeRecords(std::span<const EditRecord> records) { return doc_.writeRecords(records); }

bool DataPad::splice(int32_t offset, int32_t removeLength, std::span<const uint8_t> insert) {
    return doc_.splice(offset, removeLength, insert);
}

void DataPad::Undo1Click() {
    hexView.cancelPending();
    if (doc_.undo()) moveCursorTo(std::min(doc_.lastChange().offset, editor_.BufferSize - 1));
}

void DataPad::Redo1Click() {
    hexView.cancelPending();
    if (doc_.redo()) moveCursorTo(std::min(doc_.lastChange().offset, editor_.BufferSize - 1));
}

bool DataPad::appendTableLine(std::string_view line) {
    const std::string path = table_.TablePaths[std::min<size_t>(table_.TableSlot, 2)];
    std::vector<uint8_t> content;
    if (path.empty() || common::readWholeFile(path, content) != common::ReadStatus::Ok) return false;
    // A last line without its line end would run into the new one.
    if (!content.empty() && content.back() != '\n') content.insert(content.end(), {'\r', '\n'});
    content.insert(content.end(), line.begin(), line.end());
    content.insert(content.end(), {'\r', '\n'});
    if (!common::writeFileAtomic(path, content).empty()) return false;
    reloadTable();
    return true;
}

bool DataPad::reloadTable() {
    const std::string path = table_.TablePaths[std::min<size_t>(table_.TableSlot, 2)];
    if (path.empty()) return false;
    const bool ok = TableLoader(path);
    notifyRepaint();
    return ok;
}

void DataPad::useTableFile(int slot, const std::string& path) {
    if (slot < 0 || slot > 1) return;
    table_.TablePaths[static_cast<size_t>(slot)] = path;
    editor_.AutoLoadTable = true;
    tableSlotCommand(slot);
}

void DataPad::setMainWindowVisible(bool visible) {
    if (MainWindowVisible == visible) return;
    MainWindowVisible = visible;
    notify(&DataPadObserver::visibilityChanged);
}

bool DataPad::runBusy(std::string_view label, const std::function<bool(const common::Progress&)>& work) {
    return busy_.run(label, work);
}

void DataPad::busyChanged() {
    notify(&DataPadObserver::busyChanged);
    UpdateMenuItems();
}

bool DataPad::commandEnabled(std::string_view name) const {
    if (busy()) return false;
    if (!Menus.enabled(name)) return false;
    const MenuEntry* e = findMenuEntry(name);
    if (e && e->kind == EntryKind::Menu) return true;
    return commands_.enabled(name);
}

bool DataPad::runCommand(std::string_view name) {
    if (!commandEnabled(name)) return false;
    return commands_.run(name);
}

}  // namespace hexedit
