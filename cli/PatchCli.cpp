// patch create / patch apply: IPS, IPS32 and BPS patches with the models
// Tarnwick32 uses.

#include <fcntl.h>
#include <unistd.h>

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
    // Both files are compared where they lie, mapped, not copied first.
    InputBytes original, edited;
    if (!openInput(a.original, original) || !openInput(a.edited, edited)) return Failure;
    bool tooLargeForIps = false;
    // Pages a pass has left behind go back, so that memory stays bounded
    // whatever the files' size.
    const rt::PassedFn release = [&](uint64_t source, uint64_t target) {
        original.mapped.release(0, source);
        edited.mapped.release(0, target);
    };
    const rt::PatchMade made = rt::createPatch(format, original.bytes, edited.bytes, &tooLargeForIps, release);
    if (!made.ok) {
        std::cerr << made.message << '\n';
        if (tooLargeForIps) std::cerr << "(--format ips32 or bps can reach it)\n";
        return Failure;
    }
    return writeOutput(a.output, made.patch) ? Success : Failure;
}

// A file open for reading, closed when dropped.
struct OpenFile {
    int fd = -1;
    uint64_t size = 0;
    OpenFile() = default;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(OpenFile&& o) noexcept {
        std::swap(fd, o.fd);
        std::swap(size, o.size);
        return *this;
    }
    ~OpenFile() {
        if (fd >= 0) ::close(fd);
    }
    void measure() {
        const off_t end = ::lseek(fd, 0, SEEK_END);
        size = end < 0 ? 0 : static_cast<uint64_t>(end);
    }
};

// The file to patch: opened as it is, or standard input kept in a
// temporary file.
bool openSource(const std::string& path, OpenFile& f) {
    if (path == "-") {
        std::vector<uint8_t> bytes;
        readInput(path, bytes);
        f.fd = common::anonymousFile();
        if (f.fd < 0 || !common::writeAll(f.fd, bytes.data(), bytes.size())) {
            std::cerr << "cannot keep standard input in a temporary file\n";
            return false;
        }
    } else {
        f.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (f.fd < 0) {
            std::cerr << path << ": cannot be read\n";
            return false;
        }
    }
    f.measure();
    return true;
}

// Each patch is applied from the previous result to a new file, copying
// through bounded buffers; the last one is written safely to the output.
int apply(const ApplyArgs& a) {
    OpenFile source;
    if (!openSource(a.file, source)) return Failure;
    for (size_t i = 0; i < a.patches.size(); ++i) {
        const std::string& path = a.patches[i];
        std::vector<uint8_t> patch;
        if (!readInput(path, patch)) return Failure;
        std::string refusal;
        auto produce = [&](int out) -> std::string {
            const rt::PatchOutcome r = rt::applyPatchToFile(patch, common::fileNameOf(path), source.fd, source.size, out);
            if (r.ok) return {};
            refusal = path + ": " + r.message;
            return refusal;
        };
        std::string error;
        const std::string output = a.inPlace ? a.file : a.output;
        if (i + 1 < a.patches.size()) {
            OpenFile next;
            next.fd = common::anonymousFile();
            error = next.fd < 0 ? "cannot create a temporary file" : produce(next.fd);
            next.measure();
            source = std::move(next);
        } else {
            error = writeOutput(output, produce);
        }
        if (!error.empty()) {
            std::cerr << (refusal.empty() ? output + ": " + error : refusal) << '\n';
            return Failure;
        }
    }
    return Success;
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
