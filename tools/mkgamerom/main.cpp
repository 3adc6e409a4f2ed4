// Writes the synthetic game ROM (both variants) and its text block data
// file into the folder named on the command line.
#include <cstdio>

#include "tools/mkgamerom/GameRom.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s output-folder\n", argv[0]);
        return 2;
    }
    std::string err = mkgamerom::writeGameFiles(argv[1]);
    if (!err.empty()) {
        std::fprintf(stderr, "mkgamerom: %s\n", err.c_str());
        return 1;
    }
    return 0;
}
