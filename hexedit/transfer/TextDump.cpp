#include "hexedit/transfer/TextDump.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

namespace hexedit::transfer {

namespace {

enum class Keyword { LineBreak, Tab, Offset, DumpSize, RomName, TblName, StartOfs, EndOfs };

struct KeywordName {
    std::string_view name;
    Keyword id;
};
constexpr KeywordName kKeywords[] = {
    {"\\N", Keyword::LineBreak},     {"\\T", Keyword::Tab},          {"%OFFSET", Keyword::Offset},
    {"%DUMPSIZE", Keyword::DumpSize}, {"%ROMNAME", Keyword::RomName}, {"%TBLNAME", Keyword::TblName},
    {"%STARTOFS", Keyword::StartOfs}, {"%ENDOFS", Keyword::EndOfs},
};

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool keywordAt(std::string_view text, size_t at, std::string_view keyword) {
    if (text.size() - at < keyword.size()) return false;
    for (size_t i = 0; i < keyword.size(); ++i)
        if (upper(text[at + i]) != keyword[i]) return false;
    return true;
}

// "%08lX" of a 32-bit long.
std::string hex8(int64_t value) {
    char buf[12];
    std::snprintf(buf, sizeof buf, "%08X", static_cast<uint32_t>(value));
    return buf;
}

int64_t offsetAt(const DumpInfo& info, int64_t pos) { return info.start + (pos == 0 ? 0 : pos + 1); }

// Scans `text`, appending copied characters and replacements to the last
// piece of `pieces`; each "%OFFSET" starts a new piece after it.
void expandInto(std::string_view text, const DumpInfo& info, std::vector<std::string>& pieces) {
    pieces.emplace_back();
    for (size_t at = 0; at < text.size();) {
        const KeywordName* found = nullptr;
        if (text[at] == '\\' || text[at] == '%')
            for (const auto& k : kKeywords)
                if (keywordAt(text, at, k.name)) {
                    found = &k;
                    break;
                }
        if (!found) {
            pieces.back() += text[at++];
            continue;
        }
        at += found->name.size();
        std::string& cur = pieces.back();
        switch (found->id) {
            case Keyword::LineBreak: cur += '\n'; break;
            case Keyword::Tab: cur += '\t'; break;
            case Keyword::Offset: pieces.emplace_back(); break;
            case Keyword::DumpSize: cur += groupThousands(info.length); break;
            case Keyword::RomName: cur += info.romName; break;
            case Keyword::TblName: cur += info.tableName; break;
            case Keyword::StartOfs: cur += hex8(info.start); break;
            case Keyword::EndOfs: cur += hex8(info.end); break;
        }
    }
}

void appendCrLf(std::string& out, std::string_view text) {
    if (std::memchr(text.data(), '\n', text.size()) == nullptr) {
        out += text;
        return;
    }
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
}

// A directive text with every keyword but "%OFFSET" replaced once per dump:
// CR LF pieces with the offset between them.
struct Compiled {
    std::vector<std::string> pieces;
    void render(std::string& out, int64_t offset) const {
        out += pieces[0];
        if (pieces.size() == 1) return;
        const std::string digits = hex8(offset);
        for (size_t i = 1; i < pieces.size(); ++i) {
            out += digits;
            out += pieces[i];
        }
    }
};

Compiled compile(std::string_view text, const DumpInfo& info) {
    Compiled c;
    expandInto(text, info, c.pieces);
    for (auto& p : c.pieces) p = toCrLf(p);
    return c;
}

// A ".multicode" text split around the "$" and parameter digits.
struct MultiSplit {
    std::string head, tail;
};

MultiSplit splitMulti(std::string_view t) {
    size_t s = 1;
    if (t.find('_') != std::string_view::npos) s = t.find_first_of("_>");
    MultiSplit m;
    m.head = toCrLf(t.substr(0, std::min(s, t.size())));
    if (s + 1 <= t.size()) m.tail = toCrLf(t.substr(s + 1));
    return m;
}

enum class Rule : uint8_t { Plain, Code, Multi };

// Everything the loop needs, resolved once per dump.
struct Rules {
    std::array<Rule, 256> rule{};
    std::array<Compiled, 256> code;
    std::array<uint32_t, 256> params{};
    std::array<bool, 256> multiDynamic{};
    std::array<MultiSplit, 256> multi;
    std::array<std::string, 256> fallback;  // single-byte entry, ".nontbl", markers, "($XX)"
    std::array<bool, 256> pairFirst{};
    std::vector<uint32_t> pairIndex;  // 65536 entries: 0 none, else 1 + index into pairText
    std::vector<std::string> pairText;
    std::vector<int16_t> dualFirst;  // 65536 entries: first ".dual" record of the pair, or -1
    std::vector<Compiled> dual;

