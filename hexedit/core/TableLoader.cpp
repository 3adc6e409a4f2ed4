#include "hexedit/core/TableLoader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <new>
#include <vector>

#include "common/fileio.h"
#include "common/hexdigits.h"

namespace hexedit {

namespace {

// Table files are small; anything larger than this is not one.
constexpr uint64_t kMaxTableFile = 64u * 1024 * 1024;

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Reads the text the way a line-oriented text stream does: CR LF counts as
// LF, a line holds at most kMaxTableLine characters including its LF (a
// longer one continues as the next line), the LF is dropped, and a NUL ends
// the line's text. In a UTF-8 table a long line is never cut inside a
// character: the character begins the next piece.
class LineReader {
public:
    LineReader(std::string_view text, bool utf8) : text_(text), utf8_(utf8) {}

    bool next(std::string& line) {
        if (pos_ >= text_.size()) return false;
        line.clear();
        pieceLine_ = lineNo_;
        size_t taken = 0;
        bool sawNul = false, ended = false;
        while (pos_ < text_.size() && taken < kMaxTableLine) {
            char c = text_[pos_];
            if (c == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') {
                ++pos_;
                continue;
            }
            ++pos_;
            ++taken;
            if (c == '\n') {
                ended = true;
                break;
            }
            if (c == '\0') sawNul = true;
            if (!sawNul) line.push_back(c);
        }
        if (ended) ++lineNo_;
        else if (utf8_ && !sawNul && pos_ < text_.size()) keepCharacterWhole(line);
        return true;
    }
    // The file's line (from 1) the last piece came from.
    size_t lineNumber() const { return pieceLine_; }

private:
    // A piece cut by the length limit: an incomplete last character goes
    // back to the text.
    void keepCharacterWhole(std::string& line) {
        size_t k = line.size();
        while (k > 0 && (static_cast<uint8_t>(line[k - 1]) & 0xC0) == 0x80 && line.size() - k < 3) --k;
        if (k == 0) return;
        const uint8_t lead = static_cast<uint8_t>(line[k - 1]);
        if (lead < 0xC0) return;  // ASCII last, or no lead byte in reach
        const size_t want = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        const size_t have = line.size() - (k - 1);
        if (have >= want || k - 1 == 0) return;
        pos_ -= have;
        line.resize(k - 1);
    }

    std::string_view text_;
    bool utf8_;
    size_t pos_ = 0;
    size_t lineNo_ = 1, pieceLine_ = 1;
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

// Codes are read before entries; an entry has "=" third or fifth (as ever),
// or seventh or ninth after hex digits only.
bool isCodeLine(std::string_view line) {
    return !line.empty() && (line[0] == '*' || line[0] == '/' || line[0] == '\\');
}
bool isByteEntry(std::string_view line) { return line.size() >= 3 && line[2] == '='; }
bool isPairEntry(std::string_view line) { return line.size() >= 5 && line[4] == '='; }

struct EntryShape {
    enum Kind { None, Entry, Bad } kind = None;
    size_t digits = 0;          // code digits before the '='
    const char* reason = "";    // for Bad
};

// The first '=' after hex digits only: an entry of 2, 4, 6 or 8 digits, or
// a line skipped for its digits. Today's shapes ("=" third or fifth) with
// another character among the digits are skipped too.
EntryShape entryShape(std::string_view line) {
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos || eq == 0) return {};
    const bool hex = std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(eq),
                                 [](char c) { return common::isHexDigit(c); });
    if (!hex) {
        if (isByteEntry(line) || isPairEntry(line)) return {EntryShape::Bad, eq, "the code is not hexadecimal"};
        return {};
    }
    if (eq % 2 != 0) return {EntryShape::Bad, eq, "odd number of hex digits"};
    if (eq > 8) return {EntryShape::Bad, eq, "more than 8 hex digits"};
    return {EntryShape::Entry, eq, ""};
}

bool isCommentLine(std::string_view line) {
    return line.starts_with('#') || line.starts_with(';') || line.starts_with("//");
}

std::string hexCode(TableCode code) {
    char buf[12];
    std::snprintf(buf, sizeof buf, "%0*X", code.length * 2, code.value);
    return buf;
}

// The entries and skipped lines of one reading, for checkTableText.
struct Recorder {
    struct Entry {
        TableCode code;
        size_t line = 0;
        std::string text;  // the whole line
    };
    std::vector<Entry> entries;  // in the order read
    std::vector<TableLineNote> skipped;
};

class Parser {
public:
    Parser(TableData& table, std::string_view content, bool utf8, Recorder* rec)
        : t_(table), lines_(content, utf8), utf8_(utf8), rec_(rec) {}

