#include "tools/mkgamerom/GameRom.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "common/codepage.h"
#include "common/fileio.h"
#include "common/gamerom.h"
#include "tools/mkgamerom/Font5x7.h"

namespace mkgamerom {

void ScriptWriter::put(uint8_t b) {
    if (pos_ >= image_.size()) throw std::out_of_range("script runs past the image");
    image_[pos_++] = b;
}

void ScriptWriter::word(uint16_t w) {
    put(static_cast<uint8_t>(w & 0xFF));
    put(static_cast<uint8_t>(w >> 8));
}

ScriptWriter& ScriptWriter::fixed(uint16_t op, int length) {
    word(op);
    for (int i = 2; i < length; ++i) put(0x5A);
    return *this;
}

ScriptWriter& ScriptWriter::variable(uint16_t op, std::initializer_list<uint8_t> body) {
    word(op);
    put(0x01);
    for (uint8_t b : body) put(b);
    put(0xFF);
    put(0x02);
    return *this;
}

ScriptWriter& ScriptWriter::farOperand(uint16_t op, uint32_t address) {
    word(op);
    put(static_cast<uint8_t>(address & 0xFF));
    put(static_cast<uint8_t>((address >> 8) & 0xFF));
    put(static_cast<uint8_t>((address >> 16) & 0xFF));
    return *this;
}

ScriptWriter& ScriptWriter::nearOperand(uint16_t op, uint16_t value) {
    word(op);
    word(value);
    return *this;
}

ScriptWriter& ScriptWriter::raw(std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) put(b);
    return *this;
}

ScriptWriter& ScriptWriter::opcode(uint16_t op) {
    word(op);
    return *this;
}

std::vector<uint16_t> stringWords(std::string_view markup) {
    std::vector<uint16_t> words;
    for (size_t i = 0; i < markup.size(); ++i) {
        char c = markup[i];
        if (static_cast<unsigned char>(c) >= 0x80) {
            size_t len = 1;
            while (i + len < markup.size() && (static_cast<unsigned char>(markup[i + len]) & 0xC0) == 0x80) ++len;
            auto sjis = common::utf16ToCp932(common::utf8ToUtf16(markup.substr(i, len)));
            auto code = sjis ? common::gamerom::shiftJisGlyph(*sjis) : std::nullopt;
            if (!code) throw std::invalid_argument("string markup character without a glyph code");
            words.push_back(*code);
            i += len - 1;
            continue;
        }
        if (c != '{') {
            words.push_back(static_cast<uint8_t>(c));
            continue;
        }
        size_t close = markup.find('}', i);
        if (close == std::string_view::npos) throw std::invalid_argument("unclosed { in string markup");
        std::string_view tag = markup.substr(i + 1, close - i - 1);
        i = close;
        if (tag == "n") words.push_back(0x8001);
        else if (tag == "k") words.push_back(0x800C);
        else if (tag == "8") words.push_back(0x8006);
        else if (tag == "16") words.push_back(0x8007);
        else if (tag == "c") words.push_back(0x800F);
        else if (tag == "h") words.push_back(kHeartCode);
        else if (!tag.empty() && tag[0] == '$')
            words.push_back(static_cast<uint16_t>(std::stoul(std::string(tag.substr(1)), nullptr, 16)));
        else throw std::invalid_argument("unknown string markup tag");
    }
    if (words.empty() || words.back() != 0xFFFF) words.push_back(0x8000);
    return words;
}

uint32_t putWords(std::vector<uint8_t>& image, uint32_t offset, std::span<const uint16_t> words) {
    if (offset + words.size() * 2 > image.size()) throw std::out_of_range("string runs past the image");
    for (uint16_t w : words) {
        image[offset++] = static_cast<uint8_t>(w & 0xFF);
        image[offset++] = static_cast<uint8_t>(w >> 8);
    }
    return offset;
}

std::vector<uint8_t> packLiterals(std::span<const uint8_t> data) {
    size_t groups = (data.size() + 7) / 8;
    size_t stream = groups * 9;
    if (stream > 0x7FFF) throw std::length_error("too much data for one compressed block");
    std::vector<uint8_t> out;
    out.reserve(2 + stream);
    out.push_back(static_cast<uint8_t>(stream & 0xFF));
    out.push_back(static_cast<uint8_t>(stream >> 8));
    for (size_t g = 0; g < groups; ++g) {
        out.push_back(0x00);
        for (size_t k = 0; k < 8; ++k) {
            size_t i = g * 8 + k;
            out.push_back(i < data.size() ? data[i] : 0);
        }
    }
    return out;
}

