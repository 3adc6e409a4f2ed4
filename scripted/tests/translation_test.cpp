// Translation files: section search, encoding, and the commands that open,
// create and save them, run headless through the scripted port.
#include <gtest/gtest.h>

#include "common/fileio.h"
#include "common/testing/ScriptedPort.h"
#include "scripted/ScriptEditor.h"
#include "scripted/TextBox.h"
#include "scripted/Translation.h"
#include "scripted/tests/TestFiles.h"
#include "tools/mkgamerom/GameRom.h"

using namespace scripted;
using common::MsgIcon;
using common::MsgButtons;
using common::testing::ScriptedPort;
using scripted::testing::TempFolder;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes bytesOf(std::string_view s) { return Bytes(s.begin(), s.end()); }
Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
const Bytes kEnd{0xFF, 0xFF};

std::string readText(const std::string& path) {
    std::vector<uint8_t> b;
    EXPECT_EQ(common::readWholeFile(path, b), common::ReadStatus::Ok);
    return std::string(b.begin(), b.end());
}

}  // namespace

TEST(TranslationEncoding, Sections) {
    struct Case {
        const char* body;  // the lines after ".STRING 0"
        Bytes want;
    } cases[] = {
        {"Hello[NAME]!\n.ENDS", bytesOf("Hello") + Bytes{0x00, 0xF4, '!'} + kEnd},
        {"[name][Key][clrwin][NewLine]\n.ENDS", Bytes{0, 0xF4, 0, 0xF0, 0, 0xFC, 0, 0xFD} + kEnd},
        {"[$4142]\n.ENDS", Bytes{0x41, 0x42} + kEnd},
        {"[ABC]\n.ENDS", bytesOf("[ABC]") + kEnd},
        {"a[b [$\n.ends", bytesOf("a[b ") + kEnd},
        {"ab\ncd\n.ENDS", bytesOf("ab") + Bytes{0x01, 0x80} + bytesOf("cd") + kEnd},
        {"\n.ENDS\n\n.STRING 1\nx\n.ENDS", kEnd},  // the generated empty section
        {".ENDS", kEnd},                            // no line at all
        {"ab", bytesOf("ab") + kEnd},               // no ".ENDS": ends with the text
        {"ab\n  .ENDS  ", bytesOf("ab") + kEnd},    // the trimmed end line is never text
    };
    for (const auto& c : cases)
        EXPECT_EQ(encodeSection(std::string(".STRING 0\n") + c.body, 0), c.want) << c.body;

    // Long lines are encoded whole; the buffer never overflows.
    std::string longLine(300, 'x');
    EXPECT_EQ(encodeSection(".STRING 0\n" + longLine + "\n.ENDS", 0), bytesOf(longLine) + kEnd);
    std::string huge = ".STRING 0\n" + std::string(200000, 'y') + "\n" + std::string(10, 'z') + "\n.ENDS";
    Bytes out = encodeSection(huge, 0);
    EXPECT_LE(out.size(), kTranslationBufferSize);
    EXPECT_EQ(Bytes(out.end() - 2, out.end()), kEnd);
}

TEST(TranslationEncoding, FindAndNewFile) {
    std::string text = newTranslationText(12);
    EXPECT_EQ(newTranslationText(2),
              "// Do not erase these: \n// .STRING #\n// .ENDS\n\n\n.STRING 0\n\n.ENDS\n\n\n\n.STRING 1\n\n.ENDS\n\n\n\n");
    auto m = findSection(text, 0, 1);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->line, 11u);
    // From past the first match, string 1 matches the start of ".STRING 10".
    auto ten = findSection(text, m->offset + 1, 1);
    ASSERT_TRUE(ten);
    EXPECT_EQ(text.substr(ten->offset, 10), ".STRING 10");
    EXPECT_TRUE(findSection(".string 3", 0, 3));  // any case
    EXPECT_FALSE(findSection(text, text.size(), 0));
    EXPECT_FALSE(findSection(text, text.size() + 5, 0));
    EXPECT_EQ(fromFileText(toFileText(text)), text);
    EXPECT_EQ(toFileText("a\nb"), "a\r\nb");
}

