#pragma once
// The game's script format and text words: HiROM address mapping, the walk
// that finds a block's string pointers, string decoding and the ROM font.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/gamerom.h"

namespace scripted {

inline constexpr size_t kMaxStrings = 4096;   // entries of StringPointers
inline constexpr size_t kMaxBlocks = 4096;    // entries of BlockTable
inline constexpr uint16_t kWalkFailed = 0xFFFF;
inline constexpr uint32_t kFontOffset = 0x41000;
inline constexpr uint32_t kGlyphBytes = 32;

// A 24-bit HiROM address to a ROM offset.
constexpr uint32_t SnesToRom(uint32_t address) { return common::gamerom::snesToRom(address); }

// Whole length in bytes of a command of fixed length (opcode included), 0
// for the variable-length commands 38, 39, 60, 61, 65 and 66, and -1 for an
// opcode that ends the block (89 and every value from 90 to 65534).
int commandLength(uint16_t opcode);

struct WalkResult {
    uint16_t count = 0;        // strings found; kWalkFailed when the script ran off the image
    bool truncated = false;    // more than kMaxStrings pointers: only the first ones were kept
    uint32_t endOffset = 0;    // where the walk stopped
};

// Walks the script at a ROM offset of the image and replaces `pointers` with
// the ROM offsets of its strings, at most kMaxStrings of them. Reads only
// inside the image; a command that reaches past its end fails the walk.
WalkResult WalkScript(std::span<const uint8_t> image, uint32_t romOffset, std::vector<uint32_t>& pointers);

// One step of a decoded string.
struct TextEvent {
    enum Kind : uint8_t { Glyph, NewLine, ControlText, End };
    Kind kind = End;
    uint16_t word = 0;       // the text word (glyph code or control word)
    bool lineBreak = false;  // ControlText: the pen then goes to the next line ("[Key]")
    bool cut = false;        // End: the string ran into the end of the image
    std::string text;        // ControlText: what is shown for the word
};

// The text shown for a control word (0x8001-0x8FFF other than new line).
std::string controlText(uint16_t word);

inline bool isControlWord(uint16_t w) { return (w & 0xF000) == 0x8000; }

// Decodes a string word by word. A string ends at 0x8000 or 0xFFFF; one that
// runs into the end of the image ends there with `cut` set, after a
// control text "[End of ROM]" that shows the user where it was cut.
class StringDecoder {
public:
    StringDecoder(std::span<const uint8_t> image, uint32_t romOffset) : image_(image), pos_(romOffset) {}
    // The next event; End repeats once reached.
    TextEvent next();
    uint32_t position() const { return pos_; }

private:
    std::span<const uint8_t> image_;
    uint32_t pos_;
    bool done_ = false;
    bool cut_ = false;
};

// Every event of a string, End included.
std::vector<TextEvent> DecodeString(std::span<const uint8_t> image, uint32_t romOffset);

// A decoded string as Shift-JIS text, for reading and copying the original
// line: glyphs as their characters (common::gamerom::glyphShiftJis), a glyph
// without one as "{%04X}" with its code, new lines as "\n", and control
// texts as the text box shows them: none with `hideCodes`, but "[Key]"
// still ends its line.
std::string kanaText(std::span<const TextEvent> events, bool hideCodes);

// The 32 bytes of a ROM glyph, or an empty span when they lie (partly)
// outside the image.
std::span<const uint8_t> GlyphAt(std::span<const uint8_t> image, uint16_t code);

// Whether pixel (row, column) of a 16 x 16 glyph is set: bytes 0-15 hold
// the left eight pixels of rows 0-15, bytes 16-31 the right eight.
inline bool glyphPixel(std::span<const uint8_t> glyph, int row, int column) {
    uint8_t b = glyph[(column < 8 ? 0 : 16) + row];
    return (b & (0x80 >> (column & 7))) != 0;
}

}  // namespace scripted
