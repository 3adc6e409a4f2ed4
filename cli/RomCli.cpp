// checksum and dump: Tarnwick32's SNES checksum repair and its text and
// binary dumps, run on the main window's model without a window.

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/Cli.h"
#include "cli/CliPort.h"
#include "common/MappedFile.h"
#include "common/fileio.h"
#include "hexedit/core/DataPad.h"
#include "hexedit/romtools/SnesChecksum.h"
#include "hexedit/search/DataList.h"
#include "hexedit/transfer/Dumper.h"

namespace cli {

namespace {

struct ChecksumArgs {
    std::string file, output;
    bool fix = false;
};

int checksum(const ChecksumArgs& a) {
    namespace rt = hexedit::romtools;
    common::MappedFile file;
    if (const std::string error = file.open(a.file); !error.empty()) {
        std::cerr << a.file << ": " << error << '\n';
        return Failure;
    }
    // Pages already summed go back, so a large file is never resident whole.
    const rt::ChecksumFinding f = rt::examineSnesChecksum(
        file.bytes(), [&](size_t offset, size_t length) { file.release(offset, length); });
    if (f.refusal) {
        std::cerr << f.refusal << '\n';
        return Failure;
    }
    std::cout << rt::checksumFigures(f) << "\n\n";
    if (!f.repairNeeded()) {
        std::cout << "No checksum repair needed.\n";
        return Success;
    }
    if (!a.fix) {
        std::cout << "No checksum repair performed.\n";
        return Success;
    }
    // The file with the four bytes replaced, copied without reading it whole.
    const uint64_t at = f.header.base + rt::kComplementAt;
    const auto words = f.repairedWords();
    const std::string target = a.output.empty() ? a.file : a.output;
    const std::string error = writeOutput(target, [&](int out) -> std::string {
        const int in = ::open(a.file.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0) return "cannot read " + a.file;
        const bool ok = common::copyBytes(in, 0, out, at) && common::writeAll(out, words.data(), words.size()) &&
                        common::copyBytes(in, at + words.size(), out, file.size() - at - words.size());
        ::close(in);
        return ok ? std::string() : "cannot write";
    });
    if (!error.empty()) {
        std::cerr << target << ": " << error << '\n';
        return Failure;
    }
    std::cout << "Checksum has been repaired!\n";
    return Success;
}

struct DumpArgs {
    std::string file, table, start, end, output = "-";
    bool binary = false;
};

int dump(const DumpArgs& a) {
    CliPort port;
    hexedit::DataPad pad(port);
    if (!openInPad(pad, port, a.file, a.table)) return Failure;
    hexedit::search::DataList list(pad);
    hexedit::transfer::Dumper dumper(pad, list);
    // Standard output gets the file the dump writes into a fresh folder.
    std::filesystem::path temp;
    if (a.output == "-") {
        temp = std::filesystem::temp_directory_path() / ("romtoolset-dump-" + std::to_string(::getpid()));
        std::filesystem::create_directories(temp);
    }
    // On the command line a relative name means the current folder (the
    // editor would take the open file's).
    dumper.DFile = a.output == "-" ? (temp / "dump").string() : std::filesystem::absolute(a.output).string();
    dumper.BegOfs = hexedit::transfer::offsetBoxText(a.start);
    dumper.EndOfs = hexedit::transfer::offsetBoxText(a.end);
    dumper.DumpState = a.binary ? hexedit::transfer::BinaryPending : hexedit::transfer::TextPending;
    if (a.binary)
        dumper.binaryDump();
    else
        dumper.textDump();
    const bool ok = dumper.DumpState == hexedit::transfer::Idle && port.messages.size() == 1 &&
                    port.messages[0].icon == common::MsgIcon::Exclamation;
    int status = ok ? Success : Failure;
    if (ok && !temp.empty()) {
        std::vector<uint8_t> bytes;
        status = readInput(dumper.DFile, bytes) && writeOutput("-", bytes) ? Success : Failure;
        port.messages.clear();
    }
    if (!temp.empty()) std::filesystem::remove_all(temp);
    port.flush(ok && temp.empty() ? std::cout : std::cerr);
    return status;
}

}  // namespace

void addRom(CLI::App& app, int& status) {
    auto c = std::make_shared<ChecksumArgs>();
    auto* cs = app.add_subcommand("checksum", "Show the SNES checksum of FILE and the one it should have; --fix writes it.");
    cs->add_option("FILE", c->file, "SNES ROM image")->required()->check(CLI::ExistingFile);
    cs->add_flag("--fix", c->fix, "Write the repaired checksum and complement (safely, over FILE unless -o)");
    cs->add_option("-o,--output", c->output, "With --fix: write the repaired ROM here ('-': stdout)");
    cs->callback([c, &status] { status = checksum(*c); });

    auto d = std::make_shared<DumpArgs>();
    auto* dp = app.add_subcommand("dump", "Dump a range of FILE as text through a table, or as raw bytes.");
    dp->add_option("FILE", d->file, "File to dump from")->required()->check(CLI::ExistingFile);
    dp->add_option("--table,-t", d->table, "Table file with the dump directives (default: the file's companion .tbl)")
        ->check(CLI::ExistingFile);
    dp->add_option("--start,-s", d->start, "Start offset, hexadecimal")->required();
    dp->add_option("--end,-e", d->end, "End offset, hexadecimal, included")->required();
    dp->add_flag("--binary,-b", d->binary, "Raw bytes instead of text");
    dp->add_option("-o,--output", d->output, "Output file (default '-': stdout)");
    dp->callback([d, &status] {
        uint32_t start, end;
        if (!parseOffset(d->start, start)) throw CLI::ValidationError("--start", "not a hexadecimal offset: " + d->start);
        if (!parseOffset(d->end, end)) throw CLI::ValidationError("--end", "not a hexadecimal offset: " + d->end);
        char text[2][12];
        std::snprintf(text[0], sizeof text[0], "%08X", start);
        std::snprintf(text[1], sizeof text[1], "%08X", end);
        d->start = text[0];
        d->end = text[1];
        status = dump(*d);
    });
}

}  // namespace cli
