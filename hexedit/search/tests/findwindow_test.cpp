#include <gtest/gtest.h>

#include "hexedit/search/tests/SearchFixture.h"

using namespace hexedit;
using namespace hexedit::search;
using namespace hexedit::search::testing;
using common::MsgIcon;

namespace {

const char* const kNotFound = "Sorry... The string was not found.";
const char* const kNotFoundTitle = "No string found...";
const char* const kNoText = "Error: No text entered to search for...";

}  // namespace

TEST(FindWindow, OpeningCommandsSetCaptionModeAndLayout) {
    SearchEnv e;
    e.load({});
    struct Case {
        void (FindWindow::*open)();
        const char* caption;
        int mode;
        bool grid;
        bool upper;
        size_t limit;
    };
    const Case cases[] = {
        {&FindWindow::TextSearch1Click, "Find: ASCII Text...", TextMode, false, false, 32},
        {&FindWindow::HexSearch1Click, "Find: HEX Search...", HexMode, false, true, 32},
        {&FindWindow::KanaSearch1Click, "Find: KANA Search...", KanaMode, true, false, 32},
        {&FindWindow::RelativeSearch1Click, "Find: Relative Search...", RelativeMode, false, false, 15},
    };
    for (const Case& c : cases) {
        e.find.state.MatchCount = 5;
        e.find.state.SearchPattern[3] = 9;
        e.inWindow(c.open, [&] {
            EXPECT_TRUE(e.find.isOpen());
            EXPECT_EQ(e.find.caption(), c.caption);
            EXPECT_EQ(e.find.state.SearchMode, c.mode);
            EXPECT_EQ(e.find.gridShown(), c.grid);
            EXPECT_EQ(e.find.upperCase(), c.upper);
            EXPECT_EQ(e.find.maxLength(), c.limit);
            EXPECT_EQ(e.find.state.MatchCount, 0);
            EXPECT_EQ(e.find.state.SearchPattern[3], 0);  // cleared on showing
        });
        EXPECT_FALSE(e.find.isOpen());
    }
    EXPECT_EQ(e.findView.execs, 4);
    EXPECT_EQ(e.find.maxLength(), 32u);
}

TEST(FindWindow, TextSearchStartsAfterTheCursorAndPlacesItOnTheMatch) {
    SearchEnv e;
    e.load(std::vector<uint8_t>(0x3000, '.'));
    e.put(0x100, "Hero");
    e.put(0x2345, "Hero");
    e.placeCursor(0x100);
    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        e.type("Hero");
        e.enter();
        EXPECT_TRUE(e.findView.closed);
    });
    EXPECT_EQ(e.view.CursorOffset, 0x2345);
    EXPECT_EQ(e.view.TopOffset, 0x2345 - 0x2345 % 16 - 4 * 16);  // row 0x234 mod 16 = 4
    EXPECT_EQ(e.find.state.FoundFlag, 1);
    EXPECT_EQ(e.find.state.PatternLength, 4);
    // The match is selected, the cursor on its first byte.
    const auto sel = selectedRange(e.view, 0x10000);
    ASSERT_TRUE(sel);
    EXPECT_EQ(sel->first, 0x2345);
    EXPECT_EQ(sel->last, 0x2348);
    EXPECT_EQ(e.find.input(), "");  // emptied on closing
    EXPECT_GE(e.session.host.repaints, 1);

    // From the last one there is nothing further.
    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        e.type("Hero");
        e.find.FindClick();
    });
    e.port.expectMessage(kNotFound, kNotFoundTitle, MsgIcon::Exclamation);
    EXPECT_EQ(e.view.CursorOffset, 0x2345);
    EXPECT_EQ(e.find.state.FoundFlag, 0);

    // From the beginning it finds the first one again.
    e.find.options.FindFromStart = true;
    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        e.type("Hero");
        e.enter();
    });
    EXPECT_EQ(e.view.CursorOffset, 0x100);
}

