#include "common/codepage.h"

#include <iconv.h>

#include <array>
#include <memory>
#include <unordered_map>
#include <vector>

namespace common {

namespace {

constexpr char16_t kNoChar = 0;

// Converts one code-page sequence to a single UTF-16 unit; 0 when invalid or
// when it needs more than one unit.
char16_t convertOne(iconv_t cd, const char* in, size_t len) {
    char16_t out[4] = {};
    char* src = const_cast<char*>(in);
    size_t srcLeft = len;
    char* dst = reinterpret_cast<char*>(out);
    size_t dstLeft = sizeof(out);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1) || srcLeft != 0) return kNoChar;
    if (sizeof(out) - dstLeft != 2) return kNoChar;
    return out[0];
}

struct CodePage {
    std::array<char16_t, 256> single{};          // single-byte characters
    std::vector<char16_t> pairs;                   // lead * 256 + trail, when double-byte
    std::unordered_map<char16_t, uint16_t> reverse;  // char -> code (<= 0xFF single byte)
    bool doubleByte = false;
};

CodePage build(const char* name, bool doubleByte) {
    CodePage cp;
    cp.doubleByte = doubleByte;
    iconv_t cd = iconv_open("UTF-16LE", name);
    if (cd == reinterpret_cast<iconv_t>(-1)) return cp;
    for (int b = 0; b < 256; ++b) {
        if (doubleByte && isCp932Lead(static_cast<unsigned char>(b))) continue;
        char c = static_cast<char>(b);
        cp.single[b] = b == 0 ? u'\0' : convertOne(cd, &c, 1);
    }
    if (doubleByte) {
        cp.pairs.assign(65536, kNoChar);
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!isCp932Lead(static_cast<unsigned char>(lead))) continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                char seq[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                cp.pairs[lead * 256 + trail] = convertOne(cd, seq, 2);
            }
        }
    }
    iconv_close(cd);
    // Reverse map: the lowest code wins, single bytes before pairs.
    for (int b = 0; b < 256; ++b)
        if (cp.single[b] != kNoChar || b == 0) cp.reverse.try_emplace(cp.single[b], static_cast<uint16_t>(b));
    for (size_t code = 0; code < cp.pairs.size(); ++code)
        if (cp.pairs[code] != kNoChar) cp.reverse.try_emplace(cp.pairs[code], static_cast<uint16_t>(code));
    return cp;
}

const CodePage& cp932() {
    static const CodePage cp = build("CP932", true);
    return cp;
}
const CodePage& cp1252() {
    static const CodePage cp = build("CP1252", false);
    return cp;
}

std::u16string decode(const CodePage& cp, std::string_view bytes, char16_t invalid) {
    std::u16string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        auto b = static_cast<unsigned char>(bytes[i]);
        if (cp.doubleByte && isCp932Lead(b)) {
            if (i + 1 >= bytes.size()) {
                out.push_back(invalid);
                break;
            }
            char16_t c = cp.pairs[b * 256 + static_cast<unsigned char>(bytes[i + 1])];
            if (c == kNoChar) {
                out.push_back(invalid);
            } else {
                out.push_back(c);
                ++i;
            }
            continue;
        }
        char16_t c = cp.single[b];
        out.push_back(c == kNoChar && b != 0 ? invalid : c);
    }
    return out;
}

std::optional<std::string> encode(const CodePage& cp, std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        auto it = cp.reverse.find(c);
        if (it == cp.reverse.end()) return std::nullopt;
        if (it->second > 0xFF) out.push_back(static_cast<char>(it->second >> 8));
        out.push_back(static_cast<char>(it->second & 0xFF));
    }
    return out;
}

}  // namespace

std::u16string cp932ToUtf16(std::string_view bytes) { return decode(cp932(), bytes, u'\u30FB'); }
std::u16string cp1252ToUtf16(std::string_view bytes) { return decode(cp1252(), bytes, u'\uFFFD'); }
std::optional<std::string> utf16ToCp932(std::u16string_view text) { return encode(cp932(), text); }
std::optional<std::string> utf16ToCp1252(std::u16string_view text) { return encode(cp1252(), text); }

std::u16string utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    size_t i = 0;
    while (i < utf8.size()) {
        auto c = static_cast<unsigned char>(utf8[i]);
        char32_t cp = 0xFFFD;
        size_t len = 1;
        if (c < 0x80) {
            cp = c;
        } else if ((c >> 5) == 0x6) {
            len = 2;
        } else if ((c >> 4) == 0xE) {
            len = 3;
        } else if ((c >> 3) == 0x1E) {
            len = 4;
        }
        if (len > 1) {
            if (i + len > utf8.size()) {
                len = 1;
            } else {
                cp = c & (0x7F >> len);
                for (size_t k = 1; k < len; ++k) {
                    auto cc = static_cast<unsigned char>(utf8[i + k]);
                    if ((cc >> 6) != 0x2) {
                        cp = 0xFFFD;
                        len = k;
                        break;
                    }
                    cp = (cp << 6) | (cc & 0x3F);
                }
            }
        }
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp > 0x10FFFF ? 0xFFFD : cp));
        }
        i += len;
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

}  // namespace common
