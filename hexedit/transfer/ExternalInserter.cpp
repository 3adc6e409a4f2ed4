#include "hexedit/transfer/ExternalInserter.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "common/fileio.h"

namespace hexedit::transfer {

using common::MsgIcon;

namespace {
constexpr char kAllFilesFilter[] = "All files (*.*)|*.*";

bool startsWithKeyword(std::string_view text, size_t pos, std::string_view keyword) {
    if (text.size() - pos < keyword.size()) return false;
    for (size_t i = 0; i < keyword.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[pos + i])) != keyword[i]) return false;
    return true;
}
}  // namespace

std::vector<std::string> buildArguments(std::string_view appArgs, const std::string& romFile,
                                        const std::string& scriptFile) {
    std::vector<std::string> args;
    std::string current;
    bool inArgument = false, quoted = false;
    for (size_t i = 0; i < appArgs.size();) {
        const char c = appArgs[i];
        if (c == '"') {
            quoted = !quoted;
            inArgument = true;
            ++i;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inArgument) args.push_back(std::move(current));
            current.clear();
            inArgument = false;
            ++i;
        } else if (startsWithKeyword(appArgs, i, "%ROMFILE")) {
            current += romFile;
            inArgument = true;
            i += 8;
        } else if (startsWithKeyword(appArgs, i, "%SCRIPTFILE")) {
            current += scriptFile;
            inArgument = true;
            i += 11;
        } else {
            current.push_back(c);
            inArgument = true;
            ++i;
        }
    }
    if (inArgument) args.push_back(std::move(current));
    return args;
}

std::string externalMenuCaption(const std::string& appName) {
    return "Execute External Program \"" + common::fileNameOf(appName) + "\"";
}

ExternalInserter::ExternalInserter(EditSession& session, ExternalProgram& s) : settings(s), session_(session) {
    CommandTable& c = session.commands();
    const EnableWhen when = session.when();
    c.add({.name = "ExternalProgramSettings1Click",
           .caption = "External Program Settings...",
           .hint = "Set the external inserter program and its arguments",
           .run = [this] { ExternalProgramSettings1Click(); }});
    c.add({.name = "ExecuteExternalProgram1Click",
           .caption = "Execute External Program",
           .captionRule = [this] {
               return settings.Named ? externalMenuCaption(settings.AppName) : std::string("Execute External Program");
           },
           .shortcut = "Ctrl+X",
           .hint = "Run the external inserter program on this file",
           .enabled = when.fileOpen(),
           .run = [this] { ExecuteExternalProgram1Click(); }});
}

void ExternalInserter::ExternalProgramSettings1Click() {
    if (view_) view_->execModal();
    session_.refreshMenus();
}

void ExternalInserter::GetApp1Click() {
    common::OpenRequest r;
    r.title = "Select the Inserter to be used...";
    r.initialFolder = session_.editor().LastDirectory;
    r.filter = kAllFilesFilter;
    auto path = session_.port().openFile(r);
    if (!path) return;
    settings.AppName = *path;
    settings.Named = true;
    session_.refreshMenus();
}

void ExternalInserter::DoneClick() {
    settings.Named = true;
    session_.refreshMenus();
    if (view_) view_->closeWindow();
}

void ExternalInserter::ExecuteExternalProgram1Click() {
    common::Port& port = session_.port();
    const EditorState& ed = session_.editor();
    common::OpenRequest r;
    r.initialFolder = ed.LastDirectory;
    r.filter = kAllFilesFilter;
    auto script = port.openFile(r);
    if (!script) return;
    if (settings.AppName.empty()) {
        port.inform("Error: No Inserter Application Loaded!");
        return;
    }
    if (!ed.fileOpen() || !ed.hasBuffer()) return;
    const std::string rom = ed.CurrentPath;

    // The program works on the editor's data: write it out first, header included.
    if (std::string error = common::writeFileAtomic(rom, ed.storedBytes()); !error.empty()) {
        port.inform("Fata Error: Problem writing to the file.\n\"" + rom + "\".\n" + error, {}, MsgIcon::Stop);
        return;
    }
    std::unique_ptr<common::Process> program =
        port.runProgram(settings.AppName, buildArguments(settings.AppArgs, rom, *script), settings.HideIns);
    if (!program) {
        port.inform("Fatal Error: Could not execute the needed program!\nMake sure the program is in the location.",
                    {}, MsgIcon::Stop);
        return;
    }
    const bool finished = session_.runBusy("Waiting for " + common::fileNameOf(settings.AppName),
                                           [&](const common::Progress& progress) {
                                               while (!program->waitFinished(50))
                                                   if (!progress(0, 0)) return false;
                                               return true;
                                           });
    if (!finished) {
        program->stop();
        port.inform("The external program was stopped; the data was not read back.", {}, MsgIcon::Exclamation);
        return;
    }

    std::vector<uint8_t> content;
    if (common::readWholeFile(rom, content, INT32_MAX) != common::ReadStatus::Ok) {
        port.inform("Error: ROM File not found.\n\"" + rom + "\".");
        return;
    }
    // The hidden savestate header stays the editor's own.
    const size_t skip = std::min<size_t>(ed.HeaderSkip, content.size());
    session_.replaceBuffer(std::span(content).subspan(skip));
    session_.document().acceptDisk();  // the program's changes are the editor's now
    port.inform("Operation Performed!", {}, MsgIcon::Exclamation);
}

}  // namespace hexedit::transfer