TEST(FindWindow, FromTheBeginningFindsAMatchAtOffsetZeroAndAtTheLastByte) {
    SearchEnv e;
    std::vector<uint8_t> file(70000, 0x11);
    file[0] = 'Q';
    file[69998] = 'Z';
    file[69999] = 'z';
    e.load(file);
    e.find.options.FindFromStart = true;
    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        e.type("Q");
        e.enter();
    });
    EXPECT_EQ(e.view.CursorOffset, 0);
    e.find.options.FindFromStart = false;
    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        e.type("Zz");
        e.enter();
    });
    EXPECT_EQ(e.view.CursorOffset, 69998);
}

TEST(FindWindow, ShortFilesAreSearchedIntoTheirZeroTail) {
    SearchEnv e;
    e.load({'a', 'b', 'c'});
    e.inWindow(&FindWindow::HexSearch1Click, [&] {
        e.type("0000");
        e.enter();
    });
    EXPECT_EQ(e.view.CursorOffset, 3);
    e.placeCursor(65533);
    e.find.SearchAgain1Click();  // 65534 is the last candidate of two bytes in 65535
    e.port.expectMessage(kNotFound, kNotFoundTitle, MsgIcon::Exclamation);
    e.placeCursor(65532);
    e.find.SearchAgain1Click();
    EXPECT_EQ(e.view.CursorOffset, 65533);
}

TEST(FindWindow, TextWithoutEntriesSearchesNothingAndSaysSo) {
    SearchEnv e;
    e.load(std::vector<uint8_t>(100, 0));
    e.table.clear();
    e.table.ByteTable[0x41] = "A";
    e.find.options.WildCrd = true;  // every key passes
    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        e.type("xyz");
        e.enter();
    });
    e.port.expectMessage(kNotFound, kNotFoundTitle, MsgIcon::Exclamation);
    EXPECT_EQ(e.find.state.PatternLength, 0);
    EXPECT_EQ(e.view.CursorOffset, 0);
}

TEST(FindWindow, EmptyInputIsAnErrorUnlessIncremental) {
    SearchEnv e;
    e.load({});
    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        e.find.FindClick();
        EXPECT_TRUE(e.findView.closed);
    });
    e.port.expectMessage(kNoText);
    e.find.options.IncFind = true;
    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        e.find.FindClick();
        EXPECT_FALSE(e.findView.closed);
    });
}

TEST(FindWindow, CaseFoldingAndWildcardsInTextSearch) {
    SearchEnv e;
    e.load(std::vector<uint8_t>(200, '.'));
    e.put(50, "dRaGoN");
    e.put(120, "DrXgon");
    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        e.type("dragon");
        e.enter();
    });
    e.port.expectMessage(kNotFound, kNotFoundTitle, MsgIcon::Exclamation);
    e.find.options.IgCase = true;
    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        e.type("dragon");
        e.enter();
    });
    EXPECT_EQ(e.view.CursorOffset, 50);
    e.find.options.WildCrd = true;
    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        e.type("dr*gon");
        e.enter();
    });
    EXPECT_EQ(e.view.CursorOffset, 120);
}

TEST(FindWindow, HexConversionErrorsAndTheWildcardPair) {
    SearchEnv e;
    e.load({0x00, 0xA1, 0x77, 0xA1, 0x05});
    e.inWindow(&FindWindow::HexSearch1Click, [&] {
        e.type("a");
        EXPECT_EQ(e.find.input(), "A");  // folded to upper case
        e.enter();
    });
    e.port.expectMessage("Hex string is missing one digit.", "Error in String.");
    EXPECT_EQ(e.find.state.PatternLength, 0);

    e.inWindow(&FindWindow::HexSearch1Click, [&] {
        e.type("A1**");  // without wildcards "*" is a plain key
        EXPECT_EQ(e.find.input(), "A1**");
        e.enter();
    });
    e.port.expectMessage("Wild Card not enabled...", "Error in String.");
    EXPECT_EQ(e.view.CursorOffset, 0);

    e.find.options.WildCrd = true;
    e.inWindow(&FindWindow::HexSearch1Click, [&] {
        e.type("A1*");  // one key gives the pair
        EXPECT_EQ(e.find.input(), "A1**");
        e.enter();
    });
    EXPECT_EQ(e.view.CursorOffset, 1);
    e.find.SearchAgain1Click();
    EXPECT_EQ(e.view.CursorOffset, 3);
}

