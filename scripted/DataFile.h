#pragma once
// The text block data file: which script blocks to offer, how to draw text,
// which side windows to show, and an optional byte/word-to-text table with
// colours.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace scripted {

enum class BoxColor : uint8_t { Blue, Green, Red };
enum class BoxFill : uint8_t { Gradient, Solid };
enum class SideWindow : uint8_t { TextEditor, HexData, KanaText };

// The view options of the text boxes (set by the data file and the menus).
struct ViewOptions {
    BoxColor color = BoxColor::Blue;
    BoxFill fill = BoxFill::Gradient;
    bool hideCodes = false;      // "Hide Control Codes"
    bool useVwf = false;         // "Use VWF Routine"
    bool translatedText = false; // "Display Translated Text"
    bool formatSet = false;      // a ".FORMAT" line (or the first redraw) set the glyph size
    uint8_t glyphHeight = 16;
    uint8_t glyphWidth = 16;
    uint16_t lineWidth = 0;
    std::array<int32_t, 9> format{};  // n1 to n9 of the last ".FORMAT" line
};

struct TextEntry {
    uint16_t length = 0;
    uint8_t color = 15;
    uint8_t nullMark = 0;
    bool hasText = false;
    std::string text;
};

// 256 byte entries and 65536 word entries; lives as long as the editor and
// keeps the entries a later data file does not name.
struct TextTable {
    std::array<TextEntry, 256> ByteEntries{};
    std::vector<TextEntry> WordEntries = std::vector<TextEntry>(65536);
};

struct BlockEntry {
    uint32_t address = 0;  // SNES address as written
    uint32_t second = 0;   // kept, used by no command
    bool operator==(const BlockEntry&) const = default;
};

// Numbers of colour values and ".NULL" bounds: "$1F", "X1F", "x1F", "0x1F",
// "\x1F" are hexadecimal, "'A" is a character code, anything else decimal;
// conversion stops at the first character that does not fit.
uint32_t parseNumber(std::string_view s);

// What a data file asks of the editor while it is read.
class DataFileActions {
public:
    virtual ~DataFileActions() = default;
    virtual void reselectString() = 0;                      // ".TransText SHOW"
    virtual void redrawBoth() = 0;                          // ".CONTROLCODES", ".VWF"
    virtual void showWindow(SideWindow w, bool visible) = 0;  // ".TextWindow" and the like
};

struct DataFileResult {
    std::vector<BlockEntry> blocks;   // at most 4096, in file order
    size_t droppedBlocks = 0;         // ".BLOCK" lines beyond the 4096th
};

// Reads a whole data file, line by line. The text table and view options are
// changed in place; blocks are returned; `actions` (when given) hears the
// lines that act on the editor. Any text is accepted: lines of any length,
// binary bytes, CR LF or LF line ends.
DataFileResult readDataFile(std::string_view text, TextTable& table, ViewOptions& view,
                            DataFileActions* actions = nullptr);

}  // namespace scripted