void putFont(std::vector<uint8_t>& image) {
    auto put = [&](uint32_t code, const Glyph& g) {
        uint32_t at = kFontOffset + code * 32;
        if (at + 32 > image.size()) return;
        std::copy(g.begin(), g.end(), image.begin() + at);
    };
    for (int c = 0x20; c <= 0x7E; ++c) put(static_cast<uint32_t>(c), asciiGlyph(static_cast<char>(c)));
    put(kHeartCode, heartGlyph());
    for (uint32_t c = 0x0140; c <= 0x0396; ++c)
        if (common::gamerom::glyphShiftJis(static_cast<uint16_t>(c))) put(c, kanaGlyph(static_cast<uint16_t>(c)));
}

void putInternalHeader(std::vector<uint8_t>& image) {
    const uint32_t h = common::gamerom::kTitleOffset;
    std::string title(common::gamerom::kTitle);
    title.resize(21, ' ');
    std::copy(title.begin(), title.end(), image.begin() + h);
    image[h + 0x15] = 0x31;  // HiROM, fast
    image[h + 0x16] = 0x02;  // ROM and battery RAM
    uint8_t sizeCode = 0;
    while ((1024u << sizeCode) < image.size()) ++sizeCode;
    image[h + 0x17] = sizeCode;
    image[h + 0x18] = 0x03;  // 8 KiB save RAM
    image[h + 0x19] = 0x00;  // Japan
    image[h + 0x1A] = 0x33;
    image[h + 0x1B] = 0x00;
    // Reset vector to a branch-to-self at $00:8000.
    image[0xFFFC] = 0x00;
    image[0xFFFD] = 0x80;
    image[0x8000] = 0x80;
    image[0x8001] = 0xFE;
    // Checksum with complement FFFF and checksum 0000 in place: the final
    // pair adds the same 0x1FE to the sum.
    image[h + 0x1C] = 0xFF;
    image[h + 0x1D] = 0xFF;
    image[h + 0x1E] = 0x00;
    image[h + 0x1F] = 0x00;
    uint32_t sum = 0;
    for (uint8_t b : image) sum += b;
    auto checksum = static_cast<uint16_t>(sum);
    auto complement = static_cast<uint16_t>(~checksum);
    image[h + 0x1C] = static_cast<uint8_t>(complement & 0xFF);
    image[h + 0x1D] = static_cast<uint8_t>(complement >> 8);
    image[h + 0x1E] = static_cast<uint8_t>(checksum & 0xFF);
    image[h + 0x1F] = static_cast<uint8_t>(checksum >> 8);
}

namespace {

// Start menu tiles: 256 tiles of 8 x 8 pixels, 2 bits per pixel (16 bytes,
// plane 0 and plane 1 interleaved by row), letters in plane 0 and a soft
// stripe in plane 1, so the unpacked block looks like something.
std::vector<uint8_t> startMenuTiles() {
    std::vector<uint8_t> out(256 * 16);
    for (int t = 0; t < 256; ++t) {
        Glyph g = asciiGlyph(static_cast<char>(0x20 + t % 95));
        for (int row = 0; row < 8; ++row) {
            // Rows 1, 3, ... 15 of the doubled glyph hold the 5 x 7 pattern
            // once each; take the left byte and keep five of its columns.
            uint8_t src = row < 7 ? g[1 + row * 2] : 0;
            uint8_t plane0 = 0;
            for (int c = 0; c < 5; ++c)
                if (src & (0x80 >> (c * 2))) plane0 |= static_cast<uint8_t>(0x40 >> c);
            out[t * 16 + row * 2] = plane0;
            out[t * 16 + row * 2 + 1] = static_cast<uint8_t>((row & 1) ? 0xAA : 0x55);
        }
    }
    return out;
}

constexpr uint32_t kStringsOffset = 0x100000;  // strings from $D0:0000 on
constexpr uint32_t snesOf(uint32_t romOffset) { return 0xC00000 | romOffset; }

struct StringArea {
    std::vector<uint8_t>& image;
    uint32_t next;
    uint32_t add(std::string_view markup) {
        uint32_t at = next;
        auto words = stringWords(markup);
        next = putWords(image, at, words);
        next = (next + 15) & ~15u;
        return at;
    }
};

}  // namespace

