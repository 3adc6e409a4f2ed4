#include "hexedit/core/FileCommands.h"

#include <algorithm>
#include <filesystem>
#include <new>

#include "hexedit/core/Savestate.h"
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
}  // namespace

std::string absolutePath(const std::string& path) {
    std::error_code ec;
    auto p = std::filesystem::absolute(path, ec);
    return ec ? path : p.lexically_normal().string();
}

FileCommands::FileCommands(Document& doc, Shell& shell, CommandTable& commands, const EnableWhen& when)
    : doc_(doc), shell_(shell), port_(shell.port()), editor_(doc.editorState()), table_(doc.tableState()) {
    registerCommands(commands, when);
}

void FileCommands::registerCommands(CommandTable& c, const EnableWhen& when) {
    c.add({.name = "Open1Click",
           .caption = "&Open File for Editing...",
           .shortcut = "Ctrl+O",
           .hint = "Open a file to edit",
           .run = [this] { Open1Click(); }});
    c.add({.name = "Tbl11Click",
           .caption = "Table #1",
           .hint = "Load a table file as Table #1",
           .run = [this] { Tbl11Click(); }});
    c.add({.name = "Tbl21Click",
           .caption = "Table #2",
           .hint = "Load a table file as Table #2",
           .run = [this] { Tbl21Click(); }});
    c.add({.name = "RefreshCurrentROM1Click",
           .caption = "Reload Current ROM Data",
           .shortcut = "Ctrl+U",
           .hint = "Read the open file again from disk",
           .run = [this] { RefreshCurrentROM1Click(); }});
    c.add({.name = "SaveFile1Click",
           .caption = "&Save File...",
           .shortcut = "Ctrl+S",
           .hint = "Write the changes to the open file",
           .enabled = when.fileOpen(),
           .run = [this] { SaveFile1Click(); }});
    c.add({.name = "SaveFileAs1Click",
           .caption = "Save File &As",
           .shortcut = "Ctrl+A",
           .hint = "Write the data to another file",
           .enabled = when.fileOpen(),
           .run = [this] { SaveFileAs1Click(); }});
    c.add({.name = "tblv1Click",
           .captionRule = [this] { return SwapCaptions[0]; },
           .shortcut = "Ctrl+1",
           .hint = "Decode the view with Table #1",
           .run = [this] { tblv1Click(); }});
    c.add({.name = "tblv2Click",
           .captionRule = [this] { return SwapCaptions[1]; },
           .shortcut = "Ctrl+2",
           .hint = "Decode the view with Table #2",
           .run = [this] { tblv2Click(); }});
    c.add({.name = "Asciitbl1Click",
           .caption = "Ascii.tbl",
           .shortcut = "Ctrl+3",
           .hint = "Decode the view with the built-in ASCII table",
           .run = [this] { Asciitbl1Click(); }});
    c.enableMenu("SwapTableFiles1", when.tableSlot());
    c.add({.name = "Exit1Click",
           .caption = "E&xit",
           .shortcut = "Alt+F4",
           .hint = "Close the editor",
           .run = [this] { Exit1Click(); }});
    c.add({.name = "ExitProgram1Click",
           .caption = "Exit Program",
           .hint = "Close the editor",
           .run = [this] { Exit1Click(); }});
}

