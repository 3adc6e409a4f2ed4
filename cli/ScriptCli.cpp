// script dump / script insert: the translation round trip. The strings of a
// pointer table dumped as an editable script, and the edited script put
// back: strings encoded through the table, placed and pointed to again.

#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/Cli.h"
#include "common/fileio.h"
#include "hexedit/core/TableLoader.h"
#include "hexedit/transfer/Script.h"

namespace cli {

namespace {

namespace tr = hexedit::transfer;

bool loadTable(hexedit::TableData& table, const std::string& path) {
    if (hexedit::loadTableFile(table, path) == hexedit::TableLoadStatus::Ok) return true;
    std::cerr << path << ": the table file cannot be read\n";
    return false;
}

struct DumpArgs {
    std::string file, table, pointers, output = "-";
    std::vector<std::string> space;
    bool bigEndian = false;
    tr::PointerTable parsed;
    std::vector<tr::Region> extra;
};

int dump(const DumpArgs& a) {
    std::vector<uint8_t> bytes;
    hexedit::TableData table;
    if (!readInput(a.file, bytes) || !loadTable(table, a.table)) return Failure;
    tr::DumpRequest request{a.parsed, a.extra, a.output == "-" ? a.table : tr::tableNameFor(a.output, a.table),
                            std::filesystem::path(a.file).filename().string()};
    std::string error;
    const auto text = tr::dumpScript(table, bytes, request, error);
    if (!text) {
        std::cerr << a.file << ": " << error << '\n';
        return Failure;
    }
    return writeOutput(a.output, std::vector<uint8_t>(text->begin(), text->end())) ? Success : Failure;
}

struct InsertArgs {
    std::string file, script, output, fill;
    std::optional<uint8_t> fillByte;
};

int insert(const InsertArgs& a) {
    std::vector<uint8_t> bytes, scriptBytes;
    std::error_code ec;
    if (std::filesystem::file_size(a.script, ec) > tr::kMaxScriptBytes && !ec) {
        std::cerr << a.script << ": larger than a script may be\n";
        return Failure;
    }
    if (!readInput(a.file, bytes) || !readInput(a.script, scriptBytes)) return Failure;
    std::vector<tr::ScriptError> errors;
    const auto script = tr::readScript(std::string_view(reinterpret_cast<const char*>(scriptBytes.data()), scriptBytes.size()), errors);
    auto report = [&](const std::vector<tr::ScriptError>& list) {
        for (const auto& e : list) std::cerr << a.script << ":" << e.line << ":" << e.column << ": " << e.text << '\n';
        std::cerr << "Nothing was written.\n";
        return Failure;
    };
    if (!script) return report(errors);
    hexedit::TableData table;
    if (!loadTable(table, tr::scriptTablePath(a.script, *script))) return Failure;
    const auto plan = tr::planInsert(table, *script, bytes, a.fillByte);
    if (!plan->ok()) return report(plan->errors);
    tr::applyPlan(bytes, *plan);
    const std::string target = a.output.empty() ? a.file : a.output;
    if (!writeOutput(target, bytes)) return Failure;
    (target == "-" ? std::cerr : std::cout) << tr::insertReport(*script, *plan);
    return Success;
}

}  // namespace

void addScript(CLI::App& app, int& status) {
    auto* sc = app.add_subcommand("script", "Dump the strings of a pointer table as a script, or insert an edited script.");
    sc->require_subcommand(1);

    auto d = std::make_shared<DumpArgs>();
    auto* dp = sc->add_subcommand("dump", "Write the strings FILE's pointers point to as an editable script.");
    dp->add_option("FILE", d->file, "File with the pointer table and the strings")->required()->check(CLI::ExistingFile);
    dp->add_option("--table,-t", d->table, "Table file that decodes the strings")->required()->check(CLI::ExistingFile);
    dp->add_option("--pointers,-p", d->pointers,
                   "OFFSET,COUNT,WIDTH,MAP[,BANK]: hexadecimal offset and count, WIDTH 16, 24 or 32, MAP linear, "
                   "lorom or hirom, BANK (16-bit pointers) the bank, or for linear the base they are added to")
        ->required();
    dp->add_flag("--big-endian", d->bigEndian, "Pointers are stored high byte first");
    dp->add_option("--space", d->space, "START-END: more free space for the strings (hexadecimal, END included); repeatable");
    dp->add_option("-o,--output", d->output, "Script file to write (default '-': stdout)");
    dp->callback([d, &status] {
        std::string error;
        const auto p = tr::parsePointerTable(d->pointers, error);
        if (!p) throw CLI::ValidationError("--pointers", error);
        d->parsed = *p;
        d->parsed.bigEndian = d->bigEndian;
        for (const std::string& s : d->space) {
            const size_t dash = s.find('-');
            uint32_t start = 0, end = 0;
            if (dash == std::string::npos || !parseOffset(s.substr(0, dash), start) || !parseOffset(s.substr(dash + 1), end) ||
                end < start)
                throw CLI::ValidationError("--space", "expected START-END in hexadecimal: " + s);
            d->extra.push_back({start, int64_t{end} + 1});
        }
        status = dump(*d);
    });

    auto i = std::make_shared<InsertArgs>();
    auto* in = sc->add_subcommand("insert", "Encode an edited script, place its strings and rewrite FILE's pointers.");
    in->add_option("FILE", i->file, "File to insert into (written in place, safely, unless -o)")->required()->check(CLI::ExistingFile);
    in->add_option("SCRIPT", i->script, "Script made by 'script dump' and edited")->required()->check(CLI::ExistingFile);
    in->add_option("-o,--output", i->output, "Write the result here instead of over FILE ('-': stdout)");
    in->add_option("--fill", i->fill, "XX: hexadecimal byte for the space strings no longer use (default: leave it)");
    in->callback([i, &status] {
        if (!i->fill.empty()) {
            uint32_t v = 0;
            if (!parseOffset(i->fill, v) || v > 0xFF) throw CLI::ValidationError("--fill", "expected one hexadecimal byte: " + i->fill);
            i->fillByte = static_cast<uint8_t>(v);
        }
        status = insert(*i);
    });
}

}  // namespace cli
