#include <gtest/gtest.h>

#include "hexedit/romtools/RomSize.h"
#include "hexedit/romtools/SnesAddress.h"

using namespace hexedit::romtools;

TEST(RomSizeRules, UnitsTextsAndQuestions) {
    EXPECT_EQ(romSizeText(SizeUnit::Bytes, 1572864), "Size of ROM: 1572864 BYTES");
    EXPECT_EQ(romSizeText(SizeUnit::MegaBits, 1572864), "Size of ROM: 12 Mega BITS");
    EXPECT_EQ(romSizeText(SizeUnit::MegaBytes, 1572864), "Size of ROM: 1.5 Mega BYTES");
    EXPECT_EQ(romSizeText(SizeUnit::MegaBytes, 65535), "Size of ROM: 0.0 Mega BYTES");
    EXPECT_EQ(megabyteText(1.99), "1.9");  // cut, not rounded

    struct Case {
        SizeUnit unit;
        const char* field;
        int64_t bytes;
        const char* question;
        const char* done;
    };
    const Case cases[] = {
        {SizeUnit::MegaBits, "32", 4194304, "Expand the ROM to 32 Mega-BIT(S)?",
         "Rom expanded to 32 Mega-BIT(S)!\nSave ROM to save all changes."},
        {SizeUnit::MegaBytes, "1.5", 1572864, "Expand the ROM to 1.5 Mega-BYTE(S)?",
         "Rom expanded to 1.5 Mega-BYTE(S)!\nSave ROM to save all changes."},
        {SizeUnit::Bytes, "5", 5, "Expand the ROM to  5 BYTE(S)?", "Rom expanded to 5 BYTE(S)!\nSave ROM to save all changes."},
        {SizeUnit::Bytes, "100.7", 100, "Expand the ROM to 100 BYTE(S)?",
         "Rom expanded to 100 BYTE(S)!\nSave ROM to save all changes."},
        {SizeUnit::MegaBytes, ".", 0, "Expand the ROM to 0.0 Mega-BYTE(S)?",
         "Rom expanded to 0.0 Mega-BYTE(S)!\nSave ROM to save all changes."},
    };
    for (const auto& c : cases) {
        const auto s = readNewSize(c.unit, c.field);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->bytes, c.bytes) << c.field;
        EXPECT_EQ(resizeQuestion(c.unit, *s), c.question);
        EXPECT_EQ(resizedMessage(c.unit, *s), c.done);
    }
    EXPECT_FALSE(readNewSize(SizeUnit::Bytes, ""));
    EXPECT_GT(readNewSize(SizeUnit::MegaBits, "99999999999999999999")->bytes, kMaxRomSize);
    for (char c : std::string("0123456789.\b")) EXPECT_TRUE(sizeFieldAccepts(c));
    for (char c : std::string("-+ ea,")) EXPECT_FALSE(sizeFieldAccepts(c));
}

TEST(RomSizeRules, HeaderRemovalVerdicts) {
    using V = HeaderVerdict;
    struct Case {
        const char* path;
        uint32_t skip;
        int64_t size;
        V verdict;
    };
    const Case cases[] = {
        {"/roms/game.smc", 0, 0x100200, V::Remove},
        {"/roms/game.smc", 0, 0x100000, V::NoHeader},
        {"/roms/game.ZST", 0, 0x100200, V::Savestate},
        {"/roms/game.zs1", 0, 0x100200, V::Savestate},
        {"/roms/game.zst", 3091, 0x100200, V::Savestate},
        {"/roms.zs/game.smc", 0, 0x100200, V::Remove},  // only the file name counts
        {"/roms/game", 0, 0x100000, V::Remove},         // no dot: no header test
        {"/roms/game", 0, 100, V::NoHeader},            // but never below 512 bytes
        {"/roms/game", 0, 512, V::Remove},
    };
    for (const auto& c : cases) EXPECT_EQ(headerRemovalVerdict(c.path, c.skip, c.size), c.verdict) << c.path << c.size;
}