FileCommands::LoadError FileCommands::loadFile(const std::string& path, LoadedFile& out) {
    auto length = common::fileLength(path);
    if (!length) return LoadError::CannotOpen;
    if (*length > kMaxFileLength) return LoadError::TooLarge;
    const uint64_t mapFrom = MapFiles ? static_cast<uint64_t>(kMinBufferSize) : kMapFilesFrom;
    if (*length >= mapFrom && !isSavestatePath(path)) {
        auto file = std::make_shared<FileMapping>();
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

bool FileCommands::reportLoadError(LoadError error, const std::string& path) {
    switch (error) {
        case LoadError::None: return true;
        case LoadError::CannotOpen: break;  // told by the caller in its own words
        case LoadError::TooLarge:
            port_.inform("Error: The file is too large to edit (2 GB at most).\n\"" + path + "\".", {}, MsgIcon::Stop);
            break;
        case LoadError::OutOfMemory:
            port_.inform("Fatal Error: Could Not Allocate Memory.", "Out of Memory.", MsgIcon::Stop);
            editor_.EditorReady = false;
            shell_.requestClose();
            break;
    }
    return false;
}

void FileCommands::buildTitles() {
    shell_.setCaption(std::string(kProgramCaption) + " - \"" + common::fileNameOf(editor_.CurrentPath) + "\"");
}

void FileCommands::afterLoad() {
    // Not while the tile editor stands in for the main window.
    if (shell_.mainWindowShown()) {
        shell_.repaint();
        shell_.refreshMenus();
    }
}

bool FileCommands::keepChanges() {
    // Opening another file would drop the changes the user wants kept.
    if (editor_.Modified && port_.ask(kModifiedQuestion, kModifiedTitle)) return SaveFile1Click();
    return true;
}

void FileCommands::Open1Click() {
    if (!keepChanges()) return;
    common::OpenRequest r;
    r.initialFolder = editor_.LastDirectory;
    r.filter = kAllFilesFilter;
    auto path = port_.openFile(r);
    if (!path || path->empty()) return;
    openPath(*path);
}

bool FileCommands::openPath(const std::string& chosen) {
    const std::string path = absolutePath(chosen);
    LoadedFile f;
    const LoadError error = loadFile(path, f);
    if (error == LoadError::CannotOpen) port_.inform("Fata Error: Unable to open file.", {}, MsgIcon::Stop);
    if (!reportLoadError(error, path)) return false;
    reported_ = {};
    doc_.open(path, std::move(f.storage), f.headerSkip, f.fileSize, std::move(f.mapped));
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

void FileCommands::RefreshCurrentROM1Click() {
    if (!editor_.fileOpen()) return;
    LoadedFile f;
    const LoadError error = loadFile(editor_.CurrentPath, f);
    if (error == LoadError::CannotOpen) port_.inform("Error: ROM File not found.\n\"" + editor_.CurrentPath + "\".");
    if (!reportLoadError(error, editor_.CurrentPath)) return;
    // Reloading drops the changes but keeps the modified mark, so closing still asks.
    reported_ = {};
    doc_.reload(std::move(f.storage), f.headerSkip, f.fileSize, std::move(f.mapped));
    afterLoad();
}

std::string FileCommands::diskNews() {
    if (!editor_.fileOpen()) return {};
    const FileMapping::DiskState now = doc_.examineDisk();
    std::string news;
    if (now.truncated && !reported_.truncated)
        news = "Another program made the open file shorter.\n\"" + editor_.CurrentPath +
               "\".\nYour changes are kept; the other bytes past its new end now read as zero.";
    else if (now.changed && !reported_.changed)
        news = "Another program changed the open file.\n\"" + editor_.CurrentPath +
               "\".\nYour changes are kept; saving writes what the editor shows over it.";
    reported_.truncated = reported_.truncated || now.truncated;
    reported_.changed = reported_.changed || now.changed || now.truncated;
    return news;
}

bool FileCommands::checkOpenFile() {
    if (shell_.busy()) return true;  // asked again when the loop has ended and the window is back
    const std::string news = diskNews();
    if (!news.empty()) port_.inform(news, {}, MsgIcon::Exclamation);
    return news.empty();
}

bool FileCommands::SaveFile1Click() {
    if (!editor_.fileOpen() || !editor_.hasBuffer()) return false;
    // Writing over what another program left there is the user's choice.
    if (const std::string news = diskNews(); !news.empty() && !port_.ask(news + "\n\nSave anyway?", "File Changed on Disk"))
        return false;
    std::string error = doc_.save(editor_.CurrentPath);
    if (!error.empty()) {
        port_.inform("Fata Error: Problem writing to the file.\n\"" + editor_.CurrentPath + "\".\n" + error, {},
                     MsgIcon::Stop);
        return false;
    }
    reported_ = {};
    port_.inform("Rom file was saved successfully!", {}, MsgIcon::Exclamation);
    shell_.refreshMenus();
    shell_.repaint();  // the changed bytes lose their colour
    shell_.fileWritten(editor_.CurrentPath);
    return true;
}

void FileCommands::SaveFileAs1Click() {
    if (!editor_.fileOpen()) return;
    common::SaveRequest r;
    r.initialFolder = editor_.LastDirectory;
    r.filter = kAllFilesFilter;
    auto path = port_.saveFile(r);
    if (!path || path->empty()) return;
    editor_.CurrentPath = absolutePath(*path);
    SaveFile1Click();
    buildTitles();
    afterLoad();
}

bool FileCommands::FormCloseQuery() {
    editor_.EditorReady = false;
    doc_.closing();
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

bool FileCommands::TableLoader(const std::string& path) {
    bool ok = false;
    switch (loadTableFile(table_, path)) {
        case TableLoadStatus::Ok:
            ok = true;
            doc_.tableChanged(path);
            break;
        case TableLoadStatus::CannotOpen: port_.inform("Could not load the table file..."); break;
        case TableLoadStatus::OutOfMemory: port_.inform("Error Allocating Memory for the Table File..."); break;
    }
    shell_.refreshMenus();
    return ok;
}

void FileCommands::OpenTablefile() {
    common::OpenRequest r;
    r.initialFolder = editor_.LastDirectory;
    r.filter = kTableFilter;
    auto path = port_.openFile(r);
    if (!path || path->empty()) return;
    table_.TablePaths[table_.TableSlot] = *path;
    TableLoader(*path);
}

void FileCommands::tableSlotCommand(int slot) {
    table_.TableSlot = static_cast<uint8_t>(slot);
    if (editor_.AutoLoadTable) TableLoader(table_.TablePaths[slot]);
    else OpenTablefile();
    editor_.AutoLoadTable = false;
    if (!table_.TablePaths[slot].empty()) {
        SwapCaptions[slot] = common::fileNameOf(table_.TablePaths[slot]);
        shell_.refreshMenus();
    }
    shell_.repaint();
}

void FileCommands::swapCommand(int slot) {
    if (SwapCaptions[slot] == kNoTableCaption) return;
    table_.TableSlot = static_cast<uint8_t>(slot);
    TableLoader(table_.TablePaths[slot]);
    shell_.repaint();
}

void FileCommands::Asciitbl1Click() {
    table_.buildAsciiTable();
    table_.TableSlot = 2;
    doc_.tableChanged({});
    shell_.refreshMenus();
    shell_.repaint();
}

bool FileCommands::appendTableLine(std::string_view line) {
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

bool FileCommands::reloadTable() {
    const std::string path = table_.TablePaths[std::min<size_t>(table_.TableSlot, 2)];
    if (path.empty()) return false;
    const bool ok = TableLoader(path);
    shell_.repaint();
    return ok;
}

void FileCommands::useTableFile(int slot, const std::string& path) {
    if (slot < 0 || slot > 1) return;
    table_.TablePaths[static_cast<size_t>(slot)] = path;
    editor_.AutoLoadTable = true;
    tableSlotCommand(slot);
}

}  // namespace hexedit
