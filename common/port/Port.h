#pragma once
// The platform port: everything the programs need from the desktop that is
// not drawing. Models talk only to this interface; the Qt adapter implements
// it for the real programs and ScriptedPort (common/testing) for tests.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace common {

enum class MsgIcon { None, Question, Exclamation, Stop };
enum class MsgButtons { Ok, YesNo, YesNoCancel };
// The button that closed a question.
enum class Answer { Yes, No, Cancel };

// A message box. Texts are UTF-8.
struct Message {
    std::string text;
    std::string title;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    bool operator==(const Message&) const = default;
};

// Filters are written "Label|pattern|Label|pattern", patterns separated by ';'.
struct OpenRequest {
    std::string title;
    std::string initialFolder;
    std::string fileName;
    std::string filter;
    bool multiple = false;
};

struct SaveRequest {
    std::string title;
    std::string initialFolder;
    std::string fileName;
    std::string defaultExtension;  // without the dot; empty = none
    std::string filter;
};

struct FontSpec {
    std::string face;
    int pointSize = 10;
    bool bold = false;
    bool italic = false;
    bool operator==(const FontSpec&) const = default;
};

// A program started by runProgram, to be waited for.
class Process {
public:
    virtual ~Process() = default;
    // Waits up to `milliseconds` for the program to end; true once it has.
    virtual bool waitFinished(int milliseconds) = 0;
    // Ends the program (it is also ended when the Process is destroyed
    // while it runs).
    virtual void stop() = 0;
};

class Port {
public:
    virtual ~Port() = default;

    // Shows a message box; returns true for OK or Yes, false for No (and
    // for Cancel).
    virtual bool message(const Message& m) = 0;
    // A question that may also be cancelled. Ports without a Cancel answer
    // with message()'s Yes or No.
    virtual Answer choose(const Message& m) { return message(m) ? Answer::Yes : Answer::No; }
    // Open dialog: the chosen paths, empty when cancelled. A single-selection
    // dialog returns at most one path.
    virtual std::vector<std::string> openFiles(const OpenRequest& r) = 0;
    // Save dialog: the chosen path, or nothing when cancelled.
    virtual std::optional<std::string> saveFile(const SaveRequest& r) = 0;
    // Font dialog: the chosen font, or nothing when cancelled.
    virtual std::optional<FontSpec> chooseFont(const FontSpec& initial) = 0;

    virtual std::string clipboardText() = 0;
    virtual void setClipboardText(const std::string& text) = 0;

    // Starts a program detached, each argument passed as one argument.
    // Returns false when it could not be started.
    virtual bool startProgram(const std::string& program, const std::vector<std::string>& args,
                              const std::string& workingFolder) = 0;

    // Starts a program to be waited for, each argument passed as one
    // argument, no shell. `quiet`: its output is discarded rather than shown
    // on the editor's own console. Nothing when it could not be started.
    virtual std::unique_ptr<Process> runProgram(const std::string& program, const std::vector<std::string>& args,
                                                bool quiet) {
        (void)program, (void)args, (void)quiet;
        return nullptr;
    }

    // Lets pending window events run; long loops call it between steps.
    virtual void processEvents() = 0;

    // Conveniences over message().
    void inform(std::string text, std::string title = {}, MsgIcon icon = MsgIcon::None) {
        message(Message{std::move(text), std::move(title), icon, MsgButtons::Ok});
    }
    bool ask(std::string text, std::string title, MsgIcon icon = MsgIcon::Question) {
        return message(Message{std::move(text), std::move(title), icon, MsgButtons::YesNo});
    }
    // Yes/No/Cancel: true for Yes, false for No, nothing for Cancel.
    std::optional<bool> askOrCancel(std::string text, std::string title, MsgIcon icon = MsgIcon::Question) {
        const Answer a = choose(Message{std::move(text), std::move(title), icon, MsgButtons::YesNoCancel});
        if (a == Answer::Cancel) return std::nullopt;
        return a == Answer::Yes;
    }
    std::optional<std::string> openFile(OpenRequest r) {
        r.multiple = false;
        auto paths = openFiles(r);
        if (paths.empty()) return std::nullopt;
        return paths.front();
    }
};

// One filter entry of a "Label|pattern|..." filter.
struct FilterEntry {
    std::string label;
    std::vector<std::string> patterns;
    bool operator==(const FilterEntry&) const = default;
};

// Splits a "Label|pattern|Label|pattern" filter; a trailing label without a
// pattern is kept with no patterns.
std::vector<FilterEntry> parseFilter(std::string_view filter);

}  // namespace common
