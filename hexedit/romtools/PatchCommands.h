#pragma once
// "&Create an IPS File", "Create a BPS File..." and "&Patch Current File": a
// patch of the open file against an unchanged copy on disk, written beside
// the open file; IPS, IPS32 and BPS patches chosen by the user applied to the
// open file in memory as one undo step.

#include "hexedit/core/EditSession.h"
#include "hexedit/romtools/FileBytes.h"
#include "hexedit/romtools/PatchFormats.h"

namespace hexedit::romtools {

class PatchCommands {
public:
    explicit PatchCommands(EditSession& session) : s_(session) {}

    // A plain IPS patch; when the files differ at 16 MiB or beyond, an IPS32
    // patch (named .ips32) is offered instead.
    void CreateanIPSFile1Click();
    void CreateaBPSFile1Click();
    // All chosen patches are applied in their order; the file changes only
    // when every one of them was read and applied completely.
    void PatchCurrentFile1Click();

private:
    enum class Applied { Done, Refused, NoMemory };
    void createPatchFile(PatchFormat format);
    // IPS and IPS32 patches, checked whole, then written as records.
    Applied applyRecords(const std::vector<std::string>& paths, const std::vector<FileBytes>& patches);
    // Any patches, BPS among them: applied to a copy of the file, which
    // then becomes its content.
    Applied applyToCopy(const std::vector<std::string>& paths, const std::vector<FileBytes>& patches);

    EditSession& s_;
};

}  // namespace hexedit::romtools