TEST(FindWindow, IncrementalSearchExtendsTheMatchAtTheCursor) {
    SearchEnv e;
    e.load(std::vector<uint8_t>(300, '.'));
    e.put(10, "ax");
    e.put(20, "ab");
    e.put(30, "ab");
    e.find.options.IncFind = true;
    e.find.options.SaveFnd = true;
    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        e.find.optionClicked(Option::IncFind, true);  // unchecks saving finds
        EXPECT_FALSE(e.find.options.SaveFnd);
        EXPECT_EQ(e.findView.focus, 1);
        e.type("a");
        EXPECT_EQ(e.view.CursorOffset, 10);
        e.type("b");
        EXPECT_EQ(e.view.CursorOffset, 20);  // not 30: the search includes the cursor
        e.type("q");  // not found: no message while incremental
        EXPECT_EQ(e.view.CursorOffset, 20);
        e.enter();
        EXPECT_FALSE(e.findView.closed);
    });
    EXPECT_TRUE(e.port.messages().empty());
}

TEST(FindWindow, IncrementalHexWaitsForWholeBytes) {
    SearchEnv e;
    e.load({0x00, 0x00, 0x4F, 0x4E});
    e.find.options.IncFind = true;
    int before = 0;
    e.inWindow(&FindWindow::HexSearch1Click, [&] {
        e.type("4");
        EXPECT_EQ(e.find.state.PatternLength, 0);
        before = e.session.host.repaints;
        e.type("E");
        EXPECT_EQ(e.view.CursorOffset, 3);
        EXPECT_GT(e.session.host.repaints, before);
    });
}

TEST(FindWindow, SavedFindsAreCappedAt128) {
    SearchEnv e;
    std::vector<uint8_t> file(5000, 0);
    for (int i = 0; i < 500; ++i) file[i * 8 + 1] = 0x7E;
    e.load(file);
    e.find.options.SaveFnd = true;
    e.find.options.FindLimit = true;
    e.inWindow(&FindWindow::HexSearch1Click, [&] {
        e.type("7E");
        e.enter();
    });
    EXPECT_EQ(e.find.state.MatchCount, 128);
    ASSERT_EQ(e.list.lines().size(), 128u);
    EXPECT_EQ(e.list.lines()[0], "[$00000001]");
    EXPECT_EQ(e.list.lines()[127], "[$000003F9]");
    EXPECT_EQ(e.list.caption(), "Data List: 128 Match(es) Found!");
    EXPECT_TRUE(e.list.visible());
    EXPECT_EQ(e.view.CursorOffset, 0);  // saving finds does not move the cursor

    e.find.options.FindLimit = false;
    e.inWindow(&FindWindow::HexSearch1Click, [&] {
        e.type("7E");
        e.enter();
    });
    EXPECT_EQ(e.list.lines().size(), 500u);
    EXPECT_EQ(e.list.caption(), "Data List: 500 Match(es) Found!");
}

TEST(FindWindow, SearchAgainRepeatsShowsTheListOrComplains) {
    SearchEnv e;
    e.load(std::vector<uint8_t>(100, 0));
    e.put(5, "kk");
    e.put(40, "kk");
    e.find.SearchAgain1Click();
    e.port.expectMessage(kNoText);

    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        e.type("kk");
        e.enter();
    });
    EXPECT_EQ(e.view.CursorOffset, 5);
    const int repaints = e.session.host.repaints;
    e.find.SearchAgain1Click();
    EXPECT_EQ(e.find.state.SearchMode, RepeatMode);
    EXPECT_EQ(e.view.CursorOffset, 40);
    EXPECT_GT(e.session.host.repaints, repaints);
    e.find.SearchAgain1Click();
    e.port.expectMessage(kNotFound, kNotFoundTitle, MsgIcon::Exclamation);

    // Saving finds: the first repeat fills the list without showing it, the
    // next one shows it.
    e.placeCursor(0);
    e.find.options.SaveFnd = true;
    e.find.SearchAgain1Click();
    EXPECT_EQ(e.list.lines().size(), 2u);
    EXPECT_FALSE(e.list.visible());
    e.find.SearchAgain1Click();
    EXPECT_TRUE(e.list.visible());
    EXPECT_EQ(e.list.caption(), "Data List: 2 Match(es) Found!");
    EXPECT_EQ(e.listView.shows, 1);

    // Escape forgets the pattern.
    e.find.options.SaveFnd = false;
    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        e.type("kk");
        e.escape();
        EXPECT_TRUE(e.findView.closed);
    });
    EXPECT_EQ(e.find.state.PatternLength, 0);
    e.find.SearchAgain1Click();
    e.port.expectMessage(kNoText);
}

