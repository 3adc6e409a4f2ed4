#pragma once
// The "Change ROM Size" window (TExpander): the current size in a unit, the
// new size, an optional header amount, and the resize that pads with FFh.

#include <string>

#include "hexedit/core/EditSession.h"
#include "hexedit/core/ModalView.h"
#include "hexedit/romtools/RomSize.h"

namespace hexedit::romtools {

// The form showing the window.
class ExpanderView : public ModalView {
public:
    // SizeTxt, the unit, both fields and the header box.
    virtual void refresh() = 0;
};

class Expander {
public:
    explicit Expander(EditSession& session) : s_(session) {}
    void setView(ExpanderView* v) { view_ = v; }

    static constexpr char Caption[] = "Change ROM Size";

    // "&Increase / Decrease ROM Size ".
    void IncreaseDecreaseROMSize1Click();

    SizeUnit unit() const { return unit_; }
    const std::string& SizeTxt() const { return sizeTxt_; }
    const std::string& ExpOther() const { return expOther_; }
    const std::string& addHdr() const { return addHdr_; }
    bool addHeader() const { return addHeader_; }

    // Window events.
    void unitChosen(SizeUnit unit);
    void ExpOtherEdited(std::string text) { expOther_ = std::move(text); }
    void addHdrEdited(std::string text) { addHdr_ = std::move(text); }
    void addHeaderToggled(bool on);
    void DoneClick();
    void CancelClick();

private:
    // The file becomes `size` bytes: cut, or padded with FFh.
    bool resizeTo(int64_t size);

    EditSession& s_;
    ExpanderView* view_ = nullptr;
    SizeUnit unit_ = SizeUnit::Bytes;
    std::string sizeTxt_;
    std::string expOther_;
    std::string addHdr_;
    bool addHeader_ = false;
};

}  // namespace hexedit::romtools
