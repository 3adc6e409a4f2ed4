// The text box renderer's pixel rules, the translated text's decoding and
// the scroll keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/testing/ScriptedPort.h"
#include "scripted/ScriptEditor.h"
#include "scripted/TextBox.h"
#include "scripted/tests/TestFiles.h"

using namespace scripted;

namespace {

// A ROM font with glyph 1 = column 0 only, 2 = blank, 3 = all set, 4 =
// column 5 in row 0 and column 0 in row 1.
std::vector<uint8_t> fontImage() {
    std::vector<uint8_t> img(kFontOffset + 5 * kGlyphBytes, 0);
    img[kFontOffset + 4 * kGlyphBytes] = 0x04;
    img[kFontOffset + 4 * kGlyphBytes + 1] = 0x80;
    for (int r = 0; r < 16; ++r) {
        img[kFontOffset + 1 * kGlyphBytes + size_t(r)] = 0x80;
        img[kFontOffset + 3 * kGlyphBytes + size_t(r)] = 0xFF;
        img[kFontOffset + 3 * kGlyphBytes + 16 + size_t(r)] = 0xFF;
    }
    return img;
}

TextEvent glyph(uint16_t code) { return TextEvent{TextEvent::Glyph, code, false, false, {}}; }
TextEvent newLine() { return TextEvent{TextEvent::NewLine, 0x8001, false, false, {}}; }
TextEvent key() { return TextEvent{TextEvent::ControlText, 0x800C, true, false, "[Key]"}; }

struct Upper {
    std::vector<uint8_t> img = fontImage();
    TextBoxRenderer r;
    ViewOptions view;
    const TextLayer& draw(std::vector<TextEvent> text) {
        r.DrawTextBox(Box::Upper, text, GlyphSource{Box::Upper, img}, 16, 16, view);
        return r.layer(Box::Upper);
    }
};

int count(const TextLayer& l, uint16_t colour) {
    return int(std::count(l.pixels.begin(), l.pixels.end(), colour));
}

}  // namespace

TEST(TextBox, GlyphPixelsAdvanceAndWrap) {
    Upper u;
    u.view.useVwf = true;
    const TextLayer& l = u.draw({glyph(1)});
    EXPECT_EQ(l.at(0, 5), 0xFFFF);   // colour 15
    EXPECT_EQ(l.at(1, 5), kShadow);  // and its shadow
    EXPECT_EQ(l.at(2, 5), 0);
    EXPECT_EQ(l.penX, 3);  // rightmost column 1, plus 2
    u.draw({glyph(2)});
    EXPECT_EQ(l.penX, 6);  // blank: 4 + 2
    u.draw({glyph(4)});
    EXPECT_EQ(l.penX, 8);  // the rightmost column of any row
    // A glyph code past the end of the image draws blank.
    u.draw({glyph(0xFFFE)});
    EXPECT_EQ(l.penX, 6);
    EXPECT_EQ(count(l, 0), kLayerStride * kLayerRows);

    // Fixed width: the 14th glyph is drawn at x = 208, then the pen wraps.
    u.view.useVwf = false;
    std::vector<TextEvent> line(13, glyph(3));
    u.draw(line);
    EXPECT_EQ(l.penX, 208);
    line.push_back(glyph(3));
    u.draw(line);
    EXPECT_EQ(l.at(208, 0), 0xFFFF);
    EXPECT_EQ(l.at(223, 15), 0xFFFF);
    EXPECT_EQ(l.penX, 0);
    EXPECT_EQ(l.penY, 16);

    // Past 48 lines the pen row wraps to the top of the layer.
    std::vector<TextEvent> lines(48, newLine());
    lines.push_back(glyph(1));
    u.draw(lines);
    EXPECT_EQ(l.at(0, 0), 0xFFFF);
    EXPECT_EQ(l.penY, 0);
}

TEST(TextBox, CodeTextsAndTranslatedBytes) {
    Upper u;
    const TextLayer& l = u.draw({key()});
    EXPECT_GT(count(l, kPalette[kCodeColor]), 20);
    EXPECT_EQ(l.penY, 16);
    EXPECT_EQ(l.color, kTextColor);
    u.view.hideCodes = true;  // hidden, [Key] still ends the line
    u.draw({glyph(3), key()});
    EXPECT_EQ(count(l, kPalette[kCodeColor]), 0);
    EXPECT_EQ(l.penX, 0);
    EXPECT_EQ(l.penY, 16);

    // One byte per glyph, two per control word (read as a little-endian
    // word, so a byte before 0x80-0x8F starts one); bytes 0x80-0xFF visible.
    std::vector<uint8_t> bytes{0x80, 'A', 0x01, 0x80, 0x23, 0x81, 0xFF, 0xFF, 'Z'};
    auto events = DecodeTranslation(bytes);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].word, 0x80);
    EXPECT_EQ(events[1].word, 'A');
    EXPECT_EQ(events[2].kind, TextEvent::NewLine);
    EXPECT_EQ(events[3].text, "[$8123]");
    EXPECT_EQ(events[4].kind, TextEvent::End);
    EXPECT_EQ(DecodeTranslation(std::vector<uint8_t>{'A'}).size(), 1u);  // runs out: ends
    auto blank = [](const GlyphBits& g) { return g.rows == GlyphBits{}.rows; };
    EXPECT_TRUE(blank(builtinGlyph16(' ')));
    EXPECT_TRUE(blank(builtinGlyph16(0x7F)));
    for (int c : {0x21, 0x41, 0x7A, 0x7E, 0x80, 0xFF}) EXPECT_FALSE(blank(builtinGlyph16(uint8_t(c)))) << c;
    for (const auto& row : builtinGlyph8('W').rows) EXPECT_EQ(row & 0xFF, 0);
}

