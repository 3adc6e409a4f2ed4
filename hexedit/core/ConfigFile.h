#pragma once
// tarnwick.cfg: the editor's colours, window size, fonts and external
// program settings in one little-endian binary file, written whole. Also
// where the file lives, and the recent-file lists kept beside it.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "hexedit/core/ColorTable.h"

namespace hexedit {

inline constexpr char kConfigName[] = "tarnwick.cfg";
inline constexpr char kRecentName[] = "tarnwick-recent.txt";

struct ConfigValues {
    ColorPairs colors{};
    int32_t height = 0;
    int32_t width = 0;
    uint8_t hexFontSize = 10;
    uint8_t textFontSize = 10;
    std::string hexFontName;
    std::string textFontName;
    bool maximized = false;
    bool offsetPanel = false;  // read only: always written as 0
    std::string appName;
    std::string appArgs;
    bool hideIns = false;
    bool onTop = false;
    bool valueInspector = false;
    bool markChanges = true;
    uint32_t changedColor = kDefaultChangedColor;
    bool findAsShown = false;  // the Find window's "Text as Shown by the Table"
    bool operator==(const ConfigValues&) const = default;
};

// How far a read got; every field up to the level holds what the file said.
enum class ConfigLevel {
    Missing,      // no file, or not readable
    Colors,       // some or all colour pairs (colorPairs of them)
    Size,         // height and width
    WrongTag,     // the tag is not "FONT": nothing after the colours applies
    Fonts,        // sizes and face names (names may be cut by the end of the file)
    Maximized,
    OffsetPanel,
    External,     // program path, argument list and the hide byte
    OnTop,
    ValueInspector,  // the value inspector's panel shown
    ChangedBytes,    // changed bytes marked, and their colour
    FindAsShown,     // the Find window's search through the table as shown
};

struct ConfigRead {
    ConfigLevel level = ConfigLevel::Missing;
    size_t colorPairs = 0;
    ConfigValues values;
};

std::vector<uint8_t> encodeConfig(const ConfigValues& v);
// Takes what it can from any bytes; never reads past their end.
ConfigRead decodeConfig(std::span<const uint8_t> bytes);

// The settings file: tarnwick.cfg in the working folder when one is there,
// else tarnwick/tarnwick.cfg under the configuration folder
// ($XDG_CONFIG_HOME, else ~/.config). `configHome` and `home` are those
// variables ("" when unset).
std::string configFilePath(const std::string& workingFolder, const std::string& configHome,
                           const std::string& home);

// The last files opened, newest first, at most kRecentMax of them.
inline constexpr size_t kRecentMax = 8;
class RecentList {
public:
    const std::vector<std::string>& items() const { return items_; }
    void add(const std::string& path);
    void remove(const std::string& path);
    void assign(std::vector<std::string> paths);

private:
    std::vector<std::string> items_;
};

// The recent-file text: a "[ROM]" section and a "[TABLE]" section, one path a line.
std::string encodeRecent(const RecentList& roms, const RecentList& tables);
void decodeRecent(std::string_view text, RecentList& roms, RecentList& tables);

}  // namespace hexedit
