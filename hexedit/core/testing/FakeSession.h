#pragma once
// A light editing session for subsystem tests: the real document over its
// own file, table and view, the recording shell for the window side, and
// records of the table-file verbs (lines appended, files used).

#include <algorithm>
#include <string>
#include <vector>

#include "hexedit/core/Document.h"
#include "hexedit/core/EditSession.h"
#include "hexedit/core/testing/RecordingShell.h"

namespace hexedit::testing {

class FakeSession : public EditSession {
public:
    explicit FakeSession(common::Port& port) : host(port) {
        events_ = doc.subscribe([this](const DocumentEvent& e) {
            if (const auto* b = std::get_if<doc::BytesChanged>(&e)) {
                if (!b->typing) ++host.repaints;
            } else if (std::holds_alternative<doc::CursorMoved>(e)) {
                ++cursorMoves;
                ++host.repaints;
            }
        });
    }

    RecordingShell host;
    Document doc;
    EditorState& editorState = doc.editorState();
    TableData& tableData = doc.tableState();
    ViewState& viewState = doc.view();
    const EditBuffer& buffer = doc.edits();
    NavigationState navState;
    CommandTable commandTable;

    int cursorMoves = 0, reloads = 0;
    std::vector<std::string> appendedLines;
    std::vector<std::string> usedTableFiles;  // useTableFile, in order
    bool appendSucceeds = true;
    // What "Open" does here (a test sets it); "Save" is counted and answers
    // saveSucceeds.
    std::function<void()> onOpen;
    int saves = 0;
    bool saveSucceeds = true;

    // A file of these bytes named `path`, unmodified.
    void load(std::vector<uint8_t> bytes, std::string path = "test.bin") {
        const auto size = static_cast<int32_t>(bytes.size());
        doc.open(std::move(path), std::move(bytes), 0, size);
        editorState.EditorReady = true;
    }
    // Sets bytes for a test's set-up, growing the file when they reach past
    // its end; leaves no undo step and no modified mark.
    void poke(size_t offset, std::span<const uint8_t> bytes) {
        auto file = editorState.fileBytes();
        std::vector<uint8_t> content(file.begin(), file.end());
        if (content.size() < offset + bytes.size()) content.resize(offset + bytes.size(), 0);
        std::copy(bytes.begin(), bytes.end(), content.begin() + static_cast<long>(offset));
        const std::string path = editorState.CurrentPath;
        const ViewState view = viewState;  // a reload of the same file keeps the cursor
        load(std::move(content), path.empty() ? "test.bin" : path);
        viewState = view;
    }
    void poke(size_t offset, std::string_view text) {
        poke(offset, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    }

    Shell& shell() override { return host; }
    CommandTable& commands() override { return commandTable; }
    Document& document() override { return doc; }
    const EditorState& editor() const override { return editorState; }
    const TableData& table() const override { return tableData; }
    ViewState& view() override { return viewState; }
    NavigationState& nav() override { return navState; }

    void moveCursorTo(int32_t offset) override { doc.moveCursorTo(offset); }
    bool writeBytes(int32_t offset, std::span<const uint8_t> bytes, EditKind kind) override {
        return doc.writeBytes(offset, bytes, kind == EditKind::Typing);
    }
    bool fill(int32_t offset, int32_t length, uint8_t value) override { return doc.fill(offset, length, value); }
    bool replaceBuffer(std::span<const uint8_t> content) override { return doc.replaceBuffer(content); }
    bool writeRecords(std::span<const EditRecord> records) override { return doc.writeRecords(records); }
    bool splice(int32_t offset, int32_t removeLength, std::span<const uint8_t> insert) override {
        return doc.splice(offset, removeLength, insert);
    }
    bool appendTableLine(std::string_view line) override {
        appendedLines.emplace_back(line);
        return appendSucceeds;
    }
    bool reloadTable() override {
        ++reloads;
        return true;
    }
    void useTableFile(int slot, const std::string& path) override {
        tableData.TablePaths[static_cast<size_t>(slot)] = path;
        tableData.TableSlot = static_cast<uint8_t>(slot);
        usedTableFiles.push_back(path);
    }
    void openFile() override {
        if (onOpen) onOpen();
    }
    bool saveFile() override {
        ++saves;
        return saveSucceeds;
    }

private:
    Subscription events_;
};

}  // namespace hexedit::testing
