#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

#include "common/testing/ScriptedPort.h"
#include "hexedit/core/testing/TestSession.h"
#include "hexedit/tableedit/TableEditor.h"

using namespace hexedit;
using namespace hexedit::tableedit;
using common::MsgButtons;
using common::MsgIcon;

namespace {

// Runs `script` as the user's actions while the window is shown; a window
// the script leaves open is closed from the title bar.
struct FakeView : TableEditorView {
    TableEditor* editor = nullptr;
    std::function<void()> script;
    bool closed = false;
    int execs = 0, focus = 0;
    bool mainVisibleDuringExec = true;
    hexedit::testing::TestSession* session = nullptr;
    void execModal() override {
        ++execs;
        closed = false;
        mainVisibleDuringExec = session->host.mainWindowVisible;
        if (script) script();
        if (!closed) editor->closeRequested();
    }
    void closeWindow() override { closed = true; }
    void showModeless() override { ++modeless; }
    int modeless = 0;
    void refresh() override {}
    void focusEntry() override { ++focus; }
};

struct Env {
    common::testing::ScriptedPort port;
    hexedit::testing::TestSession session{port};
    TableData& table = session.tableData;
    TableEditor ed{session};
    FakeView view;
    std::filesystem::path dir;

    Env() {
        ed.setView(&view);
        view.editor = &ed;
        view.session = &session;
        dir = std::filesystem::temp_directory_path() / ("tableedit_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
    }
    ~Env() { std::filesystem::remove_all(dir); }

    std::string file(const std::string& name, const std::string& content) {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Types a line into the field and presses Enter.
    void enter(const std::string& text) {
        ed.entryEdited(text, text.size());
        ed.entryEnter();
    }
};

}  // namespace

TEST(TableEditor, EnterNumbersTheNextLine) {
    struct Case {
        const char* typed;
        bool reverse;
        const char* stored;
        const char* offered;
    };
    const Case cases[] = {
        {"8=A", false, "08=A", "09="},
        {"FF=x", false, "FF=x", "00="},
        {"00FF=x", false, "00FF=x", "0100="},
        {"0100=x", true, "0100=x", "0200="},
        {"FF00=x", true, "FF00=x", "0001="},
        {"FFFF=x", true, "FFFF=x", "0000="},
        {"8a=b", false, "8A=b", "8B="},
        {"abc=d=e", false, "0ABC=d=e", "0ABD="},
        {"FFFFFFFF=z", false, "FFFFFFFF=z", "00000000="},
        {"00FFFF=z", true, "00FFFF=z", "01FFFF="},
        {"\x83\x61=k", false, "\x83\x61=k", "01="},  // a two-byte character is not upper-cased
    };
    for (const Case& c : cases) {
        Env e;
        e.ed.ReverseIncrement = c.reverse;
        e.enter(c.typed);
        ASSERT_EQ(e.ed.lines().size(), 1u) << c.typed;
        EXPECT_EQ(e.ed.lines()[0], c.stored) << c.typed;
        EXPECT_EQ(e.ed.selection(), 0);
        EXPECT_EQ(e.ed.entry(), c.offered) << c.typed;
        EXPECT_EQ(e.ed.caret(), e.ed.entry().size());
    }
}

TEST(TableEditor, LinesWithoutEqualsKeepTheFieldAndTheNumbering) {
    Env e;
    e.ed.entryEnter();  // empty field
    EXPECT_TRUE(e.ed.lines().empty());
    e.enter("40=a");
    e.enter("*FF");
    EXPECT_EQ(e.ed.lines(), (std::vector<std::string>{"40=a", "*FF"}));
    EXPECT_EQ(e.ed.selection(), 1);
    EXPECT_EQ(e.ed.entry(), "*FF");
    EXPECT_EQ(e.ed.NextValue, 0x41u);
    EXPECT_EQ(e.ed.ValueDigits, 2);
    e.ed.entryEdited(e.ed.entry() + std::string(300, 'x'), 0);  // the field holds 256 characters
    EXPECT_EQ(e.ed.entry().size(), TableEditor::MaxEntryChars);
    e.ed.entryEdited("41=\r\nA\n", 6);  // and no line breaks
    EXPECT_EQ(e.ed.entry(), "41=A");
    EXPECT_EQ(e.ed.caret(), 4u);
}

TEST(TableEditor, ReverseIncrementCountsTheValueAsWrittenLowByteFirst) {
    // Property: the reverse step is the normal step of the byte-reversed value.
    auto swapBytes = [](uint32_t v, int n) {
        uint32_t r = 0;
        for (int k = 0; k < n; ++k) r |= ((v >> (8 * k)) & 0xFF) << (8 * (n - 1 - k));
        return r;
    };
    std::mt19937 rng(15);
    for (int digits : {2, 4, 6, 8}) {
        const uint32_t mask = digits == 8 ? 0xFFFFFFFFu : (1u << (4 * digits)) - 1;
        for (int i = 0; i < 2000; ++i) {
            uint32_t v = rng() & mask;
            if (i % 3 == 0) v |= mask & 0xFF00FF00u;  // runs of carries
            const int n = digits / 2;
            EXPECT_EQ(nextTableValue(v, digits, true), swapBytes(nextTableValue(swapBytes(v, n), digits, false), n));
        }
    }
}

TEST(TableEditor, GridClicksInsertValidCharactersUpToThirtyCharacters) {
    Env e;
    e.ed.grid.setPosition(0x8000);  // the first row holds no characters
    e.ed.entryEdited("12=", 2);
    e.ed.gridClick(5, 5);
    EXPECT_EQ(e.ed.entry(), "12\x81\x40=");  // at the caret
    EXPECT_EQ(e.ed.caret(), e.ed.entry().size());
    EXPECT_EQ(e.view.focus, 1);
    e.ed.grid.setPosition(0x8140);
    e.ed.gridMouseMove(5 * 24 + 1, 1);  // 8145, the middle dot itself
    e.ed.clickMeClick();
    EXPECT_EQ(e.ed.entry(), "12\x81\x40=\x81\x45");
    // 29 characters take one more; 30 take none.
    e.ed.entryEdited(std::string(28, 'a') + "\x82\xA0", 30);
    e.ed.gridClick(24 + 1, 1);
    EXPECT_EQ(e.ed.entry(), std::string(28, 'a') + "\x82\xA0\x81\x41");
    e.ed.gridClick(24 + 1, 1);
    EXPECT_EQ(e.ed.entry().size(), 32u);
    e.ed.gridClick(CharGrid::Width, 1);  // off the grid
    EXPECT_EQ(e.view.focus, 4);
}

TEST(TableEditor, BackspaceRemovesWholeCharacters) {
    struct Case {
        std::string text;
        size_t caret;
        std::string after;
    };
    const Case cases[] = {
        {"08=\x82\xA0", 5, "08="},
        {"\x82\xA0\x82\xA2", 2, "\x82\xA2"},
        {"\xB1" "B", 2, "\xB1"},  // a half-width kana byte before a letter
        {"AB", 0, "AB"},
        {"\x82", 1, ""},  // a lone lead byte
    };
    for (const Case& c : cases) {
        Env e;
        e.ed.entryEdited(c.text, c.caret);
        e.ed.entryBackspace();
        EXPECT_EQ(e.ed.entry(), c.after);
    }
}

TEST(TableEditor, ListOperations) {
    Env e;
    e.ed.setLines({"00=a", "01=b", "02=c"});
    e.ed.select(1);
    e.ed.listActivate();
    EXPECT_EQ(e.ed.entry(), "01=b");
    e.ed.listDelete();
    EXPECT_EQ(e.ed.lines(), (std::vector<std::string>{"00=a", "02=c"}));
    EXPECT_EQ(e.ed.selection(), 1);  // on the line that moved up
    e.ed.listDelete();               // the last line
    EXPECT_EQ(e.ed.selection(), 0);
    e.ed.listDelete();
    EXPECT_FALSE(e.ed.selection());

    e.ed.setLines({"00=a", "01=b", "02=c"});
    e.ed.listDrag(0, 2);
    EXPECT_EQ(e.ed.lines(), (std::vector<std::string>{"02=c", "01=b", "00=a"}));
    EXPECT_EQ(e.ed.selection(), 2);

    // Right click: asks only with a text in the field.
    e.ed.entryEdited("", 0);
    e.ed.listRightClick(1);
    e.ed.entryEdited("05=z", 0);
    e.port.answerQuestion(false);
    e.ed.listRightClick(1);
    e.port.expectMessage("Place the table value here?", "Table Editor", MsgIcon::Question, MsgButtons::YesNo);
    e.port.answerQuestion(true);
    e.ed.listRightClick(1);
    e.port.expectMessage("Place the table value here?", "Table Editor", MsgIcon::Question, MsgButtons::YesNo);
    EXPECT_EQ(e.ed.lines(), (std::vector<std::string>{"02=c", "05=z", "00=a"}));
    EXPECT_EQ(e.ed.caret(), 4u);
}

TEST(TableEditor, SortPutsEntriesFirstAndKeepsDirectivesInOrder) {
    Env e;
    e.ed.setLines({"/00", "8b=x", "(1234h)Intro", "0A=y", "8A=z", "*FF", "01=q"});
    e.ed.select(4);  // 8A=z
    e.ed.SortTableList1Click();
    EXPECT_EQ(e.ed.lines(),
              (std::vector<std::string>{"01=q", "0A=y", "8A=z", "8b=x", "/00", "(1234h)Intro", "*FF"}));
    EXPECT_EQ(e.ed.selection(), 2);  // the same line
    // Directive lines hold "=" too, and a dump text's continuation lines
    // may look like entries: all of them stay with their directive.
    e.ed.setLines({"; comment a=b", ".startdump=\"Head\",", "\"A=B\",", "\"End\"", "02=r", ".code=$F0 \"<F0>\"",
                   ".nontbl=\"($)\"", "01=s"});
    e.ed.SortTableList1Click();
    EXPECT_EQ(e.ed.lines(), (std::vector<std::string>{"01=s", "02=r", "; comment a=b", ".startdump=\"Head\",",
                                                      "\"A=B\",", "\"End\"", ".code=$F0 \"<F0>\"",
                                                      ".nontbl=\"($)\""}));
}

TEST(TableEditor, SaveWritesTheLinesAsShown) {
    Env e;
    const std::vector<std::string> lines = {"8A=\x82\xA0", "", ".nontbl=\"($)\"", "01=b"};
    e.ed.setLines(lines);
    // No: nothing is written.
    e.port.answerQuestion(false);
    e.ed.SaveTableFile1Click();
    e.port.expectMessage("Save Table Data", "Save File", MsgIcon::Question, MsgButtons::YesNo);
    EXPECT_TRUE(e.port.saveRequests.empty());
    // A new table asks for its name; cancelling saves nothing.
    e.port.answerQuestion(true);
    e.port.answerSave(std::nullopt);
    e.ed.SaveTableFile1Click();
    e.port.expectMessage("Save Table Data", "Save File", MsgIcon::Question, MsgButtons::YesNo);
    e.port.expectMessage("No file selected...");
    ASSERT_EQ(e.port.saveRequests.size(), 1u);
    EXPECT_EQ(e.port.saveRequests[0].defaultExtension, "tbl");
    EXPECT_EQ(e.port.saveRequests[0].filter, "TBL files (*.tbl)|*.tbl");
    EXPECT_EQ(e.ed.TableEditorFile, "");

    const std::string path = (e.dir / "new.tbl").string();
    e.port.answerQuestion(true);
    e.port.answerSave(path);
    e.ed.SaveTableFile1Click();
    e.port.expectMessage("Save Table Data", "Save File", MsgIcon::Question, MsgButtons::YesNo);
    EXPECT_EQ(Env::read(path), "8A=\x82\xA0\r\n\r\n.nontbl=\"($)\"\r\n01=b\r\n");
    EXPECT_EQ(e.ed.TableEditorFile, path);
    EXPECT_EQ(e.ed.caption(), "Table Editor [new.tbl]");
    EXPECT_EQ(splitLines(Env::read(path)), lines);  // reads back the same

    // A file that cannot be created: the old one stays.
    e.ed.TableEditorFile = (e.dir / "no" / "such" / "x.tbl").string();
    e.port.answerQuestion(true);
    e.ed.SaveTableFile1Click();
    e.port.expectMessage("Save Table Data", "Save File", MsgIcon::Question, MsgButtons::YesNo);
    e.port.expectMessage("Could not open the Table File...");
}

TEST(TableEditor, AnyFileSplitsIntoLinesThatJoinBackToIt) {
    // Property over random bytes: the lines joined with LF give the text
    // back, less the CR of each CR LF (or of a last line cut short after it)
    // and a final line end.
    std::mt19937 rng(3);
    for (int i = 0; i < 500; ++i) {
        std::string text(rng() % 64, '\0');
        for (char& c : text) c = "ab\r\n\x82\0"[rng() % 6];
        std::string joined;
        for (const std::string& l : splitLines(text)) joined += l + "\n";
        std::string expected;
        for (size_t k = 0; k < text.size(); ++k) {
            if (text[k] == '\r' && k + 1 == text.size()) expected += '\n';
            else if (!(text[k] == '\r' && text[k + 1] == '\n')) expected += text[k];
        }
        if (!expected.empty() && expected.back() != '\n') expected += '\n';
        EXPECT_EQ(joined, expected);
    }
}

TEST(TableEditor, OpenReplacesTheList) {
    Env e;
    e.ed.setLines({"00=a"});
    e.port.answerOpen((e.dir / "missing.tbl").string());
    e.ed.OpenTableFile1Click();
    EXPECT_EQ(e.ed.lines(), std::vector<std::string>{"00=a"});
    EXPECT_EQ(e.port.openRequests.at(0).filter, "Tbl files (*.tbl)|*.TBL");
    const std::string path = e.file("game.tbl", "41=A\r\n/00\n\r\n42=B");
    e.port.answerOpen(path);
    e.ed.OpenTableFile1Click();
    EXPECT_EQ(e.ed.lines(), (std::vector<std::string>{"41=A", "/00", "", "42=B"}));
    EXPECT_EQ(e.ed.TableEditorFile, path);
    EXPECT_EQ(e.ed.caption(), "Table Editor [game.tbl]");
}

TEST(TableEditor, EditorModeLoadsTheCurrentTableAndReloadsIt) {
    Env e;
    const std::string path = e.file("cur.tbl", "41=A\r\n42=B\r\n");
    e.table.TablePaths[0] = path;
    e.table.TableSlot = 0;
    e.view.script = [&] {
        EXPECT_EQ(e.ed.lines(), (std::vector<std::string>{"41=A", "42=B"}));
        EXPECT_EQ(e.ed.caption(), "Table Editor [cur.tbl]");
        EXPECT_EQ(e.ed.Mode, EditorMode);
    };
    e.session.commands().run("TableEdit1Click");
    EXPECT_EQ(e.view.execs, 1);
    EXPECT_FALSE(e.view.mainVisibleDuringExec);
    EXPECT_TRUE(e.session.host.mainWindowVisible);
    EXPECT_EQ(e.session.tablesChanged, std::vector<std::string>{path});  // reloaded

    // The built-in table: its lines, shifted by CharShift, and no file name.
    e.table.TableSlot = 2;
    e.table.CharShift = 0xF0;
    e.view.script = [&] {
        ASSERT_EQ(e.ed.lines().size(), 95u);
        EXPECT_EQ(e.ed.lines().front(), "10= ");
        EXPECT_EQ(e.ed.lines()[0x41 - 32], "31=A");
        EXPECT_EQ(e.ed.lines().back(), "6E=~");
        EXPECT_EQ(e.ed.TableEditorFile, "");
    };
    e.session.commands().run("TableEdit1Click");
    EXPECT_EQ(e.session.tablesChanged.size(), 1u);
}

TEST(TableEditor, MakerStartsEmptyAndClosingOffersTheSavedFile) {
    Env e;
    e.table.TablePaths[1] = "/old/one.tbl";
    e.table.TableSlot = 1;
    const std::string saved = (e.dir / "made.tbl").string();
    e.ed.setLines({"00=x"});
    e.ed.TableEditorFile = "/some/file.tbl";
    e.view.script = [&] {
        EXPECT_TRUE(e.ed.lines().empty());
        EXPECT_EQ(e.ed.caption(), "Table Editor []");
        EXPECT_EQ(e.ed.Mode, MakerMode);
        e.enter("8=A");
        e.port.answerQuestion(true);
        e.port.answerSave(saved);
        e.ed.SaveTableFile1Click();
        e.port.expectMessage("Save Table Data", "Save File", MsgIcon::Question, MsgButtons::YesNo);
        e.port.answerQuestion(true);
        e.ed.Exit1Click();
    };
    e.session.commands().run("TableMaker1Click");
    e.port.expectMessage("Would you like to replace\n \"/old/one.tbl\"\nwith this file\n \"" + saved + "\"?\n",
                         "Table Editor", MsgIcon::Question, MsgButtons::YesNo);
    EXPECT_EQ(e.session.tablesChanged, std::vector<std::string>{saved});  // used, not reloaded
    EXPECT_EQ(e.table.TablePaths[1], saved);
    EXPECT_EQ(Env::read(saved), "08=A\r\n");
    EXPECT_FALSE(e.view.mainVisibleDuringExec);
    EXPECT_TRUE(e.session.host.mainWindowVisible);

    // The same file as the slot's, or No: no change.
    e.view.script = [&] { e.ed.TableEditorFile = saved; };
    e.session.commands().run("TableMaker1Click");
    e.view.script = [&] { e.ed.TableEditorFile = "/x.tbl"; };
    e.port.answerQuestion(false);
    e.session.commands().run("TableMaker1Click");
    e.port.takeMessage();
    EXPECT_EQ(e.session.tablesChanged.size(), 1u);
    EXPECT_EQ(e.ed.Mode, MakerMode);
}

TEST(TableEditor, BesideTheTileEditorItDoesNotBlockAndTheMakerKeepsTheFile) {
    Env e;
    const std::string path = e.file("cur.tbl", "41=A\r\n");
    e.table.TablePaths[0] = path;
    e.table.TableSlot = 0;
    e.session.setMainWindowVisible(false);  // the tile window stands in for it

    e.ed.openBeside(EditorMode);
    EXPECT_EQ(e.view.modeless, 1);
    EXPECT_EQ(e.view.execs, 0);
    EXPECT_TRUE(e.ed.isOpen());
    EXPECT_EQ(e.ed.lines(), std::vector<std::string>{"41=A"});
    EXPECT_EQ(e.ed.TableEditorFile, path);
    e.ed.openBeside(MakerMode);  // already up: raised, not reset
    EXPECT_EQ(e.view.modeless, 2);
    EXPECT_EQ(e.ed.Mode, EditorMode);
    EXPECT_TRUE(e.session.tablesChanged.empty());
    e.ed.Exit1Click();
    EXPECT_TRUE(e.view.closed);
    EXPECT_FALSE(e.ed.isOpen());
    EXPECT_EQ(e.session.tablesChanged.size(), 1u);  // reloaded

    e.ed.openBeside(MakerMode);
    EXPECT_TRUE(e.ed.lines().empty());
    EXPECT_EQ(e.ed.TableEditorFile, path);
    EXPECT_EQ(e.ed.caption(), "Table Editor [cur.tbl]");
    e.ed.Exit1Click();
    EXPECT_EQ(e.ed.Mode, MakerMode);
    EXPECT_EQ(e.session.tablesChanged.size(), 1u);
    EXPECT_FALSE(e.session.host.mainWindowVisible);
}

TEST(TableEditor, TableFromARelativeSearchHit) {
    const auto lines = tableFromHit(0xE1);
    EXPECT_EQ(lines.size(), 95u);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "E1=A"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "01=a"), lines.end());
    for (const std::string& l : lines) {
        ASSERT_EQ(l.size(), 4u);
        const auto c = static_cast<unsigned char>(l[3]);
        EXPECT_TRUE(c >= 32 && c <= 126);
        EXPECT_EQ((std::stoi(l.substr(0, 2), nullptr, 16) - 0xE1 + 0x41 + 256) % 256, c);
    }

