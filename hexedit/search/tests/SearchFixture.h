#pragma once
// A find window and a data list over a buffer, with fakes for the forms and
// the main window.

#include <functional>
#include <string>
#include <vector>

#include "common/testing/ScriptedPort.h"
#include "hexedit/core/testing/TestSession.h"
#include "hexedit/search/DataList.h"
#include "hexedit/search/FindWindow.h"

namespace hexedit::search::testing {

struct FakeListView : DataListView {
    int shows = 0, closes = 0;
    void showList() override { ++shows; }
    void closeList() override { ++closes; }
    void listChanged() override {}
};

// Runs `script` as the user's actions while the window is shown; a window
// the script leaves open is closed from the title bar.
struct FakeFindView : FindWindowView {
    FindWindow* window = nullptr;
    std::function<void()> script;
    bool closed = false;
    int execs = 0, focus = 0, progress = 0;
    void execModal() override {
        ++execs;
        closed = false;
        if (script) script();
        if (!closed) window->closeRequested();
    }
    void closeWindow() override { closed = true; }
    void refresh() override {}
    void focusInput() override { ++focus; }
    void progressChanged() override { ++progress; }
};

struct SearchEnv {
    common::testing::ScriptedPort port;
    hexedit::testing::TestSession session{port};
    EditorState& editor = session.editorState;
    TableData& table = session.tableData;
    ViewState& view = session.viewState;
    DataList list{session};
    FindWindow find{session, list};
    FakeFindView findView;
    FakeListView listView;

    SearchEnv() {
        find.setView(&findView);
        findView.window = &find;
        list.setView(&listView);
        table.buildAsciiTable();
    }

    // A file of these bytes, in a buffer of at least 65535 bytes.
    void load(const std::vector<uint8_t>& bytes) {
        session.load(bytes, "test.bin");
    }
    void put(size_t offset, std::string_view s) { session.poke(offset, s); }
    void placeCursor(int32_t offset) { view.TopOffset = PlaceCursor(view, offset, session.editor().BufferSize); }

    // Types as the input box would: the key filter first, then the box's
    // own insertion for the keys it lets through.
    void type(std::string_view text) {
        for (char c : text) {
            KeyResult r = find.keyPress({Key::Char, static_cast<uint8_t>(c)});
            if (r.verdict != KeyResult::Pass) continue;
            std::string s = find.input();
            if (s.size() >= find.maxLength()) continue;
            const size_t at = find.caret();
            s.insert(at, 1, static_cast<char>(r.ch));
            find.inputEdited(s, at + 1);
        }
    }
    void backspace() {
        KeyResult r = find.keyPress({Key::Backspace, 8});
        if (r.verdict != KeyResult::Pass || find.caret() == 0) return;
        std::string s = find.input();
        const size_t at = find.caret();
        s.erase(at - 1, 1);
        find.inputEdited(s, at - 1);
    }
    void enter() { find.keyPress({Key::Enter, 13}); }
    void escape() { find.keyPress({Key::Escape, 27}); }
    // Opens a window with `open` and performs `actions` in it.
    void inWindow(void (FindWindow::*open)(), std::function<void()> actions) {
        findView.script = std::move(actions);
        (find.*open)();
        findView.script = nullptr;
    }
};

}  // namespace hexedit::search::testing
