// mkdemo FOLDER: creates FOLDER if needed and writes FOLDER/demo.bin, a 128 KiB ROM-like image whose
// script is stored in the demo's own byte encoding, and FOLDER/demo.tbl, the
// table that decodes it: single-byte letters and two-letter (DTE) entries,
// two-byte word entries, a line-break and an end code, dump directives,
// bookmarks and dump bookmarks; a pointer table for the strings and free
// space after them, for the script round trip.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/fileio.h"
#include "tools/FolderArgument.h"

namespace {

struct Entry {
    unsigned code;  // one byte, or two bytes as first * 256 + second
    bool pair;
    std::string text;
};

constexpr uint8_t kLineBreak = 0xFE;
constexpr uint8_t kEnd = 0xFF;
constexpr uint8_t kWait = 0xFD;
constexpr uint8_t kColor = 0xFC;

std::vector<Entry> tableEntries() {
    std::vector<Entry> t;
    for (int i = 0; i < 26; ++i) t.push_back({0x10u + i, false, std::string(1, char('A' + i))});
    for (int i = 0; i < 26; ++i) t.push_back({0x2Au + i, false, std::string(1, char('a' + i))});
    for (int i = 0; i < 10; ++i) t.push_back({0x44u + i, false, std::string(1, char('0' + i))});
    const char* punct[] = {" ", ".", ",", "!", "?", "'", "-", ":"};
    for (int i = 0; i < 8; ++i) t.push_back({0x4Eu + i, false, punct[i]});
    const char* dte[] = {"th", "he", "in", "er", "an", "ou", "re", "on", "st", "ed"};
    for (int i = 0; i < 10; ++i) t.push_back({0x60u + i, false, dte[i]});
    const char* words[] = {"Tarnwick", "Vexmoor", "sword", "dragon", "castle", "the ", "you "};
    for (int i = 0; i < 7; ++i) t.push_back({0xF000u + i, true, words[i]});
    return t;
}

// Greedy encoding: the longest text that matches wins.
std::vector<uint8_t> encode(const std::vector<Entry>& table, const std::string& s) {
    std::vector<uint8_t> out;
    size_t p = 0;
    while (p < s.size()) {
        if (s[p] == '\n') {
            out.push_back(kLineBreak);
            ++p;
            continue;
        }
        const Entry* best = nullptr;
        for (const auto& e : table)
            if (s.compare(p, e.text.size(), e.text) == 0 && (!best || e.text.size() > best->text.size())) best = &e;
        if (!best) {
            std::fprintf(stderr, "mkdemo: no code for '%c'\n", s[p]);
            ++p;
            continue;
        }
        if (best->pair) out.push_back(static_cast<uint8_t>(best->code >> 8));
        out.push_back(static_cast<uint8_t>(best->code));
        p += best->text.size();
    }
    return out;
}

std::string hex(unsigned v, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, v);
    return buf;
}

}  // namespace

constexpr char kUsage[] =
    "usage: mkdemo FOLDER\n"
    "Writes FOLDER/demo.bin and its table FOLDER/demo.tbl, creating FOLDER if needed.\n";

int main(int argc, char** argv) {
    int status = 0;
    const auto folderArg = tools::folderArgument(argc, argv, kUsage, status);
    if (!folderArg) return status;
    const std::string folder = *folderArg;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        std::fprintf(stderr, "mkdemo: cannot create %s: %s\n", folder.c_str(), ec.message().c_str());
        return 1;
    }
    const auto table = tableEntries();

    // A pseudo-random image, like code and graphics, with the script at 0x8000.
    std::vector<uint8_t> rom(128 * 1024);
    uint32_t seed = 0x2006087u;
    for (auto& b : rom) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<uint8_t>(seed >> 16);
    }
    const std::string title = "TARNWICK DEMO        ";
    for (size_t i = 0; i < title.size(); ++i) rom[0x7FC0 + i] = static_cast<uint8_t>(title[i]);

    const std::vector<std::string> script = {
        "Welcome to the castle of Vexmoor!\nThe dragon is sleeping.",
        "Tarnwick: Where is the sword?\nIt rests in the tower.",
        "You found the sword!",
        "The dragon wakes. Run, Tarnwick!",
        "Thanks for playing the demo.\nThe end.",
    };
    const uint32_t textStart = 0x8000;
    uint32_t at = textStart;
    std::vector<uint32_t> starts;
    for (size_t i = 0; i < script.size(); ++i) {
        starts.push_back(at);
        auto bytes = encode(table, script[i]);
        if (i == 1) {
            bytes.insert(bytes.begin() + 3, {kColor, 0x02, 0x01});  // after "Tarnwick:"
            bytes.push_back(kWait);
        }
        bytes.push_back(kEnd);
        for (uint8_t b : bytes) rom[at++] = b;
    }
    const uint32_t textEnd = at - 1;
    // Free space a script insert may move longer strings into.
    const uint32_t freeStart = 0x8200, freeEnd = 0x83FF;
    std::fill(rom.begin() + freeStart, rom.begin() + freeEnd + 1, uint8_t{0});
    // A pointer table before the script, as games keep one: 16-bit LoROM
    // addresses in bank 01 (romtoolset script dump --pointers 7F00,5,16,lorom,1).
    for (size_t i = 0; i < starts.size(); ++i) {
        rom[0x7F00 + 2 * i] = static_cast<uint8_t>(starts[i]);
        rom[0x7F00 + 2 * i + 1] = static_cast<uint8_t>(starts[i] >> 8);
    }

    std::string tbl;
    tbl += "# Demo table for Tarnwick32\n";
    for (const auto& e : table) tbl += hex(e.code, e.pair ? 4 : 2) + "=" + e.text + "\n";
    tbl += "/" + hex(kLineBreak, 2) + "\n";
    tbl += "*" + hex(kEnd, 2) + "\n";
    tbl += ".code=$" + hex(kWait, 2) + " \"<WAIT>\"\n";
    tbl += ".dual=$F006 \"<you>\"\n";
    tbl += ".multicode=$" + hex(kColor, 2) + " 2 \"<COLOR_>\"\n";
    tbl += ".nontbl=\"<$>\"\n";
    tbl += ".startdump=\"// Demo script dump\",\n";
    tbl += "\"// one string per line\"\n";
    tbl += ".enddump=\"// end of dump\"\n";
    tbl += "(" + hex(0x7F00, 1) + "h)Pointer table\n";
    tbl += "(" + hex(textStart, 1) + "h)Script\n";
    tbl += "(" + hex(starts[2], 1) + "h)Sword found\n";
    tbl += "(" + hex(freeStart, 1) + "h)Free space\n";
    tbl += "[" + hex(textStart, 8) + "-" + hex(textEnd, 8) + "]Whole script\n";
    tbl += "[" + hex(starts[1], 8) + "-" + hex(starts[2] - 1, 8) + "]Tower line\n";

    for (auto [name, error] : {std::pair{std::string("demo.bin"), common::writeFileAtomic(folder + "/demo.bin", rom)},
                               std::pair{std::string("demo.tbl"), common::writeFileAtomic(folder + "/demo.tbl", tbl)}}) {
        if (!error.empty()) {
            std::fprintf(stderr, "mkdemo: %s: %s\n", name.c_str(), error.c_str());
            return 1;
        }
    }
    return 0;
}
