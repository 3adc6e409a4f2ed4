#include "hexedit/romtools/Expander.h"

#include <new>
#include <vector>

namespace hexedit::romtools {

void Expander::IncreaseDecreaseROMSize1Click() {
    if (!s_.editor().hasBuffer()) return;
    unitChosen(unit_);
    if (view_) view_->execModal();
}

void Expander::unitChosen(SizeUnit unit) {
    unit_ = unit;
    sizeTxt_ = romSizeText(unit, s_.editor().BufferSize);
    if (view_) view_->refresh();
}

void Expander::addHeaderToggled(bool on) {
    addHeader_ = on;
    if (view_) view_->refresh();
}

void Expander::CancelClick() {
    if (view_) view_->closeWindow();
}

void Expander::DoneClick() {
    common::Port& port = s_.port();
    const auto size = readNewSize(unit_, expOther_);
    if (!size) {
        port.inform("Error: No size entered...");
        return;
    }
    int64_t header = 0;
    if (addHeader_) {
        if (addHdr_.empty())
            port.inform(
                "Error: Header addition enabled, but no value supplied.\nError: Data size was set to zero on "
                "default.");
        else
            header = leadingDecimal(addHdr_);
    }
    if (!port.ask(resizeQuestion(unit_, *size), "ROM Size Change...")) return;
    if (!resizeTo(size->bytes + header)) {
        port.inform("Error changing ROM size.");
        return;
    }
    port.inform(resizedMessage(unit_, *size));
    if (view_) view_->closeWindow();
}

bool Expander::resizeTo(int64_t size) {
    const int64_t now = s_.editor().FileSize;
    if (size < 0 || size > kMaxRomSize) return false;
    if (size == now) return true;
    if (size < now) return s_.splice(static_cast<int32_t>(size), static_cast<int32_t>(now - size), {});
    try {
        const std::vector<uint8_t> pad(static_cast<size_t>(size - now), 0xFF);
        return s_.splice(static_cast<int32_t>(now), 0, pad);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace hexedit::romtools
