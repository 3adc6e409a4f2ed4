#include "hexedit/romtools/PatchCommands.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <new>

#include "common/fileio.h"
#include "hexedit/romtools/FileBytes.h"
#include "hexedit/romtools/Ips.h"

namespace hexedit::romtools {

using common::MsgIcon;

namespace {
constexpr char kCreatorTitle[] = "IPS Creator...";
constexpr uint64_t kMaxRead = INT32_MAX;

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return a == b || std::filesystem::equivalent(a, b, ec);
}
}  // namespace

void PatchCommands::CreateanIPSFile1Click() {
    common::Port& port = s_.port();
    const EditorState& ed = s_.editor();
    if (!ed.fileOpen() || !ed.hasBuffer()) return;
    const auto chosen = port.openFile({"Open UNCHANGED file...", ed.LastDirectory, "", "All files (*.*)|*.*", false});
    if (!chosen || chosen->empty()) return;

    FileBytes unchanged;
    common::ReadStatus read = common::ReadStatus::TooLarge;
    try {
        read = unchanged.read(*chosen, kMaxRead);
    } catch (const std::bad_alloc&) {
    }
    if (read == common::ReadStatus::TooLarge) {
        port.inform("Fatal Error: Could Not Allocate Memory for UNCHANGED File.", "IPS Error", MsgIcon::Stop);
        return;
    }
    if (read != common::ReadStatus::Ok) {
        port.inform("File Not found or Valid... No patch created.");
        return;
    }

    // The patch never replaces the edited file or the unchanged one.
    const std::string out = ipsPathFor(ed.CurrentPath);
    if (sameFile(out, ed.CurrentPath) || sameFile(out, *chosen)) {
        port.inform("No Patching was performed...");
        return;
    }
    // Offsets in a patch count from the start of the file on disk, a hidden
    // savestate header included.
    const IpsCreateResult r = createIps(unchanged.bytes(), ed.storedBytes());
    if (r.status == IpsCreateStatus::OutOfRange) {
        char text[160];
        std::snprintf(text, sizeof text,
                      " The files differ at offset %08X.\n An IPS patch cannot reach 16 MB and beyond.\n No patch created.",
                      r.firstOutOfRange);
        port.inform(text, kCreatorTitle, MsgIcon::Stop);
        return;
    }
    if (r.status == IpsCreateStatus::Identical) {
        port.inform(" These files are the same.\n No patch created.", kCreatorTitle, MsgIcon::Stop);
        return;
    }
    if (!common::writeFileAtomic(out, r.patch).empty()) {
        port.inform("No Patching was performed...");
        return;
    }
    port.inform("Patch Creation completed!", kCreatorTitle, MsgIcon::Exclamation);
}

void PatchCommands::PatchCurrentFile1Click() {
    common::Port& port = s_.port();
    if (!s_.editor().fileOpen() || !s_.editor().hasBuffer()) return;
    if (port.ask("Save ROM before patching?", " IPS Patcher...")) s_.commands().run("SaveFile1Click");
    const EditorState& ed = s_.editor();
    const auto paths =
        port.openFiles({"Select PATCH file(s)...", ed.LastDirectory, "", "IPS files (*.ips)|*.ips", true});
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
            const IpsApplyResult r = applyIps(patch.bytes(), file);
            if (r.status == IpsApplyStatus::BadHeader) {
                port.inform("Not a valid \"PATCH\" file!");
                return;
            }
            if (r.status == IpsApplyStatus::Truncated) {
                port.inform("The patch \"" + common::fileNameOf(path) +
                            "\" ends inside a record.\n No patching performed.");
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
