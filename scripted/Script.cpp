#include "scripted/Script.h"

#include <array>
#include <cstdio>

namespace scripted {
namespace {

// Whole command lengths of opcodes 0-88; 0 marks the variable-length ones.
constexpr std::array<int8_t, 89> makeLengths() {
    std::array<int8_t, 89> t{};
    auto set = [&](std::initializer_list<int> ops, int len) {
        for (int op : ops) t[static_cast<size_t>(op)] = static_cast<int8_t>(len);
    };
    set({0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 14, 15, 16, 17, 18, 19, 21, 26, 27, 28, 29, 35, 46, 47, 48, 49, 52,
         53, 54, 55, 56, 57, 58, 59, 62, 63, 64, 69, 70, 71},
        2);
    set({20, 22, 23, 24, 25, 33, 34, 44, 45, 50, 51, 67, 68, 85, 86}, 3);
    set({4, 12, 13, 30, 36, 37, 42, 43}, 4);
    set({40, 41, 84}, 5);
    set({31, 32, 72, 73, 74, 75, 76, 77, 87, 88}, 6);
    set({82, 83}, 7);
    set({78, 79}, 9);
    set({80, 81}, 11);
    set({38, 39, 60, 61, 65, 66}, 0);
    return t;
}
constexpr auto kLengths = makeLengths();

}  // namespace

int commandLength(uint16_t opcode) {
    if (opcode == 0xFFFF) return 2;
    if (opcode < kLengths.size()) return kLengths[opcode];
    return -1;
}

WalkResult WalkScript(std::span<const uint8_t> image, uint32_t romOffset, std::vector<uint32_t>& pointers) {
    pointers.clear();
    WalkResult r;
    const uint64_t size = image.size();
    uint64_t pos = romOffset;
    auto failed = [&] {
        r.count = kWalkFailed;
        r.endOffset = static_cast<uint32_t>(pos < size ? pos : size);
        return r;
    };
    for (;;) {
        // The opcode word and any operand must lie inside the image.
        if (pos + 2 > size) return failed();
        uint16_t op = static_cast<uint16_t>(image[pos] | (image[pos + 1] << 8));
        int len = commandLength(op);
        if (len < 0) {
            r.count = static_cast<uint16_t>(pointers.size());
            r.endOffset = static_cast<uint32_t>(pos);
            return r;
        }
        if (len > 0) {
            pos += static_cast<uint64_t>(len);
            if (pos > size) return failed();
            continue;
        }
        if (op == 38 || op == 39) {
            // One byte, then bytes up to and including the first 0xFF, then one more.
            pos += 3;
            while (pos < size && image[pos] != 0xFF) ++pos;
            if (pos >= size) return failed();
            pos += 2;
            if (pos > size) return failed();
            continue;
        }
        // 60, 61, 65, 66: a 24-bit operand after the opcode.
        if (pos + 5 > size) {
            // A near operand needs only two bytes; its bank byte would be
            // the next command's, which is not there: the script ends here.
            pos += 4;
            return failed();
        }
        uint32_t operand = image[pos + 2] | (image[pos + 3] << 8) | (static_cast<uint32_t>(image[pos + 4]) << 16);
        if (operand >= 0xC00000) {
            if (op != 66) {
                if (pointers.size() < kMaxStrings) pointers.push_back(SnesToRom(operand));
                else r.truncated = true;
            }
            pos += 5;
        } else {
            pos += 4;
        }
    }
}

std::string controlText(uint16_t word) {
    switch (word) {
        case 0x8006: return "[Text8x16]";
        case 0x8007: return "[Text16x16]";
        case 0x800C: return "[Key]";
        case 0x800F: return "[ClrScr]";
        default: break;
    }
    char buf[12];
    std::snprintf(buf, sizeof buf, "[$%04X]", static_cast<unsigned>(word));
    return buf;
}

std::string kanaText(std::span<const TextEvent> events, bool hideCodes) {
    std::string out;
    for (const TextEvent& e : events) {
        switch (e.kind) {
            case TextEvent::Glyph:
                if (auto c = common::gamerom::glyphShiftJis(e.word)) {
                    out += *c;
                } else {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "{%04X}", static_cast<unsigned>(e.word));
                    out += buf;
                }
                break;
            case TextEvent::NewLine: out += '\n'; break;
            case TextEvent::ControlText:
                if (!hideCodes) out += e.text;
                if (e.lineBreak) out += '\n';
                break;
            case TextEvent::End: break;
        }
    }
    return out;
}

TextEvent StringDecoder::next() {
    TextEvent e;
    if (done_) {
        e.cut = cut_;
        return e;
    }
    if (static_cast<uint64_t>(pos_) + 2 > image_.size()) {
        // The string has no end word before the end of the image. Say so
        // once, where the text stops, then end.
        if (!cut_) {
            cut_ = true;
            e.kind = TextEvent::ControlText;
            e.text = "[End of ROM]";
            return e;
        }
        done_ = true;
        e.cut = true;
        return e;
    }
    uint16_t w = static_cast<uint16_t>(image_[pos_] | (image_[pos_ + 1] << 8));
    pos_ += 2;
    e.word = w;
    if (w == 0x8000 || w == 0xFFFF) {
        done_ = true;
        e.kind = TextEvent::End;
    } else if (w == 0x8001) {
        e.kind = TextEvent::NewLine;
    } else if (isControlWord(w)) {
        e.kind = TextEvent::ControlText;
        e.text = controlText(w);
        e.lineBreak = (w == 0x800C);
    } else {
        e.kind = TextEvent::Glyph;
    }
    return e;
}

std::vector<TextEvent> DecodeString(std::span<const uint8_t> image, uint32_t romOffset) {
    std::vector<TextEvent> out;
    StringDecoder d(image, romOffset);
    for (;;) {
        out.push_back(d.next());
        if (out.back().kind == TextEvent::End) return out;
    }
}

std::span<const uint8_t> GlyphAt(std::span<const uint8_t> image, uint16_t code) {
    uint64_t at = kFontOffset + static_cast<uint64_t>(code) * kGlyphBytes;
    if (at + kGlyphBytes > image.size()) return {};
    return image.subspan(static_cast<size_t>(at), kGlyphBytes);
}

}  // namespace scripted