    Rules(const TableData& t, const DumpInfo& info) {
        for (uint32_t i = 0; i < t.DualCount && i < t.DualEntries.size(); ++i) {
            const auto& d = t.DualEntries[i];
            if (!d.flag) continue;
            if (dualFirst.empty()) dualFirst.assign(65536, -1);
            const uint32_t key = ((d.value & 0xFF) << 8) | ((d.value >> 8) & 0xFF);
            if (dualFirst[key] < 0) dualFirst[key] = static_cast<int16_t>(dual.size());
            dual.push_back(compile(d.text, info));
        }
        const bool nontbl = t.NonTableText.flag != 0;
        const std::string& nt = t.NonTableText.text;
        const char open = nt.empty() || nt.front() == '$' ? '(' : nt.front();
        const char close = nt.empty() || nt.back() == '$' ? ')' : nt.back();
        const bool dollar = nt.find('$') != std::string::npos;
        for (int b = 0; b < 256; ++b) {
            if (t.CodeEntries[b].flag) {
                rule[b] = Rule::Code;
                code[b] = compile(t.CodeEntries[b].text, info);
            } else if (t.MultiCodeEntries[b].flag) {
                rule[b] = Rule::Multi;
                params[b] = t.MultiCodeEntries[b].paramCount;
                multiDynamic[b] = compile(t.MultiCodeEntries[b].text, info).pieces.size() > 1;
                if (!multiDynamic[b]) multi[b] = splitMulti(expandTemplate(t.MultiCodeEntries[b].text, info, 0));
            }
            char buf[16];
            if (t.ByteTable[b]) {
                fallback[b] = toCrLf(*t.ByteTable[b]);
            } else if (nontbl) {
                std::snprintf(buf, sizeof buf, dollar ? "$%02X" : "%03d", b);
                fallback[b] = toCrLf(std::string(1, open) + buf + close);
            } else if (t.LineBreakCode.marker == '/' && (t.LineBreakCode.value & 0xFF) == b) {
                fallback[b] = "\r\n";
            } else if ((t.EndStringCode.marker == '*' || t.EndStringCode.marker == '\\') &&
                       (t.EndStringCode.value & 0xFF) == b) {
                fallback[b] = "<END>\r\n";
            } else {
                std::snprintf(buf, sizeof buf, "($%02X)", b);
                fallback[b] = buf;
            }
        }
        if (t.PairTable.size() < 65536) return;
        for (uint32_t key = 0; key < 65536; ++key) {
            if (!t.PairTable[key]) continue;
            if (pairIndex.empty()) pairIndex.assign(65536, 0);
            pairText.push_back(toCrLf(*t.PairTable[key]));
            pairIndex[key] = static_cast<uint32_t>(pairText.size());
            pairFirst[key >> 8] = true;
        }
    }
};

}  // namespace

std::string groupThousands(int64_t value) {
    const bool negative = value < 0;
    std::string digits = std::to_string(negative ? -value : value);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return negative ? "-" + out : out;
}

std::string expandTemplate(std::string_view text, const DumpInfo& info, int64_t pos) {
    std::vector<std::string> pieces;
    expandInto(text, info, pieces);
    std::string out = pieces[0];
    for (size_t i = 1; i < pieces.size(); ++i) out += hex8(offsetAt(info, pos)) + pieces[i];
    return out;
}

std::string toCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendCrLf(out, text);
    return out;
}

std::optional<std::string> textDump(const TableData& table, std::span<const uint8_t> range, DumpInfo info,
                                    const common::Progress& progress) {
    const int64_t n = static_cast<int64_t>(range.size());
    info.length = n;
    const Rules r(table, info);
    std::string out;
    out.reserve(range.size() * 2 + 256);
    if (table.StartDumpSpec.flag) out += toCrLf(expandTemplate(table.StartDumpSpec.text, info, 0));

    const uint8_t* d = range.data();
    const bool duals = !r.dualFirst.empty();
    const bool pairs = !r.pairIndex.empty();
    int64_t pos = 0;
    int64_t nextReport = 0;
    while (pos < n) {
        if (pos >= nextReport) {
            if (progress && !progress(static_cast<uint64_t>(pos), static_cast<uint64_t>(n))) return std::nullopt;
            nextReport = pos + (int64_t{1} << 16);
        }
        const uint8_t b = d[pos];
        const bool hasNext = pos + 1 < n;
        if (duals && hasNext) {
            const int i = r.dualFirst[(b << 8) | d[pos + 1]];
            if (i >= 0) {
                r.dual[static_cast<size_t>(i)].render(out, offsetAt(info, pos));
                pos += 2;
                continue;
            }
        }
        switch (r.rule[b]) {
            case Rule::Code:
                r.code[b].render(out, offsetAt(info, pos));
                pos += 1;
                continue;
            case Rule::Multi: {
                MultiSplit dynamic;
                if (r.multiDynamic[b])
                    dynamic = splitMulti(expandTemplate(table.MultiCodeEntries[b].text, info, pos));
                const MultiSplit& m = r.multiDynamic[b] ? dynamic : r.multi[b];
                const int64_t count = r.params[b];
                const bool inside = pos + count < n;
                out += m.head;
                out += '$';
                if (inside) {
                    static constexpr char kHex[] = "0123456789ABCDEF";
                    for (int64_t i = 1; i <= count; ++i) {
                        out += kHex[d[pos + i] >> 4];
                        out += kHex[d[pos + i] & 15];
                    }
                }
                out += m.tail;
                pos += inside ? count + 1 : 1;
                continue;
            }
            case Rule::Plain: break;
        }
        if (pairs && hasNext && r.pairFirst[b]) {
            const uint32_t i = r.pairIndex[(b << 8) | d[pos + 1]];
            if (i != 0) {
                out += r.pairText[i - 1];
                pos += 2;
                continue;
            }
        }
        out += r.fallback[b];
        pos += 1;
    }

    if (table.EndDumpSpec.flag) out += toCrLf(expandTemplate(table.EndDumpSpec.text, info, pos));
    return out;
}

}  // namespace hexedit::transfer