TEST(FindWindow, ThirtyTwoPairCharactersMakeASixtyFourBytePattern) {
    SearchEnv e;
    e.table.clear();
    e.table.PairTable[0x9001] = "m";
    std::vector<uint8_t> file(200, 0);
    for (int i = 0; i < 32; ++i) {
        file[100 + 2 * i] = 0x90;
        file[101 + 2 * i] = 0x01;
    }
    e.load(file);
    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        e.type(std::string(40, 'm'));  // the box takes 32
        EXPECT_EQ(e.find.input().size(), 32u);
        e.enter();
    });
    EXPECT_EQ(e.find.state.PatternLength, 64);
    EXPECT_EQ(e.view.CursorOffset, 100);
}

TEST(FindWindow, KeyFilterPerMode) {
    SearchEnv e;
    e.load({});
    e.table.clear();
    e.table.ByteTable[0x10] = "Hi";
    e.table.PairTable[0x1234] = "x";
    auto verdict = [&](uint8_t c) { return e.find.keyPress({search::Key::Char, c}).verdict; };
    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        EXPECT_EQ(verdict('H'), KeyResult::Pass);  // begins "Hi"
        EXPECT_EQ(verdict('x'), KeyResult::Pass);
        EXPECT_EQ(verdict('i'), KeyResult::Swallow);
        EXPECT_EQ(verdict(' '), KeyResult::Pass);
        EXPECT_EQ(verdict('.'), KeyResult::Pass);
        EXPECT_EQ(e.find.keyPress({search::Key::Backspace, 8}).verdict, KeyResult::Pass);
        e.find.optionClicked(Option::WildCrd, true);
        EXPECT_EQ(verdict('i'), KeyResult::Pass);
        EXPECT_EQ(verdict('*'), KeyResult::Swallow);  // not first
        e.port.expectMessage("Wild Card Character can't be used first!");
        e.type("x*");
        EXPECT_EQ(e.find.input(), "x*");  // a single "*" in text mode
        e.find.optionClicked(Option::WildCrd, false);
    });
    e.inWindow(&FindWindow::HexSearch1Click, [&] {
        auto r = e.find.keyPress({search::Key::Char, 'b'});
        EXPECT_EQ(r.verdict, KeyResult::Pass);
        EXPECT_EQ(r.ch, 'B');
        EXPECT_EQ(verdict('g'), KeyResult::Swallow);
        EXPECT_EQ(verdict('*'), KeyResult::Pass);
        EXPECT_EQ(verdict('.'), KeyResult::Pass);
        e.find.optionClicked(Option::WildCrd, true);
        auto g = e.find.keyPress({search::Key::Char, 'g'});
        EXPECT_EQ(g.verdict, KeyResult::Pass);
        EXPECT_EQ(g.ch, 'G');
        e.type("A1*");
        EXPECT_EQ(e.find.input(), "A1**");
        e.backspace();  // the pair goes as one
        EXPECT_EQ(e.find.input(), "A1");
        e.backspace();
        EXPECT_EQ(e.find.input(), "A");
        e.find.optionClicked(Option::WildCrd, false);
    });
    e.inWindow(&FindWindow::RelativeSearch1Click, [&] {
        EXPECT_EQ(verdict('q'), KeyResult::Pass);
        EXPECT_EQ(verdict('*'), KeyResult::Pass);
        EXPECT_FALSE(e.find.optionEnabled(Option::SaveFnd));
        EXPECT_FALSE(e.find.optionEnabled(Option::IncFind));
    });
    e.inWindow(&FindWindow::KanaSearch1Click, [&] {
        EXPECT_EQ(verdict('a'), KeyResult::Swallow);
        EXPECT_EQ(verdict('.'), KeyResult::Swallow);
        EXPECT_EQ(verdict('*'), KeyResult::Swallow);  // no wildcards
        EXPECT_EQ(e.find.keyPress({search::Key::Enter, 13}).verdict, KeyResult::Swallow);
        EXPECT_TRUE(e.find.isOpen());
        e.escape();
        EXPECT_TRUE(e.findView.closed);
    });
}

