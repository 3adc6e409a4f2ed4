#include <gtest/gtest.h>

#include "common/codepage.h"
#include "common/gamerom.h"
#include "scripted/Script.h"
#include "tools/mkgamerom/GameRom.h"

using namespace scripted;
using mkgamerom::ScriptWriter;

namespace {

constexpr uint32_t kStart = 0x100;

struct LengthClass {
    int length;
    std::vector<int> opcodes;
};

// The command lengths of the script format, by class.
const std::vector<LengthClass> kClasses = {
    {2, {0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 14, 15, 16, 17, 18, 19, 21, 26, 27, 28, 29, 35, 46, 47, 48, 49, 52, 53,
         54, 55, 56, 57, 58, 59, 62, 63, 64, 69, 70, 71, 65535}},
    {3, {20, 22, 23, 24, 25, 33, 34, 44, 45, 50, 51, 67, 68, 85, 86}},
    {4, {4, 12, 13, 30, 36, 37, 42, 43}},
    {5, {40, 41, 84}},
    {6, {31, 32, 72, 73, 74, 75, 76, 77, 87, 88}},
    {7, {82, 83}},
    {9, {78, 79}},
    {11, {80, 81}},
};

std::vector<uint8_t> blank(size_t size = 0x1000) { return std::vector<uint8_t>(size, 0); }

}  // namespace

TEST(WalkScript, EveryFixedLengthOpcodeSkipsItsWholeCommand) {
    // Operand bytes are 0x5A: a wrong length lands on opcode 0x5A5A, which
    // ends the block before the pointer that follows is seen.
    for (const auto& cls : kClasses)
        for (int op : cls.opcodes) {
            auto img = blank();
            ScriptWriter(img, kStart).fixed(static_cast<uint16_t>(op), cls.length).farOperand(60, 0xC01234).opcode(89);
            std::vector<uint32_t> ptrs;
            WalkResult r = WalkScript(img, kStart, ptrs);
            ASSERT_EQ(r.count, 1) << "opcode " << op;
            EXPECT_EQ(ptrs, std::vector<uint32_t>{0x1234}) << "opcode " << op;
            EXPECT_EQ(r.endOffset, kStart + static_cast<uint32_t>(cls.length) + 5) << "opcode " << op;
        }
}

TEST(WalkScript, OpcodesOutsideTheTableEndTheBlock) {
    for (int op : {89, 90, 91, 0x1234, 0x5A5A, 65534}) {
        auto img = blank();
        ScriptWriter(img, kStart).farOperand(61, 0xD00010).opcode(static_cast<uint16_t>(op)).farOperand(60, 0xC00020);
        std::vector<uint32_t> ptrs;
        WalkResult r = WalkScript(img, kStart, ptrs);
        EXPECT_EQ(r.count, 1) << op;
        EXPECT_EQ(r.endOffset, kStart + 5) << op;
    }
    // A block that starts with 89 has no strings.
    auto img = blank();
    ScriptWriter(img, kStart).opcode(89);
    std::vector<uint32_t> ptrs{1, 2, 3};
    EXPECT_EQ(WalkScript(img, kStart, ptrs).count, 0);
    EXPECT_TRUE(ptrs.empty());
}

TEST(WalkScript, PointerOperandsFromBankC0On) {
    for (uint16_t op : {60, 61, 65}) {
        // $BFFFFF is no pointer and the command is 4 bytes: its bank byte $BF
        // starts the next opcode (191), which ends the block.
        auto img = blank();
        ScriptWriter(img, kStart).nearOperand(op, 0xFFFF).raw({0xBF, 0x00});
        std::vector<uint32_t> ptrs;
        WalkResult r = WalkScript(img, kStart, ptrs);
        EXPECT_EQ(r.count, 0) << op;
        EXPECT_EQ(r.endOffset, kStart + 4) << op;

        // $C00000 is a pointer to ROM offset 0 and the command is 5 bytes.
        img = blank();
        ScriptWriter(img, kStart).farOperand(op, 0xC00000).opcode(89);
        r = WalkScript(img, kStart, ptrs);
        EXPECT_EQ(r.count, 1) << op;
        EXPECT_EQ(ptrs, std::vector<uint32_t>{0}) << op;
        EXPECT_EQ(r.endOffset, kStart + 5) << op;

        // Banks above C0 map by clearing bits 22 and 23.
        img = blank();
        ScriptWriter(img, kStart).farOperand(op, 0xFF1234).farOperand(op, 0xE00002).opcode(89);
        WalkScript(img, kStart, ptrs);
        EXPECT_EQ(ptrs, (std::vector<uint32_t>{0x3F1234, 0x200002})) << op;
    }
    // 66 has the same lengths but records nothing.
    auto img = blank();
    ScriptWriter(img, kStart).farOperand(66, 0xC00000).nearOperand(66, 0x1234).fixed(3, 2).opcode(89);
    std::vector<uint32_t> ptrs;
    WalkResult r = WalkScript(img, kStart, ptrs);
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(r.endOffset, kStart + 5 + 4 + 2);
}

