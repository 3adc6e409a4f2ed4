// The settings file, its location, the colour settings window's state, the
// font and toggle commands, Help, recent files and dropped files.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/testing/ScriptedPort.h"
#include "hexedit/core/EditorSettings.h"

using namespace hexedit;
using common::MsgIcon;
namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

void spit(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

ConfigValues sample() {
    ConfigValues v;
    for (size_t i = 0; i < kColorPairs; ++i) v.colors[i] = {static_cast<uint32_t>(0x010203 * i), 0xFF000000u | static_cast<uint32_t>(i)};
    v.height = 600;
    v.width = -800;
    v.hexFontSize = 12;
    v.textFontSize = 72;
    v.hexFontName = "DejaVu Sans Mono";
    v.textFontName = "IPAGothic";
    v.maximized = true;
    v.appName = "/opt/inserter/ins";
    v.appArgs = "-r %ROMFILE -s %SCRIPTFILE";
    v.hideIns = true;
    v.onTop = true;
    v.valueInspector = true;
    v.markChanges = false;
    v.changedColor = 0x123456;
    v.findAsShown = true;
    return v;
}

std::vector<uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

TEST(ConfigFile, RoundTripsEveryFieldInItsLayout) {
    const ConfigValues v = sample();
    const auto bytes = encodeConfig(v);
    const ConfigRead r = decodeConfig(bytes);
    EXPECT_EQ(r.level, ConfigLevel::FindAsShown);
    EXPECT_EQ(r.colorPairs, kColorPairs);
    EXPECT_EQ(r.values, v);
    // Fixed places: the tag at 168, sizes at 173, filler, names, then the tail.
    EXPECT_EQ(std::string(bytes.begin() + 168, bytes.begin() + 178), std::string("FONT\0\x0C\x48  \0", 10));
    EXPECT_EQ(bytes[160], 600 & 0xFF);
    EXPECT_EQ(bytes[161], 600 >> 8);
    const std::string tail =
        "IPAGothic\0\x01\x00/opt/inserter/ins\0-r %ROMFILE -s %SCRIPTFILE\0\x01\x01\x01\x00\x56\x34\x12\x00\x01"s;
    EXPECT_EQ(std::string(bytes.end() - static_cast<long>(tail.size()), bytes.end()), tail);
    // A file written before the Find window's as-shown byte: it stays off.
    const ConfigRead before = decodeConfig(std::span(bytes).first(bytes.size() - 1));
    EXPECT_EQ(before.level, ConfigLevel::ChangedBytes);
    EXPECT_FALSE(before.values.findAsShown);
    EXPECT_EQ(before.values.changedColor, 0x123456u);
    // A file written before the changed-byte fields: they keep their defaults.
    const ConfigRead older = decodeConfig(std::span(bytes).first(bytes.size() - 6));
    EXPECT_EQ(older.level, ConfigLevel::ValueInspector);
    EXPECT_TRUE(older.values.markChanges);
    EXPECT_EQ(older.values.changedColor, kDefaultChangedColor);
    // A file written before the inspector byte: the panel stays hidden.
    const ConfigRead old = decodeConfig(std::span(bytes).first(bytes.size() - 7));
    EXPECT_EQ(old.level, ConfigLevel::OnTop);
    EXPECT_TRUE(old.values.onTop);
    EXPECT_FALSE(old.values.valueInspector);
}

TEST(ConfigFile, EmptyExternalFieldsAreOneSpaceAndReadBackEmpty) {
    ConfigValues v = sample();
    v.appName.clear();
    v.appArgs.clear();
    v.hideIns = false;
    v.onTop = false;
    v.valueInspector = false;
    const auto bytes = encodeConfig(v);
    EXPECT_EQ(std::string(bytes.end() - 15, bytes.end()), std::string("\x01\0 \0 \0\0\0\0\0\x56\x34\x12\0\x01", 15));
    EXPECT_EQ(decodeConfig(bytes).values, v);
}

TEST(ConfigFile, AnyCutOrCorruptFileReadsWithinItsBytes) {
    const auto full = encodeConfig(sample());
    ConfigLevel last = ConfigLevel::Colors;
    for (size_t n = 0; n <= full.size(); ++n) {
        // A copy of exactly n bytes: the sanitizer build catches reads past it.
        std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<long>(n));
        const ConfigRead r = decodeConfig(cut);
        EXPECT_GE(r.level, last) << n;
        EXPECT_EQ(r.colorPairs, std::min<size_t>(n / 8, kColorPairs)) << n;
        last = r.level;
    }
    EXPECT_EQ(decodeConfig(std::span(full).first(168)).level, ConfigLevel::Size);
    auto wrong = full;
    wrong[169] = 'X';
    EXPECT_EQ(decodeConfig(wrong).level, ConfigLevel::WrongTag);
    auto lower = full;
    std::copy_n("font", 4, lower.begin() + 168);
    EXPECT_EQ(decodeConfig(lower).level, ConfigLevel::FindAsShown);
}

