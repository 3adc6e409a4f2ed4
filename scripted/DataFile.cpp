#include "scripted/DataFile.h"

#include <cctype>
#include <cstdio>
#include <span>

#include "common/hexdigits.h"
#include "scripted/Script.h"

namespace scripted {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// The line begins with the keyword over its first n characters, any case.
bool startsWith(std::string_view line, std::string_view keyword) {
    if (line.size() < keyword.size()) return false;
    for (size_t i = 0; i < keyword.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(line[i])) != std::tolower(static_cast<unsigned char>(keyword[i])))
            return false;
    return true;
}

bool equalsNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && startsWith(a, b); }

// A small scanner over one line in the manner of the C scanf family:
// whitespace before each field is skipped; a field that does not convert
// ends the scan.
class Scanner {
public:
    explicit Scanner(std::string_view s) : s_(s) {}
    bool word(std::string_view& out) {
        skip();
        size_t start = i_;
        while (i_ < s_.size() && !isBlank(s_[i_])) ++i_;
        if (i_ == start) return false;
        out = s_.substr(start, i_ - start);
        return true;
    }
    bool decimal(int32_t& out) {
        skip();
        size_t j = i_;
        bool neg = false;
        if (j < s_.size() && (s_[j] == '-' || s_[j] == '+')) neg = s_[j++] == '-';
        size_t digits = j;
        uint64_t v = 0;
        while (j < s_.size() && std::isdigit(static_cast<unsigned char>(s_[j]))) {
            v = (v * 10 + static_cast<uint64_t>(s_[j] - '0')) & 0xFFFFFFFFu;
            ++j;
        }
        if (j == digits) return false;
        i_ = j;
        out = static_cast<int32_t>(neg ? (0 - static_cast<uint32_t>(v)) : static_cast<uint32_t>(v));
        return true;
    }
    bool hex(uint32_t& out) {
        skip();
        size_t j = i_;
        if (j + 1 < s_.size() && s_[j] == '0' && (s_[j + 1] == 'x' || s_[j + 1] == 'X') && j + 2 < s_.size() &&
            common::hexDigitValue(s_[j + 2]) >= 0)
            j += 2;
        size_t digits = j;
        const uint32_t v = common::readHexDigits32(s_, digits, &j);
        if (j == digits) return false;
        i_ = j;
        out = v;
        return true;
    }

private:
    void skip() {
        while (i_ < s_.size() && isBlank(s_[i_])) ++i_;
    }
    std::string_view s_;
    size_t i_ = 0;
};

// The word after the keyword, or empty.
std::string_view secondWord(std::string_view line) {
    Scanner sc(line);
    std::string_view w;
    if (!sc.word(w) || !sc.word(w)) return {};
    return w;
}

uint32_t parseHexPrefix(std::string_view s, bool& ok) {
    size_t i = 0;
    while (i < s.size() && isBlank(s[i])) ++i;
    const size_t start = i;
    const uint32_t v = common::readHexDigits32(s, start, &i);
    ok = i > start;
    return v;
}

std::string codeText(uint32_t code) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "[$%02X]", static_cast<unsigned>(code));
    return buf;
}

std::string decodeEscapes(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        const int byte = i + 3 < s.size() && s[i] == '\\' && s[i + 1] == 'x' ? common::hexByteValue(s[i + 2], s[i + 3]) : -1;
        if (byte >= 0) {
            out.push_back(static_cast<char>(byte));
            i += 3;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

void setText(TextEntry& e, std::string text, bool nullMark) {
    e.length = static_cast<uint16_t>(text.size() > 0xFFFF ? 0xFFFF : text.size());
    e.text = std::move(text);
    e.hasText = true;
    e.nullMark = nullMark ? 1 : 0;
}

// The entry a "CODE=..." line names: a word entry when more than two
// characters stand before the "=", else a byte entry. Nothing for a code
// outside its table or one that is not hexadecimal.
TextEntry* entryFor(TextTable& table, std::string_view line, size_t eq, uint32_t& code) {
    bool ok = false;
    code = parseHexPrefix(line.substr(0, eq), ok);
    if (!ok) return nullptr;
    if (eq > 2) return code <= 0xFFFF ? &table.WordEntries[code] : nullptr;
    return code <= 0xFF ? &table.ByteEntries[code] : nullptr;
}

void colourLine(std::string_view line, TextTable& table) {
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) return;
    auto value = static_cast<uint8_t>(parseNumber(line.substr(eq + 1)) & 0xFF);
    if (startsWith(line, ".NULL16")) {
        for (auto& e : table.WordEntries)
            if (e.nullMark) e.color = value;
    } else if (startsWith(line, ".NULL=")) {
        for (auto& e : table.ByteEntries)
            if (e.nullMark) e.color = value;
    } else {
        uint32_t code = 0;
        if (TextEntry* e = entryFor(table, line, eq, code)) e->color = value;
    }
}

void nullRange(std::string_view line, std::span<TextEntry> entries) {
    Scanner sc(line);
    std::string_view keyword, first, separator, last;
    if (!sc.word(keyword) || !sc.word(first) || !sc.word(separator) || !sc.word(last)) return;
    uint64_t lo = parseNumber(first), hi = parseNumber(last);
    if (lo > hi) std::swap(lo, hi);
    if (lo >= entries.size()) return;
    if (hi >= entries.size()) hi = entries.size() - 1;
    for (uint64_t c = lo; c <= hi; ++c) setText(entries[c], codeText(static_cast<uint32_t>(c)), true);
}

void tableLine(std::string_view line, TextTable& table) {
    if (startsWith(line, ".NULL ")) {
        nullRange(line, table.ByteEntries);
        return;
    }
    if (startsWith(line, ".NULL16")) {
        nullRange(line, table.WordEntries);
        return;
    }
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) return;
    uint32_t code = 0;
    TextEntry* e = entryFor(table, line, eq, code);
    if (!e) return;
    Scanner sc(line.substr(eq + 1));
    std::string_view word;
    std::string text = sc.word(word) ? decodeEscapes(word) : std::string();
    if (text.empty()) setText(*e, codeText(code), true);
    else setText(*e, std::move(text), false);
}

