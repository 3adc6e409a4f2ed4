// Writes the synthetic game ROM (both variants) and its text block data
// file into the folder named on the command line.
#include <cstdio>
#include <string>

#include "tools/FolderArgument.h"
#include "tools/mkgamerom/GameRom.h"

constexpr char kUsage[] =
    "usage: mkgamerom FOLDER\n"
    "Writes FOLDER/vt2.smc, FOLDER/vt2_hdr.smc and FOLDER/vt2data.txt, creating FOLDER if needed.\n";

int main(int argc, char** argv) {
    int status = 0;
    const auto folderArg = tools::folderArgument(argc, argv, kUsage, status);
    if (!folderArg) return status;
    std::string err = mkgamerom::writeGameFiles(*folderArg);
    if (!err.empty()) {
        std::fprintf(stderr, "mkgamerom: %s\n", err.c_str());
        return 1;
    }
    return 0;
}
