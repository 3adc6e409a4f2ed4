#pragma once
// "&Insert Binary Data": the bytes of a chosen file overwrite the open
// file's bytes from a start offset typed into the dump window (nothing is
// shifted; what does not fit is left out after asking).

#include <string>

#include "hexedit/core/EditSession.h"

namespace hexedit::transfer {

// The dump window in its insertion mode.
class InsertStartView {
public:
    virtual ~InsertStartView() = default;
    // Status text of the dump window.
    virtual void setStatusText(const std::string& text) = 0;
    // Shows the window modally with only the start box in use, holding
    // `start`; returns the box's text (empty after Escape).
    virtual std::string askStart(const std::string& start) = 0;
};

class BinaryInsert {
public:
    explicit BinaryInsert(EditSession& session);
    BinaryInsert(const BinaryInsert&) = delete;
    BinaryInsert& operator=(const BinaryInsert&) = delete;
    void setView(InsertStartView* v) { view_ = v; }

    void InsertBinaryData1Click();

private:
    EditSession& session_;
    InsertStartView* view_ = nullptr;
};

}  // namespace hexedit::transfer
