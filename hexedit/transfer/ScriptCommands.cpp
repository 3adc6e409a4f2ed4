#include "hexedit/transfer/ScriptCommands.h"

#include <filesystem>

#include "common/fileio.h"
#include "common/hexdigits.h"
#include "hexedit/core/TableLoader.h"

namespace hexedit::transfer {

namespace {
constexpr const char* kScriptFilter = "Script files (*.txt)|*.txt|All files (*.*)|*.*";

// "START-END, START-END": hexadecimal, ends included.
std::optional<std::vector<Region>> parseSpace(std::string_view text) {
    std::vector<Region> out;
    while (!text.empty()) {
        const size_t comma = text.find(',');
        std::string_view part = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
        while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
        if (part.empty()) continue;
        const size_t dash = part.find('-');
        const auto a = common::parseHex(part.substr(0, dash), 8);
        const auto b = dash == std::string_view::npos ? std::nullopt : common::parseHex(part.substr(dash + 1), 8);
        if (!a || !b || *b < *a) return std::nullopt;
        out.push_back({static_cast<int64_t>(*a), static_cast<int64_t>(*b) + 1});
    }
    return out;
}

std::string listErrors(const std::vector<ScriptError>& errors) {
    std::string text = "The script was not inserted:";
    for (size_t i = 0; i < errors.size() && i < 12; ++i) text += "\n" + errorText(errors[i]);
    if (errors.size() > 12) text += "\n(" + std::to_string(errors.size() - 12) + " more)";
    return text;
}
}  // namespace

ScriptCommands::ScriptCommands(EditSession& session) : session_(session) {
    session_.commands().add({.name = "DumpScript1Click",
                             .caption = "Dump Script with Pointers...",
                             .hint = "Write the strings of a pointer table as a script to translate",
                             .enabled = session_.when().fileOpen(),
                             .run = [this] { DumpScript1Click(); }});
    session_.commands().add({.name = "InsertScript1Click",
                             .caption = "Insert Script...",
                             .hint = "Put an edited script back: encode, place and point every string",
                             .enabled = session_.when().fileOpen(),
                             .run = [this] { InsertScript1Click(); }});
}

bool ScriptCommands::refuse(const std::string& text, const char* title) {
    session_.port().inform(text, title, common::MsgIcon::Stop);
    return false;
}

void ScriptCommands::DumpScript1Click() {
    const TableData& table = session_.table();
    const std::string& tablePath = table.TablePaths[table.TableSlot % 3];
    if (tablePath.empty()) {
        refuse("Load the table file of the strings first (File > Open Table File).", kScriptDumpTitle);
        return;
    }
    if (!dumpView_ || !dumpView_->askDump()) return;
    std::string error;
    auto pt = parsePointerTable(pointers, error);
    if (!pt) {
        refuse("Pointers: " + error, kScriptDumpTitle);
        return;
    }
    pt->bigEndian = bigEndian;
    const auto extra = parseSpace(space);
    if (!extra) {
        refuse("Free space must be START-END, hexadecimal, END included (several separated by commas).", kScriptDumpTitle);
        return;
    }
    common::SaveRequest r;
    r.title = "Save the Script As...";
    r.initialFolder = session_.editor().LastDirectory;
    r.defaultExtension = "txt";
    r.filter = kScriptFilter;
    const auto path = session_.port().saveFile(r);
    if (!path) return;
    const auto file = session_.bytes().first(static_cast<size_t>(std::max(session_.editor().FileSize, 0)));
    const DumpRequest request{*pt, *extra, tableNameFor(*path, tablePath),
                              std::filesystem::path(session_.editor().CurrentPath).filename().string()};
    std::optional<std::string> text;
    session_.runBusy("Dumping the script", [&](const common::Progress& progress) {
        text = dumpScript(table, file, request, error, progress);
        return text.has_value();
    });
    if (!text) {
        if (!error.empty()) refuse(error, kScriptDumpTitle);
        return;
    }
    if (const std::string failed = common::writeFileAtomic(*path, *text); !failed.empty()) {
        refuse("The script could not be written:\n" + *path + "\n" + failed, kScriptDumpTitle);
        return;
    }
    session_.fileWritten(*path);
    session_.port().inform("The script was written to\n" + *path, kScriptDumpTitle, common::MsgIcon::Exclamation);
}

void ScriptCommands::InsertScript1Click() {
    common::OpenRequest r;
    r.initialFolder = session_.editor().LastDirectory;
    r.filter = kScriptFilter;
    const auto path = session_.port().openFile(r);
    if (!path) return;
    std::vector<uint8_t> bytes;
    if (common::readWholeFile(*path, bytes, kMaxScriptBytes) != common::ReadStatus::Ok) {
        refuse("The script could not be read (or is larger than 64 MiB):\n" + *path, kScriptInsertTitle);
        return;
    }
    std::vector<ScriptError> errors;
    const auto script = readScript(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), errors);
    if (!script) {
        refuse(listErrors(errors), kScriptInsertTitle);
        return;
    }
    TableData table;
    const std::string tablePath = scriptTablePath(*path, *script);
    if (loadTableFile(table, tablePath) != TableLoadStatus::Ok) {
        refuse("The script's table file could not be read:\n" + tablePath, kScriptInsertTitle);
        return;
    }
    const auto file = session_.bytes().first(static_cast<size_t>(std::max(session_.editor().FileSize, 0)));
    std::optional<InsertPlan> plan;
    session_.runBusy("Inserting the script", [&](const common::Progress& progress) {
        plan = planInsert(table, *script, file, std::nullopt, progress);
        return plan.has_value();
    });
    if (!plan) return;
    if (!plan->ok()) {
        refuse(listErrors(plan->errors), kScriptInsertTitle);
        return;
    }
    report_ = insertReport(*script, *plan);
    for (;;) {
        if (!insertView_ || !insertView_->askApply()) return;
        std::optional<uint8_t> fillByte;
        if (!fill.empty()) {
            const auto v = common::parseHex(fill, 2);
            if (!v) {
                refuse("The fill byte must be two hexadecimal digits, or empty to leave the freed space.", kScriptInsertTitle);
                continue;
            }
            fillByte = static_cast<uint8_t>(*v);
            plan = planInsert(table, *script, file, fillByte);
        }
        session_.writeRecords(plan->records);
        return;
    }
}

}  // namespace hexedit::transfer
