// vt2 unpack / vt2 pack: VT2Comp's decompress and recompress commands, with
// its output files, list lines and messages.

#include <iostream>
#include <memory>

#include "cli/Cli.h"
#include "cli/CliPort.h"
#include "common/fileio.h"
#include "compress/CompressionUtility.h"

namespace cli {

namespace {

struct Vt2Args {
    std::string rom, record, output, folder;
    bool force = false;
};

bool failed(const std::string& line) { return !line.starts_with("Success") && !line.starts_with("Sucessfully"); }

// Prints the list lines: all to stdout when every one succeeded, else all
// to stderr. True when every line succeeded and there was at least one.
bool reportLines(const vt2comp::CompState& s) {
    bool ok = !s.ListBox1.empty();
    for (const auto& l : s.ListBox1) ok = ok && !failed(l);
    for (const auto& l : s.ListBox1) (ok ? std::cout : std::cerr) << l << '\n';
    return ok;
}

bool openRom(vt2comp::CompressionUtility& util, CliPort& port, const std::string& rom) {
    port.openAnswers.push_back({rom});
    util.openRom(port);
    if (util.state().romLoaded()) return true;
    port.flush(std::cerr);
    return false;
}

int unpack(const Vt2Args& a) {
    CliPort port;
    vt2comp::CompressionUtility util(a.folder.empty() ? common::currentFolder() : a.folder);
    if (!openRom(util, port, a.rom)) return Failure;
    // Asked before an edited data file would be overwritten.
    port.answerYes = a.force;
    util.decompressBlock(0, port);
    bool ok = true;
    for (const auto& m : port.messages) ok = ok && m.buttons == common::MsgButtons::YesNo && a.force;
    ok = reportLines(util.state()) && ok;
    const bool asked = !port.messages.empty();
    if (ok) port.messages.clear();
    port.flush(std::cerr);
    if (!ok && asked && !a.force) std::cerr << "(kept; --force overwrites it)\n";
    return ok ? Success : Failure;
}

int pack(const Vt2Args& a) {
    CliPort port;
    vt2comp::CompressionUtility util(a.folder.empty() ? common::currentFolder() : a.folder);
    if (!openRom(util, port, a.rom)) return Failure;
    port.openAnswers.push_back({a.record});
    util.recompress(port);
    if (!port.messages.empty() || !reportLines(util.state())) {
        port.flush(std::cerr);
        std::cerr << "The ROM was not written.\n";
        return Failure;
    }
    if (!a.output.empty() && a.output != a.rom)
        return writeOutput(a.output, util.state().RomBuffer) ? Success : Failure;
    util.saveRom(port);
    const bool saved = port.messages.size() == 1 && port.messages[0].text.ends_with(" has been saved!");
    port.flush(saved ? std::cout : std::cerr);
    return saved ? Success : Failure;
}

}  // namespace

void addVt2(CLI::App& app, int& status) {
    auto args = std::make_shared<Vt2Args>();
    auto* vt2 = app.add_subcommand("vt2", "VT2Comp's block codec on the game ROM.");
    vt2->require_subcommand(1);
    auto* up = vt2->add_subcommand("unpack", "Unpack the start menu tiles to Comp/VT2_<offset>.dat with its record file.");
    up->add_option("ROM", args->rom, "Game ROM")->required()->check(CLI::ExistingFile);
    up->add_option("-C,--folder", args->folder, "Folder that receives Comp/ (default: the current folder)");
    up->add_flag("-f,--force", args->force, "Overwrite a data file that differs from the block (your edits)");
    up->callback([args, &status] { status = unpack(*args); });

    auto* pk = vt2->add_subcommand("pack", "Pack the data files of a record file back into ROM; the ROM is written "
                                           "(safely) only when every line fits.");
    pk->add_option("ROM", args->rom, "Game ROM")->required()->check(CLI::ExistingFile);
    pk->add_option("RECORD", args->record, "Record file with .COMP lines")->required()->check(CLI::ExistingFile);
    pk->add_option("-o,--output", args->output, "Write the packed ROM here instead of over ROM ('-': stdout)");
    pk->add_option("-C,--folder", args->folder, "Start folder (default: the current folder)");
    pk->callback([args, &status] { status = pack(*args); });
}

}  // namespace cli
