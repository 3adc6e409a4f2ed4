#include "common/testing/ScriptedPort.h"

#include <gtest/gtest.h>

namespace common::testing {

const char* iconName(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::None: return "none";
        case MsgIcon::Question: return "question";
        case MsgIcon::Exclamation: return "exclamation";
        case MsgIcon::Stop: return "stop";
    }
    return "?";
}

ScriptedPort::~ScriptedPort() {
    EXPECT_TRUE(answers_.empty()) << answers_.size() << " scripted answer(s) were never asked for";
    for (const auto& m : messages_)
        ADD_FAILURE() << "unchecked message box: \"" << m.text << "\" titled \"" << m.title << "\" (icon "
                      << iconName(m.icon) << ")";
}

void ScriptedPort::answerQuestion(bool yes) { answers_.push_back(Question{yes ? Answer::Yes : Answer::No}); }
void ScriptedPort::cancelQuestion() { answers_.push_back(Question{Answer::Cancel}); }
void ScriptedPort::answerOpen(std::vector<std::string> paths) { answers_.push_back(Open{std::move(paths)}); }
void ScriptedPort::answerSave(std::optional<std::string> path) { answers_.push_back(Save{std::move(path)}); }
void ScriptedPort::answerFont(std::optional<FontSpec> font) { answers_.push_back(Font{std::move(font)}); }

template <class T>
std::optional<T> ScriptedPort::next(const char* what, const std::string& detail) {
    if (answers_.empty()) {
        ADD_FAILURE() << "unexpected " << what << ": " << detail;
        return std::nullopt;
    }
    if (!std::holds_alternative<T>(answers_.front())) {
        ADD_FAILURE() << what << " came where another prompt was scripted: " << detail;
        answers_.pop_front();
        return std::nullopt;
    }
    T answer = std::get<T>(answers_.front());
    answers_.pop_front();
    return answer;
}

bool ScriptedPort::message(const Message& m) { return choose(m) == Answer::Yes; }

Answer ScriptedPort::choose(const Message& m) {
    messages_.push_back(m);
    if (m.buttons == MsgButtons::Ok) return Answer::Yes;
    auto answer = next<Question>("question", "\"" + m.text + "\" titled \"" + m.title + "\"");
    if (!answer) return Answer::No;
    if (answer->answer == Answer::Cancel && m.buttons != MsgButtons::YesNoCancel) {
        ADD_FAILURE() << "Cancel scripted for a question without Cancel: \"" << m.text << "\"";
        return Answer::No;
    }
    return answer->answer;
}

Message ScriptedPort::takeMessage() {
    if (messages_.empty()) {
        ADD_FAILURE() << "expected a message box, none was shown";
        return {};
    }
    Message m = messages_.front();
    messages_.pop_front();
    return m;
}

void ScriptedPort::expectMessage(const std::string& text, const std::string& title, MsgIcon icon,
                                 MsgButtons buttons) {
    if (messages_.empty()) {
        ADD_FAILURE() << "expected the message \"" << text << "\", none was shown";
        return;
    }
    Message m = takeMessage();
    EXPECT_EQ(m.text, text);
    EXPECT_EQ(m.title, title) << "for \"" << text << "\"";
    EXPECT_EQ(iconName(m.icon), std::string(iconName(icon))) << "for \"" << text << "\"";
    // Yes/No and Yes/No/Cancel both count as a question here; tests of the
    // Cancel button compare the buttons themselves.
    EXPECT_EQ(m.buttons == MsgButtons::Ok, buttons == MsgButtons::Ok) << "buttons of \"" << text << "\"";
}

std::vector<std::string> ScriptedPort::openFiles(const OpenRequest& r) {
    openRequests.push_back(r);
    auto answer = next<Open>("open dialog", "\"" + r.title + "\" filter \"" + r.filter + "\"");
    if (!answer) return {};
    if (!r.multiple && answer->paths.size() > 1) {
        ADD_FAILURE() << "several paths scripted for a single-selection open dialog";
        answer->paths.resize(1);
    }
    return answer->paths;
}

std::optional<std::string> ScriptedPort::saveFile(const SaveRequest& r) {
    saveRequests.push_back(r);
    auto answer = next<Save>("save dialog", "\"" + r.title + "\" filter \"" + r.filter + "\"");
    return answer ? answer->path : std::nullopt;
}

std::optional<FontSpec> ScriptedPort::chooseFont(const FontSpec& initial) {
    auto answer = next<Font>("font dialog", initial.face);
    return answer ? answer->font : std::nullopt;
}

bool ScriptedPort::startProgram(const std::string& program, const std::vector<std::string>& args,
                                const std::string& folder) {
    started.push_back({program, args, folder});
    return startSucceeds;
}

namespace {
class ScriptedProcess : public Process {
public:
    ScriptedProcess(ScriptedPort& port, size_t index) : port_(port), index_(index), left_(port.runWaits) {}
    bool waitFinished(int) override {
        if (done_) return true;
        if (left_ < 0 || left_-- > 0) return false;
        done_ = true;
        if (port_.onRunFinished) port_.onRunFinished(port_.runs[index_]);
        return true;
    }
    void stop() override {
        if (!done_) port_.runs[index_].stopped = true;
        done_ = true;
    }

private:
    ScriptedPort& port_;
    size_t index_;
    int left_;
    bool done_ = false;
};
}  // namespace

std::unique_ptr<Process> ScriptedPort::runProgram(const std::string& program, const std::vector<std::string>& args,
                                                  bool quiet) {
    runs.push_back({program, args, quiet, false});
    if (!startSucceeds) return nullptr;
    return std::make_unique<ScriptedProcess>(*this, runs.size() - 1);
}

}  // namespace common::testing