TEST(ConfigFile, LocationPrefersTheWorkingFolderThenTheConfigurationFolder) {
    char tmpl[] = "/tmp/settings_locXXXXXX";
    const fs::path dir = mkdtemp(tmpl);
    const std::string work = (dir / "work").string();
    EXPECT_EQ(configFilePath(work, "/xdg", "/home/u"), "/xdg/tarnwick/tarnwick.cfg");
    EXPECT_EQ(configFilePath(work, "", "/home/u"), "/home/u/.config/tarnwick/tarnwick.cfg");
    EXPECT_EQ(configFilePath(work, "relative", "/home/u"), "/home/u/.config/tarnwick/tarnwick.cfg");
    spit(dir / "work" / "tarnwick.cfg", "x");
    EXPECT_EQ(configFilePath(work, "/xdg", "/home/u"), work + "/tarnwick.cfg");
    fs::remove_all(dir);
}

TEST(RecentList, NewestFirstWithoutDuplicatesAndAtMostEight) {
    RecentList l;
    for (int i = 0; i < 10; ++i) l.add("/f" + std::to_string(i));
    l.add("/f5");
    EXPECT_EQ(l.items(), (std::vector<std::string>{"/f5", "/f9", "/f8", "/f7", "/f6", "/f4", "/f3", "/f2"}));
    RecentList roms, tables;
    roms.add("/a.smc");
    tables.add("/a.tbl");
    tables.add("/b.tbl");
    RecentList r2, t2;
    decodeRecent(encodeRecent(roms, tables), r2, t2);
    EXPECT_EQ(r2.items(), roms.items());
    EXPECT_EQ(t2.items(), tables.items());
    // Stray CRs before a line end do not come back on the next read.
    decodeRecent("[ROM]\r\n/c.smc\r\r\n", r2, t2);
    EXPECT_EQ(r2.items(), std::vector<std::string>{"/c.smc"});
}

TEST(ColorChooser, MarksFollowTheItemAndSavingStoresThePair) {
    ColorPairs table = defaultColorTable();
    bool blink = true;
    ColorChooser c(table, blink);
    c.selectItem(kHexHighlight);  // white on grey
    EXPECT_EQ(kGridColors[static_cast<size_t>(c.foregroundCell())], kWhite);
    EXPECT_EQ(kGridColors[static_cast<size_t>(c.backgroundCell())], 0x808080u);
    EXPECT_TRUE(c.foregroundEnabled());
    c.pickForeground(9);
    c.pickBackground(4);
    EXPECT_EQ(c.sample(), (ColorPair{kGridColors[9], kGridColors[4]}));
    c.saveCurrentColor();
    EXPECT_EQ(table[kHexHighlight], (ColorPair{kGridColors[9], kGridColors[4]}));
    // A colour outside the grid leaves the mark; backgrounds-only items.
    table[kTextPanelBackground] = {0x123456, 0};
    c.selectItem(kTextPanelBackground);
    EXPECT_EQ(c.foregroundCell(), 9);
    EXPECT_EQ(c.backgroundCell(), 0);
    EXPECT_FALSE(c.foregroundEnabled());
    c.pickForeground(2);
    EXPECT_EQ(c.foregroundCell(), 9);
    c.setBlinking(false);
    EXPECT_FALSE(blink);
    const struct { int x, y, cell; } cells[] = {{0, 0, 0}, {39, 39, 0}, {40, 0, 1}, {159, 159, 15}, {0, 120, 12}, {160, 0, -1}, {-1, 5, -1}};
    for (auto t : cells) EXPECT_EQ(ColorChooser::cellAt(t.x, t.y, 160, 160), t.cell) << t.x << "," << t.y;
}

