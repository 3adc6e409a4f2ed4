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
    PatchMade made = createPatch(format, unchanged.bytes(), ed.storedBytes(), &tooLargeForIps);
    if (tooLargeForIps) {
        // IPS32 reaches where three-byte offsets do not.
        std::string question = made.message;
        question.replace(question.rfind(" No patch created."), std::string::npos, " Create an IPS32 patch instead?");
        if (port.ask(question, title)) {
            made = createPatch(PatchFormat::Ips32, unchanged.bytes(), ed.storedBytes());
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
    if (port.ask("Save ROM before patching?", " IPS Patcher...")) s_.commands().run("SaveFile1Click");
    const EditorState& ed = s_.editor();
    const auto paths =
        port.openFiles({"Select PATCH file(s)...", ed.LastDirectory, "", kPatchFilter, true});
    if (paths.empty()) return;

    std::vector<uint8_t> file;
    try {
        const auto stored = ed.storedBytes();
        file.reserve(stored.size() + (size_t{1} << 16));
        file.assign(stored.begin(), stored.end());
        for (const std::string& path : paths) {
            FileBytes patch;
            if (patch.read(path, kMaxRead) != common::ReadStatus::Ok) {
                port.inform("File Not found or Valid... No patching performed.");
                return;
            }
            // IPS, IPS32 and BPS, told apart by their first bytes.
            const PatchOutcome r = applyAnyPatch(patch.bytes(), common::fileNameOf(path), file);
            if (!r.ok) {
                port.inform(r.message);
                return;
            }
        }
    } catch (const std::bad_alloc&) {
        port.inform("Fatal Error: Could Not Allocate Memory for PATCHED File.", "IPS Error", MsgIcon::Stop);
        return;
    }
    // A hidden savestate header stays as it is: a patch may not change it.
    const size_t skip = ed.HeaderSkip;
    const auto stored = ed.storedBytes();
    if (skip > 0 && !std::equal(stored.begin(), stored.begin() + static_cast<long>(skip), file.begin())) {
        port.inform("The patch changes the hidden savestate header.\n No patching performed.");
        return;
    }
    if (!s_.replaceBuffer(std::span<const uint8_t>(file).subspan(skip))) {
        port.inform("Fatal Error: Could Not Allocate Memory for PATCHED File.", "IPS Error", MsgIcon::Stop);
        return;
    }
    port.inform("Patching is complete! Remember to SAVE the changes!");
}

}  // namespace hexedit::romtools
