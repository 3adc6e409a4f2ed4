#include "hexedit/core/DataPad.h"

#include <algorithm>
#include <filesystem>
#include <new>

#include "common/fileio.h"
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

void DataPad::addObserver(DataPadObserver* o) {
    if (std::find(observers_.begin(), observers_.end(), o) == observers_.end()) observers_.push_back(o);
}

void DataPad::removeObserver(DataPadObserver* o) { std::erase(observers_, o); }

void DataPad::notifyRepaint() { notify(&DataPadObserver::formPaint); }
void DataPad::notifyMenus() { notify(&DataPadObserver::menusChanged); }
void DataPad::notifyTitles() { notify(&DataPadObserver::titlesChanged); }
void DataPad::notifyScrollRange() { notify(&DataPadObserver::scrollRangeChanged); }

bool DataPad::FormCreate(const std::string& workingFolder) {
    view.BytesPerRow = 16;
    view.PageBytes = 256;
    table.CharShift = 0;
    table.TablePaths[2].clear();
    editor.EditorReady = true;
    view.CursorRow = 0;
    view.CursorColumn = 0;
    view.TopOffset = 0;
    nav.ReturnCount = 0;
    // The help file is handed to the desktop's viewer for its type.
    HelpViewerPath = "xdg-open";
    HelpPath = withFolder(workingFolder, "tarnwick.chm");
    ConfigPath = withFolder(workingFolder, "tarnwick.cfg");
    editor.LastDirectory = workingFolder;
    UpdateMenuItems();
    return editor.EditorReady;
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
    editor.EditorReady = false;
    notify(&DataPadObserver::closeRequested);
}

