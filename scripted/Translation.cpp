#include "scripted/Translation.h"

#include <array>
#include <cctype>
#include <cstdio>

#include "common/hexdigits.h"

namespace scripted {
namespace {

struct ControlName {
    std::string_view name;
    uint8_t code;
};
constexpr std::array<ControlName, 10> kControlNames = {{{"KEY", 0xF0},
                                                        {"SFX", 0xF3},
                                                        {"NAME", 0xF4},
                                                        {"MEM_NUM", 0xF5},
                                                        {"MEM_TEXT", 0xF6},
                                                        {"FADEIN", 0xF7},
                                                        {"FADEOUT", 0xF8},
                                                        {"TEXTBOX", 0xFB},
                                                        {"CLRWIN", 0xFC},
                                                        {"NEWLINE", 0xFD}}};

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t pos = 0;
    for (;;) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos) {
            lines.push_back(text.substr(pos));
            return lines;
        }
        lines.push_back(text.substr(pos, nl - pos));
        pos = nl + 1;
    }
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Encodes one line's characters, leaving room for the end mark.
void encodeLine(std::string_view line, std::vector<uint8_t>& out) {
    auto put = [&](uint8_t b) {
        if (out.size() + 2 < kTranslationBufferSize) out.push_back(b);
    };
    for (size_t i = 0; i < line.size(); ++i) {
        char ch = line[i];
        if (ch != '[') {
            put(static_cast<uint8_t>(ch));
            continue;
        }
        size_t close = line.find(']', i + 1);
        if (close != std::string_view::npos) {
            std::string_view name = line.substr(i + 1, close - i - 1);
            bool named = false;
            for (const auto& c : kControlNames)
                if (equalNoCase(name, c.name)) {
                    put(0x00);
                    put(c.code);
                    named = true;
                    break;
                }
            if (named) {
                i = close;
                continue;
            }
        }
        if (i + 1 < line.size() && line[i + 1] == '$') {
            // Hexadecimal bytes, two digits each, up to the "]" (or the line's end).
            size_t end = close == std::string_view::npos ? line.size() : close;
            for (size_t j = i + 2; j < end; j += 2) {
                // A digit without a second one is a byte of its own.
                const int hi = common::hexDigitValue(line[j]);
                const int byte = j + 1 < end ? common::hexByteValue(line[j], line[j + 1]) : -1;
                if (hi < 0) continue;
                put(static_cast<uint8_t>(byte < 0 ? hi : byte));
            }
            i = end;
            continue;
        }
        put('[');
    }
}

}  // namespace

std::string newTranslationText(unsigned count) {
    std::string t = "// Do not erase these: \n// .STRING #\n// .ENDS\n\n\n";
    char buf[32];
    for (unsigned k = 0; k < count; ++k) {
        std::snprintf(buf, sizeof buf, ".STRING %u\n\n.ENDS\n\n\n\n", k);
        t += buf;
    }
    return t;
}

std::optional<SectionMatch> findSection(std::string_view text, size_t from, int index) {
    char key[32];
    int n = std::snprintf(key, sizeof key, ".STRING %d", index);
    std::string_view k(key, static_cast<size_t>(n));
    if (from > text.size() || text.size() - from < k.size()) return std::nullopt;
    for (size_t i = from; i + k.size() <= text.size(); ++i) {
        if (!equalNoCase(text.substr(i, k.size()), k)) continue;
        SectionMatch m;
        m.offset = i;
        for (size_t j = 0; j < i; ++j)
            if (text[j] == '\n') ++m.line;
        return m;
    }
    return std::nullopt;
}

std::vector<uint8_t> encodeSection(std::string_view text, size_t line) {
    std::vector<uint8_t> out;
    std::vector<std::string_view> all = splitLines(text);
    // The section: from its ".STRING" line up to and including the first
    // line that reads ".ENDS" (blanks trimmed), or to the end of the text.
    std::vector<std::string_view> lines;
    for (size_t i = line; i < all.size(); ++i) {
        lines.push_back(all[i]);
        if (i > line && trimmed(all[i]) == ".ENDS") break;
    }
    auto isEnd = [&](size_t i) {
        if (i >= lines.size()) return true;
        std::string_view s = lines[i];
        return (s.size() >= 5 && equalNoCase(s.substr(0, 5), ".ENDS")) ||
               (i + 1 == lines.size() && trimmed(s) == ".ENDS");
    };
    for (size_t i = 1; !isEnd(i); ++i) {
        encodeLine(lines[i], out);
        if (isEnd(i + 1)) break;
        if (out.size() + 4 > kTranslationBufferSize) break;
        out.push_back(0x01);
        out.push_back(0x80);
    }
    out.push_back(0xFF);
    out.push_back(0xFF);
    return out;
}

std::string toFileText(std::string_view editorText) {
    std::string out;
    out.reserve(editorText.size() + editorText.size() / 16);
    for (char c : editorText) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

std::string fromFileText(std::string_view fileText) {
    std::string out;
    out.reserve(fileText.size());
    for (size_t i = 0; i < fileText.size(); ++i) {
        if (fileText[i] == '\r' && i + 1 < fileText.size() && fileText[i + 1] == '\n') continue;
        out.push_back(fileText[i]);
    }
    return out;
}

namespace {
constexpr char16_t kShownCr = u'\u240D';
}

std::u16string toEditorChars(std::string_view text) {
    std::u16string out(text.size(), u' ');
    for (size_t i = 0; i < text.size(); ++i)
        out[i] = text[i] == '\r' ? kShownCr : static_cast<char16_t>(static_cast<unsigned char>(text[i]));
    return out;
}

std::string fromEditorChars(std::u16string_view chars) {
    std::string out(chars.size(), ' ');
    for (size_t i = 0; i < chars.size(); ++i) {
        const char16_t c = chars[i];
        out[i] = c == u'\u2028' || c == u'\u2029' ? '\n' : c == kShownCr ? '\r' : c > 0xFF ? '?' : static_cast<char>(c);
    }
    return out;
}

}  // namespace scripted
