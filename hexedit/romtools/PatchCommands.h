#pragma once
// "&Create an IPS File" and "&Patch Current File": a patch of the open file
// against an unchanged copy on disk, written beside the open file; patches
// chosen by the user applied to the open file in memory as one undo step.

#include "hexedit/core/EditSession.h"

namespace hexedit::romtools {

class PatchCommands {
public:
    explicit PatchCommands(EditSession& session) : s_(session) {}

    void CreateanIPSFile1Click();
    // All chosen patches are applied to a copy in their order; the file
    // changes only when every one of them was read and applied completely.
    void PatchCurrentFile1Click();

private:
    EditSession& s_;
};

}  // namespace hexedit::romtools
