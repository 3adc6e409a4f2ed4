#include <gtest/gtest.h>

#include "scripted/DataFile.h"

using namespace scripted;

namespace {

struct Reader : DataFileActions {
    TextTable table;
    ViewOptions view;
    int reselects = 0, redraws = 0;
    std::vector<std::pair<SideWindow, bool>> shown;
    void reselectString() override { ++reselects; }
    void redrawBoth() override { ++redraws; }
    void showWindow(SideWindow w, bool v) override { shown.emplace_back(w, v); }
    DataFileResult read(std::string_view text) { return readDataFile(text, table, view, this); }
};

}  // namespace

TEST(DataFileNumbers, EverySyntax) {
    EXPECT_EQ(parseNumber("$1f"), 0x1Fu);
    EXPECT_EQ(parseNumber("X1F"), 0x1Fu);
    EXPECT_EQ(parseNumber("x1Fzz"), 0x1Fu);
    EXPECT_EQ(parseNumber("0x20"), 0x20u);
    EXPECT_EQ(parseNumber("0X20"), 0x20u);
    EXPECT_EQ(parseNumber("\\x21"), 0x21u);
    EXPECT_EQ(parseNumber("'A"), 0x41u);
    EXPECT_EQ(parseNumber("'"), 0u);
    EXPECT_EQ(parseNumber("80"), 80u);
    EXPECT_EQ(parseNumber("012"), 12u);  // a leading zero without x is decimal
    EXPECT_EQ(parseNumber("  14\r"), 14u);
    EXPECT_EQ(parseNumber("abc"), 0u);
    EXPECT_EQ(parseNumber(""), 0u);
}

TEST(DataFileDirectives, ViewOptionsAndWindows) {
    Reader r;
    r.read(".textbox .color.red.gradient\n");
    EXPECT_EQ(r.view.color, BoxColor::Red);
    EXPECT_EQ(r.view.fill, BoxFill::Gradient);
    // Checked blue, green, red and solid, gradient: the later one wins.
    r.read(".TEXTBOX .color.red .color.green .solid\n");
    EXPECT_EQ(r.view.color, BoxColor::Red);
    EXPECT_EQ(r.view.fill, BoxFill::Solid);
    r.read(".TextBoxes .color.green\n.textbox .COLOR.BLUE\n");
    EXPECT_EQ(r.view.color, BoxColor::Green);  // substrings are case-sensitive

    r.read(".CONTROLCODES hide\n");
    EXPECT_TRUE(r.view.hideCodes);
    r.read(".controlcodes SHOWN\n.VWF on\n");
    EXPECT_FALSE(r.view.hideCodes);
    EXPECT_TRUE(r.view.useVwf);
    r.read(".VWF\n");
    EXPECT_FALSE(r.view.useVwf);
    EXPECT_EQ(r.redraws, 4);

    r.read(".TransText show\n.TransText HIDE\n.Font 41000\n.Fonts zz\n");
    EXPECT_EQ(r.reselects, 1);

    r.read(".TextWindow HIDE\n.HexWindow show\n.KanaWindow hide\n.KanaWindows\n");
    using P = std::pair<SideWindow, bool>;
    EXPECT_EQ(r.shown, (std::vector<P>{P{SideWindow::TextEditor, false}, P{SideWindow::HexData, true},
                                       P{SideWindow::KanaText, false}, P{SideWindow::KanaText, true}}));
}

TEST(DataFileDirectives, Format) {
    Reader r;
    r.read(".FORMAT 232 8 12 0 0 0 0 0 0\n");
    EXPECT_FALSE(r.view.formatSet);  // n1 x n5 is zero
    EXPECT_EQ(r.view.glyphHeight, 8);
    EXPECT_EQ(r.view.glyphWidth, 12);
    r.read(".format   65768    272  16  4  257   6 7 8 9\n");
    EXPECT_TRUE(r.view.formatSet);
    EXPECT_EQ(r.view.lineWidth, 232);  // modulo 65536
    EXPECT_EQ(r.view.glyphHeight, 16);  // modulo 256
    EXPECT_EQ(r.view.format[8], 9);
    r.read(".FORMAT 232 14 x\n");  // the scan stops at the first field that is no number
    EXPECT_EQ(r.view.glyphHeight, 14);
    EXPECT_EQ(r.view.glyphWidth, 0);
    EXPECT_TRUE(r.view.formatSet);  // stays set
}

TEST(DataFileDirectives, Blocks) {
    Reader r;
    auto res = r.read(".block c12345 0\n.BLOCK 0xC20000 ff\n.BLOCKS C3\n.BLOCK\n.BLOCK zz 5\n  .BLOCK C4\n");
    EXPECT_EQ(res.blocks, (std::vector<BlockEntry>{{0xC12345, 0}, {0xC20000, 0xFF}, {0xC3, 0}, {0, 0}, {0, 0}}));
    EXPECT_EQ(res.droppedBlocks, 0u);

    std::string many;
    for (int i = 0; i < 4100; ++i) many += ".BLOCK " + std::to_string(i) + "\r\n";
    res = r.read(many);
    EXPECT_EQ(res.blocks.size(), 4096u);
    EXPECT_EQ(res.blocks.back().address, 0x4095u);
    EXPECT_EQ(res.droppedBlocks, 4u);
}

