#include "hexedit/romtools/PatchCommands.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <new>

#include "common/fileio.h"
#include "hexedit/romtools/FileBytes.h"
#include "hexedit/romtools/Ips.h"
#include "hexedit/romtools/PatchFormats.h"

namespace hexedit::romtools {

using common::MsgIcon;

namespace {
constexpr char kCreatorTitle[] = "IPS Creator...";
constexpr char kBpsCreatorTitle[] = "BPS Creator...";
constexpr char kPatchFilter[] =
    "Patch files (*.ips;*.ips32;*.bps)|*.ips;*.ips32;*.bps|IPS files (*.ips)|*.ips|IPS32 files (*.ips32)|*.ips32|"
    "BPS files (*.bps)|*.bps";
constexpr uint64_t kMaxRead = INT32_MAX;

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return a == b || std::filesystem::equivalent(a, b, ec);
}

// Removes the file at `path` that an earlier run wrote; false when one is
// there and stays.
bool removeOldPatch(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return !ec;
}
}  // namespace

void PatchCommands::CreateanIPSFile1Click() { createPatchFile(PatchFormat::Ips); }
void PatchCommands::CreateaBPSFile1Click() { createPatchFile(PatchFormat::Bps); }

void PatchCommands::createPatchFile(PatchFormat format) {
    common::Port& port = s_.port();
    const EditorState& ed = s_.editor();
    if (!ed.fileOpen() || !ed.hasBuffer()) return;
    const auto chosen = port.openFile({"Open UNCHANGED file...", ed.LastDirectory, "", "All files (*.*)|*.*", false});
    if (!chosen || chosen->empty()) return;
    const bool bps = format == PatchFormat::Bps;
    const char* title = bps ? kBpsCreatorTitle : kCreatorTitle;

    FileBytes unchanged;
    common::ReadStatus read = common::ReadStatus::TooLarge;
    try {
        read = unchanged.read(*chosen, kMaxRead);
    } catch (const std::bad_alloc&) {
    }
    if (read == common::ReadStatus::TooLarge) {
        port.inform("Fatal Error: Could Not Allocate Memory for UNCHANGED File.", bps ? "BPS Error" : "IPS Error",
                    MsgIcon::Stop);
        return;
    }
    if (read != common::ReadStatus::Ok) {
        port.inform("File Not found or Valid... No patch created.");
        return;
    }

    // The patch never replaces the edited file or the unchanged one.
    const auto compared = [&](const std::string& path) { return sameFile(path, ed.CurrentPath) || sameFile(path, *chosen); };
    std::string out = ipsPathFor(ed.CurrentPath);
    if (bps) out.replace(out.size() - 3, 3, "bps");
    if (compared(out)) {
        port.inform("No Patching was performed...");
        return;
    }
    // Offsets in a patch count from the start of the file on disk, a hidden
    // savestate header included.
    bool tooLargeForIps = false;
    PatchMade made;
    // Compared in the busy runner: large files take a while.
    const auto compare = [&](PatchFormat f, bool* tooLarge) {
        s_.runBusy("Creating patch", [&](const common::Progress&) {
            made = createPatch(f, unchanged.bytes(), ed.storedBytes(), tooLarge);
            return true;
        });
    };
    compare(format, &tooLargeForIps);
    if (tooLargeForIps) {
        // IPS32 reaches where three-byte offsets do not.
        std::string question = made.message;
        question.replace(question.rfind(" No patch created."), std::string::npos, " Create an IPS32 patch instead?");
        if (port.ask(question, title)) {
            compare(PatchFormat::Ips32, nullptr);
            out += "32";  // as game.ips32: tools for plain IPS refuse the header
        } else
            made.message = " No patch created.";
    }
    if (made.identical) {
        // No patch file remains: an older one beside the file would look
        // like the result. The IPS command writes either IPS kind.
        std::vector<std::string> old{out};
        if (!bps) old.push_back(out + "32");
        for (const std::string& path : old) {
            if (compared(path) || removeOldPatch(path)) continue;
            made.message += "\n The older patch " + common::fileNameOf(path) + " could not be removed.";
        }
    }
    if (!made.ok) {
        port.inform(made.message, title, MsgIcon::Stop);
        return;
    }
    if (compared(out) || !common::writeFileAtomic(out, made.patch).empty()) {
        port.inform("No Patching was performed...");
        return;
    }
    port.inform("Patch Creation completed!", title, MsgIcon::Exclamation);
}