    Env e;
    e.ed.TableEditorFile = "/last/edited.tbl";
    e.view.script = [&] {
        EXPECT_EQ(e.ed.Mode, PreparedMode);
        EXPECT_EQ(e.ed.lines(), lines);
        EXPECT_EQ(e.ed.selection(), 0);
        EXPECT_EQ(e.ed.TableEditorFile, "");
    };
    e.ed.createFromHit(0xE1);
    EXPECT_EQ(e.view.execs, 1);
    EXPECT_TRUE(e.view.mainVisibleDuringExec);
}

TEST(TableEditor, Utf8TablesKeepTheirEncodingAndMark) {
    Env e;
    const std::string path = e.file("utf8.tbl", "\xEF\xBB\xBF" "41=\xC3\xA9\r\nF00102=\xE7\xAB\x9C\r\n");
    e.port.answerOpen(path);
    e.ed.OpenTableFile1Click();
    EXPECT_TRUE(e.ed.utf8());
    EXPECT_EQ(e.ed.lines(), (std::vector<std::string>{"41=\xC3\xA9", "F00102=\xE7\xAB\x9C"}));
    EXPECT_EQ(e.ed.toDisplay(e.ed.lines()[1]), u"F00102=\u7adc");
    EXPECT_EQ(e.ed.fromDisplay(u"\u7adc"), std::optional<std::string>("\xE7\xAB\x9C"));
    // Whole characters: Backspace, the field's limit, the grid's kana in UTF-8.
    e.ed.entryEdited("f10203=\xE7\xAB\x9C", 10);
    e.ed.entryBackspace();
    EXPECT_EQ(e.ed.entry(), "f10203=");
    e.ed.grid.setPosition(0x82A0);
    e.ed.gridClick(1, 1);  // hiragana a
    EXPECT_EQ(e.ed.entry(), "f10203=\xE3\x81\x82");
    e.ed.entryEnter();
    EXPECT_EQ(e.ed.lines().back(), "F10203=\xE3\x81\x82");
    EXPECT_EQ(e.ed.entry(), "F10204=");
    // Saved with its byte-order mark.
    e.port.answerQuestion(true);
    e.ed.SaveTableFile1Click();
    e.port.expectMessage("Save Table Data", "Save File", MsgIcon::Question, MsgButtons::YesNo);
    EXPECT_EQ(Env::read(path), "\xEF\xBB\xBF" "41=\xC3\xA9\r\nF00102=\xE7\xAB\x9C\r\nF10203=\xE3\x81\x82\r\n");
    // A legacy file stays Shift-JIS.
    e.port.answerOpen(e.file("sjis.tbl", "41=\x82\xA0\n"));
    e.ed.OpenTableFile1Click();
    EXPECT_FALSE(e.ed.utf8());
    EXPECT_EQ(e.ed.toDisplay(e.ed.lines()[0]), u"41=\u3042");
}