DataPad::LoadError DataPad::loadFile(const std::string& path, LoadedFile& out) {
    auto length = common::fileLength(path);
    if (!length) return LoadError::CannotOpen;
    if (*length > kMaxFileLength) return LoadError::TooLarge;
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
            bool skip = fileLength >= static_cast<int32_t>(kSavestateHeader) &&
                        port_.ask(kSavestateQuestion, "Confirmation...");
            ZstPalette = convertSavestatePalette(std::span(out.storage).first(static_cast<size_t>(fileLength)));
            ZstPaletteLoaded = true;
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

void DataPad::install(LoadedFile&& f) {
    editor.storage = std::move(f.storage);
    editor.HeaderSkip = f.headerSkip;
    editor.FileSize = f.fileSize;
    editor.BufferSize = f.bufferSize;
}

void DataPad::buildTitles() {
    const std::string name = common::fileNameOf(editor.CurrentPath);
    MainCaption = std::string(kProgramCaption) + " - \"" + name + "\"";
    TileCaption = std::string(kTileCaption) + " - \"" + name + "\"";
    notifyTitles();
}

void DataPad::afterLoad() {
    if (!TileEditorShowing) {
        notifyRepaint();
        UpdateMenuItems();
    }
    notifyScrollRange();
}

void DataPad::Open1Click() {
    if (editor.Modified && port_.ask(kModifiedQuestion, kModifiedTitle)) {
        // Opening another file would drop the changes the user wants kept.
        if (!SaveFile1Click()) return;
        editor.Modified = false;
    }
    common::OpenRequest r;
    r.initialFolder = editor.LastDirectory;
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
    editor.CurrentPath = path;
    install(std::move(f));
    if (table.TablePaths[0].empty()) table.buildAsciiTable();
    editor.Modified = false;
    view.CursorRow = 0;
    view.CursorColumn = 0;
    view.TopOffset = 0;
    view.CursorOffset = 0;
    buildTitles();
    afterLoad();
    editor.LastDirectory = common::folderOf(path);

    const std::string companion = companionTablePath(path);
    if (common::fileExists(companion)) {
        table.TablePaths[0] = companion;
        editor.AutoLoadTable = true;
        Tbl11Click();
    }
    return true;
}

void DataPad::RefreshCurrentROM1Click() {
    if (!editor.fileOpen()) return;
    LoadedFile f;
    switch (loadFile(editor.CurrentPath, f)) {
        case LoadError::None: break;
        case LoadError::CannotOpen:
            port_.inform("Error: ROM File not found.\n\"" + editor.CurrentPath + "\".");
            return;
        case LoadError::TooLarge: reportTooLarge(editor.CurrentPath); return;
        case LoadError::OutOfMemory: reportOutOfMemory(); return;
    }
    install(std::move(f));
    // The file may have become shorter than the cursor's offset.
    if (view.CursorOffset >= editor.BufferSize) view.TopOffset = PlaceCursor(view, editor.BufferSize - 1);
    afterLoad();
}

bool DataPad::SaveFile1Click() {
    if (!editor.fileOpen() || !editor.hasBuffer()) return false;
    const size_t length = static_cast<size_t>(editor.FileSize) + editor.HeaderSkip;
    std::string error = common::writeFileAtomic(editor.CurrentPath, std::span<const uint8_t>(editor.storage).first(
                                                                         std::min(length, editor.storage.size())));
    if (!error.empty()) {
        port_.inform("Fata Error: Problem writing to the file.\n\"" + editor.CurrentPath + "\".\n" + error, {},
                     MsgIcon::Stop);
        return false;
    }
    port_.inform("Rom file was saved successfully!", {}, MsgIcon::Exclamation);
    editor.Modified = false;
    return true;
}

void DataPad::SaveFileAs1Click() {
    if (!editor.fileOpen()) return;
    common::SaveRequest r;
    r.initialFolder = editor.LastDirectory;
    r.filter = kAllFilesFilter;
    auto path = port_.saveFile(r);
    if (!path || path->empty()) return;
    editor.CurrentPath = absolutePath(*path);
    SaveFile1Click();
    buildTitles();
    if (!TileEditorShowing) {
        notifyRepaint();
        UpdateMenuItems();
    }
}

bool DataPad::FormCloseQuery() {
    editor.EditorReady = false;
    for (auto& hook : closeHooks) hook();
    if (editor.Modified && port_.ask(kModifiedQuestion, kModifiedTitle) && !SaveFile1Click()) {
        // Closing now would lose the changes the user asked to keep.
        editor.EditorReady = true;
        return false;
    }
    return true;
}

void DataPad::FormClose() {
    editor.storage = {};
    editor.FileSize = 0;
    editor.BufferSize = 0;
    editor.HeaderSkip = 0;
    table.clear();
}

void DataPad::Exit1Click() { notify(&DataPadObserver::closeRequested); }

bool DataPad::TableLoader(const std::string& path) {
    bool ok = false;
    switch (loadTableFile(table, path)) {
        case TableLoadStatus::Ok: ok = true; break;
        case TableLoadStatus::CannotOpen: port_.inform("Could not load the table file..."); break;
        case TableLoadStatus::OutOfMemory: port_.inform("Error Allocating Memory for the Table File..."); break;
    }
    UpdateMenuItems();
    return ok;
}

void DataPad::OpenTablefile() {
    common::OpenRequest r;
    r.initialFolder = editor.LastDirectory;
    r.filter = kTableFilter;
    auto path = port_.openFile(r);
    if (!path || path->empty()) return;
    table.TablePaths[table.TableSlot] = *path;
    TableLoader(*path);
}

void DataPad::tableSlotCommand(int slot) {
    table.TableSlot = static_cast<uint8_t>(slot);
    if (editor.AutoLoadTable) TableLoader(table.TablePaths[slot]);
    else OpenTablefile();
    editor.AutoLoadTable = false;
    if (!table.TablePaths[slot].empty()) {
        SwapCaptions[slot] = common::fileNameOf(table.TablePaths[slot]);
        notifyMenus();
    }
    notifyRepaint();
}

void DataPad::swapCommand(int slot) {
    if (SwapCaptions[slot] == kNoTableCaption) return;
    table.TableSlot = static_cast<uint8_t>(slot);
    TableLoader(table.TablePaths[slot]);
    notifyRepaint();
}

void DataPad::Asciitbl1Click() {
    table.buildAsciiTable();
    table.TableSlot = 2;
    UpdateMenuItems();
    notifyRepaint();
}

void DataPad::UpdateMenuItems() {
    if (!editor.EditorReady) return;
    Menus.fileOpen = editor.fileOpen();
    Menus.returnOffset = nav.ReturnCount != 0;
    Menus.dumpList = table.DumpMarkCount() > 0;
    Menus.tableSlots = !table.TablePaths[0].empty() || !table.TablePaths[1].empty();
    notifyMenus();
}

void DataPad::ShowHint(const std::string& text) {
    HintText = text;
    notify(&DataPadObserver::hintChanged);
}

}  // namespace hexedit