void PatchCommands::PatchCurrentFile1Click() {
    common::Port& port = s_.port();
    if (!s_.editor().fileOpen() || !s_.editor().hasBuffer()) return;
    // A save that failed (and said so) stops here: the patch would change
    // bytes the user wanted on disk first.
    if (port.ask("Save ROM before patching?", " IPS Patcher...") && !s_.saveFile()) return;
    const EditorState& ed = s_.editor();
    const auto paths =
        port.openFiles({"Select PATCH file(s)...", ed.LastDirectory, "", kPatchFilter, true});
    if (paths.empty()) return;

    auto noMemory = [&port] {
        port.inform("Fatal Error: Could Not Allocate Memory for PATCHED File.", "IPS Error", MsgIcon::Stop);
    };
    try {
        std::vector<FileBytes> patches(paths.size());
        bool records = true;
        for (size_t i = 0; i < paths.size(); ++i) {
            if (patches[i].read(paths[i], kMaxRead) != common::ReadStatus::Ok) {
                port.inform("File Not found or Valid... No patching performed.");
                return;
            }
            const PatchFormat f = patchFormatOf(patches[i].bytes());
            records = records && (f == PatchFormat::Ips || f == PatchFormat::Ips32);
        }
        // Applied in the busy runner: a large patch takes a while.
        Applied applied = Applied::Refused;
        s_.runBusy("Patching", [&](const common::Progress&) {
            applied = records ? applyRecords(paths, patches) : applyToCopy(paths, patches);
            return true;
        });
        switch (applied) {
        case Applied::Done: port.inform("Patching is complete! Remember to SAVE the changes!"); break;
        case Applied::NoMemory: noMemory(); break;
        case Applied::Refused: break;
        }
    } catch (const std::bad_alloc&) {
        noMemory();
    }
}

namespace {
constexpr char kHeaderChanged[] = "The patch changes the hidden savestate header.\n No patching performed.";
}  // namespace

PatchCommands::Applied PatchCommands::applyRecords(const std::vector<std::string>& paths, const std::vector<FileBytes>& patches) {
    // Written record by record into the buffer: no copy of the file, and the
    // undo step keeps only the bytes the records replace.
    const EditorState& ed = s_.editor();
    const size_t skip = ed.HeaderSkip;
    const auto stored = ed.storedBytes();
    // What falls into a hidden savestate header goes to a copy of it, which
    // must come out unchanged.
    std::vector<uint8_t> header(stored.begin(), stored.begin() + static_cast<long>(skip));
    std::vector<EditRecord> records;
    for (size_t i = 0; i < patches.size(); ++i) {
        const PatchOutcome r =
            readPatchRecords(patches[i].bytes(), common::fileNameOf(paths[i]), [&](const PatchRecord& rec) {
                uint64_t offset = rec.offset;
                size_t count = rec.count;
                std::span<const uint8_t> data = rec.data;
                if (offset < skip) {
                    const size_t n = std::min<size_t>(count, skip - offset);
                    if (data.empty())
                        std::fill_n(header.begin() + static_cast<long>(offset), n, rec.value);
                    else
                        std::copy_n(data.begin(), n, header.begin() + static_cast<long>(offset));
                    offset += n;
                    count -= n;
                    if (!data.empty()) data = data.subspan(n);
                }
                if (count > 0) records.push_back({static_cast<int64_t>(offset - skip), count, data, rec.value});
            });
        if (!r.ok) {
            s_.port().inform(r.message);
            return Applied::Refused;
        }
    }
    if (!std::equal(header.begin(), header.end(), stored.begin())) {
        s_.port().inform(kHeaderChanged);
        return Applied::Refused;
    }
    return s_.writeRecords(records) ? Applied::Done : Applied::NoMemory;
}

PatchCommands::Applied PatchCommands::applyToCopy(const std::vector<std::string>& paths, const std::vector<FileBytes>& patches) {
    const EditorState& ed = s_.editor();
    std::vector<uint8_t> file;
    const auto stored = ed.storedBytes();
    file.reserve(stored.size() + (size_t{1} << 16));
    file.assign(stored.begin(), stored.end());
    for (size_t i = 0; i < patches.size(); ++i) {
        // IPS, IPS32 and BPS, told apart by their first bytes.
        const PatchOutcome r = applyAnyPatch(patches[i].bytes(), common::fileNameOf(paths[i]), file);
        if (!r.ok) {
            s_.port().inform(r.message);
            return Applied::Refused;
        }
    }
    // A hidden savestate header stays as it is: a patch may not change it.
    const size_t skip = ed.HeaderSkip;
    if (skip > 0 && !std::equal(stored.begin(), stored.begin() + static_cast<long>(skip), file.begin())) {
        s_.port().inform(kHeaderChanged);
        return Applied::Refused;
    }
    return s_.replaceBuffer(std::span<const uint8_t>(file).subspan(skip)) ? Applied::Done : Applied::NoMemory;
}

}  // namespace hexedit::romtools
