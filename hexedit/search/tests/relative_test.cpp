#include <gtest/gtest.h>

#include <random>

#include "hexedit/search/tests/SearchFixture.h"

using namespace hexedit;
using namespace hexedit::search;
using namespace hexedit::search::testing;
using common::MsgIcon;

namespace {

const char* const kWarning = "Warning: Finding this pattern may take a while.\nDo you still wish to continue?";

// The relative search as first described: 256 candidates, each probed and
// then listed with the window's own scan.
std::vector<std::string> candidateByCandidate(SearchEnv& e, const std::string& word) {
    FindWindow& f = e.find;
    f.state.MatchCount = 0;
    e.list.clear();
    const ViewState saved = e.view;
    const int len = static_cast<int>(word.size());
    f.state.PatternLength = len;
    auto restore = [&] {
        e.view.TopOffset = saved.TopOffset;
        e.view.CursorRow = saved.CursorRow;
        e.view.CursorColumn = saved.CursorColumn;
        e.view.CursorOffset = saved.CursorOffset;
    };
    for (int v = 0; v < 256; ++v) {
        for (int k = 0; k < len; ++k)
            f.state.SearchPattern[k] = static_cast<uint8_t>(v + static_cast<uint8_t>(word[k]) - static_cast<uint8_t>(word[0]));
        f.state.ContinueFlag = 0;
        f.scan();
        restore();
        if (f.state.FoundFlag) {
            f.state.ContinueFlag = 0;
            f.scan();
            while (f.state.FoundFlag && (!f.options.FindLimit || f.state.MatchCount < 128)) {
                f.state.ContinueFlag = 1;
                char line[80];
                const int t0 = static_cast<uint8_t>(word[0]);
                std::snprintf(line, sizeof line, "[$%08X] %-15s | A=%02X a=%02X 0=%02X", e.view.CursorOffset,
                              word.c_str(), (0x41 - t0 + v) & 0xFF, (0x61 - t0 + v) & 0xFF, (0x30 - t0 + v) & 0xFF);
                e.list.append(line);
                ++f.state.MatchCount;
                f.scan();
            }
        }
        restore();
    }
    return e.list.lines();
}

}  // namespace

TEST(RelativeSearch, TheBatExample) {
    SearchEnv e;
    std::vector<uint8_t> file(1000, 0xEE);
    file[0x321] = 0x02;
    file[0x322] = 0x01;
    file[0x323] = 0x14;
    e.load(file);
    e.placeCursor(0x10);
    const ViewState before = e.view;
    e.inWindow(&FindWindow::RelativeSearch1Click, [&] {
        e.type("bat");
        e.enter();
        EXPECT_TRUE(e.findView.closed);
    });
    ASSERT_EQ(e.list.lines().size(), 1u);
    EXPECT_EQ(e.list.lines()[0], "[$00000321] bat             | A=E1 a=01 0=D0");
    EXPECT_EQ(e.find.state.MatchCount, 1);
    EXPECT_EQ(e.list.caption(), "Data List: 1 Match(es) Found!");
    EXPECT_TRUE(e.list.visible());
    // The cursor and the view are where they were.
    EXPECT_EQ(e.view.CursorOffset, before.CursorOffset);
    EXPECT_EQ(e.view.TopOffset, before.TopOffset);
    EXPECT_EQ(e.view.CursorRow, before.CursorRow);
    EXPECT_EQ(e.view.CursorColumn, before.CursorColumn);
    // Progress once per candidate, the busy runner told at least as often.
    EXPECT_EQ(e.findView.progress, 256);
    EXPECT_GE(e.session.host.progressReports.size(), 256u);
    EXPECT_EQ(e.find.input(), "");
    EXPECT_FALSE(e.find.progress().has_value());
}

TEST(RelativeSearch, NothingFoundAndTheWarningForRepeatedLetters) {
    SearchEnv e;
    e.load(std::vector<uint8_t>(500, 0));
    e.find.options.SaveFnd = true;
    e.inWindow(&FindWindow::RelativeSearch1Click, [&] {
        EXPECT_FALSE(e.find.options.SaveFnd);
        e.type("xyz");
        e.enter();
    });
    e.port.expectMessage("Sorry... The string was not found.", "No string found...", MsgIcon::Exclamation);
    EXPECT_TRUE(e.find.options.SaveFnd);  // given back
    EXPECT_TRUE(e.find.optionEnabled(Option::SaveFnd));
    EXPECT_EQ(e.find.maxLength(), 32u);

    // No: nothing listed, no message.
    e.port.answerQuestion(false);
    e.inWindow(&FindWindow::RelativeSearch1Click, [&] {
        e.type("q");
        e.enter();
    });
    e.port.expectMessage(kWarning, "Relative Search Warning...", MsgIcon::Exclamation, common::MsgButtons::YesNo);
    EXPECT_TRUE(e.list.lines().empty());
    EXPECT_EQ(e.session.host.progressReports.size(), 256u);  // only the first search ran

    // Yes, with the limit: 128 lines at most.
    e.find.options.FindLimit = true;
    e.port.answerQuestion(true);
    e.inWindow(&FindWindow::RelativeSearch1Click, [&] {
        e.type("zz");
        e.enter();
    });
    e.port.expectMessage(kWarning, "Relative Search Warning...", MsgIcon::Exclamation, common::MsgButtons::YesNo);
    ASSERT_EQ(e.list.lines().size(), 128u);
    EXPECT_EQ(e.list.lines()[0], "[$00000001] zz              | A=C7 a=E7 0=B6");
    EXPECT_EQ(e.list.caption(), "Data List: 128 Match(es) Found!");
}