TEST(WalkScript, VariableLengthCommands) {
    for (uint16_t op : {38, 39}) {
        auto img = blank();
        ScriptWriter(img, kStart).variable(op, {}).variable(op, {1, 2, 3, 0xFE}).farOperand(65, 0xC00042).opcode(89);
        std::vector<uint32_t> ptrs;
        WalkResult r = WalkScript(img, kStart, ptrs);
        EXPECT_EQ(r.count, 1) << op;
        EXPECT_EQ(r.endOffset, kStart + 5 + 9 + 5) << op;
        // The byte after the opcode is skipped even when it is 0xFF.
        img = blank();
        ScriptWriter(img, kStart).opcode(op).raw({0xFF, 0x07, 0xFF, 0x00}).opcode(89);
        EXPECT_EQ(WalkScript(img, kStart, ptrs).endOffset, kStart + 6) << op;
    }
}

TEST(WalkScript, RunningOffTheImageFails) {
    std::vector<uint32_t> ptrs;
    // Only zero bytes (opcode 0, two bytes long) to the end.
    auto img = blank(0x200);
    ScriptWriter(img, 0x100).farOperand(60, 0xC00010);
    WalkResult r = WalkScript(img, 0x100, ptrs);
    EXPECT_EQ(r.count, kWalkFailed);
    // A start at or past the end, and in the last byte.
    EXPECT_EQ(WalkScript(img, 0x200, ptrs).count, kWalkFailed);
    EXPECT_EQ(WalkScript(img, 0xFFFFFFFF, ptrs).count, kWalkFailed);
    EXPECT_EQ(WalkScript(img, 0x1FF, ptrs).count, kWalkFailed);
    EXPECT_EQ(WalkScript({}, 0, ptrs).count, kWalkFailed);
    // Operands cut by the end: a fixed command, a pointer command, and a
    // variable command that finds no 0xFF.
    for (auto tail : std::vector<std::vector<uint8_t>>{{0x50, 0x00, 1, 2, 3}, {0x3C, 0x00, 0x00, 0x00},
                                                       {0x3C, 0x00, 0x00}, {0x26, 0x00, 1, 2, 3}}) {
        std::vector<uint8_t> img2(0x10 - tail.size(), 0x59);
        img2.insert(img2.end(), tail.begin(), tail.end());
        EXPECT_EQ(WalkScript(img2, static_cast<uint32_t>(0x10 - tail.size()), ptrs).count, kWalkFailed);
    }
}

TEST(WalkScript, KeepsAtMost4096Pointers) {
    auto img = blank(0x10000);
    ScriptWriter w(img, 0);
    for (uint32_t i = 0; i < kMaxStrings + 10; ++i) w.farOperand(60, 0xC00000 + i);
    w.opcode(89);
    std::vector<uint32_t> ptrs;
    WalkResult r = WalkScript(img, 0, ptrs);
    EXPECT_EQ(r.count, kMaxStrings);
    EXPECT_TRUE(r.truncated);
    ASSERT_EQ(ptrs.size(), kMaxStrings);
    EXPECT_EQ(ptrs.back(), kMaxStrings - 1);
    EXPECT_EQ(r.endOffset, (kMaxStrings + 10) * 5);
}

TEST(DecodeString, EveryKindOfWord) {
    auto img = blank();
    std::vector<uint16_t> words = {0x0041, 0x8001, 0x8006, 0x8007, 0x800C, 0x800F, 0x8123, 0x8002,
                                   0x8FFF, 0x9000, 0x7FFF, 0xFFFE, 0x0000, 0x8000, 0x0042};
    mkgamerom::putWords(img, 0x10, words);
    auto ev = DecodeString(img, 0x10);
    ASSERT_EQ(ev.size(), 14u);
    EXPECT_EQ(ev[0].kind, TextEvent::Glyph);
    EXPECT_EQ(ev[0].word, 0x41);
    EXPECT_EQ(ev[1].kind, TextEvent::NewLine);
    const char* texts[] = {"[Text8x16]", "[Text16x16]", "[Key]", "[ClrScr]", "[$8123]", "[$8002]", "[$8FFF]"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(ev[2 + i].kind, TextEvent::ControlText) << i;
        EXPECT_EQ(ev[2 + i].text, texts[i]) << i;
        EXPECT_EQ(ev[2 + i].lineBreak, i == 2) << i;
    }
    for (int i = 9; i <= 12; ++i) EXPECT_EQ(ev[i].kind, TextEvent::Glyph) << i;
    EXPECT_EQ(ev[9].word, 0x9000);
    EXPECT_EQ(ev[13].kind, TextEvent::End);
    EXPECT_FALSE(ev[13].cut);

    mkgamerom::putWords(img, 0x40, std::vector<uint16_t>{0x0030, 0xFFFF, 0x0031});
    ev = DecodeString(img, 0x40);
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[1].kind, TextEvent::End);
    EXPECT_EQ(ev[1].word, 0xFFFF);
}