GameRom buildGameRom() {
    GameRom rom;
    rom.image.assign(kImageSize, 0);
    auto& img = rom.image;
    putFont(img);

    rom.unpacked = startMenuTiles();
    auto packed = packLiterals(rom.unpacked);
    rom.packedOffset = common::gamerom::snesToRom(kPackedAddress);
    rom.packedEnd = rom.packedOffset + static_cast<uint32_t>(packed.size());
    std::copy(packed.begin(), packed.end(), img.begin() + rom.packedOffset);

    StringArea strings{img, kStringsOffset};

    // Block 0: the harbour. Every fixed length class, both variable-length
    // commands, and far operands of 60, 61, 65 and 66.
    {
        BlockInfo b{0xC20000, 0x0000, {}, false};
        uint32_t s0 = strings.add("Welcome to Vexmoor!{n}The harbour is quiet{n}tonight.{k}Mind the fog on{n}the old pier.");
        uint32_t s1 = strings.add("{16}Captain Orla:{n}{8}Ships leave at dawn.{k}{c}Come back then, and{n}bring your pass.");
        uint32_t s2 = strings.add("You found {h} a heart{n}charm!{$8123}{$FFFF}");
        uint32_t s3 = strings.add("Fare: {$8020} coins.{k}Pay now?");
        ScriptWriter(img, common::gamerom::snesToRom(b.address))
            .fixed(0, 2).fixed(20, 3).fixed(4, 4)
            .farOperand(60, snesOf(s0))
            .fixed(40, 5).fixed(31, 6)
            .farOperand(61, snesOf(s1))
            .fixed(82, 7).fixed(78, 9).fixed(80, 11)
            .farOperand(65, snesOf(s2))
            .nearOperand(66, 0x1234).fixed(14, 2)
            .farOperand(66, 0xC12345)
            .variable(38, {0x01, 0x02, 0x03}).variable(39, {})
            .fixed(65535, 2)
            .farOperand(60, snesOf(s3))
            .opcode(89);
        b.strings = {s0, s1, s2, s3};
        rom.blocks.push_back(b);
    }
    // Block 1: the market. Near operands of 60, 61 and 65 (not strings) and
    // the remaining opcodes of each length class; ends with opcode 0x1234.
    {
        BlockInfo b{0xC21000, 0x0001, {}, false};
        uint32_t s4 = strings.add("Fresh fish! Fresh{n}fish from the bay!");
        uint32_t s5 = strings.add("{$8002}Merchant:{$8FFF}{n}Three silver for the{n}lantern.{k}Deal?");
        uint32_t s6 = strings.add("");
        ScriptWriter(img, common::gamerom::snesToRom(b.address))
            .nearOperand(60, 0x2000).fixed(3, 2)
            .farOperand(60, snesOf(s4))
            .nearOperand(61, 0x0010).fixed(21, 2)
            .nearOperand(65, 0xFFFF).fixed(22, 3)
            .fixed(33, 3).fixed(12, 4).fixed(41, 5).fixed(84, 5)
            .fixed(32, 6).fixed(72, 6).fixed(77, 6).fixed(87, 6).fixed(88, 6)
            .fixed(83, 7).fixed(79, 9).fixed(81, 11)
            .farOperand(61, snesOf(s5)).farOperand(65, snesOf(s6))
            .fixed(85, 3).fixed(86, 3).fixed(44, 3).fixed(37, 4).fixed(43, 4)
            .variable(38, {0x10, 0x20, 0x30, 0x40})
            .opcode(0x1234);
        b.strings = {s4, s5, s6};
        rom.blocks.push_back(b);
    }
    // Block 2: opcode 89 first, so no strings.
    {
        BlockInfo b{0xC22000, 0x0002, {}, false};
        ScriptWriter(img, common::gamerom::snesToRom(b.address)).opcode(89);
        rom.blocks.push_back(b);
    }
    // Block 3: ends where opcode 60's operand reads as $BFFFFF (not a string,
    // four bytes long) and the byte $BF starts opcode 191.
    {
        BlockInfo b{0xC23000, 0x0003, {}, false};
        uint32_t s7 = strings.add("The lighthouse keeper{n}is asleep.");
        uint32_t s8 = strings.add("{8}Zzz... zzz...{16}{k}He will not wake.");
        // The keeper talks in his sleep, in kana: the original line a
        // translator reads in the kana text window.
        uint32_t s11 = strings.add("とうだいもり:{n}おやすみなさい。{k}カンテラ{h}{$8123}");
        ScriptWriter(img, common::gamerom::snesToRom(b.address))
            .farOperand(60, snesOf(s7)).fixed(71, 2)
            .farOperand(61, snesOf(s8))
            .farOperand(65, snesOf(s11))
            .nearOperand(60, 0xFFFF).raw({0xBF, 0x00});
        b.strings = {s7, s8, s11};
        rom.blocks.push_back(b);
    }
    // Block 4: a long letter (more lines than a text box) and a string of
    // every named control word.
    {
        BlockInfo b{0xC24000, 0x0004, {}, false};
        std::string letter = "Dear traveller,{n}";
        for (int i = 1; i <= 20; ++i) letter += "Line " + std::to_string(i) + " of the letter.{n}";
        letter += "Yours, the Mayor.{k}";
        uint32_t s9 = strings.add(letter);
        uint32_t s10 = strings.add("{8}Small{16}Big{k}{c}{$8005}{$8123}{$800D}Done");
        ScriptWriter(img, common::gamerom::snesToRom(b.address))
            .farOperand(65, snesOf(s9)).fixed(7, 2).farOperand(60, snesOf(s10)).opcode(90);
        b.strings = {s9, s10};
        rom.blocks.push_back(b);
    }
    // Block 5: at the end of the image, where only zero bytes (opcode 0,
    // two bytes long) follow: the walk runs off the image.
    rom.blocks.push_back(BlockInfo{0xDFFF00, 0x0005, {}, true});

    putInternalHeader(img);
    return rom;
}

