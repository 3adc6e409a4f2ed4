#include "cli/CliPort.h"

#include <ostream>

namespace cli {

bool CliPort::message(const common::Message& m) {
    messages.push_back(m);
    if (m.buttons != common::MsgButtons::YesNo) return true;
    if (answers.empty()) return answerYes;
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
}

std::vector<std::string> CliPort::openFiles(const common::OpenRequest&) {
    if (openAnswers.empty()) return {};
    auto paths = std::move(openAnswers.front());
    openAnswers.pop_front();
    return paths;
}

void CliPort::flush(std::ostream& out) {
    for (const auto& m : messages) out << m.text << '\n';
    messages.clear();
}

}  // namespace cli