struct FakeView : SettingsView {
    int colors = 0, fonts = 0, windows = 0, recents = 0;
    int32_t height = 500, width = 700;
    bool maximized = false;
    void applyColors() override { ++colors; }
    void applyFonts() override { ++fonts; }
    void applyWindow() override { ++windows; }
    void captureWindow(int32_t& h, int32_t& w, bool& m) override { h = height, w = width, m = maximized; }
    void currentFonts(common::FontSpec& hex, common::FontSpec& text) override {
        hex = {"Mono", 10};
        text = {"Mono", 11};
    }
    void recentChanged() override { ++recents; }
};

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() {
        char tmpl[] = "/tmp/settings_testXXXXXX";
        dir = mkdtemp(tmpl);
        pad.FormCreate((dir / "work").string());
        settings.setView(&view);
    }
    ~SettingsTest() override { fs::remove_all(dir); }
    void start() { settings.start((dir / "work").string(), (dir / "xdg").string(), "/nonexistent", (dir / "bin").string()); }
    fs::path cfg() const { return dir / "xdg" / "tarnwick" / "tarnwick.cfg"; }

    fs::path dir;
    common::testing::ScriptedPort port;
    DataPad pad{port};
    EditorSettings settings{pad};
    FakeView view;
};

TEST_F(SettingsTest, MissingFileGivesDefaultsAndClosingWritesItSilently) {
    pad.view().ColorTable[3] = {1, 2};
    start();
    EXPECT_EQ(pad.view().ColorTable, defaultColorTable());
    EXPECT_EQ(view.fonts, 0);
    EXPECT_TRUE(pad.files.FormCloseQuery());
    const ConfigRead r = decodeConfig(bytesOf(slurp(cfg())));
    EXPECT_EQ(r.level, ConfigLevel::FindAsShown);
    EXPECT_EQ(r.values.height, 500);
    EXPECT_EQ(r.values.textFontName, "Mono");
    EXPECT_EQ(r.values.textFontSize, 11);
}

TEST_F(SettingsTest, FileAppliesEveryFieldAndMenuWriteReports) {
    ConfigValues v = sample();
    v.maximized = false;
    spit(cfg(), std::string(reinterpret_cast<const char*>(encodeConfig(v).data()), encodeConfig(v).size()));
    bool asShown = false;  // the Find window's check box
    settings.FindAsShown = &asShown;
    start();
    EXPECT_TRUE(asShown);
    EXPECT_EQ(pad.view().ColorTable, v.colors);
    EXPECT_EQ(settings.HexFont, (common::FontSpec{"DejaVu Sans Mono", 12}));
    EXPECT_EQ(settings.TextFont, (common::FontSpec{"IPAGothic", 72}));
    EXPECT_EQ(settings.Height, 0);  // a negative width applies no size
    EXPECT_EQ(settings.external.AppName, "/opt/inserter/ins");
    EXPECT_EQ(settings.external.AppArgs, v.appArgs);
    EXPECT_TRUE(settings.external.HideIns);
    EXPECT_TRUE(settings.OnTop);
    EXPECT_TRUE(pad.commands().checked("OnTopClick"));
    EXPECT_TRUE(settings.ValueInspector);
    EXPECT_EQ(view.fonts, 1);
    settings.UpdateConfigurationFile1Click();
    port.expectMessage("Config File Updated!", {}, MsgIcon::Exclamation);
    v.height = 500;
    v.width = 700;
    v.hexFontName = "DejaVu Sans Mono";
    EXPECT_EQ(decodeConfig(bytesOf(slurp(cfg()))).values, v);
}

