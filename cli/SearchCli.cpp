// find: the text, hex and relative searches of Tarnwick32, printing the
// lines they put into the Data List.

#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/Cli.h"
#include "cli/CliPort.h"
#include "common/codepage.h"
#include "common/fileio.h"
#include "hexedit/core/DataPad.h"
#include "hexedit/search/DataList.h"
#include "hexedit/search/FindWindow.h"

namespace cli {

namespace {

struct FindArgs {
    std::string file, table, text, hex, relative;
    bool all = false, ignoreCase = false, wildcards = false, limit = false, asShown = false;
};

// The relative search's input box takes 15 characters.
constexpr size_t kRelativeWordLimit = 15;

int runFind(const FindArgs& a) {
    CliPort port;
    hexedit::DataPad pad(port);
    if (!openInPad(pad, port, a.file, a.table)) return Failure;
    hexedit::search::DataList list(pad);
    hexedit::search::FindWindow find(pad, list);
    namespace s = hexedit::search;
    std::string typed = !a.text.empty() ? a.text : !a.hex.empty() ? a.hex : a.relative;
    find.state.SearchMode = !a.text.empty() ? s::TextMode : !a.hex.empty() ? s::HexMode : s::RelativeMode;
    find.options.FindFromStart = true;
    find.options.SaveFnd = a.all && find.state.SearchMode != s::RelativeMode;
    find.options.IgCase = a.ignoreCase;
    find.options.WildCrd = a.wildcards;
    find.options.FindLimit = a.limit;
    find.options.AsShown = a.asShown;
    if (find.state.SearchMode == s::HexMode) {
        for (char& c : typed) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    // Typed text is UTF-8; the box holds the table's single-byte code page
    // (UTF-8 for a UTF-8 table's text search).
    const auto box = find.utf16ToBox(common::utf8ToUtf16(typed));
    if (!box) {
        std::cerr << "The text holds characters the table's code page cannot show.\n";
        return Failure;
    }
    std::string input = *box;
    if (find.state.SearchMode == s::RelativeMode && input.size() > kRelativeWordLimit) input.resize(kRelativeWordLimit);
    port.answerYes = true;  // the relative search's warning about short words
    find.inputEdited(input, input.size());
    find.findAction();

    std::vector<std::string> lines = list.lines();
    if (find.state.SearchMode != s::RelativeMode && !a.all && find.state.FoundFlag) {
        char line[16];
        std::snprintf(line, sizeof line, "[$%08X]", static_cast<unsigned>(pad.view().CursorOffset));
        lines.push_back(line);
    }
    if (lines.empty()) {
        if (port.messages.empty()) std::cerr << "Sorry... The string was not found.\n";
        port.flush(std::cerr);
        return Failure;
    }
    port.messages.clear();
    for (const auto& l : lines) std::cout << l << '\n';
    return Success;
}

}  // namespace

void addFind(CLI::App& app, int& status) {
    auto args = std::make_shared<FindArgs>();
    auto* cmd = app.add_subcommand("find", "Search FILE through a table; print the Data List lines of the matches.");
    cmd->add_option("FILE", args->file, "File to search")->required()->check(CLI::ExistingFile);
    cmd->add_option("--table,-t", args->table, "Table file (default: the file's companion .tbl, else ASCII)")
        ->check(CLI::ExistingFile);
    auto* text = cmd->add_option("--text", args->text, "Text search: the table's codes of these characters");
    auto* hex = cmd->add_option("--hex", args->hex, "Hex search: pairs of hex digits");
    auto* rel = cmd->add_option("--relative", args->relative, "Relative search for a word (at most 15 letters)");
    text->excludes(hex, rel);
    hex->excludes(rel);
    cmd->add_flag("--all,-a", args->all, "List every match instead of the first");
    cmd->add_flag("--ignore-case,-i", args->ignoreCase, "Compare with case folding");
    cmd->add_flag("--wildcards,-w", args->wildcards, "'*' (hex: '**') matches any byte");
    cmd->add_flag("--limit", args->limit, "Stop at 128 matches");
    cmd->add_flag("--as-shown", args->asShown,
                  "With --text: find every place the text column shows as the text, whatever mix of "
                  "single bytes, pairs and longer entries encodes it")
        ->needs(text);
    cmd->callback([args, &status] {
        if (args->text.empty() && args->hex.empty() && args->relative.empty())
            throw CLI::RequiredError("one of --text, --hex, --relative");
        status = runFind(*args);
    });
}

}  // namespace cli
