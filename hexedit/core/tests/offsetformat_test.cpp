#include <gtest/gtest.h>

#include "hexedit/core/OffsetFormat.h"

using namespace hexedit;

TEST(DisplayOffset, EveryFormat) {
    EXPECT_EQ(DisplayOffset(kOffsetStandard, 0x123456), 0x123456u);
    EXPECT_EQ(DisplayOffset(kOffsetLoRomSlow, 0x123456), 0x24B456u);
    EXPECT_EQ(DisplayOffset(kOffsetLoRomFast, 0x123456), 0xA4B456u);
    EXPECT_EQ(DisplayOffset(kOffsetHiRom, 0x123456), 0xD23456u);
    EXPECT_EQ(DisplayOffset(kOffsetSnesMemory, 0x123456), 0x3456u);
    // Bank edges of LoROM.
    EXPECT_EQ(DisplayOffset(kOffsetLoRomSlow, 0), 0x008000u);
    EXPECT_EQ(DisplayOffset(kOffsetLoRomSlow, 0x7FFF), 0x00FFFFu);
    EXPECT_EQ(DisplayOffset(kOffsetLoRomSlow, 0x8000), 0x018000u);
    EXPECT_EQ(DisplayOffset(kOffsetLoRomFast, 0), 0x808000u);
    EXPECT_EQ(DisplayOffset(kOffsetHiRom, 0), 0xC00000u);
    // Work RAM up to 0x1FFFF, video RAM addresses after it.
    EXPECT_EQ(DisplayOffset(kOffsetSnesMemory, 0x1FFFF), 0x7FFFFFu);
    EXPECT_EQ(DisplayOffset(kOffsetSnesMemory, 0x20000), 0u);
}

TEST(SnesToOffset, EveryKind) {
    EXPECT_EQ(SnesToOffset(0x24B456, snLOROM), 0x123456);
    EXPECT_EQ(SnesToOffset(0xD23456, snHIROM), 0x123456);
    EXPECT_EQ(SnesToOffset(0x123456, pcOFFSET), 0x123456);
    // The fast-ROM bit is ignored; HiROM drops bits 22 and 23.
    EXPECT_EQ(SnesToOffset(0x808000, snLOROM), 0);
    EXPECT_EQ(SnesToOffset(0x008000, snLOROM), 0);
    for (uint32_t a : {0xC12345u, 0x412345u, 0x012345u}) EXPECT_EQ(SnesToOffset(a, snHIROM), 0x012345);
    EXPECT_EQ(SnesToOffset(0, snLOROM), 0);
    EXPECT_EQ(SnesToOffset(0x123456, 7), 0);
    // Round trips through the display formats.
    for (int32_t l : {0, 0x7FFF, 0x8000, 0x123456, 0x3FFFFF}) {
        EXPECT_EQ(SnesToOffset(DisplayOffset(kOffsetLoRomSlow, l), snLOROM), l);
        EXPECT_EQ(SnesToOffset(DisplayOffset(kOffsetLoRomFast, l), snLOROM), l);
        EXPECT_EQ(SnesToOffset(DisplayOffset(kOffsetHiRom, l), snHIROM), l);
    }
}

TEST(SnesToOffset, LoRomBelowBankHalfIsRefused) {
    EXPECT_FALSE(SnesToOffset(0x001234, snLOROM).has_value());
    EXPECT_FALSE(SnesToOffset(0x7FFF, snLOROM).has_value());
    // Bank 1's low half lies before offset 0x8000 but is still >= 0.
    EXPECT_EQ(SnesToOffset(0x010000, snLOROM), 0);
}