    void run() {
        std::string line;
        while (lines_.next(line)) classify(line);
    }

private:
    void skip(const std::string& line, std::string why) {
        if (rec_) rec_->skipped.push_back({lines_.lineNumber(), line, std::move(why)});
    }

    void classify(std::string& line) {
        if (line.empty()) return;
        if (utf8_ && !isValidUtf8(line)) return skip(line, "not valid UTF-8");
        const char first = line[0];
        if (isCodeLine(line)) return code(line);
        const EntryShape shape = entryShape(line);
        if (shape.kind == EntryShape::Bad) return skip(line, shape.reason);
        if (shape.kind == EntryShape::Entry) {
            const auto key = fixedHex(line, shape.digits);
            const int length = static_cast<int>(shape.digits / 2);
            t_.setEntry(*key, length, line.substr(shape.digits + 1));
            if (rec_) rec_->entries.push_back({{*key, static_cast<uint8_t>(length)}, lines_.lineNumber(), line});
            return;
        }
        if (first == '(' && line.find(')') != std::string::npos) return bookmark(line);
        if (first == '[' && line.find('-') != std::string::npos && line.find(']') != std::string::npos) {
            if (t_.DumpMarks.size() < kMaxDumpMarks) t_.DumpMarks.push_back(line);
            else skip(line, "more than 128 dump bookmarks");
            return;
        }
        if (first == '.') return directive(line);
        if (!isCommentLine(line)) skip(line, "not an entry, code, bookmark or directive");
    }

    // "/XX", "*XX", "\XX": one or two hex digits after the marker.
    void code(const std::string& line) {
        std::string_view digits = std::string_view(line).substr(1, 2);
        size_t n = 0;
        const uint32_t v = common::readHexDigits32(digits, 0, &n);
        if (n == 0) {
            if (!isCommentLine(line)) skip(line, "no hex digits after the code mark");
            return;
        }
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
        if (words.empty()) return skip(original, "not an entry, code, bookmark or directive");
        std::string_view name = words[0];
        uint32_t arg = words.size() > 1 ? directiveNumber(words[1]) : 0;
        Quoted q = quotedPart(line);
        std::string text(q.text);

        if (startsWithNoCase(name, ".code")) {
            if (arg <= 0xFF) t_.CodeEntries[arg] = {1, std::move(text)};
            else skip(original, "code above FF");
        } else if (startsWithNoCase(name, ".dual")) {
            if (t_.DualCount < kMaxDualEntries) {
                uint32_t first = (arg >> 8) & 0xFF, second = arg & 0xFF;
                t_.DualEntries[t_.DualCount++] = {1, first | (second << 8), std::move(text)};
            } else {
                skip(original, "more than 255 .dual entries");
            }
        } else if (startsWithNoCase(name, ".multicode")) {
            uint32_t count = words.size() > 2 ? directiveNumber(words[2]) : 0;
            if (arg <= 0xFF) t_.MultiCodeEntries[arg] = {1, count, std::move(text)};
            else skip(original, "code above FF");
        } else if (name.size() == 7 && startsWithNoCase(name, ".nontbl")) {
            t_.NonTableText = {1, std::move(text)};
        } else if (isDumpDirective(name)) {
            (startsWithNoCase(name, ".startdump") ? t_.StartDumpSpec : t_.EndDumpSpec) = {1, quotedDumpText(line, q)};
        } else {
            skip(original, "unknown directive");
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
            if (utf8_ && !isValidUtf8(next)) {
                skip(next, "not valid UTF-8");
                continue;
            }
            text += quotedPart(next).text;
        }
        if (text.size() > kMaxDumpSpecText) text.resize(kMaxDumpSpecText);
        return text;
    }