// A new table follows the main view's table: UTF-8 text after a UTF-8 one.
TEST(TableEditor, NewTablesTakeTheEncodingOfTheCurrentTable) {
    for (const TableEncoding encoding : {TableEncoding::Utf8, TableEncoding::Legacy}) {
        Env e;
        e.table.Encoding = encoding;
        e.table.TableSlot = 2;  // closing asks nothing
        const std::string saved = (e.dir / "made.tbl").string();
        e.view.script = [&] {
            e.ed.entryEdited("10=", 3);
            e.ed.grid.setPosition(0x82A0);
            e.ed.gridClick(1, 1);  // hiragana a
            e.ed.entryEnter();
            e.port.answerQuestion(true);
            e.port.answerSave(saved);
            e.ed.SaveTableFile1Click();
            e.port.takeMessage();
        };
        e.session.commands().run("TableMaker1Click");
        EXPECT_EQ(Env::read(saved), encoding == TableEncoding::Utf8 ? "10=\xE3\x81\x82\r\n" : "10=\x82\xA0\r\n");
        e.ed.openBeside(MakerMode);
        EXPECT_EQ(e.ed.utf8(), encoding == TableEncoding::Utf8);
        e.ed.Exit1Click();
        e.ed.createFromHit(0x41);
        EXPECT_EQ(e.ed.utf8(), encoding == TableEncoding::Utf8);
    }
}