TEST(TranslationEncoding, EditorCharactersKeepEveryByte) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(fromEditorChars(toEditorChars(all)), all);
    EXPECT_EQ(toEditorChars("\r\xA0"), u"\u240D\u00A0");
    EXPECT_EQ(fromEditorChars(u"a\u2028b\u2029c\u20AC"), "a\nb\nc?");  // line breaks, and no byte
}

namespace {

struct TranslationCommands : ::testing::Test {
    TempFolder dir;
    ScriptedPort port;
    ScriptEditor ed{dir.path()};
    mkgamerom::GameRom rom = mkgamerom::buildGameRom();
    void SetUp() override {
        ASSERT_EQ(common::writeFileAtomic(dir.file("vt2.smc"), std::span<const uint8_t>(rom.image)), "");
        ASSERT_EQ(common::writeFileAtomic(dir.file("d.txt"), mkgamerom::dataFileText(rom)), "");
        port.answerOpen(dir.file("vt2.smc"));
        port.answerOpen(dir.file("d.txt"));
        ed.OpenRomFile(port);
        ASSERT_TRUE(ed.DataLoaded);
    }
    // Types text at the end of the selected string's empty line.
    void type(const std::string& what) {
        auto m = findSection(ed.EditorText, 0, ed.CurrentString);
        ASSERT_TRUE(m);
        size_t at = ed.EditorText.find('\n', m->offset) + 1;
        std::string text = ed.EditorText;
        text.insert(at, what);
        ed.TextChanged(text, at + what.size());
    }
};

}  // namespace

TEST_F(TranslationCommands, CreateTypeSaveAndAsk) {
    // Block 0 has four strings: its file was created with four sections.
    const std::string path = dir.file("Dumps/00C20000.txt");
    EXPECT_EQ(ed.TranslationPath, path);
    EXPECT_EQ(readText(path), toFileText(newTranslationText(4)));
    EXPECT_EQ(ed.EditorText, newTranslationText(4));
    EXPECT_FALSE(ed.TextModified);
    EXPECT_EQ(ed.TranslationBuffer, kEnd);
    EXPECT_EQ(ed.TopLineRequest, 5u);

    // Typing redraws the preview, keeps the caret, marks the text modified.
    ed.StringListClick(2);
    EXPECT_EQ(ed.TopLineRequest, 17u);
    ed.TopLineRequest.reset();
    ed.CaretRequest.reset();
    ed.TextEditorActive = true;
    ed.UpperScroll = 16;
    type("Hi[NAME]");
    EXPECT_EQ(ed.TranslationBuffer, (Bytes{'H', 'i', 0, 0xF4, 0xFF, 0xFF}));
    EXPECT_TRUE(ed.TextModified);
    EXPECT_FALSE(ed.TopLineRequest);
    EXPECT_FALSE(ed.CaretRequest);
    EXPECT_EQ(ed.EditorText.substr(ed.SelStart - 8, 8), "Hi[NAME]");
    EXPECT_EQ(ed.UpperScroll, 16);  // the view stays while the editor is active
    ed.TextEditorActive = false;

    // Text selected below the section's line: no preview for the string.
    ed.SetEditorSelection(ed.EditorText.size() - 3, 2);
    ed.StringListClick(2);
    EXPECT_TRUE(ed.TranslationBuffer.empty());

    // Another block asks to save the modified text first.
    port.answerQuestion(true);
    ed.BlockListClick(port, 1);
    port.expectMessage("Current data not saved. Do you wish to save it?", "File Modified...", MsgIcon::Question,
                       MsgButtons::YesNo);
    port.expectMessage("\"00C20000.txt\" was saved successfully!");
    EXPECT_NE(readText(path).find("Hi[NAME]\r\n.ENDS"), std::string::npos);
    EXPECT_EQ(ed.EditorText, newTranslationText(3));

    // Back to block 0: the saved file is loaded, not created again.
    ed.BlockListClick(port, 0);
    EXPECT_EQ(ed.EditorText, fromFileText(readText(path)));
    ed.StringListClick(2);
    EXPECT_EQ(ed.TranslationBuffer, (Bytes{'H', 'i', 0, 0xF4, 0xFF, 0xFF}));

    // Closing asks about unsaved text; No leaves the file alone.
    EXPECT_TRUE(ed.CloseQuery(port));
    type("!");
    ed.Exit();
    port.cancelQuestion();  // Cancel keeps the program open
    EXPECT_FALSE(ed.CloseQuery(port));
    EXPECT_EQ(port.takeMessage().buttons, MsgButtons::YesNoCancel);
    EXPECT_FALSE(ed.CloseRequested);
    port.answerQuestion(false);
    EXPECT_TRUE(ed.CloseQuery(port));
    port.expectMessage("TEXT data not saved. Do you wish to save it?", "TEXT File Modified...", MsgIcon::Question,
                       MsgButtons::YesNo);
    EXPECT_EQ(readText(path).find("!"), std::string::npos);
    port.answerQuestion(false);  // and so does leaving the block
    ed.BlockListClick(port, 1);
    port.takeMessage();
}

