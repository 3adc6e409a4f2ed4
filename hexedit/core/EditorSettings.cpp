#include "hexedit/core/EditorSettings.h"

#include <algorithm>
#include <filesystem>

#include "common/fileio.h"

namespace hexedit {

using common::MsgIcon;

namespace {
constexpr int kMaxPointSize = 72;

std::string join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The font dialog's sizes are limited to what the file's size byte holds.
common::FontSpec limited(common::FontSpec f) {
    f.pointSize = std::clamp(f.pointSize, 1, kMaxPointSize);
    return f;
}

bool isTablePath(const std::string& path) {
    const std::string name = common::fileNameOf(path);
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".tbl";
}
}  // namespace

std::string findUserGuide(const std::string& programFolder) {
    const std::string beside = join(programFolder, kHelpName);
    const std::string shared = join(programFolder, std::string("../share/doc/tarnwick32/") + kHelpName);
    if (!common::fileExists(beside) && common::fileExists(shared)) return shared;
    return beside;
}

namespace {
// The newest file of a recent list, as its menu's first entry shows it.
std::string recentCaption(const RecentList& list) {
    return list.items().empty() ? std::string() : "&1 " + list.items().front();
}
}  // namespace

EditorSettings::EditorSettings(DataPad& pad)
    : colors(pad.view().ColorTable, pad.hexView.BlinkEnabled), pad_(pad) {
    CommandTable& c = pad.commands();
    c.add({.name = "UpdateConfigurationFile1Click",
           .caption = "Update &Config File...",
           .hint = "Save the colours, fonts and window size as the defaults",
           .run = [this] { UpdateConfigurationFile1Click(); }});
    c.add({.name = "EditorColors1Click",
           .caption = "Editor &Settings... ",
           .shortcut = "Ctrl+Z",
           .hint = "Set the editor's colours and options",
           .run = [this] { EditorColors1Click(); }});
    c.add({.name = "OffsetFont1Click",
           .caption = "Offset Font",
           .hint = "Choose the font of the offsets",
           .run = [] {}});  // hidden
    c.add({.name = "HexFont1Click",
           .caption = "Hex Font",
           .hint = "Choose the font of the hex bytes",
           .run = [this] { HexFont1Click(); }});
    c.add({.name = "TextFont1Click",
           .caption = "Text Font",
           .hint = "Choose the font of the decoded text",
           .run = [this] { TextFont1Click(); }});
    c.add({.name = "SetAllFonts1Click",
           .caption = "Set All Fonts",
           .hint = "Choose one font for the whole view",
           .run = [this] { SetAllFonts1Click(); }});
    c.add({.name = "ViewOffsetPanel1Click",
           .caption = "View &Offset Panel",
           .hint = "Show or hide the offset panel",
           .checked = [this] { return OffsetPanel; },
           .run = [this] { ViewOffsetPanel1Click(); }});
    c.add({.name = "ViewStatusBar1Click",
           .caption = "View Stat&us Bar",
           .hint = "Show or hide the status bar",
           .checked = [this] { return StatusBar; },
           .run = [this] { ViewStatusBar1Click(); }});
    c.add({.name = "OnTopClick",
           .caption = "Editor Always on Top...",
           .hint = "Keep the editor above other windows",
           .checked = [this] { return OnTop; },
           .run = [this] { OnTopClick(); }});
    c.add({.name = "HelpTopics1Click",
           .caption = "&Help Topics",
           .shortcut = "F1",
           .hint = "Open the help",
           .run = [this] { HelpTopics1Click(); }});
    c.add({.name = "RecentROM1",
           .captionRule = [this] { return recentCaption(recentRoms); },
           .hint = "Open this file again",
           .enabled = [this] { return !recentRoms.items().empty(); },
           .run = [this] { openRecentRom(0); }});
    c.add({.name = "RecentTable1",
           .captionRule = [this] { return recentCaption(recentTables); },
           .hint = "Load this table file again",
           .enabled = [this] { return !recentTables.items().empty(); },
           .run = [this] { openRecentTable(0); }});
    documentEvents_ = pad.document().subscribe([this](const DocumentEvent& e) {
        if (const auto* f = std::get_if<doc::FileOpened>(&e); f && !f->reloaded) fileOpened(f->path);
        else if (const auto* t = std::get_if<doc::TableChanged>(&e); t && !t->path.empty()) tableLoaded(t->path);
        // Shut-down writes the file without a message (EditorReady is cleared by then).
        else if (std::holds_alternative<doc::Closing>(e)) UpdateConfigurationFile1Click();
    });
}

EditorSettings::~EditorSettings() = default;

void EditorSettings::setView(SettingsView* v) {
    view_ = v;
    if (view_) view_->currentFonts(HexFont, TextFont);
}

void EditorSettings::start(const std::string& workingFolder, const std::string& configHome, const std::string& home,
                           const std::string& programFolder) {
    ConfigPath = configFilePath(workingFolder, configHome, home);
    RecentPath = join(common::folderOf(ConfigPath), kRecentName);
    HelpPath = findUserGuide(programFolder);
    LoadColors();
    std::vector<uint8_t> text;
    if (common::readWholeFile(RecentPath, text, 1 << 20) == common::ReadStatus::Ok)
        decodeRecent(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), recentRoms,
                     recentTables);
    if (view_) view_->recentChanged();
}

