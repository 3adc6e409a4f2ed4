#include "hexedit/core/TableLoader.h"

#include <cctype>
#include <new>
#include <vector>

#include "common/fileio.h"
#include "common/hexdigits.h"

namespace hexedit {

namespace {

// Table files are small; anything larger than this is not one.
constexpr uint64_t kMaxTableFile = 64u * 1024 * 1024;

// Reads the text the way a line-oriented text stream does: CR LF counts as
// LF, a line holds at most kMaxTableLine characters including its LF (a
// longer one continues as the next line), the LF is dropped, and a NUL ends
// the line's text.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    bool next(std::string& line) {
        if (pos_ >= text_.size()) return false;
        line.clear();
        size_t taken = 0;
        bool sawNul = false;
        while (pos_ < text_.size() && taken < kMaxTableLine) {
            char c = text_[pos_];
            if (c == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') {
                ++pos_;
                continue;
            }
            ++pos_;
            ++taken;
            if (c == '\n') break;
            if (c == '\0') sawNul = true;
            if (!sawNul) line.push_back(c);
        }
        return true;
    }

private:
    std::string_view text_;
    size_t pos_ = 0;
};

// Exactly `digits` hexadecimal digits at the start of `s`.
std::optional<uint32_t> fixedHex(std::string_view s, size_t digits) {
    if (s.size() < digits) return std::nullopt;
    size_t end = 0;
    const uint32_t v = common::readHexDigits32(s.substr(0, digits), 0, &end);
    if (end != digits) return std::nullopt;
    return v;
}

// A directive's number: "$" then hexadecimal, otherwise decimal; the digits
// at the start count, none gives 0, overflow saturates.
uint32_t directiveNumber(std::string_view word) {
    uint64_t v = 0;
    if (!word.empty() && word[0] == '$') {
        return common::readHexDigits32(word, 1);
    } else {
        for (size_t i = 0; i < word.size() && word[i] >= '0' && word[i] <= '9'; ++i) {
            v = v * 10 + static_cast<uint64_t>(word[i] - '0');
            if (v > UINT32_MAX) return UINT32_MAX;
        }
    }
    return static_cast<uint32_t>(v);
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n'; }

std::vector<std::string_view> firstWords(std::string_view s, size_t count) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (words.size() < count) {
        while (i < s.size() && isBlank(s[i])) ++i;
        if (i >= s.size()) break;
        size_t start = i;
        while (i < s.size() && !isBlank(s[i])) ++i;
        words.push_back(s.substr(start, i - start));
    }
    return words;
}

struct Quoted {
    std::string_view text;
    size_t closing = std::string_view::npos;  // position of the closing quote
};

// The text between the first two double quotes; from the first quote to the
// end when there is no second; the whole line when there is no quote.
Quoted quotedPart(std::string_view line) {
    size_t open = line.find('"');
    if (open == std::string_view::npos) return {line, std::string_view::npos};
    size_t close = line.find('"', open + 1);
    if (close == std::string_view::npos) return {line.substr(open + 1), std::string_view::npos};
    return {line.substr(open + 1, close - open - 1), close};
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    return true;
}

// The first "=" of a directive line is read as a space.
std::string directiveText(std::string line) {
    if (size_t eq = line.find('='); eq != std::string::npos) line[eq] = ' ';
    return line;
}

bool isDumpDirective(std::string_view name) {
    return startsWithNoCase(name, ".startdump") || startsWithNoCase(name, ".enddump");
}

// A ".startdump"/".enddump" text goes on over the next lines when its
// closing quote is followed by ','; each continuation line that holds '",'
// goes on again.
bool continuesAfter(const std::string& line, const Quoted& q) {
    return q.closing != std::string_view::npos && q.closing + 1 < line.size() && line[q.closing + 1] == ',';
}
bool continuationGoesOn(std::string_view line) { return line.find("\",") != std::string_view::npos; }

// Codes are read before entries; an entry has "=" third or fifth.
bool isCodeLine(std::string_view line) {
    return !line.empty() && (line[0] == '*' || line[0] == '/' || line[0] == '\\');
}
bool isByteEntry(std::string_view line) { return line.size() >= 3 && line[2] == '='; }
bool isPairEntry(std::string_view line) { return line.size() >= 5 && line[4] == '='; }

class Parser {
public:
    Parser(TableData& table, std::string_view content) : t_(table), lines_(content) {}