TEST(DataFileSections, Colours) {
    Reader r;
    r.read(".TABLE\n.NULL $80 - $81\n.NULL16 $8000 - $8001\n.ENDTABLE\n"
           ".COLORTABLE\n.NULL=$0C\n.null16 = 9\n41=12\n0041='A\n9=x0A\nno equals here\n"
           "a=.ENDCOLOR\n.ENDCOLOR\n42=3\n");
    EXPECT_EQ(r.table.ByteEntries[0x80].color, 0x0C);
    EXPECT_EQ(r.table.ByteEntries[0x81].color, 0x0C);
    EXPECT_EQ(r.table.ByteEntries[0x82].color, 15);
    EXPECT_EQ(r.table.WordEntries[0x8001].color, 9);
    EXPECT_EQ(r.table.WordEntries[0x8002].color, 15);
    EXPECT_EQ(r.table.ByteEntries[0x41].color, 12);
    EXPECT_EQ(r.table.WordEntries[0x41].color, 0x41);
    EXPECT_EQ(r.table.ByteEntries[0x09].color, 0x0A);
    EXPECT_EQ(r.table.ByteEntries[0x0A].color, 0);  // "a=.ENDCOLOR" has an "=": still in the section
    EXPECT_EQ(r.table.ByteEntries[0x42].color, 15);    // after the end
}

TEST(DataFileSections, Table) {
    Reader r;
    r.read(".TABLE\n1F=\n8140=A\n41=\\x41\\x42\n42=B C\n43=\\x4\n.NULL $9F - $80\n.NULL 80 - 90\n"
           ".NULL16 $8000 - $8002\n.NULL 1\n0044=\n.ENDTABLE\n");
    const auto& b = r.table.ByteEntries;
    EXPECT_EQ(b[0x1F].text, "[$1F]");
    EXPECT_EQ(b[0x1F].nullMark, 1);
    EXPECT_EQ(r.table.WordEntries[0x8140].text, "A");
    EXPECT_EQ(r.table.WordEntries[0x8140].nullMark, 0);
    EXPECT_EQ(b[0x41].text, "AB");
    EXPECT_EQ(b[0x41].length, 2);
    EXPECT_EQ(b[0x42].text, "B");  // the first blank-free word
    EXPECT_EQ(b[0x43].text, "\\x4");
    for (int c = 0x80; c <= 0x9F; ++c) EXPECT_EQ(b[c].nullMark, 1) << c;
    EXPECT_EQ(b[0x80].text, "[$80]");
    EXPECT_EQ(b[0x7F].nullMark, 0);
    for (int c = 80; c <= 90; ++c) EXPECT_EQ(b[c].nullMark, 1) << c;
    EXPECT_EQ(b[79].nullMark, 0);
    EXPECT_EQ(b[91].nullMark, 0);
    EXPECT_EQ(r.table.WordEntries[0x8002].text, "[$8002]");
    EXPECT_EQ(r.table.WordEntries[0x0044].text, "[$44]");
    EXPECT_EQ(b[1].hasText, false);  // ".NULL 1" lacks its words
}

TEST(DataFileSections, TableWithoutEndRunsToTheEndOfTheFile) {
    Reader r;
    auto res = r.read(".TABLE\n41=A\n.BLOCK C20000\n.VWF ON\n");
    EXPECT_TRUE(res.blocks.empty());
    EXPECT_FALSE(r.view.useVwf);
    EXPECT_EQ(r.table.ByteEntries[0x41].text, "A");
    // After a closed section directives are seen again; later files keep
    // the entries they do not name.
    res = r.read(".TABLE\n42=B\n.ENDTABLE\n.BLOCK C20000\n");
    EXPECT_EQ(res.blocks.size(), 1u);
    EXPECT_EQ(r.table.ByteEntries[0x41].text, "A");
    EXPECT_EQ(r.table.ByteEntries[0x42].text, "B");
}

TEST(DataFileSections, CodesOutsideTheTablesAreIgnored) {
    Reader r;
    r.read(".TABLE\n123456=X\nFFFF=Y\n.NULL16 $FFF0 - 999999\n.NULL 250 - 70000\nzz=Q\n=R\n.ENDTABLE\n"
           ".COLOR\n10000=3\n.ENDCOLOR\n");
    EXPECT_EQ(r.table.WordEntries[0xFFFF].text, "[$FFFF]");  // the range reaches the last entry
    EXPECT_EQ(r.table.WordEntries[0xFFF0].nullMark, 1);
    EXPECT_EQ(r.table.ByteEntries[255].text, "[$FF]");
    EXPECT_FALSE(r.table.ByteEntries[0].hasText);
}

TEST(DataFileReading, SurvivesAnyInput) {
    Reader r;
    std::string longLine(100000, 'x');
    std::string text = longLine + "\n.BLOCK C20000" + std::string(5000, ' ') + "2\n";
    auto res = r.read(text);
    ASSERT_EQ(res.blocks.size(), 1u);  // long lines are read whole, never split into new lines
    EXPECT_EQ(res.blocks[0].second, 2u);

    std::string junk;
    uint32_t x = 12345;
    for (int i = 0; i < 200000; ++i) {
        x = x * 1103515245u + 12345u;
        junk.push_back(static_cast<char>(x >> 24));
        if (i % 997 == 0) junk += "\n.TABLE\n";
        if (i % 1499 == 0) junk += "\n.COLOR\n=";
        if (i % 1999 == 0) junk += "\n.NULL16 ";
    }
    r.read(junk);
    r.read(std::string_view("\0\0\n.BLOCK\0", 10));
    r.read("");
    SUCCEED();
}
