#pragma once
// "BYTE Fill" (F4), two presses: the first records the start and shows the
// dump window, where the fill value is typed into the name box; the second
// press (or the window's button) records the end and fills the range.

#include "hexedit/core/EditSession.h"
#include "hexedit/transfer/Dumper.h"

namespace hexedit::transfer {

class ByteFill : private DumpFill {
public:
    ByteFill(EditSession& session, Dumper& dumper);
    ByteFill(const ByteFill&) = delete;
    ByteFill& operator=(const ByteFill&) = delete;
    // The dump window, refreshed after the fill's texts are set.
    void setView(DumpView* v) { view_ = v; }

    void BYTEFill1Click();
    // The second step on the boxes as they stand.
    void fillRange() override;

private:
    void refresh();

    EditSession& session_;
    Dumper& dumper_;
    DumpView* view_ = nullptr;
};

}  // namespace hexedit::transfer
