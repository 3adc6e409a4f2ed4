#pragma once
// The Edit menu and the hex view's own entries: undo and redo, copy and
// paste, the view's toggles and offset formats, and the view's keys.

#include "hexedit/core/EditSession.h"
#include "hexedit/core/HexView.h"

namespace hexedit {

class EditCommands {
public:
    // Registers the entries and the view's key handler with the session.
    EditCommands(EditSession& session, HexView& view);
    EditCommands(const EditCommands&) = delete;
    EditCommands& operator=(const EditCommands&) = delete;

    void Undo1Click();
    void Redo1Click();

private:
    void paste(bool asText);
    void copySelection(bool asText);

    EditSession& session_;
    HexView& view_;
};

}  // namespace hexedit
