#include "hexedit/search/RelativeJump.h"

#include <charconv>

#include "common/hexdigits.h"
#include "hexedit/search/Goto.h"

namespace hexedit::search {

std::optional<int64_t> parseAdjustment(std::string_view text, bool isSigned) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.empty()) return 0;
    if (text.find('$') != std::string_view::npos) {
        auto v = common::parseHex(text.substr(1), 8);
        if (!v) return std::nullopt;
        const auto bits = static_cast<uint32_t>(*v);
        return isSigned ? int64_t{static_cast<int32_t>(bits)} : int64_t{bits};
    }
    int64_t v = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return v;
}

std::variant<int32_t, JumpError> jumpTarget(const RelativeJumpSettings& s, std::span<const uint8_t> buffer,
                                            int32_t cursor) {
    const int size = s.JumpSize + 1;
    if (cursor < 0 || static_cast<size_t>(cursor) + static_cast<size_t>(size) > buffer.size())
        return JumpError::ValuePastBuffer;
    uint32_t raw = 0;
    for (int i = 0; i < size; ++i) raw |= uint32_t{buffer[static_cast<size_t>(cursor + i)]} << (8 * i);
    int64_t v = raw;
    if (s.JumpUnsigned == 0) {
        const int bits = 8 * size;
        if (raw & (uint32_t{1} << (bits - 1))) v -= int64_t{1} << bits;
    }
    const auto a = parseAdjustment(s.adjustment, s.JumpUnsigned == 0);
    if (!a) return JumpError::BadAdjustment;
    int64_t t = v + *a;
    if (s.JumpMapping == HiRomValue) {
        t &= 0x3FFFFF;
    } else if (s.JumpMapping == LoRomValue) {
        const int64_t b = t & 0x7FFFFF;
        t = (b & 0xFFFF) + ((b & 0xFF0000) >> 1) - 0x8000;
    }
    const int64_t target = s.addRel ? cursor + t : t;
    if (target < 0 || target >= static_cast<int64_t>(buffer.size())) return JumpError::OutsideBuffer;
    return static_cast<int32_t>(target);
}

void RelativeJump::RelativeJumpSettings1Click() {
    if (view_) view_->showWindow();
}

void RelativeJump::setAdjustment(std::string_view text) { settings.adjustment = text.substr(0, kAdjustmentLimit); }

void RelativeJump::close() {
    if (view_) view_->closeWindow();
}

void RelativeJump::ExecuteRelativeJump1Click() {
    const int32_t p = session_.cursor();
    const auto result = jumpTarget(settings, session_.bytes(), p);
    if (const auto* error = std::get_if<JumpError>(&result)) {
        const char* text = *error == JumpError::ValuePastBuffer ? kValuePastBuffer
                           : *error == JumpError::BadAdjustment ? kBadAdjustment
                                                                : kOutsideBuffer;
        session_.port().inform(text, {}, common::MsgIcon::Exclamation);
        return;
    }
    session_.moveCursorTo(std::get<int32_t>(result));
    pushReturnOffset(session_, p);
    session_.refreshMenus();
    session_.repaint();
}

}  // namespace hexedit::search
