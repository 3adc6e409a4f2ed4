#pragma once
// An editing session for subsystem tests: the real document, file commands
// and command table, with the recording shell for the window side.

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "common/fileio.h"

#include "hexedit/core/Document.h"
#include "hexedit/core/EditSession.h"
#include "hexedit/core/FileCommands.h"
#include "hexedit/core/testing/RecordingShell.h"

namespace hexedit::testing {

// The parts, built before the session that refers to them.
struct SessionParts {
    explicit SessionParts(common::Port& port) : host(port) {}
    RecordingShell host;
    Document doc;
    NavigationState navState;
    CommandTable commandTable;
    FileCommands files{doc, host, commandTable, EnableWhen(doc, navState)};
};

class TestSession : public SessionParts, public EditSession {
public:
    explicit TestSession(common::Port& port)
        : SessionParts(port), EditSession(doc, host, commandTable, navState, files) {
        // The main window repaints on changed bytes (typed ones paint their
        // own rows) and on the cursor placed by a command.
        events_ = doc.subscribe([this](const DocumentEvent& e) {
            if (const auto* b = std::get_if<doc::BytesChanged>(&e)) {
                if (!b->typing) ++host.repaints;
            } else if (std::holds_alternative<doc::CursorMoved>(e)) {
                ++cursorMoves;
                ++host.repaints;
            } else if (const auto* t = std::get_if<doc::TableChanged>(&e)) {
                tablesChanged.push_back(t->path);
            }
        });
    }
    ~TestSession() {
        std::error_code ec;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ec);
    }

    EditorState& editorState = doc.editorState();
    TableData& tableData = doc.tableState();
    ViewState& viewState = doc.view();
    const EditBuffer& buffer = doc.edits();
    int cursorMoves = 0;                     // the document's CursorMoved events
    std::vector<std::string> tablesChanged;  // and its TableChanged paths, in order

    // A file of `text` in a folder of the session's own (removed with it)
    // becomes the current table's file, not loaded. Returns its path.
    std::string tableFile(std::string_view text) {
        if (folder_.empty()) {
            char name[] = "/tmp/tarnwick_sessionXXXXXX";
            if (const char* made = mkdtemp(name)) folder_ = made;
        }
        const std::string path = folder_ + "/table" + std::to_string(++tableFiles_) + ".tbl";
        common::writeFileAtomic(path, std::string(text));
        tableData.TablePaths[std::min<size_t>(tableData.TableSlot, 2)] = path;
        return path;
    }
    // The current table file's text; empty when it cannot be read.
    std::string tableFileText() const {
        std::vector<uint8_t> bytes;
        common::readWholeFile(tableData.TablePaths[std::min<size_t>(tableData.TableSlot, 2)], bytes);
        return {bytes.begin(), bytes.end()};
    }

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

private:
    Subscription events_;
    std::string folder_;
    int tableFiles_ = 0;
};

}  // namespace hexedit::testing