GameRom buildBenchRom() {
    GameRom rom;
    rom.image.assign(kBenchImageSize, 0);
    auto& img = rom.image;
    putFont(img);
    StringArea strings{img, kStringsOffset};
    const uint16_t pointerOps[3] = {60, 61, 65};
    for (int blockNo = 0; blockNo < 64; ++blockNo) {
        BlockInfo b{0xC10000u + static_cast<uint32_t>(blockNo) * 0x800u, static_cast<uint32_t>(blockNo), {}, false};
        ScriptWriter w(img, common::gamerom::snesToRom(b.address));
        for (int s = 0; s < 64; ++s) {
            uint32_t at = strings.add("Block " + std::to_string(blockNo) + ", string " + std::to_string(s) +
                                      ":{n}The quick brown fox{k}jumps over the lazy{n}dog.{$8123}");
            b.strings.push_back(at);
            w.fixed(static_cast<uint16_t>(s % 4), 2).fixed(20, 3).farOperand(pointerOps[s % 3], snesOf(at));
            if (s % 8 == 0) w.variable(38, {0x11, 0x22});
            if (s % 5 == 0) w.nearOperand(66, 0x4444).fixed(80, 11);
        }
        w.opcode(89);
        rom.blocks.push_back(b);
    }
    putInternalHeader(img);
    return rom;
}

std::vector<uint8_t> withCopierHeader(std::span<const uint8_t> image) {
    std::vector<uint8_t> out(common::gamerom::kCopierHeaderSize + image.size(), 0);
    std::copy(image.begin(), image.end(), out.begin() + common::gamerom::kCopierHeaderSize);
    return out;
}

std::string dataFileText(const GameRom& rom) {
    std::string t;
    auto line = [&](const std::string& s) { t += s + "\r\n"; };
    line("// Text block data file of the synthetic \"Vexmoor Tales 2\" ROM (made by mkgamerom).");
    line("// Lines that match no directive are ignored, so remarks like these are harmless.");
    line(".FORMAT   232    16  16  0   1   0 0 0 0");
    line(".TEXTBOX .color.blue .gradient");
    line(".Font 41000");
    line(".CONTROLCODES SHOW");
    line(".VWF ON");
    line(".TextWindow SHOW");
    line(".HexWindow HIDE");
    line(".KanaWindow SHOW");
    line(".TransText SHOW");
    line("// Script blocks: address and a second value that no command uses.");
    char buf[64];
    for (const auto& b : rom.blocks) {
        std::snprintf(buf, sizeof buf, ".BLOCK %06X %X", b.address, b.second);
        line(buf);
    }
    line(".COLORTABLE");
    line(".NULL=$0F");
    line(".NULL16=14");
    line("21=12");
    line("8140=$0A");
    line("0041=x0C");
    line(".ENDCOLOR");
    line(".TABLE");
    line(".NULL $80 - $9F");
    line(".NULL16 $8000 - $800F");
    line("1F=");
    line("0020=\\x20");
    for (int c = 0x21; c <= 0x7E; ++c) {
        std::snprintf(buf, sizeof buf, "%04X=%c", c, static_cast<char>(c));
        line(buf);
    }
    line("8140=\\x81\\x40");
    line("9000=<3");
    line(".ENDTABLE");
    return t;
}

std::string writeGameFiles(const std::string& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) return "cannot create " + folder + ": " + ec.message();
    GameRom rom = buildGameRom();
    std::string err = common::writeFileAtomic(folder + "/vt2.smc", std::span<const uint8_t>(rom.image));
    if (!err.empty()) return folder + "/vt2.smc: " + err;
    auto headered = withCopierHeader(rom.image);
    err = common::writeFileAtomic(folder + "/vt2_hdr.smc", std::span<const uint8_t>(headered));
    if (!err.empty()) return folder + "/vt2_hdr.smc: " + err;
    err = common::writeFileAtomic(folder + "/vt2data.txt", dataFileText(rom));
    if (!err.empty()) return folder + "/vt2data.txt: " + err;
    return {};
}

}  // namespace mkgamerom