TEST(TextBox, FrameFillAndCopy) {
    ViewOptions v;
    EXPECT_EQ(TextBoxRenderer::boxColor(v, 0), 31);
    EXPECT_EQ(TextBoxRenderer::boxColor(v, 92), 1);
    EXPECT_EQ(TextBoxRenderer::boxColor(v, 93), 0);
    EXPECT_EQ(TextBoxRenderer::boxColor(v, 111), 0);
    v.color = BoxColor::Red;
    EXPECT_EQ(TextBoxRenderer::boxColor(v, 3), 30 << 11);
    v.fill = BoxFill::Solid;
    v.color = BoxColor::Green;
    EXPECT_EQ(TextBoxRenderer::boxColor(v, 100), 31 << 5);

    Upper u;
    u.draw({glyph(3)});
    auto px = [&](int x, int y) { return u.r.Screen[size_t(y) * kScreenWidth + size_t(x)]; };
    EXPECT_EQ(px(16, 16), 0xFFFF);                                // text at x 16, row 16
    EXPECT_EQ(px(40, 16), TextBoxRenderer::boxColor(u.view, 8));  // layer 0 is transparent
    EXPECT_EQ(px(120, 8 + 93), 0);
    EXPECT_EQ(px(0, 0), 0);
    // The lower box keeps the upper one and draws at its own rows.
    u.r.DrawTextBox(Box::Lower, DecodeTranslation(std::vector<uint8_t>{'A', 0xFF, 0xFF}), GlyphSource{Box::Lower, {}},
                    16, 16, u.view);
    EXPECT_EQ(px(16, 16), 0xFFFF);
    EXPECT_EQ(px(120, 136 + 50), TextBoxRenderer::boxColor(u.view, 50));
    int lit = 0;
    for (int y = 144; y < 160; ++y)
        for (int x = 16; x < 32; ++x) lit += px(x, y) == 0xFFFF;
    EXPECT_GT(lit, 20);
}

TEST(TextBox, SyntheticRomRows) {
    // Row checksums of the first string of the generated ROM as drawn.
    common::testing::ScriptedPort port;
    scripted::testing::TempFolder dir;
    ScriptEditor ed(dir.path());
    std::filesystem::copy_file(scripted::testing::gameFile("vt2.smc"), dir.file("vt2.smc"));
    port.answerOpen(dir.file("vt2.smc"));
    port.cancelOpen();
    ed.OpenRomFile(port);
    ASSERT_TRUE(ed.romLoaded());
    // The ROM opens without a data file: nothing is listed or drawn.
    EXPECT_EQ(ed.Renderer.Screen, std::vector<uint16_t>(size_t(kScreenWidth) * kScreenHeight, 0));
    ed.DataLoaded = true;
    ed.BlockTable = {{0xC20000, 0}};
    ed.bList.items = {"Block C20000"};
    ed.bList.selected = 0;
    ed.SelectBlock(port);
    auto rowSum = [&](int y) {
        uint32_t h = 2166136261u;
        for (int x = 0; x < kScreenWidth; ++x) h = (h ^ ed.Renderer.Screen[size_t(y) * kScreenWidth + size_t(x)]) * 16777619u;
        return h;
    };
    uint32_t all = 0;
    for (int y = 0; y < kScreenHeight; ++y) all = all * 31 + rowSum(y);
    EXPECT_EQ(all, 2680284830u) << "update when the font or frame changes";
}

TEST(TextBox, ScrollKeys) {
    ScriptEditor ed("/");
    for (int i = 0; i < 42; ++i) EXPECT_FALSE(ed.KeyDown(Key::Down, true, false));
    EXPECT_TRUE(ed.KeyDown(Key::Down, true, false));  // the 43rd press stops at the limit
    EXPECT_EQ(ed.UpperScroll, 672);
    EXPECT_FALSE(ed.KeyDown(Key::Down, true, true));  // Ctrl wins
    EXPECT_EQ(ed.LowerScroll, 16);
    EXPECT_EQ(ed.StatusPanels[1], "Line {Kana, Ascii}: 42, 1");
    EXPECT_FALSE(ed.KeyDown(Key::Up, false, true));
    EXPECT_TRUE(ed.KeyDown(Key::Up, false, true));  // at 0
    EXPECT_TRUE(ed.KeyDown(Key::Other, true, false));
    EXPECT_FALSE(ed.KeyDown(Key::Other, false, false));
    EXPECT_FALSE(ed.KeyDown(Key::Up, false, false));  // plain Up does not scroll
    EXPECT_EQ(ed.UpperScroll, 672);
}