    void run() {
        std::string line;
        while (lines_.next(line)) classify(line);
    }

private:
    void classify(std::string& line) {
        if (line.empty()) return;
        const char first = line[0];
        if (isCodeLine(line)) return code(line);
        if (isByteEntry(line)) {
            if (auto key = fixedHex(line, 2)) t_.setByte(static_cast<uint8_t>(*key), line.substr(3));
            return;
        }
        if (isPairEntry(line)) {
            if (auto key = fixedHex(line, 4)) t_.setPair(static_cast<uint16_t>(*key), line.substr(5));
            return;
        }
        if (first == '(' && line.find(')') != std::string::npos) return bookmark(line);
        if (first == '[' && line.find('-') != std::string::npos && line.find(']') != std::string::npos) {
            if (t_.DumpMarks.size() < kMaxDumpMarks) t_.DumpMarks.push_back(line);
            return;
        }
        if (first == '.') return directive(line);
    }

    // "/XX", "*XX", "\XX": one or two hex digits after the marker.
    void code(const std::string& line) {
        std::string_view digits = std::string_view(line).substr(1, 2);
        size_t n = 0;
        const uint32_t v = common::readHexDigits32(digits, 0, &n);
        if (n == 0) return;
        CodeMarker m{static_cast<uint16_t>(v & 0xFF), line[0]};
        if (line[0] == '/') t_.LineBreakCode = m;
        else t_.EndStringCode = m;
    }

    // "(OFFSETh)label" -> "label->[OFFSET]"; the character before ')' is dropped.
    void bookmark(const std::string& line) {
        size_t close = line.find(')');
        std::string offset = close >= 2 ? line.substr(1, close - 2) : std::string();
        t_.BookmarkList.push_back(line.substr(close + 1) + "->[" + offset + "]");
    }

    void directive(const std::string& original) {
        const std::string line = directiveText(original);
        auto words = firstWords(line, 3);
        if (words.empty()) return;
        std::string_view name = words[0];
        uint32_t arg = words.size() > 1 ? directiveNumber(words[1]) : 0;
        Quoted q = quotedPart(line);
        std::string text(q.text);

        if (startsWithNoCase(name, ".code")) {
            if (arg <= 0xFF) t_.CodeEntries[arg] = {1, std::move(text)};
        } else if (startsWithNoCase(name, ".dual")) {
            if (t_.DualCount < kMaxDualEntries) {
                uint32_t first = (arg >> 8) & 0xFF, second = arg & 0xFF;
                t_.DualEntries[t_.DualCount++] = {1, first | (second << 8), std::move(text)};
            }
        } else if (startsWithNoCase(name, ".multicode")) {
            uint32_t count = words.size() > 2 ? directiveNumber(words[2]) : 0;
            if (arg <= 0xFF) t_.MultiCodeEntries[arg] = {1, count, std::move(text)};
        } else if (name.size() == 7 && startsWithNoCase(name, ".nontbl")) {
            t_.NonTableText = {1, std::move(text)};
        } else if (isDumpDirective(name)) {
            (startsWithNoCase(name, ".startdump") ? t_.StartDumpSpec : t_.EndDumpSpec) = {1, quotedDumpText(line, q)};
        }
    }

    // A ".startdump"/".enddump" text, continued over the following lines
    // while each ends its quoted part with '",'.
    std::string quotedDumpText(const std::string& line, Quoted q) {
        std::string text(q.text);
        bool more = continuesAfter(line, q);
        std::string next;
        while (more && lines_.next(next)) {
            more = continuationGoesOn(next);
            text += quotedPart(next).text;
        }
        if (text.size() > kMaxDumpSpecText) text.resize(kMaxDumpSpecText);
        return text;
    }

    TableData& t_;
    LineReader lines_;
};

}  // namespace

void parseTableText(TableData& table, std::string_view content) {
    table.BookmarkList.clear();
    table.clear();
    Parser(table, content).run();
    table.indexTexts();
}

std::vector<bool> tableEntryLines(std::span<const std::string> lines) {
    std::vector<bool> entries(lines.size(), false);
    bool continuing = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (continuing) {
            continuing = continuationGoesOn(line);
            continue;
        }
        if (isCodeLine(line)) continue;
        if (isByteEntry(line) || isPairEntry(line)) {
            entries[i] = true;
        } else if (!line.empty() && line[0] == '.') {
            const std::string text = directiveText(line);
            const auto words = firstWords(text, 1);
            continuing = !words.empty() && isDumpDirective(words[0]) && continuesAfter(text, quotedPart(text));
        }
    }
    return entries;
}

TableLoadStatus loadTableFile(TableData& table, const std::string& path) {
    table.BookmarkList.clear();
    table.clear();
    try {
        std::vector<uint8_t> bytes;
        if (common::readWholeFile(path, bytes, kMaxTableFile) != common::ReadStatus::Ok)
            return TableLoadStatus::CannotOpen;
        parseTableText(table, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const std::bad_alloc&) {
        table.clear();
        return TableLoadStatus::OutOfMemory;
    }
    return TableLoadStatus::Ok;
}

std::string companionTablePath(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + "tbl";
    return path.substr(0, dot + 1) + "tbl";
}

}  // namespace hexedit
