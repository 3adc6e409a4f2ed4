#include <gtest/gtest.h>

#include "hexedit/core/Savestate.h"

using namespace hexedit;

TEST(Savestate, RecognisedByTheFileExtension) {
    EXPECT_TRUE(isSavestatePath("/games/game.zst"));
    EXPECT_TRUE(isSavestatePath("/games/GAME.ZS1"));
    EXPECT_TRUE(isSavestatePath("game.zs"));
    EXPECT_FALSE(isSavestatePath("/games/game.smc"));
    EXPECT_FALSE(isSavestatePath("/saves.zst/game"));
    EXPECT_FALSE(isSavestatePath("/saves.zst/game.bin"));
    EXPECT_FALSE(isSavestatePath("/games/game.z"));
}

TEST(Savestate, PaletteColoursBecomeDisplayPixels) {
    EXPECT_EQ(snesToDisplayColor(0x7FFF), 0xFFFF);
    EXPECT_EQ(snesToDisplayColor(0x001F), 0xF820);  // red's top bit also lands in green's lowest
    EXPECT_EQ(snesToDisplayColor(0x03E0), 0x07C0);
    EXPECT_EQ(snesToDisplayColor(0x7C00), 0x001F);

    std::vector<uint8_t> file(kSavestatePaletteOffset + 512, 0);
    file[kSavestatePaletteOffset] = 0x1F;           // colour 0: red
    file[kSavestatePaletteOffset + 511] = 0x7C;     // colour 255: blue (high byte)
    auto pal = convertSavestatePalette(file);
    EXPECT_EQ(pal[0], 0xF820);
    EXPECT_EQ(pal[255], 0x001F);
    EXPECT_EQ(pal[1], 0);
}

TEST(Savestate, ShortFilesReadAsZeroColours) {
    std::vector<uint8_t> file(kSavestatePaletteOffset + 3, 0xFF);
    auto pal = convertSavestatePalette(file);
    EXPECT_EQ(pal[0], snesToDisplayColor(0xFFFF));
    EXPECT_EQ(pal[1], snesToDisplayColor(0x00FF));
    EXPECT_EQ(pal[2], 0);
    EXPECT_EQ(convertSavestatePalette({})[0], 0);
}
