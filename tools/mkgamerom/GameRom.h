#pragma once
// The synthetic "Vexmoor Tales 2" ROM the project tests and demonstrates
// with: a HiROM image with the game's internal title, a 16 x 16 font, script
// blocks using every command length of the script format, strings with
// glyphs and control words, a block in the game's compressed format, and the
// matching text block data file.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mkgamerom {

inline constexpr uint32_t kImageSize = 0x200000;        // 2 MiB image
inline constexpr uint32_t kBenchImageSize = 0x400000;   // 4 MiB benchmark image
inline constexpr uint32_t kFontOffset = 0x41000;        // glyph code c at kFontOffset + c * 32
inline constexpr uint32_t kPackedAddress = 0xC06321;    // "Start Menu Tiles", compressed
inline constexpr uint16_t kHeartCode = 0x9000;          // a glyph code above the control words

// A script block as listed in the data file, and what a walk must find.
struct BlockInfo {
    uint32_t address = 0;            // SNES address of the script
    uint32_t second = 0;             // second value of the ".BLOCK" line
    std::vector<uint32_t> strings;   // ROM offsets of its strings, in script order
    bool runsOff = false;            // the script runs off the end of the image
};

struct GameRom {
    std::vector<uint8_t> image;      // no copier header
    std::vector<BlockInfo> blocks;
    uint32_t packedOffset = 0;       // ROM offset of the compressed block
    uint32_t packedEnd = 0;          // ROM offset just past it
    std::vector<uint8_t> unpacked;   // what the compressed block holds
};

// Writes script commands at an offset of an image, growing nothing: the
// image must be large enough.
class ScriptWriter {
public:
    ScriptWriter(std::vector<uint8_t>& image, uint32_t offset) : image_(image), pos_(offset) {}
    // A command of a fixed whole length (opcode included); operand bytes are
    // 0x5A so that a walker that skips a wrong length lands on opcode 0x5A5A,
    // which ends a block.
    ScriptWriter& fixed(uint16_t opcode, int length);
    // Opcodes 38 and 39: one byte, the body (no 0xFF in it), 0xFF, one byte.
    ScriptWriter& variable(uint16_t opcode, std::initializer_list<uint8_t> body);
    // Opcodes 60, 61, 65 and 66 with a 24-bit operand of bank C0 or above.
    ScriptWriter& farOperand(uint16_t opcode, uint32_t address);
    // The same opcodes with a 16-bit operand; the walker reads the next
    // opcode's low byte as the bank, so the next command decides the rest.
    ScriptWriter& nearOperand(uint16_t opcode, uint16_t value);
    ScriptWriter& raw(std::initializer_list<uint8_t> bytes);
    // A two-byte opcode with nothing after it (e.g. 89, or 90 and above).
    ScriptWriter& opcode(uint16_t opcode);
    uint32_t offset() const { return pos_; }

private:
    void put(uint8_t b);
    void word(uint16_t w);
    std::vector<uint8_t>& image_;
    uint32_t pos_;
};

// The words of a string written in a small markup: printable ASCII becomes
// glyph codes; "{n}" new line, "{k}" [Key], "{8}" 8x16 text, "{16}" 16x16
// text, "{c}" [ClrScr], "{h}" the heart glyph, "{$8123}" any word; a
// UTF-8 character outside ASCII becomes the glyph code of its Shift-JIS
// character (common::gamerom::shiftJisGlyph).
// The end word 0x8000 is appended unless the text ends with "{$FFFF}".
std::vector<uint16_t> stringWords(std::string_view markup);
// Writes words little-endian at an offset; returns the offset past them.
uint32_t putWords(std::vector<uint8_t>& image, uint32_t offset, std::span<const uint16_t> words);

// The compressed block format with literals only: a 16-bit stream length,
// then groups of a zero flag byte and eight literal bytes. The input is
// padded with zeros to a multiple of eight bytes.
std::vector<uint8_t> packLiterals(std::span<const uint8_t> data);

// Internal header at 0xFFC0 (title, HiROM map mode, ROM size code) and the
// checksum over the whole image.
void putInternalHeader(std::vector<uint8_t>& image);
// The ASCII glyphs, the heart, and stand-ins for the Japanese punctuation,
// hiragana and katakana (Shift-JIS 0x8140-0x8396).
void putFont(std::vector<uint8_t>& image);

GameRom buildGameRom();
// 4 MiB with 64 blocks of 64 strings each (4096 strings).
GameRom buildBenchRom();

// A 512-byte zero copier header followed by the image.
std::vector<uint8_t> withCopierHeader(std::span<const uint8_t> image);
// The text block data file for a ROM, CR LF line ends.
std::string dataFileText(const GameRom& rom);

// Writes vt2.smc (no header), vt2_hdr.smc (512-byte copier header) and
// vt2data.txt into a folder, creating it. Returns an empty text on success,
// otherwise what went wrong.
std::string writeGameFiles(const std::string& folder);

}  // namespace mkgamerom
