#pragma once
// The file and table commands of the main window: open (with the savestate
// question and the companion table), refresh, save, save as, the close
// query, and loading, switching and extending the tables. They work on the
// document and tell the window side through the shell.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/fileio.h"
#include "hexedit/core/CommandTable.h"
#include "hexedit/core/Document.h"
#include "hexedit/core/EnableWhen.h"
#include "hexedit/core/Shell.h"

namespace hexedit {

inline constexpr char kProgramCaption[] = "Tarnwick for Windows";
inline constexpr char kNoTableCaption[] = "...";
inline constexpr int32_t kMinBufferSize = 65535;
// FileSize and BufferSize are signed 32-bit.
inline constexpr uint64_t kMaxFileLength = INT32_MAX;
// Files from this length on are mapped, not read whole. Below it a whole
// read takes a few milliseconds and keeps the bytes safe from whatever
// other programs do to the file; above it the read grows to seconds and the
// memory to the file's length, while a mapping opens at once and holds only
// the pages shown and the granules changed.
inline constexpr uint64_t kMapFilesFrom = uint64_t{16} << 20;

// `path` made absolute and normal; unchanged when that fails.
std::string absolutePath(const std::string& path);

class FileCommands {
public:
    // Registers the file and table entries with `commands`.
    FileCommands(Document& doc, Shell& shell, CommandTable& commands, const EnableWhen& when);
    FileCommands(const FileCommands&) = delete;
    FileCommands& operator=(const FileCommands&) = delete;

    // Captions of the table swap entries (tblv1, tblv2), read by their
    // caption rules.
    std::array<std::string, 2> SwapCaptions{kNoTableCaption, kNoTableCaption};
    // Files of at least kMapFilesFrom bytes are mapped instead of read whole
    // (see FileMapping); with MapFiles, those of at least kMinBufferSize are
    // (the command line, whose commands mostly only read). Savestates are
    // always read whole.
    bool MapFiles = false;

    // File commands.
    void Open1Click();
    // Asks whether to save a modified file first; false when saving failed
    // and the caller must not drop the changes.
    bool keepChanges();
    // Opens `path` as if chosen in the open dialog (companion table included).
    bool openPath(const std::string& path);
    void RefreshCurrentROM1Click();
    // Writes the buffer back; false when nothing was saved.
    bool SaveFile1Click();
    // Tells the user, once for each new finding, when another program
    // changed or truncated the mapped file since it was opened or saved
    // (saving asks whether to write over it). False when it did; nothing
    // while a long loop runs.
    bool checkOpenFile();
    void SaveFileAs1Click();
    // Shut-down: announces it (the settings file is written then), then asks
    // about unsaved changes; false keeps the window open (Cancel, or a save
    // that failed).
    bool FormCloseQuery();
    void FormClose() { doc_.close(); }
    void Exit1Click() { shell_.requestClose(); }

    // Table commands.
    bool TableLoader(const std::string& path);
    void Tbl11Click() { tableSlotCommand(0); }
    void Tbl21Click() { tableSlotCommand(1); }
    void OpenTablefile();
    void tblv1Click() { swapCommand(0); }
    void tblv2Click() { swapCommand(1); }
    void Asciitbl1Click();

    // See EditSession.
    bool appendTableLine(std::string_view line);
    bool reloadTable();
    void useTableFile(int slot, const std::string& path);

private:
    struct LoadedFile {
        std::vector<uint8_t> storage;
        std::shared_ptr<FileMapping> mapped;  // instead of storage
        uint32_t headerSkip = 0;
        int32_t fileSize = 0;
        int32_t bufferSize = 0;
    };
    enum class LoadError { None, CannotOpen, TooLarge, OutOfMemory };
    // What is new about the mapped file on disk since it was told last, as
    // the text to tell (empty: nothing).
    std::string diskNews();
    FileMapping::DiskState reported_;  // what was told already
    // Reads a file into a new buffer, asks the savestate question and
    // converts its palette; the open file is untouched.
    LoadError loadFile(const std::string& path, LoadedFile& out);
    // Tells the user why a load failed (CannotOpen in the caller's words);
    // true for None.
    bool reportLoadError(LoadError error, const std::string& path);
    void buildTitles();
    void afterLoad();
    void tableSlotCommand(int slot);
    void swapCommand(int slot);
    void registerCommands(CommandTable& c, const EnableWhen& when);

    Document& doc_;
    Shell& shell_;
    common::Port& port_;
    EditorState& editor_;
    TableData& table_;
};

}  // namespace hexedit