TEST(FindWindow, KanaGridClicksAndKanaSearch) {
    SearchEnv e;
    e.table.clear();
    e.table.ByteTable[0x31] = "\x82\xA0";   // hiragana a
    e.table.PairTable[0x0A0B] = "\x82\xA2"; // hiragana i
    e.load({0x00, 0x31, 0x55, 0x0A, 0x0B, 0x31, 0x66, 0x0A, 0x0B});
    e.find.options.WildCrd = true;
    e.inWindow(&FindWindow::KanaSearch1Click, [&] {
        e.find.kanaClassChosen(3);  // Hiragana: row 0 is 0x829F..
        EXPECT_EQ(e.findView.focus, 1);
        const int cell = KanaGrid::CellSize;
        e.find.gridClick(0 * cell + 3, 3);  // 0x829F has no entry: ignored
        EXPECT_EQ(e.find.input(), "");
        e.find.gridClick(1 * cell + 3, 3);  // 0x82A0
        e.type("*");
        e.find.gridClick(3 * cell + 3, 3);  // 0x82A2
        EXPECT_EQ(e.find.input(), "\x82\xA0**\x82\xA2");
        e.find.FindClick();
    });
    EXPECT_EQ(e.find.state.PatternLength, 4);
    EXPECT_EQ(e.view.CursorOffset, 1);
    e.find.SearchAgain1Click();
    EXPECT_EQ(e.view.CursorOffset, 5);

    // Fewer than 30 characters take a click; Backspace removes whole characters.
    e.inWindow(&FindWindow::KanaSearch1Click, [&] {
        e.find.kanaClassChosen(3);
        for (int i = 0; i < 20; ++i) e.find.gridClick(KanaGrid::CellSize + 1, 1);
        EXPECT_EQ(e.find.input().size(), 30u);
        e.backspace();
        EXPECT_EQ(e.find.input().size(), 28u);
        e.escape();
    });
}

TEST(FindWindow, OptionButtonsAndPersistence) {
    SearchEnv e;
    e.load({});
    e.inWindow(&FindWindow::RelativeSearch1Click, [&] {
        e.find.selectAllOptions();
        EXPECT_TRUE(e.find.options.IgCase);
        EXPECT_TRUE(e.find.options.FindLimit);
        EXPECT_FALSE(e.find.options.SaveFnd);  // disabled here
        EXPECT_FALSE(e.find.options.IncFind);
    });
    EXPECT_TRUE(e.find.options.WildCrd);  // kept between openings
    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        e.find.selectAllOptions();
        EXPECT_TRUE(e.find.options.IncFind);
        EXPECT_FALSE(e.find.options.SaveFnd);  // checking incremental search unchecks it
        e.find.removeAllOptions();
        for (Option o : allOptions()) EXPECT_FALSE(e.find.options[o]);
    });
}


TEST(FindWindow, PasteGoesThroughTheBoxLimits) {
    SearchEnv e;
    e.load({});
    e.port.clipboard = "ab12cd";
    e.inWindow(&FindWindow::HexSearch1Click, [&] {
        e.find.paste();
        EXPECT_EQ(e.find.input(), "AB12CD");
        EXPECT_EQ(e.find.caret(), 6u);
        e.escape();
    });
    e.port.clipboard = std::string(40, 'z');
    e.inWindow(&FindWindow::TextSearch1Click, [&] {
        e.find.paste();
        EXPECT_EQ(e.find.input().size(), 32u);
        e.escape();
    });
    e.port.clipboard = "\xE3\x81\x82*";  // U+3042 and "*" as UTF-8
    e.inWindow(&FindWindow::KanaSearch1Click, [&] {
        e.find.paste();
        EXPECT_EQ(e.find.input(), "\x82\xA0*");
        e.escape();
    });
}
