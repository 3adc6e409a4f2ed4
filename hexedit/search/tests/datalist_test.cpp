#include <gtest/gtest.h>

#include <filesystem>

#include "common/fileio.h"
#include "hexedit/search/tests/SearchFixture.h"

using namespace hexedit;
using namespace hexedit::search;
using namespace hexedit::search::testing;

namespace {
// Records what the list asks of the dumper and the table editor.
struct Requests : DataListDumps, DataListTables {
    std::vector<std::string> single;
    std::vector<std::vector<std::string>> multi;
    int cleared = 0;
    std::vector<int> codes;
    std::function<void()> onCreate;
    void dumpLine(const std::string& l) override { single.push_back(l); }
    void dumpLines(const std::vector<std::string>& l) override { multi.push_back(l); }
    void clearDumpBoxes() override { ++cleared; }
    void createTable(uint8_t a) override {
        if (onCreate) onCreate();
        codes.push_back(a);
    }
};
}  // namespace

TEST(DataList, JumpsToASearchResultAndStaysOpen) {
    SearchEnv e;
    e.load(std::vector<uint8_t>(0x30000, 0));
    e.list.append("[$00001234]");
    e.list.append("[$00020010] bat             | A=E1 a=01 0=D0");
    e.list.append("[$7FFFFFFF]");  // past this buffer
    e.list.show();
    EXPECT_EQ(e.list.selection(), std::vector<int>{0});
    e.list.activate();
    EXPECT_EQ(e.view.CursorOffset, 0x1234);
    EXPECT_EQ(e.view.TopOffset, 0x1200);
    EXPECT_EQ(e.session.host.repaints, 1);
    EXPECT_EQ(e.listView.closes, 0);
    EXPECT_TRUE(e.list.visible());
    e.list.setSelection({1});
    e.list.activate();
    EXPECT_EQ(e.view.CursorOffset, 0x20010);
    e.list.setSelection({2});
    e.list.activate();
    EXPECT_EQ(e.view.CursorOffset, 0x20010);
    EXPECT_EQ(e.session.host.repaints, 2);
    // Search lines hold no "-": the bookmark jumps do nothing.
    e.list.setSelection({0});
    e.list.jumpToStartingOffset();
    e.list.jumpToEndingOffset();
    EXPECT_EQ(e.view.CursorOffset, 0x20010);
    EXPECT_TRUE(e.list.visible());
    // With the matches' length known, a jump selects the match.
    e.list.MatchLength = 3;
    e.list.activate();
    const auto sel = selectedRange(e.view, 0x30000);
    ASSERT_TRUE(sel);
    EXPECT_EQ(sel->first, 0x1234);
    EXPECT_EQ(sel->last, 0x1236);
}

TEST(DataList, BookmarkJumpsCloseTheWindow) {
    SearchEnv e;
    e.load(std::vector<uint8_t>(0x30000, 0));
    Requests r;
    e.list.setDumps(&r);
    e.list.append("[00000100-00000180]Intro text");
    e.list.show();
    e.list.jumpToEndingOffset();
    EXPECT_EQ(e.view.CursorOffset, 0x180);
    EXPECT_FALSE(e.list.visible());
    EXPECT_EQ(e.listView.closes, 1);
    EXPECT_EQ(r.cleared, 1);
    e.list.show();
    e.list.jumpToStartingOffset();
    EXPECT_EQ(e.view.CursorOffset, 0x100);
    EXPECT_EQ(e.session.host.repaints, 2);
}

