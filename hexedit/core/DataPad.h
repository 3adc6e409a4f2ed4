#pragma once
// The main window's model: the open file, the table data, the view and
// navigation state, and the file and table commands. The form shows it and
// forwards its menu commands here; other subsystems work on the same
// instance. Changes are announced to the observers.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/port/Port.h"
#include "hexedit/core/EditorState.h"
#include "hexedit/core/HexView.h"
#include "hexedit/core/MenuMap.h"
#include "hexedit/core/NavigationState.h"
#include "hexedit/core/Savestate.h"
#include "hexedit/core/TableData.h"
#include "hexedit/core/ViewState.h"

namespace hexedit {

class DataPadObserver {
public:
    virtual ~DataPadObserver() = default;
    virtual void formPaint() {}           // repaint the view (FormPaint)
    virtual void menusChanged() {}        // enabled flags or swap captions
    virtual void titlesChanged() {}       // MainCaption, TileCaption
    virtual void scrollRangeChanged() {}  // BufferSize, BytesPerRow or PageBytes
    virtual void hintChanged() {}         // HintText
    virtual void closeRequested() {}      // Exit, or a fatal error that ends the program
};

inline constexpr char kProgramCaption[] = "Tarnwick for Windows";
inline constexpr char kTileCaption[] = "Tile Editor";
inline constexpr char kNoTableCaption[] = "...";
inline constexpr int32_t kMinBufferSize = 65535;
// FileSize and BufferSize are signed 32-bit.
inline constexpr uint64_t kMaxFileLength = INT32_MAX;

class DataPad {
public:
    explicit DataPad(common::Port& port) : port_(port) {}
    DataPad(const DataPad&) = delete;
    DataPad& operator=(const DataPad&) = delete;

    EditorState editor;
    TableData table;
    ViewState view;
    NavigationState nav;
    // The hex and text view with its keyboard input, over editor, table and view.
    HexView hexView{editor, table, view};

    std::string HelpViewerPath;
    std::string HelpPath;
    std::string ConfigPath;
    std::string MainCaption = kProgramCaption;
    std::string TileCaption = kTileCaption;
    std::array<std::string, 2> SwapCaptions{kNoTableCaption, kNoTableCaption};  // tblv1, tblv2
    MenuFlags Menus;
    std::string HintText;
    bool TileEditorShowing = false;  // set by the tile editor while its window is up
    // Palette of the last savestate opened, for the tile editor.
    DisplayPalette ZstPalette{};
    bool ZstPaletteLoaded = false;
    // Run by FormCloseQuery before the modified question (the settings file
    // is written there).
    std::vector<std::function<void()>> closeHooks;

    void addObserver(DataPadObserver* o);
    void removeObserver(DataPadObserver* o);

    common::Port& port() { return port_; }

    // Start-up: state, paths in `workingFolder`, menus. Returns EditorReady.
    bool FormCreate(const std::string& workingFolder);

    // File commands.
    void Open1Click();
    // Opens `path` as if chosen in the open dialog (companion table included).
    bool openPath(const std::string& path);
    void RefreshCurrentROM1Click();
    // Writes the buffer back; false when nothing was saved.
    bool SaveFile1Click();
    void SaveFileAs1Click();
    // Shut-down: false keeps the window open (only after a save that failed).
    bool FormCloseQuery();
    void FormClose();
    void Exit1Click();

    // Table commands.
    bool TableLoader(const std::string& path);
    void Tbl11Click() { tableSlotCommand(0); }
    void Tbl21Click() { tableSlotCommand(1); }
    void OpenTablefile();
    void tblv1Click() { swapCommand(0); }
    void tblv2Click() { swapCommand(1); }
    void Asciitbl1Click();

    void UpdateMenuItems();
    void ShowHint(const std::string& text);

    // Announcements for other subsystems that change the state.
    void notifyRepaint();
    void notifyMenus();
    void notifyTitles();
    void notifyScrollRange();

private:
    struct LoadedFile {
        std::vector<uint8_t> storage;
        uint32_t headerSkip = 0;
        int32_t fileSize = 0;
        int32_t bufferSize = 0;
    };
    enum class LoadError { None, CannotOpen, TooLarge, OutOfMemory };
    // Reads a file into a new buffer, asks the savestate question and
    // converts its palette; the open file is untouched.
    LoadError loadFile(const std::string& path, LoadedFile& out);
    void install(LoadedFile&& f);
    void reportTooLarge(const std::string& path);
    void reportOutOfMemory();
    void buildTitles();
    void afterLoad();
    void tableSlotCommand(int slot);
    void swapCommand(int slot);
    std::string absolutePath(const std::string& path) const;

    template <class F>
    void notify(F f) {
        auto list = observers_;
        for (auto* o : list) (o->*f)();
    }

    common::Port& port_;
    std::vector<DataPadObserver*> observers_;
};

}  // namespace hexedit
