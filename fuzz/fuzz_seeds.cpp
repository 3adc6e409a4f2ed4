// Writes the starting corpus of every fuzz target below a folder, one
// subfolder per target, from the project's own generators:
//   fuzz_seeds OUTPUT_FOLDER DEMO_TABLE
// DEMO_TABLE is the table mkdemo writes.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "compress/Codec.h"
#include "compress/RecordFile.h"
#include "compress/testing/SampleData.h"
#include "hexedit/core/ConfigFile.h"
#include "hexedit/romtools/Bps.h"
#include "hexedit/romtools/Ips.h"
#include "hexedit/romtools/Ips32.h"
#include "hexedit/tiles/Palettes.h"
#include "scripted/Script.h"
#include "scripted/Translation.h"
#include "tools/mkgamerom/GameRom.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

fs::path out;

void seed(const std::string& target, const std::string& name, const std::string& bytes) {
    fs::create_directories(out / target);
    std::ofstream(out / target / name, std::ios::binary) << bytes;
}
void seed(const std::string& target, const std::string& name, const Bytes& bytes) {
    seed(target, name, std::string(bytes.begin(), bytes.end()));
}

Bytes packedBlock(const Bytes& data) {
    Bytes packed(vt2comp::kPackedCapacity);
    const size_t p = *vt2comp::PackBlock(data, packed);
    Bytes block{static_cast<uint8_t>(p), static_cast<uint8_t>(p >> 8)};
    block.insert(block.end(), packed.begin(), packed.begin() + static_cast<long>(p));
    return block;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: fuzz_seeds OUTPUT_FOLDER DEMO_TABLE\n";
        return 2;
    }
    out = argv[1];
    std::ifstream in(argv[2], std::ios::binary);
    const std::string demoTable{std::istreambuf_iterator<char>(in), {}};
    if (demoTable.empty()) {
        std::cerr << "cannot read " << argv[2] << "\n";
        return 1;
    }
    const mkgamerom::GameRom rom = mkgamerom::buildGameRom();
    const std::string dataFile = mkgamerom::dataFileText(rom);

    seed("fuzz_table_loader", "demo.tbl", demoTable);
    hexedit::ConfigValues settings;
    settings.colors = hexedit::defaultColorTable();
    settings.hexFontName = "DejaVu Sans Mono";
    settings.appArgs = "%ROMFILE %SCRIPTFILE";
    seed("fuzz_settings", "tarnwick.cfg", hexedit::encodeConfig(settings));
    seed("fuzz_table_loader", "redefined.tbl", std::string("74=t\n68=h\n80=th\n80=x\n"));
    seed("fuzz_pattern_convert", "text", demoTable + '\0' + "Sword found");
    seed("fuzz_script", "demo.script",
         demoTable + '\0' +
             "table demo.tbl\npointers 10,3,16,lorom,1\nspace 8000-80FF\n@0,2 8000 6\n#|Hello<END>\nHello<END>\n\n"
             "@1\nTarnwick:<COLOR$0201><$FD>\nThe end.<WAIT><END>\n");
    seed("fuzz_pattern_convert", "wildcards", demoTable + '\0' + "*S*41*1");
    {
        // A UTF-8 table with entries of one to four bytes, bad lines among them.
        const std::string utf8Table =
            "\xEF\xBB\xBF" "64=d\n72=r\n9001=dragon\nF00102=\xE7\xAB\x9C\nF1020304=\xE7\xAB\x9C\xE3\x81\x82\n"
            "10=\xE3\x81\x82\n123=odd\n42=\xE9\n1234567890=nine\n";
        seed("fuzz_table_loader", "utf8.tbl", utf8Table);
        seed("fuzz_pattern_convert", "utf8", utf8Table + '\0' + "dr\xE7\xAB\x9C");
        seed("fuzz_shown_search", "utf8", utf8Table + '\0' + "dragon\xE7\xAB\x9C" + '\0' +
                                              "\x90\x01\xF0\x01\x02\x64\x72\x90\x01\xF0\x01\x02\x10");
        seed("fuzz_shown_search", "demo", demoTable + '\0' + "Sword" + '\0' + std::string(200, 'S'));
    }
    {
        // A patch with plain and run records, and the two halves it was made from.
        const Bytes unchanged(rom.image.begin(), rom.image.begin() + 256);
        Bytes edited = unchanged;
        for (size_t i = 10; i < 30; ++i) edited[i] = 0xEE;
        edited[100] ^= 0xFF;
        edited.insert(edited.end(), {1, 2, 3});
        seed("fuzz_ips", "patch.ips", hexedit::romtools::createIps(unchanged, edited).patch);
        Bytes halves = unchanged;
        halves.insert(halves.end(), edited.begin(), edited.begin() + 256);
        seed("fuzz_ips", "halves", halves);
    }
    {
        // BPS and IPS32 patches of an edited piece of the game, and the two
        // halves they are made from.
        const Bytes unchanged(rom.image.begin(), rom.image.begin() + 512);
        Bytes edited = unchanged;
        for (size_t i = 40; i < 90; ++i) edited[i] = 0xEE;
        std::copy_n(unchanged.begin() + 200, 64, edited.begin() + 300);
        edited.insert(edited.end(), 30, 0x11);
        seed("fuzz_bps", "patch.bps", hexedit::romtools::createBps(unchanged, edited));
        seed("fuzz_ips32", "patch.ips32", hexedit::romtools::createIps32(unchanged, edited).patch);
        Bytes halves = unchanged;
        halves.insert(halves.end(), edited.begin(), edited.begin() + 512);
        seed("fuzz_bps", "halves", halves);
        seed("fuzz_ips32", "halves", halves);
    }
    {
        using hexedit::tiles::PaletteFileKind;
        const auto& palette = hexedit::tiles::standardPalette();
        seed("fuzz_palette", "standard.pal", hexedit::tiles::writePaletteFile(palette, PaletteFileKind::Jasc));
        seed("fuzz_palette", "standard.gpl", hexedit::tiles::writePaletteFile(palette, PaletteFileKind::Gimp));
        seed("fuzz_palette", "standard.act", hexedit::tiles::writePaletteFile(palette, PaletteFileKind::Act));
        // Flags, width and height (64 is 0), then the indices of a 16 x 8
        // image of four colours.
        Bytes image{0, 64 + 16, 64 + 8};
        for (size_t i = 0; i < 128; ++i) image.push_back(static_cast<uint8_t>(i % 7 % 4));
        seed("fuzz_png_import", "tiles", image);
    }
    {
        hexedit::RecentList roms, tables;
        for (const char* p : {"/roms/game.smc", "/roms/other game.sfc", "C:\\ROMS\\GAME.SMC"}) roms.add(p);
        tables.add("/roms/game.tbl");
        seed("fuzz_recent", "recent", hexedit::encodeRecent(roms, tables));
    }
    seed("fuzz_cli_offsets", "range", std::string("0x1F0\0$7FFF", 12));
    seed("fuzz_cli_offsets", "wide", std::string("1fffff\0FFFFFFFF", 15));
    seed("fuzz_savestate", "state.zst", Bytes(rom.image.begin(), rom.image.begin() + 3600));
    seed("fuzz_data_file", "vt2data.txt", dataFile);
    for (size_t k = 0; k < rom.blocks.size(); ++k) {
        const uint32_t at = scripted::SnesToRom(rom.blocks[k].address);
        const size_t end = std::min<size_t>(rom.image.size(), at + 1024);
        seed("fuzz_script_walk", "block" + std::to_string(k), Bytes(rom.image.begin() + at, rom.image.begin() + static_cast<long>(end)));
    }
    std::string translation = scripted::newTranslationText(3);
    seed("fuzz_translation", "new.txt", scripted::toFileText(translation));
    const size_t first = translation.find('\n', translation.find(".STRING 0")) + 1;
    translation.insert(first, "Hello [Key]\n<8>small text\n");
    seed("fuzz_translation", "edited.txt", scripted::toFileText(translation));
    seed("fuzz_record_file", "record", vt2comp::formatRecordLine("/home/u/Comp/VT2_6321.dat", 0x6321, rom.packedEnd));
    seed("fuzz_record_file", "blanks", std::string(".comp /my roms/VT2_6521.dat  00006321  00007523  edited\r\n"));
    seed("fuzz_codec", "game", Bytes(rom.image.begin() + rom.packedOffset, rom.image.begin() + rom.packedEnd));
    seed("fuzz_codec", "tiles", packedBlock(vt2comp::sample::tileLikeData(1024, 1)));
    seed("fuzz_codec", "structured", vt2comp::sample::structuredBytes(600, 2));
    seed("fuzz_codepage", "table", demoTable);
    seed("fuzz_codepage", "kana", std::string("\x82\xA0\x82\xA2 \x83\x41\xB1\x81"));
    seed("fuzz_codepage", "datafile", dataFile);
    return 0;
}