TEST(DecodeString, StringsRunningIntoTheEndOfTheImageAreCut) {
    std::vector<uint8_t> img(9, 0x41);  // four glyph words and half of one
    auto ev = DecodeString(img, 0);
    ASSERT_EQ(ev.size(), 6u);
    EXPECT_EQ(ev[3].kind, TextEvent::Glyph);
    EXPECT_EQ(ev[4].kind, TextEvent::ControlText);
    EXPECT_EQ(ev[4].text, "[End of ROM]");
    EXPECT_TRUE(ev[5].cut);
    ev = DecodeString(img, 0xFFFFFFF0);
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_TRUE(ev[1].cut);
    // End repeats once reached.
    StringDecoder d(img, 8);
    d.next();
    EXPECT_EQ(d.next().kind, TextEvent::End);
    EXPECT_EQ(d.next().kind, TextEvent::End);
}

TEST(KanaText, GlyphCodesAndShiftJisMapBothWays) {
    // Every code with a character maps back to itself.
    int characters = 0;
    for (uint32_t code = 0; code <= 0xFFFF; ++code) {
        auto sjis = common::gamerom::glyphShiftJis(static_cast<uint16_t>(code));
        if (!sjis) continue;
        ++characters;
        ASSERT_EQ(common::gamerom::shiftJisGlyph(*sjis), code) << std::hex << code;
    }
    EXPECT_GT(characters, 7000);
    const std::pair<uint16_t, std::u16string> known[] = {
        {0x0041, u"A"}, {0x00B1, u"\uFF71"}, {0x0140, u"\u3000"}, {0x029F, u"\u3041"}, {0x02F1, u"\u3093"},
        {0x0340, u"\u30A1"}, {0x0396, u"\u30F6"}};
    for (const auto& [code, text] : known)
        EXPECT_EQ(common::cp932ToUtf16(common::gamerom::glyphShiftJis(code).value_or("")), text) << std::hex << code;
    for (uint16_t none : {0x0000, 0x001F, 0x007F, 0x00A0, 0x00E0, 0x0100, 0x013F, 0x017F, 0x2040, 0x8000, 0x9000, 0xFFFE})
        EXPECT_FALSE(common::gamerom::glyphShiftJis(none)) << std::hex << none;
}

TEST(KanaText, ShowsCharactersAndControlTextsAsTheTextBox) {
    auto img = blank();
    mkgamerom::putWords(img, 0x10, mkgamerom::stringWords("かな:{n}Ok{k}{8}{h}{$8123}"));
    auto ev = DecodeString(img, 0x10);
    EXPECT_EQ(common::cp932ToUtf16(kanaText(ev, false)), u"\u304B\u306A:\nOk[Key]\n[Text8x16]{9000}[$8123]");
    EXPECT_EQ(common::cp932ToUtf16(kanaText(ev, true)), u"\u304B\u306A:\nOk\n{9000}");
    // A string cut by the end of the image says so.
    std::vector<uint8_t> cut = {0x9F, 0x02};
    EXPECT_EQ(kanaText(DecodeString(cut, 0), false), "\x82\x9F[End of ROM]");
}

TEST(Glyphs, FetchedOnlyInsideTheImage) {
    std::vector<uint8_t> img(kFontOffset + 2 * 32, 0);
    img[kFontOffset + 32] = 0x80;       // glyph 1: row 0, column 0
    img[kFontOffset + 32 + 16 + 15] = 0x01;  // row 15, column 15
    auto g = GlyphAt(img, 1);
    ASSERT_EQ(g.size(), 32u);
    EXPECT_TRUE(glyphPixel(g, 0, 0));
    EXPECT_FALSE(glyphPixel(g, 0, 1));
    EXPECT_TRUE(glyphPixel(g, 15, 15));
    EXPECT_TRUE(GlyphAt(img, 2).empty());
    EXPECT_TRUE(GlyphAt(img, 0xFFFF).empty());
    EXPECT_EQ(SnesToRom(0), 0u);
    EXPECT_EQ(SnesToRom(0xC06321), 0x6321u);
    EXPECT_EQ(SnesToRom(0x7E1234), 0x3E1234u);
}

TEST(WalkScript, RandomImagesStayInside) {
    // Under the sanitizers this shows that no read leaves the image.
    uint32_t x = 2463534242u;
    auto next = [&] {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return x;
    };
    for (size_t size : {0u, 1u, 2u, 3u, 5u, 257u, 4096u}) {
        std::vector<uint8_t> img(size);
        for (auto& b : img) b = static_cast<uint8_t>(next() % 100 < 70 ? next() % 90 : next());
        std::vector<uint32_t> ptrs;
        for (uint32_t start = 0; start <= size + 2; start += size > 300 ? 13 : 1) {
            WalkResult r = WalkScript(img, start, ptrs);
            EXPECT_LE(r.endOffset, size);
            EXPECT_LE(ptrs.size(), kMaxStrings);
            auto ev = DecodeString(img, start);
            EXPECT_EQ(ev.back().kind, TextEvent::End);
            EXPECT_LE(ev.size(), size / 2 + 2);
        }
    }
}