bool isDirective(std::string_view w, std::string_view yes) { return equalsNoCase(w, yes); }

}  // namespace

uint32_t parseNumber(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && isBlank(s[i])) ++i;
    s = s.substr(i);
    auto hexFrom = [&](size_t from) { return common::readHexDigits32(s, from); };
    if (s.empty()) return 0;
    if (s[0] == '$' || s[0] == 'X' || s[0] == 'x') return hexFrom(1);
    if ((s[0] == '0' || s[0] == '\\') && s.size() > 1 && (s[1] == 'x' || s[1] == 'X')) return hexFrom(2);
    if (s[0] == '\'') return s.size() > 1 ? static_cast<unsigned char>(s[1]) : 0;
    uint32_t v = 0;
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) break;
        v = v * 10 + static_cast<uint32_t>(c - '0');
    }
    return v;
}

DataFileResult readDataFile(std::string_view text, TextTable& table, ViewOptions& view, DataFileActions* actions) {
    DataFileResult result;
    size_t pos = 0;
    auto nextLine = [&](std::string_view& line) {
        if (pos >= text.size()) return false;
        size_t nl = text.find('\n', pos);
        size_t end = nl == std::string_view::npos ? text.size() : nl;
        line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos = nl == std::string_view::npos ? text.size() : nl + 1;
        return true;
    };
    auto show = [&](SideWindow w, std::string_view line) {
        if (actions) actions->showWindow(w, !isDirective(secondWord(line), "hide"));
    };

    std::string_view line;
    while (nextLine(line)) {
        if (startsWith(line, ".textbox")) {
            std::string_view rest = line.substr(8);
            if (rest.find(".color.blue") != std::string_view::npos) view.color = BoxColor::Blue;
            if (rest.find(".color.green") != std::string_view::npos) view.color = BoxColor::Green;
            if (rest.find(".color.red") != std::string_view::npos) view.color = BoxColor::Red;
            if (rest.find(".solid") != std::string_view::npos) view.fill = BoxFill::Solid;
            if (rest.find(".gradient") != std::string_view::npos) view.fill = BoxFill::Gradient;
        }
        // ".Font" carries a number that nothing uses.
        if (startsWith(line, ".TransText") && isDirective(secondWord(line), "SHOW") && actions)
            actions->reselectString();
        if (startsWith(line, ".CONTROLCODES")) {
            view.hideCodes = isDirective(secondWord(line), "HIDE");
            if (actions) actions->redrawBoth();
        }
        if (startsWith(line, ".VWF")) {
            view.useVwf = isDirective(secondWord(line), "ON");
            if (actions) actions->redrawBoth();
        }
        if (startsWith(line, ".TextWindow")) show(SideWindow::TextEditor, line);
        if (startsWith(line, ".HexWindow")) show(SideWindow::HexData, line);
        if (startsWith(line, ".KanaWindow")) show(SideWindow::KanaText, line);
        if (startsWith(line, ".FORMAT")) {
            Scanner sc(line);
            std::string_view name;
            std::array<int32_t, 9> n{};
            if (sc.word(name))
                for (auto& v : n)
                    if (!sc.decimal(v)) break;
            view.format = n;
            view.lineWidth = static_cast<uint16_t>(n[0]);
            view.glyphHeight = static_cast<uint8_t>(n[1]);
            view.glyphWidth = static_cast<uint8_t>(n[2]);
            if (static_cast<uint32_t>(view.lineWidth) * static_cast<uint8_t>(n[4]) != 0) view.formatSet = true;
        }
        if (startsWith(line, ".BLOCK")) {
            Scanner sc(line);
            std::string_view keyword;
            BlockEntry b;
            if (sc.word(keyword) && sc.hex(b.address)) sc.hex(b.second);
            if (result.blocks.size() < kMaxBlocks) result.blocks.push_back(b);
            else ++result.droppedBlocks;
        }
        if (startsWith(line, ".COLOR")) {
            while (nextLine(line)) {
                bool hasEq = line.find('=') != std::string_view::npos;
                if (!hasEq && line.find(".ENDCOLOR") != std::string_view::npos) break;
                colourLine(line, table);
            }
            continue;
        }
        if (startsWith(line, ".TABLE")) {
            while (nextLine(line)) {
                bool hasEq = line.find('=') != std::string_view::npos;
                if (!hasEq && line.find(".ENDTABLE") != std::string_view::npos) break;
                tableLine(line, table);
            }
            continue;
        }
    }
    return result;
}

}  // namespace scripted
