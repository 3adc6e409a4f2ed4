#pragma once
// The editor's settings: the settings file (read at start-up, written by
// "Update &Config File..." and silently at shut-down), the colour settings
// window, the fonts, the Option menu's toggles, Help, the recent-file lists
// and files dropped on the main window. The Qt side applies what it holds.

#include <cstdint>
#include <string>

#include "common/port/Port.h"
#include "hexedit/core/ColorChooser.h"
#include "hexedit/core/ConfigFile.h"
#include "hexedit/core/DataPad.h"
#include "hexedit/core/ModalView.h"

namespace hexedit {

// What the main window shows of the settings.
class SettingsView {
public:
    virtual ~SettingsView() = default;
    // Panel colours from the colour table, then a repaint.
    virtual void applyColors() = 0;
    // The hex and text fonts; panel width and page recomputed.
    virtual void applyFonts() = 0;
    // Size or maximized state, status bar, stay-on-top.
    virtual void applyWindow() = 0;
    // The window's size now, for writing the file.
    virtual void captureWindow(int32_t& height, int32_t& width, bool& maximized) = 0;
    // The fonts the window starts with.
    virtual void currentFonts(common::FontSpec& hex, common::FontSpec& text) = 0;
    // The recent-file lists changed.
    virtual void recentChanged() {}
    // Shows the user guide at `path` in the program's help window; false
    // when there is no such window.
    virtual bool showHelp(const std::string& path) {
        (void)path;
        return false;
    }
};

// The external program's settings, kept in the settings file.
struct ExternalProgram {
    std::string AppName;
    std::string AppArgs;
    bool HideIns = false;
    // The menu entry names the program once the settings were read or a
    // program was chosen; before that it keeps its plain caption.
    bool Named = false;
};

inline constexpr char kHelpName[] = "tarnwick-help.html";

class EditorSettings {
public:
    explicit EditorSettings(DataPad& pad);
    ~EditorSettings();
    EditorSettings(const EditorSettings&) = delete;
    EditorSettings& operator=(const EditorSettings&) = delete;

    void setView(SettingsView* v);
    ModalView* colorForm = nullptr;  // TColForm
    ColorChooser colors;             // its state

    common::FontSpec HexFont{"", 10};
    common::FontSpec TextFont{"", 10};
    int32_t Height = 0;
    int32_t Width = 0;
    bool Maximized = false;
    bool OffsetPanel = true;  // "View &Offset Panel": a check mark only
    bool StatusBar = true;
    bool OnTop = false;
    bool ValueInspector = false;  // its panel shown; the value inspector toggles it
    // The Find window's "Text as Shown by the Table" check box, read from and
    // written to the file when set (the search subsystem owns it).
    bool* FindAsShown = nullptr;
    ExternalProgram external;
    RecentList recentRoms;
    RecentList recentTables;
    std::string RecentPath;
    std::string ConfigPath;  // the settings file
    std::string HelpPath;    // the user guide
    // The help file is handed to the desktop's viewer for its type.
    std::string HelpViewerPath = "xdg-open";

    // Start-up: where the files are, then reads the settings file
    // (LoadColors) and the recent lists. `programFolder` holds the user guide.
    void start(const std::string& workingFolder, const std::string& configHome, const std::string& home,
               const std::string& programFolder);
    void LoadColors();
    // Writes the file; "Config File Updated!" while the editor is ready.
    void UpdateConfigurationFile1Click();
    ConfigValues currentValues();
    // The settings window's "Mark Changed Bytes": changed bytes drawn in
    // their own colour.
    bool markChanges() const;
    void setMarkChanges(bool on);

    void EditorColors1Click();
    void HexFont1Click();
    void TextFont1Click();
    void SetAllFonts1Click();
    void ViewOffsetPanel1Click() { OffsetPanel = !OffsetPanel; }
    void ViewStatusBar1Click();
    void OnTopClick();
    void HelpTopics1Click();

    // Opens the recent file at `index` (newest first); a missing one is
    // dropped from its list.
    void openRecentRom(size_t index);
    void openRecentTable(size_t index);
    // A file dropped on the main window: a table file loads as Table #1,
    // anything else opens as from the open dialog.
    void dropFile(const std::string& path);

private:
    // The recent lists follow the files and tables opened.
    void fileOpened(const std::string& path);
    void tableLoaded(const std::string& path);
    void saveRecent();
    void loadTable1(const std::string& path);

    DataPad& pad_;
    SettingsView* view_ = nullptr;
    Subscription documentEvents_;
};

// The user guide beside the program, else in the installed share folder.
std::string findUserGuide(const std::string& programFolder);

}  // namespace hexedit
