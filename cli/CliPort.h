#pragma once
// The platform port of the command line: dialogs answered from the
// arguments, message boxes collected so that each command prints them to
// standard output or standard error once it knows how it went.

#include <deque>
#include <iosfwd>
#include <string>
#include <vector>

#include "common/port/Port.h"

namespace hexedit {
class DataPad;
}

namespace cli {

class CliPort : public common::Port {
public:
    // Answers of the open dialogs, in the order they are shown; an empty
    // list is a cancelled dialog.
    std::deque<std::vector<std::string>> openAnswers;
    // Answers of the Yes/No questions in order; `answerYes` once they run out.
    std::deque<bool> answers;
    bool answerYes = false;
    std::vector<common::Message> messages;

    bool message(const common::Message& m) override;
    std::vector<std::string> openFiles(const common::OpenRequest& r) override;
    std::optional<std::string> saveFile(const common::SaveRequest&) override { return std::nullopt; }
    std::optional<common::FontSpec> chooseFont(const common::FontSpec&) override { return std::nullopt; }
    std::string clipboardText() override { return {}; }
    void setClipboardText(const std::string&) override {}
    bool startProgram(const std::string&, const std::vector<std::string>&, const std::string&) override { return false; }
    void processEvents() override {}

    // Prints the collected message texts, one per line, and forgets them.
    void flush(std::ostream& out);
};

// The main window's model with `file` open and, when given, `table` loaded
// as Table #1. False after printing why not to stderr.
bool openInPad(hexedit::DataPad& pad, CliPort& port, const std::string& file, const std::string& table);

}  // namespace cli