TEST(DataList, DumpListsComeFromTheTableAndGoToTheDumper) {
    SearchEnv e;
    e.load({});
    e.table.DumpMarks = {"[00000000-00000010]a", "[00000020-00000030]b", "[00000040-00000050]c"};
    Requests r;
    e.list.setDumps(&r);
    const auto& single = r.single;
    const auto& multi = r.multi;
    e.list.append("[$00000001]");
    e.list.ListMode = TextDumpList;
    e.list.show();
    EXPECT_EQ(e.list.lines(), e.table.DumpMarks);
    EXPECT_TRUE(e.list.selection().empty());
    e.list.setSelection({2, 0});
    e.list.activate();
    ASSERT_EQ(multi.size(), 1u);
    EXPECT_EQ(multi[0], (std::vector<std::string>{"[00000000-00000010]a", "[00000040-00000050]c"}));
    EXPECT_FALSE(e.list.visible());
    EXPECT_EQ(e.list.ListMode, SearchResults);

    e.list.ListMode = BinaryDumpList;
    e.list.show();
    e.list.setSelection({1});
    e.list.activate();
    EXPECT_EQ(single, std::vector<std::string>{"[00000020-00000030]b"});
}

TEST(DataList, DumpsTheLinesToAFileWithCrLf) {
    SearchEnv e;
    e.list.append("[$00000001]");
    e.list.append("[$00000321] bat             | A=E1 a=01 0=D0");
    const auto dir = std::filesystem::temp_directory_path() / "tarnwick_datalist_test";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "finds.txt").string();

    e.port.answerSave(path);
    e.list.dumpToFile();
    e.port.expectMessage("Data saved to output file!");
    ASSERT_EQ(e.port.saveRequests.size(), 1u);
    EXPECT_EQ(e.port.saveRequests[0].title, "");
    EXPECT_EQ(e.port.saveRequests[0].defaultExtension, "");
    EXPECT_EQ(e.port.saveRequests[0].filter, "All files (*.*)|*.*");
    std::vector<uint8_t> out;
    ASSERT_EQ(common::readWholeFile(path, out), common::ReadStatus::Ok);
    EXPECT_EQ(std::string(out.begin(), out.end()),
              "[$00000001]\r\n[$00000321] bat             | A=E1 a=01 0=D0\r\n");

    e.port.answerSave(std::nullopt);  // cancel: nothing
    e.list.dumpToFile();

    e.port.answerSave((dir / "missing" / "x.txt").string());
    e.list.dumpToFile();
    e.port.expectMessage("Error: Could not open the output file for saving.");
    std::filesystem::remove_all(dir);
}

TEST(DataList, EscapeAndExitClose) {
    SearchEnv e;
    Requests r;
    e.list.setDumps(&r);
    const int& cleared = r.cleared;
    e.list.ListMode = TextDumpList;
    e.list.show();
    e.list.escape();
    EXPECT_FALSE(e.list.visible());
    EXPECT_EQ(e.list.ListMode, SearchResults);
    EXPECT_EQ(cleared, 1);
    e.list.show();
    e.list.exit();
    EXPECT_EQ(e.listView.closes, 2);
    EXPECT_EQ(cleared, 1);
    EXPECT_TRUE(e.list.createTableEnabled());  // search results again
}

TEST(DataList, CreateTableHandsTheCodeOfAToTheTableEditor) {
    SearchEnv e;
    Requests r;
    e.list.setTables(&r);
    const auto& codes = r.codes;
    r.onCreate = [&] { EXPECT_EQ(e.listView.closes, 1); };  // hidden while the editor shows
    e.list.append("[$00001234]");
    e.list.append("[$00020010] bat             | A=E1 a=01 0=D0");
    e.list.append("[$00020020] x=7             | A=3C a=5C 0=2B");
    e.list.show();
    e.list.CreateTBL1Click();  // no "=": nothing happens
    EXPECT_TRUE(codes.empty());
    EXPECT_TRUE(e.list.visible());
    for (int row : {1, 2}) {
        e.list.show();
        e.list.setSelection({row});
        e.list.CreateTBL1Click();
        EXPECT_FALSE(e.list.visible());
        e.listView.closes = 0;
    }
    EXPECT_EQ(codes, (std::vector<int>{0xE1, 0x3C}));
    e.list.ListMode = TextDumpList;
    EXPECT_FALSE(e.list.createTableEnabled());
}