void EditorSettings::LoadColors() {
    ColorPairs& colors = pad_.view().ColorTable;
    std::vector<uint8_t> bytes;
    const bool read = common::readWholeFile(ConfigPath, bytes, 1 << 20) == common::ReadStatus::Ok;
    const ConfigRead r = read ? decodeConfig(bytes) : ConfigRead{};
    if (r.level == ConfigLevel::Missing) {
        colors = defaultColorTable();
    } else {
        std::copy_n(r.values.colors.begin(), r.colorPairs, colors.begin());
    }
    const ConfigValues& v = r.values;
    if (r.level >= ConfigLevel::Fonts) {
        // A size of 0 or an empty face (a cut file) keeps the window's font.
        if (v.hexFontSize) HexFont.pointSize = std::min<int>(v.hexFontSize, kMaxPointSize);
        if (v.textFontSize) TextFont.pointSize = std::min<int>(v.textFontSize, kMaxPointSize);
        if (!v.hexFontName.empty()) HexFont.face = v.hexFontName;
        if (!v.textFontName.empty()) TextFont.face = v.textFontName;
        // Without the maximized byte the stored size applies.
        Maximized = r.level >= ConfigLevel::Maximized && v.maximized;
        if (!Maximized && v.height > 0 && v.width > 0) {
            Height = v.height;
            Width = v.width;
        }
    }
    if (r.level >= ConfigLevel::OffsetPanel) OffsetPanel = v.offsetPanel;
    if (r.level >= ConfigLevel::External) {
        external.AppName = v.appName;
        external.AppArgs = v.appArgs;
        external.HideIns = v.hideIns;
    }
    if (r.level >= ConfigLevel::OnTop) OnTop = v.onTop;
    if (r.level >= ConfigLevel::ValueInspector) ValueInspector = v.valueInspector;
    if (r.level >= ConfigLevel::ChangedBytes) {
        pad_.view().MarkChanges = v.markChanges;
        pad_.view().ChangedColor = v.changedColor;
    }
    if (FindAsShown) *FindAsShown = r.level >= ConfigLevel::FindAsShown && v.findAsShown;
    if (view_) {
        view_->applyColors();
        if (r.level >= ConfigLevel::Fonts) {
            view_->applyFonts();
            view_->applyWindow();
        }
    }
    external.Named = true;
    pad_.UpdateMenuItems();
}

bool EditorSettings::markChanges() const { return pad_.view().MarkChanges; }

void EditorSettings::setMarkChanges(bool on) {
    pad_.view().MarkChanges = on;
    pad_.repaint();
}

ConfigValues EditorSettings::currentValues() {
    if (view_) view_->captureWindow(Height, Width, Maximized);
    ConfigValues v;
    v.colors = pad_.view().ColorTable;
    v.height = Height;
    v.width = Width;
    v.hexFontSize = static_cast<uint8_t>(HexFont.pointSize);
    v.textFontSize = static_cast<uint8_t>(TextFont.pointSize);
    v.hexFontName = HexFont.face;
    v.textFontName = TextFont.face;
    v.maximized = Maximized;
    v.appName = external.AppName;
    v.appArgs = external.AppArgs;
    v.hideIns = external.HideIns;
    v.onTop = OnTop;
    v.valueInspector = ValueInspector;
    v.markChanges = pad_.view().MarkChanges;
    v.changedColor = pad_.view().ChangedColor;
    v.findAsShown = FindAsShown && *FindAsShown;
    return v;
}

