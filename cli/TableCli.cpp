// table check: reads a table file as Tarnwick32 does and lists every line it
// skips and every entry that shadows another.

#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/Cli.h"
#include "common/codepage.h"
#include "common/fileio.h"
#include "hexedit/core/TableLoader.h"

namespace cli {

namespace {

struct TableCheckArgs {
    std::string file;
    bool japanese = false;
};

// Table files are small; anything larger than this is not one.
constexpr uint64_t kMaxTableFile = 64u * 1024 * 1024;

int runTableCheck(const TableCheckArgs& a) {
    std::vector<uint8_t> bytes;
    if (common::readWholeFile(a.file, bytes, kMaxTableFile) != common::ReadStatus::Ok) {
        std::cerr << a.file << ": cannot be read\n";
        return Failure;
    }
    const std::string_view content(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const hexedit::TableCheck check = hexedit::checkTableText(content);
    const bool utf8 = check.encoding == hexedit::TableEncoding::Utf8;
    // Lines and notes go out in UTF-8 (a bad sequence as U+FFFD); a legacy
    // table's bytes are read in its code page.
    auto shown = [&](std::string_view text) {
        if (utf8) return common::utf16ToUtf8(common::utf8ToUtf16(text));
        return common::utf16ToUtf8(a.japanese ? common::cp932ToUtf16(text) : common::cp1252ToUtf16(text));
    };
    std::cout << a.file << ": "
              << (utf8 ? (check.bom ? "UTF-8 (byte-order mark)" : "UTF-8")
                       : (a.japanese ? "Shift-JIS (legacy)" : "Windows-1252 (legacy)"))
              << "; entries of 1, 2, 3, 4 bytes: " << check.entries[0] << ", " << check.entries[1] << ", "
              << check.entries[2] << ", " << check.entries[3] << '\n';
    for (const auto& n : check.skipped)
        std::cout << "line " << n.line << ": skipped (" << n.note << "): " << shown(n.text) << '\n';
    for (const auto& n : check.shadows)
        std::cout << "line " << n.line << ": " << shown(n.text) << " is shadowed: " << shown(n.note) << '\n';
    std::cout << check.skipped.size() << " line(s) skipped, " << check.shadows.size() << " shadowing(s)\n";
    return check.skipped.empty() ? Success : Failure;
}

}  // namespace

void addTable(CLI::App& app, int& status) {
    auto* table = app.add_subcommand("table", "Check table files as Tarnwick32 reads them.");
    table->require_subcommand(1);
    auto args = std::make_shared<TableCheckArgs>();
    auto* check = table->add_subcommand(
        "check",
        "Read the table FILE (UTF-8, or Windows-1252 / Shift-JIS) and list every skipped line with its number "
        "and reason, and the entries that shadow one another; exit status 1 when a line was skipped.");
    check->add_option("FILE", args->file, "Table file")->required()->check(CLI::ExistingFile);
    check->add_flag("--japanese,-j", args->japanese, "Show a legacy table's texts as Shift-JIS");
    check->callback([args, &status] { status = runTableCheck(*args); });
}

}  // namespace cli
