#include "common/gamerom.h"

#include <algorithm>

#include "common/codepage.h"

namespace common::gamerom {

bool titleMatches(std::span<const uint8_t> image) {
    if (image.size() < kTitleOffset + kTitle.size()) return false;
    return std::equal(kTitle.begin(), kTitle.end(), image.begin() + kTitleOffset,
                      [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
}

namespace {

bool isSingleByteCharacter(unsigned b) { return (b >= 0x20 && b <= 0x7E) || (b >= 0xA1 && b <= 0xDF); }
bool isTrailByte(unsigned b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

}  // namespace

std::optional<std::string> glyphShiftJis(uint16_t code) {
    if (code < 0x100) {
        if (!isSingleByteCharacter(code)) return std::nullopt;
        return std::string(1, static_cast<char>(code));
    }
    if (code >= 0x8000) return std::nullopt;
    unsigned lead = (code >> 8) | 0x80u, trail = code & 0xFFu;
    if (!isCp932Lead(static_cast<unsigned char>(lead)) || !isTrailByte(trail)) return std::nullopt;
    return std::string{static_cast<char>(lead), static_cast<char>(trail)};
}

std::optional<uint16_t> shiftJisGlyph(std::string_view character) {
    if (character.size() == 1) {
        auto b = static_cast<unsigned char>(character[0]);
        if (!isSingleByteCharacter(b)) return std::nullopt;
        return b;
    }
    if (character.size() != 2) return std::nullopt;
    auto lead = static_cast<unsigned char>(character[0]), trail = static_cast<unsigned char>(character[1]);
    if (!isCp932Lead(lead) || !isTrailByte(trail)) return std::nullopt;
    return static_cast<uint16_t>(((lead & 0x7Fu) << 8) | trail);
}

}  // namespace common::gamerom