    TableData& t_;
    LineReader lines_;
    bool utf8_;
    Recorder* rec_;
};

void parse(TableData& table, std::string_view content, Recorder* rec, bool* bomOut = nullptr) {
    table.BookmarkList.clear();
    table.clear();
    bool bom = false;
    const TableEncoding encoding = detectTableEncoding(content, &bom);
    if (bom) content.remove_prefix(kBom.size());
    if (bomOut) *bomOut = bom;
    Parser(table, content, encoding == TableEncoding::Utf8, rec).run();
    table.Encoding = encoding;
    table.indexTexts();
}

}  // namespace

TableEncoding detectTableEncoding(std::string_view content, bool* bom) {
    const bool marked = content.starts_with(kBom);
    if (bom) *bom = marked;
    if (marked) return TableEncoding::Utf8;
    bool multiByte = false;
    for (size_t i = 0; i < content.size();) {
        if (static_cast<uint8_t>(content[i]) < 0x80) {
            ++i;
            continue;
        }
        const size_t n = utf8SequenceLength(content, i);
        if (n == 0) return TableEncoding::Legacy;
        multiByte = true;
        i += n;
    }
    return multiByte ? TableEncoding::Utf8 : TableEncoding::Legacy;
}

void parseTableText(TableData& table, std::string_view content) { parse(table, content, nullptr); }

TableCheck checkTableText(std::string_view content) {
    TableCheck check;
    Recorder rec;
    TableData table;
    parse(table, content, &rec, &check.bom);
    check.encoding = table.Encoding;
    check.skipped = std::move(rec.skipped);

    // The entry in effect for each code: the last line that defines it.
    std::map<TableCode, const Recorder::Entry*> current;
    auto describe = [](const Recorder::Entry& e) { return "line " + std::to_string(e.line) + " (" + e.text + ")"; };
    for (const Recorder::Entry& e : rec.entries) {
        auto [it, added] = current.try_emplace(e.code, &e);
        if (!added) {
            check.shadows.push_back({it->second->line, it->second->text, "redefined by " + describe(e)});
            it->second = &e;
        }
    }
    for (const auto& [code, e] : current) ++check.entries[code.length - 1];
    // Texts the encoder writes with another code.
    const TextIndex* index = table.textIndex();
    for (const auto& [code, e] : current) {
        const std::string* text = table.entryText(code);
        if (!text || text->empty() || !index) continue;
        auto it = index->anyText.find(*text);
        if (it == index->anyText.end() || (it->second.length == code.length && it->second.value == code.value)) continue;
        const auto other = current.find(it->second);
        if (other == current.end()) continue;
        check.shadows.push_back({e->line, e->text,
                                 "never written by the encoder: " + describe(*other->second) + " has the same text"});
    }
    // Codes that begin longer ones.
    for (const auto& [code, e] : current) {
        for (int k = 1; k < code.length; ++k) {
            const TableCode prefix{code.value >> (8 * (code.length - k)), static_cast<uint8_t>(k)};
            const auto shorter = current.find(prefix);
            if (shorter == current.end()) continue;
            check.shadows.push_back({shorter->second->line, shorter->second->text,
                                     "decoded as " + hexCode(code) + " where its bytes follow: " + describe(*e)});
        }
    }
    std::stable_sort(check.shadows.begin(), check.shadows.end(),
                     [](const TableLineNote& a, const TableLineNote& b) { return a.line < b.line; });
    return check;
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
        if (isByteEntry(line) || isPairEntry(line) || entryShape(line).kind == EntryShape::Entry) {
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