void EditorSettings::UpdateConfigurationFile1Click() {
    const std::vector<uint8_t> bytes = encodeConfig(currentValues());
    // The configuration folder is made on the first write.
    std::error_code ec;
    const std::string folder = common::folderOf(ConfigPath);
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    if (!common::writeFileAtomic(ConfigPath, bytes).empty()) return;
    if (pad_.editor().EditorReady) pad_.port().inform("Config File Updated!", {}, MsgIcon::Exclamation);
}

void EditorSettings::EditorColors1Click() {
    if (colorForm) colorForm->execModal();
    if (view_) view_->applyColors();
    pad_.repaint();
}

void EditorSettings::HexFont1Click() {
    auto f = pad_.port().chooseFont(HexFont);
    if (!f) return;
    HexFont = limited(*f);
    if (view_) view_->applyFonts();
}

void EditorSettings::TextFont1Click() {
    auto f = pad_.port().chooseFont(TextFont);
    if (!f) return;
    TextFont = limited(*f);
    if (view_) view_->applyFonts();
}

void EditorSettings::SetAllFonts1Click() {
    auto f = pad_.port().chooseFont(TextFont);
    if (!f) return;
    HexFont = TextFont = limited(*f);
    if (view_) view_->applyFonts();
}

void EditorSettings::ViewStatusBar1Click() {
    StatusBar = !StatusBar;
    if (view_) view_->applyWindow();
}

void EditorSettings::OnTopClick() {
    OnTop = !OnTop;
    if (view_) view_->applyWindow();
}

void EditorSettings::HelpTopics1Click() {
    // The error is for a missing guide only: the guide opens in the
    // program's own help window, else in the viewer.
    if (common::fileExists(HelpPath) && view_ && view_->showHelp(HelpPath)) return;
    if (common::fileExists(HelpPath) && pad_.port().startProgram(HelpViewerPath, {HelpPath}, {}))
        return;
    pad_.port().inform("Error loading HH.exe. It is required for HTML Help files...", "Tarnwick Help error",
                       MsgIcon::Stop);
}

void EditorSettings::saveRecent() {
    std::error_code ec;
    std::filesystem::create_directories(common::folderOf(RecentPath), ec);
    common::writeFileAtomic(RecentPath, encodeRecent(recentRoms, recentTables));
    if (view_) view_->recentChanged();
}

void EditorSettings::fileOpened(const std::string& path) {
    recentRoms.add(path);
    saveRecent();
    pad_.UpdateMenuItems();
}

void EditorSettings::tableLoaded(const std::string& path) {
    recentTables.add(path);
    saveRecent();
}

void EditorSettings::openRecentRom(size_t index) {
    if (index >= recentRoms.items().size()) return;
    const std::string path = recentRoms.items()[index];
    if (!common::fileExists(path)) {
        pad_.port().inform("Fata Error: Unable to open file.", {}, MsgIcon::Stop);
        recentRoms.remove(path);
        saveRecent();
        pad_.UpdateMenuItems();
        return;
    }
    if (pad_.files.keepChanges()) pad_.files.openPath(path);
}

void EditorSettings::openRecentTable(size_t index) {
    if (index >= recentTables.items().size()) return;
    const std::string path = recentTables.items()[index];
    if (!common::fileExists(path)) {
        pad_.port().inform("Could not load the table file...");
        recentTables.remove(path);
        saveRecent();
        pad_.UpdateMenuItems();
        return;
    }
    loadTable1(path);
}

void EditorSettings::loadTable1(const std::string& path) {
    pad_.tableState().TablePaths[0] = path;
    pad_.editorState().AutoLoadTable = true;
    pad_.files.Tbl11Click();
}

void EditorSettings::dropFile(const std::string& path) {
    if (pad_.busy()) return;
    if (isTablePath(path)) loadTable1(path);
    else if (pad_.files.keepChanges()) pad_.files.openPath(path);
}

}  // namespace hexedit