TEST_F(TranslationCommands, SaveFailuresKeepFiles) {
    ed.SaveTextFile(port);
    port.expectMessage("\"00C20000.txt\" was saved successfully!");
    // A folder where the file would go: the failure is reported, not success.
    std::filesystem::remove(ed.TranslationPath);
    std::filesystem::create_directory(ed.TranslationPath);
    ed.SaveTextFile(port);
    port.expectMessage("Error: Could not open file for saving...");
    // A file that cannot be created: the failure is reported and the editor
    // still gets this block's sections. Text typed into them is not dropped
    // without a question, and saving it reports the failure.
    std::filesystem::create_directory(dir.file("Dumps/00C21000.txt"));
    ed.BlockListClick(port, 1);
    port.expectMessage("Error: Could not create file \"00C21000.txt\"...");
    EXPECT_EQ(ed.EditorText, newTranslationText(3));
    type("Kept");
    port.answerQuestion(true);
    ed.BlockListClick(port, 0);
    port.expectMessage("Current data not saved. Do you wish to save it?", "File Modified...", MsgIcon::Question,
                       MsgButtons::YesNo);
    port.expectMessage("Error: Could not open file for saving...");
    port.expectMessage("Error: Could not create file \"00C20000.txt\"...");  // a folder there, see above
}

TEST(TranslationEncoding, AnyTextEncodesAndDrawsWithinBounds) {
    // Random texts built from the characters the encoder looks at.
    const std::string alphabet = "[]$0aF9 \n.ENDSTRING1name\x80\xFF";
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    TextBoxRenderer r;
    ViewOptions view;
    for (int i = 0; i < 300; ++i) {
        std::string text = ".STRING 1\n";
        size_t n = next() % 400;
        for (size_t j = 0; j < n; ++j) text += alphabet[(next() >> 8) % alphabet.size()];
        auto m = findSection(text, next() % (text.size() + 2), 1);
        Bytes out = encodeSection(text, m ? m->line : 0);
        ASSERT_GE(out.size(), 2u);
        ASSERT_LE(out.size(), kTranslationBufferSize);
        ASSERT_EQ(Bytes(out.end() - 2, out.end()), kEnd);
        view.useVwf = i % 2;
        view.hideCodes = i % 3 == 0;
        r.DrawTextBox(Box::Lower, DecodeTranslation(Bytes(text.begin(), text.end())), GlyphSource{Box::Lower, {}},
                      1 + i % 20, i % 40, view);
    }
}