TEST_F(SettingsTest, MaximizedIgnoresTheSizeAndAShortFileOnlyColours) {
    ConfigValues v = sample();
    v.height = 300;
    auto bytes = encodeConfig(v);
    spit(cfg(), std::string(bytes.begin(), bytes.end()));
    start();
    EXPECT_TRUE(settings.Maximized);
    EXPECT_EQ(settings.Height, 0);
    // 168 bytes: colours and size only; the size and all else stay.
    spit(cfg(), std::string(bytes.begin(), bytes.begin() + 168));
    settings.OnTop = false;
    settings.Maximized = false;
    pad.view().ColorTable = defaultColorTable();
    settings.LoadColors();
    EXPECT_EQ(pad.view().ColorTable, v.colors);
    EXPECT_EQ(settings.Height, 0);
    EXPECT_FALSE(settings.OnTop);
    EXPECT_FALSE(settings.Maximized);
}

TEST_F(SettingsTest, FontsTogglesAndHelp) {
    port.answerFont(common::FontSpec{"Serif", 100});
    settings.HexFont1Click();
    EXPECT_EQ(settings.HexFont, (common::FontSpec{"Serif", 72}));
    port.answerFont(std::nullopt);
    settings.TextFont1Click();
    EXPECT_EQ(settings.TextFont, (common::FontSpec{"Mono", 11}));
    port.answerFont(common::FontSpec{"Sans", 9});
    settings.SetAllFonts1Click();
    EXPECT_EQ(settings.HexFont, settings.TextFont);
    EXPECT_EQ(view.fonts, 2);

    EXPECT_TRUE(pad.runCommand("ViewStatusBar1Click"));
    EXPECT_FALSE(pad.commands().checked("ViewStatusBar1Click"));
    EXPECT_TRUE(pad.runCommand("ViewOffsetPanel1Click"));
    EXPECT_FALSE(pad.commands().checked("ViewOffsetPanel1Click"));
    EXPECT_EQ(view.windows, 1);

    start();
    EXPECT_EQ(settings.HelpPath, (dir / "bin" / kHelpName).string());
    pad.runCommand("HelpTopics1Click");
    port.expectMessage("Error loading HH.exe. It is required for HTML Help files...", "Tarnwick Help error",
                       MsgIcon::Stop);
    spit(dir / "bin" / kHelpName, "<html></html>");
    pad.runCommand("HelpTopics1Click");
    ASSERT_EQ(port.started.size(), 1u);
    EXPECT_EQ(port.started[0].args, std::vector<std::string>{settings.HelpPath});
}

TEST_F(SettingsTest, RecentFilesAndDroppedFiles) {
    start();
    const std::string rom = (dir / "game.smc").string(), table = (dir / "game.tbl").string();
    spit(rom, "ROMDATA");
    spit(table, "41=A\n");
    EXPECT_TRUE(pad.files.openPath(rom));  // the companion table joins its list too
    EXPECT_EQ(settings.recentRoms.items(), std::vector<std::string>{rom});
    EXPECT_EQ(settings.recentTables.items(), std::vector<std::string>{table});
    // Kept across runs.
    RecentList roms, tables;
    decodeRecent(slurp(dir / "xdg" / "tarnwick" / kRecentName), roms, tables);
    EXPECT_EQ(roms.items(), settings.recentRoms.items());
    EXPECT_EQ(tables.items(), settings.recentTables.items());

    fs::remove(rom);
    EXPECT_TRUE(pad.commandEnabled("RecentROM1"));
    pad.runCommand("RecentROM1");
    port.expectMessage("Fata Error: Unable to open file.", {}, MsgIcon::Stop);
    EXPECT_TRUE(settings.recentRoms.items().empty());
    pad.UpdateMenuItems();
    EXPECT_FALSE(pad.commandEnabled("RecentROM1"));

    const std::string other = (dir / "OTHER.TBL").string();
    spit(other, "42=B\n");
    settings.dropFile(other);
    EXPECT_EQ(pad.table().TablePaths[0], other);
    EXPECT_EQ(settings.recentTables.items().front(), other);
    spit(rom, "ROM2");
    settings.dropFile(rom);
    EXPECT_EQ(pad.editor().CurrentPath, rom);
}

}  // namespace
