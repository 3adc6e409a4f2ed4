#pragma once
// Test double of the platform port. Prompts (Yes/No questions, file and font
// dialogs) are answered from a queue in the order the test scripted them; a
// prompt nobody scripted, or of another kind than the next answer, fails the
// test. Every message box is recorded and must be checked by the test
// (expectMessage/takeMessage/clearMessages): leftovers fail it on destruction,
// and so do scripted answers that were never asked for.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "common/port/Port.h"

namespace common::testing {

class ScriptedPort : public Port {
public:
    ScriptedPort() = default;
    ScriptedPort(const ScriptedPort&) = delete;
    ScriptedPort& operator=(const ScriptedPort&) = delete;
    ~ScriptedPort() override;

    // Scripted answers, consumed in order.
    void answerQuestion(bool yes);
    // Cancel for a Yes/No/Cancel question (a Yes/No question fails the test).
    void cancelQuestion();
    void answerOpen(std::vector<std::string> paths);  // empty = cancel
    void answerOpen(std::string path) { answerOpen(std::vector<std::string>{std::move(path)}); }
    void cancelOpen() { answerOpen(std::vector<std::string>{}); }
    void answerSave(std::optional<std::string> path);  // nothing = cancel
    void answerFont(std::optional<FontSpec> font);

    // Message boxes shown so far and not yet checked, questions included.
    const std::deque<Message>& messages() const { return messages_; }
    // Pops the oldest message; fails the test when there is none.
    Message takeMessage();
    // Pops the oldest message and compares it.
    void expectMessage(const std::string& text, const std::string& title = {}, MsgIcon icon = MsgIcon::None,
                       MsgButtons buttons = MsgButtons::Ok);
    void clearMessages() { messages_.clear(); }
    bool pendingAnswers() const { return !answers_.empty(); }

    // Records of the other calls.
    std::vector<OpenRequest> openRequests;
    std::vector<SaveRequest> saveRequests;
    struct Started {
        std::string program;
        std::vector<std::string> args;
        std::string folder;
    };
    std::vector<Started> started;
    bool startSucceeds = true;
    // Programs run to be waited for: what each was given, and how many waits
    // each takes to finish (a negative count never finishes).
    struct Run {
        std::string program;
        std::vector<std::string> args;
        bool quiet = false;
        bool stopped = false;
    };
    std::vector<Run> runs;
    int runWaits = 0;
    // Run when a started program "finishes" (it may change files).
    std::function<void(const Run&)> onRunFinished;
    std::string clipboard;
    int processEventsCalls = 0;

    bool message(const Message& m) override;
    Answer choose(const Message& m) override;
    std::vector<std::string> openFiles(const OpenRequest& r) override;
    std::optional<std::string> saveFile(const SaveRequest& r) override;
    std::optional<FontSpec> chooseFont(const FontSpec& initial) override;
    std::string clipboardText() override { return clipboard; }
    void setClipboardText(const std::string& text) override { clipboard = text; }
    bool startProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::string& folder) override;
    std::unique_ptr<Process> runProgram(const std::string& program, const std::vector<std::string>& args,
                                        bool quiet) override;
    void processEvents() override { ++processEventsCalls; }

private:
    struct Question {
        common::Answer answer;
    };
    struct Open {
        std::vector<std::string> paths;
    };
    struct Save {
        std::optional<std::string> path;
    };
    struct Font {
        std::optional<FontSpec> font;
    };
    using Scripted = std::variant<Question, Open, Save, Font>;

    template <class T>
    std::optional<T> next(const char* what, const std::string& detail);

    std::deque<Scripted> answers_;
    std::deque<Message> messages_;
};

const char* iconName(MsgIcon icon);

}  // namespace common::testing
