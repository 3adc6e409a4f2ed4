#include "hexedit/romtools/Snes2Hex.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "common/hexdigits.h"

namespace hexedit::romtools {

namespace {

std::string upper(const std::string& text) {
    std::string s = text;
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The field as hexadecimal; an empty or invalid field reads as 0.
uint32_t fieldValue(const std::string& text) {
    return static_cast<uint32_t>(std::min<uint64_t>(common::readHexDigits(text), UINT32_MAX));
}

}  // namespace

void Snes2Hex::SnesToHex1Click() {
    if (view_) view_->execModal();
}

const char* Snes2Hex::buttonCaption() const {
    static constexpr const char* captions[] = {"Lo-ROM", "Hi-ROM", "Memory", "Vram  "};
    return captions[static_cast<int>(mode_)];
}

const char* Snes2Hex::ZstText() const {
    return mode_ == ConvertMode::LoRom || mode_ == ConvertMode::HiRom ? "[$000]" : "[$C13]";
}

void Snes2Hex::modeChosen(ConvertMode mode) {
    mode_ = mode;
    lorom1_.clear();
    lorom2_.clear();
    direction_ = ConvertDirection::OffsetToAddress;
    refresh();
}

void Snes2Hex::lorom1Edited(const std::string& text) {
    lorom1_ = upper(text);
    direction_ = ConvertDirection::OffsetToAddress;
}

void Snes2Hex::lorom2Edited(const std::string& text) {
    lorom2_ = upper(text);
    direction_ = ConvertDirection::AddressToOffset;
}

void Snes2Hex::ConvertClick() {
    const bool toAddress = direction_ == ConvertDirection::OffsetToAddress;
    const uint32_t b = fieldValue(toAddress ? lorom1_ : lorom2_);
    const Conversion r = toAddress ? offsetToSnes(mode_, b, options_) : snesToOffset(mode_, b, options_);
    if (!r.ok()) {
        s_.port().inform(r.error);
        return;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%06X", r.value);
    (toAddress ? lorom2_ : lorom1_) = text;
    refresh();
}

void Snes2Hex::GotoClick() {
    if (!s_.editor().hasBuffer()) return;
    int64_t offset = fieldValue(lorom1_);
    const int32_t size = s_.editor().BufferSize;
    if (offset > size) offset = std::max<int64_t>(0, size - s_.view().PageBytes);
    s_.moveCursorTo(static_cast<int32_t>(offset));
}

void Snes2Hex::close() {
    if (view_) view_->closeWindow();
}

}  // namespace hexedit::romtools
