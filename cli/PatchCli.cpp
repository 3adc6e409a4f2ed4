// patch create / patch apply: IPS, IPS32 and BPS patches with the models
// Tarnwick32 uses.

#include <iostream>
#include <memory>

#include "cli/Cli.h"
#include "common/fileio.h"
#include "hexedit/romtools/PatchFormats.h"

namespace cli {

namespace {

namespace rt = hexedit::romtools;

struct CreateArgs {
    std::string original, edited, output, format;
};

struct ApplyArgs {
    std::string file, output;
    std::vector<std::string> patches;
    bool inPlace = false;
};

int create(const CreateArgs& a) {
    rt::PatchFormat format = a.format.empty() ? rt::patchFormatForName(a.output)
                             : a.format == "ips"   ? rt::PatchFormat::Ips
                             : a.format == "ips32" ? rt::PatchFormat::Ips32
                                                   : rt::PatchFormat::Bps;
    if (format == rt::PatchFormat::Unknown) {
        std::cerr << "patch create: cannot tell the format from \"" << a.output << "\"; use --format ips|ips32|bps\n";
        return UsageError;
    }
    std::vector<uint8_t> original, edited;
    if (!readInput(a.original, original) || !readInput(a.edited, edited)) return Failure;
    bool tooLargeForIps = false;
    const rt::PatchMade made = rt::createPatch(format, original, edited, &tooLargeForIps);
    if (!made.ok) {
        std::cerr << made.message << '\n';
        if (tooLargeForIps) std::cerr << "(--format ips32 or bps can reach it)\n";
        return Failure;
    }
    return writeOutput(a.output, made.patch) ? Success : Failure;
}

int apply(const ApplyArgs& a) {
    std::vector<uint8_t> file;
    if (!readInput(a.file, file)) return Failure;
    for (const std::string& path : a.patches) {
        std::vector<uint8_t> patch;
        if (!readInput(path, patch)) return Failure;
        const rt::PatchOutcome r = rt::applyAnyPatch(patch, common::fileNameOf(path), file);
        if (!r.ok) {
            std::cerr << path << ": " << r.message << '\n';
            return Failure;
        }
    }
    return writeOutput(a.inPlace ? a.file : a.output, file) ? Success : Failure;
}

}  // namespace

void addPatch(CLI::App& app, int& status) {
    auto* patch = app.add_subcommand("patch", "Make and apply IPS, IPS32 and BPS patches.");
    patch->require_subcommand(1);

    auto c = std::make_shared<CreateArgs>();
    auto* create = patch->add_subcommand("create", "Write a patch that turns ORIGINAL into EDITED.");
    create->add_option("ORIGINAL", c->original, "Unchanged file ('-': stdin)")->required();
    create->add_option("EDITED", c->edited, "Edited file ('-': stdin)")->required();
    create->add_option("-o,--output", c->output, "Patch file (.ips, .ips32 or .bps; '-': stdout)")->required();
    create->add_option("--format", c->format, "Format, when the output name does not tell it")
        ->check(CLI::IsMember({"ips", "ips32", "bps"}));
    create->callback([c, &status] {
        if (c->original == "-" && c->edited == "-")
            throw CLI::ValidationError("ORIGINAL EDITED", "standard input can be only one of them");
        status = cli::create(*c);
    });

    auto p = std::make_shared<ApplyArgs>();
    auto* apply = patch->add_subcommand("apply", "Apply patches to FILE in order; each format is told by its header.");
    apply->add_option("FILE", p->file, "File to patch ('-': stdin)")->required();
    apply->add_option("PATCH", p->patches, "Patches, applied one after the other")->required();
    auto* out = apply->add_option("-o,--output", p->output, "Patched file ('-': stdout)");
    auto* inPlace = apply->add_flag("--in-place", p->inPlace, "Replace FILE (written safely: all or nothing)");
    out->excludes(inPlace);
    apply->callback([p, &status] {
        if (p->output.empty() && !p->inPlace) throw CLI::RequiredError("-o,--output or --in-place");
        if (p->inPlace && p->file == "-") throw CLI::ValidationError("--in-place", "needs a file, not stdin");
        status = cli::apply(*p);
    });
}

}  // namespace cli
