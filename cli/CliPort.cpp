#include "cli/CliPort.h"

#include <iostream>

#include "common/fileio.h"
#include "hexedit/core/DataPad.h"

namespace cli {

bool CliPort::message(const common::Message& m) {
    messages.push_back(m);
    if (m.buttons == common::MsgButtons::Ok) return true;
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

bool openInPad(hexedit::DataPad& pad, CliPort& port, const std::string& file, const std::string& table) {
    pad.FormCreate(common::currentFolder());
    pad.files.MapFiles = true;  // the commands read the file where they need it, never copy it whole
    bool ok = pad.files.openPath(file);
    if (ok && !table.empty()) {
        pad.tableState().TableSlot = 0;
        pad.tableState().TablePaths[0] = table;
        ok = pad.files.TableLoader(table);
    }
    if (!ok) port.flush(std::cerr);
    return ok;
}

}  // namespace cli