TEST(RelativeSearch, ListsWhatTheCandidateByCandidateSearchLists) {
    std::mt19937 rng(5);
    const char* words[] = {"bat", "Hero", "ab", "ba*", "*ab", "aZ", "Aa", "cab", "ddx"};
    for (int round = 0; round < 60; ++round) {
        SearchEnv e;
        std::vector<uint8_t> file(70000);
        // Letters in a few encodings, wildcard bytes and case pairs.
        for (auto& b : file) b = static_cast<uint8_t>((rng() % 6) + (rng() % 3 == 0 ? 0x28 : 0x41 + (rng() & 1) * 0x20));
        e.load(file);
        e.find.options.IgCase = (round & 1) != 0;
        e.find.options.WildCrd = (round & 2) != 0;
        e.find.options.FindFromStart = (round & 4) != 0;
        e.find.options.FindLimit = (round & 8) != 0;
        const std::string word = words[round % std::size(words)];
        e.placeCursor(static_cast<int32_t>(rng() % 60000));
        const ViewState before = e.view;

        e.inWindow(&FindWindow::RelativeSearch1Click, [&] {
            e.find.inputEdited(word, word.size());  // as pasted: "*" may come first
            e.enter();
        });
        if (e.find.state.MatchCount == 0) e.port.clearMessages();
        const std::vector<std::string> fast = e.list.lines();
        const auto fastPattern = e.find.state.SearchPattern;
        const auto fastFound = e.find.state.FoundFlag;
        EXPECT_EQ(e.view.CursorOffset, before.CursorOffset);
        EXPECT_EQ(e.view.TopOffset, before.TopOffset);

        e.find.state.SearchMode = RelativeMode;
        const std::vector<std::string> slow = candidateByCandidate(e, word);
        ASSERT_EQ(fast, slow) << "round " << round << " word " << word;
        EXPECT_EQ(fastPattern, e.find.state.SearchPattern);
        EXPECT_EQ(fastFound, e.find.state.FoundFlag) << "round " << round;
        EXPECT_EQ(e.view.CursorOffset, before.CursorOffset);
    }
}

TEST(RelativeSearch, ProgressTextPerStep) {
    SearchEnv e;
    e.load({});
    std::vector<std::string> texts;
    struct Recorder : FakeFindView {
        std::vector<std::string>* texts;
        void progressChanged() override {
            ++progress;
            texts->push_back(window->input());
        }
    } view;
    view.texts = &texts;
    view.window = &e.find;
    e.find.setView(&view);
    view.script = [&] {
        e.type("dog");
        e.enter();
    };
    e.find.RelativeSearch1Click();
    e.port.expectMessage("Sorry... The string was not found.", "No string found...", MsgIcon::Exclamation);
    ASSERT_EQ(texts.size(), 256u);
    EXPECT_EQ(texts[0], "Searching %000");
    EXPECT_EQ(texts[127], "Searching %050");
    EXPECT_EQ(texts[255], "Searching %100");
}

// Progress reaches the busy runner at every step and at least once per
// megabyte scanned, so events run and the search can be cancelled.
TEST(RelativeSearch, StaysResponsive) {
    SearchEnv e;
    std::vector<uint8_t> file(size_t{4} << 20);
    std::mt19937 rng(3);
    for (auto& b : file) b = static_cast<uint8_t>(rng());
    e.load(std::move(file));
    e.find.options.IgCase = e.find.options.WildCrd = true;
    e.inWindow(&FindWindow::RelativeSearch1Click, [&] {
        e.find.inputEdited("knight", 6);
        e.find.FindClick();
    });
    e.port.clearMessages();
    const auto& done = e.session.host.progressReports;
    ASSERT_GE(done.size(), 256u);
    for (size_t i = 1; i < done.size(); ++i) EXPECT_LE(done[i] - done[i - 1], uint64_t{1} << 20);
    EXPECT_GE(done.back() + (uint64_t{1} << 20), e.editor.BufferSize);
}

TEST(RelativeSearch, CancelledByEscapeStopsTheScan) {
    SearchEnv e;
    e.load(std::vector<uint8_t>(200000, 0x41));
    int reports = 0;
    struct CancellingView : FakeFindView {
        std::function<void()> onProgress;
        void progressChanged() override {
            ++progress;
            onProgress();
        }
    } view;
    view.window = &e.find;
    view.onProgress = [&] {
        if (++reports == 10) e.find.keyPress({search::Key::Escape, 27});
    };
    e.find.setView(&view);
    view.script = [&] {
        e.type("bat");
        e.enter();
    };
    e.find.RelativeSearch1Click();
    EXPECT_EQ(view.progress, 10);  // no step after the cancel
    EXPECT_FALSE(e.find.busy());
    e.port.clearMessages();
}