TEST(Converter, EveryDirectionAndRangeCheck) {
    using M = ConvertMode;
    enum Dir { ToSnes, ToOffset };
    struct Case {
        M mode;
        Dir dir;
        bool header, bank80;
        uint32_t in;
        uint32_t out;
        const char* error;
    };
    const Case cases[] = {
        {M::LoRom, ToSnes, false, false, 0x000000, 0x008000, nullptr},
        {M::LoRom, ToSnes, false, false, 0x008000, 0x018000, nullptr},
        {M::LoRom, ToSnes, false, false, 0x3FFFFF, 0x7FFFFF, nullptr},
        {M::LoRom, ToSnes, false, true, 0x000000, 0x808000, nullptr},
        {M::LoRom, ToOffset, false, true, 0x808000, 0x000000, nullptr},
        {M::LoRom, ToSnes, true, false, 0x000200, 0x008000, nullptr},
        {M::LoRom, ToSnes, true, false, 0x008100, 0x00FF00, nullptr},
        {M::LoRom, ToSnes, true, false, 0x000100, 0, "Address must be > $200 when header is included."},
        {M::LoRom, ToSnes, false, false, 0x400200, 0, "Address must be < $400200"},
        {M::LoRom, ToSnes, false, false, 0x4001FF, 0x8081FF, nullptr},
        {M::HiRom, ToSnes, false, false, 0x400200, 0, "Address must be < $400200"},
        {M::HiRom, ToSnes, true, false, 0x000100, 0, "Address must be > $200 when header is included."},
        {M::HiRom, ToSnes, true, false, 0x012545, 0xC12345, nullptr},
        {M::HiRom, ToOffset, false, false, 0xC12345, 0x012345, nullptr},
        {M::HiRom, ToOffset, true, false, 0xC12345, 0x012545, nullptr},
        {M::HiRom, ToOffset, false, false, 0xBFFFFF, 0, "Address must be >= $Cxxxxxx"},
        {M::LoRom, ToOffset, false, false, 0x007FFF, 0, "Address must be >= $Xx:8xxx"},
        {M::LoRom, ToOffset, false, false, 0x24B456, 0x123456, nullptr},
        {M::LoRom, ToOffset, true, false, 0x008000, 0x000200, nullptr},
        {M::Memory, ToSnes, false, false, 0x000C13, 0x7E0000, nullptr},
        {M::Memory, ToSnes, false, false, 0x020000, 0, "Address must be < $20000"},
        {M::Memory, ToOffset, false, false, 0x7E0000, 0x000C13, nullptr},
        {M::Memory, ToOffset, false, false, 0x7FFFFF, 0x020C12, nullptr},
        {M::Memory, ToOffset, false, false, 0x800000, 0, "Address must be <= $7FFFFF"},
        {M::Memory, ToOffset, false, false, 0x7DFFFF, 0x000C12, nullptr},  // the savestate header
        {M::Memory, ToOffset, false, false, 0x7DF3ED, 0x000000, nullptr},
        {M::Memory, ToOffset, false, false, 0x7DF3EC, 0, "Address must be >= $7DF3ED"},  // before the file
        {M::Memory, ToOffset, false, false, 0x000000, 0, "Address must be >= $7DF3ED"},
        {M::VideoRam, ToOffset, false, false, 0x000000, 0x020C13, nullptr},
        {M::VideoRam, ToOffset, false, false, 0x008000, 0, "Address must be < $8000"},
        {M::VideoRam, ToSnes, false, false, 0x020002, 0x000001, nullptr},
        {M::VideoRam, ToSnes, false, false, 0x01FFFF, 0, "Address must be > $1FFFF AND < $30000"},
        {M::VideoRam, ToSnes, false, false, 0x030000, 0, "Address must be > $1FFFF AND < $30000"},
    };
    for (const auto& c : cases) {
        const ConvertOptions o{c.header, c.bank80};
        const auto r = c.dir == ToSnes ? offsetToSnes(c.mode, c.in, o) : snesToOffset(c.mode, c.in, o);
        SCOPED_TRACE(::testing::Message() << "mode " << int(c.mode) << " dir " << c.dir << " in " << std::hex << c.in);
        if (c.error) {
            EXPECT_STREQ(r.error, c.error);
        } else {
            EXPECT_EQ(r.error, nullptr);
            EXPECT_EQ(r.value, c.out);
        }
    }
}
