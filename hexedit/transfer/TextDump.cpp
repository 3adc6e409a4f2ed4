#include "hexedit/transfer/TextDump.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <unordered_map>
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
    MultiCodeText m = splitMultiCode(t);
    return {toCrLf(m.head), toCrLf(m.tail)};
}

// What a byte may start, tested together so that a plain byte costs one test.
enum : uint8_t { kDual = 1, kCode = 2, kDynamicCode = 4, kMulti = 8, kPair = 16, kLong = 32 };
constexpr uint32_t kNoText = UINT32_MAX;

// The texts written most, kept in one pool with room after each, so that a
// short one is copied with one fixed-size move.
constexpr size_t kPad = 16;
struct Text {
    uint32_t off = 0;
    uint32_t len = 0;
};

struct Pool {
    std::string chars;
    size_t longest = 0;
    Text add(std::string_view s) {
        const Text t{static_cast<uint32_t>(chars.size()), static_cast<uint32_t>(s.size())};
        chars += s;
        chars.append(kPad, '\0');
        longest = std::max(longest, s.size());
        return t;
    }
};

inline char* put(char* p, const char* pool, Text t) {
    if (t.len <= kPad)
        std::memcpy(p, pool + t.off, kPad);
    else
        std::memcpy(p, pool + t.off, t.len);
    return p + t.len;
}

// The output: a buffer kept `slack` bytes ahead of the write position at the
// top of every step, so pooled texts need no check of their own. Each time
// the position passes `piece` bytes the text so far goes to the sink.
class Out {
public:
    Out(size_t piece, size_t slack, const TextSink& sink) : slack_(slack), sink_(sink) {
        buf_.resize(piece + 2 * slack);
        p_ = buf_.data();
        limit_ = buf_.data() + piece;
    }
    char*& p() { return p_; }
    const char* limit() const { return limit_; }
    bool failed() const { return failed_; }
    void room() {
        if (p_ > limit_) flush();
    }
    // The write position, with room for `n` more bytes.
    char* ahead(size_t n) {
        if (static_cast<size_t>(buf_.data() + buf_.size() - p_) < n + slack_) {
            flush();
            if (buf_.size() < n + slack_) grow(n);
        }
        return p_;
    }
    void append(std::string_view s) {
        std::memcpy(ahead(s.size()), s.data(), s.size());
        p_ += s.size();
    }
    void flush() {
        if (!failed_ && p_ != buf_.data()) failed_ = !sink_(std::string_view(buf_.data(), static_cast<size_t>(p_ - buf_.data())));
        p_ = buf_.data();
    }

private:
    // Only for a text longer than a piece: the buffer is empty.
    void grow(size_t need) {
        const size_t piece = static_cast<size_t>(limit_ - buf_.data());
        buf_.assign(need + 2 * slack_, '\0');
        p_ = buf_.data();
        limit_ = buf_.data() + piece;
    }
    std::string buf_;
    size_t slack_;
    const TextSink& sink_;
    char* p_;
    char* limit_;
    bool failed_ = false;
};

// A byte with no code of its own, by the byte after it: its pair's text and
// an advance of 2, or its single-byte text and an advance of 1. Packed as
// offset | length << 32 | advance << 48, one load per step.
using Step = uint64_t;
constexpr Step makeStep(Text t, uint64_t advance) { return t.off | uint64_t{t.len} << 32 | advance << 48; }
constexpr Text stepText(Step s) { return {static_cast<uint32_t>(s), static_cast<uint32_t>((s >> 32) & 0xFFFF)}; }

struct DualRule {
    bool dynamic = false;
    Text text;
    Compiled compiled;
};

// Everything the loop needs, resolved once per dump.
struct Rules {
    Pool pool;
    std::array<uint8_t, 256> flags{};
    std::array<Text, 256> codeText{};
    std::array<Compiled, 256> code;
    std::array<uint32_t, 256> params{};
    std::array<bool, 256> multiDynamic{};
    std::array<MultiSplit, 256> multi;
    std::array<Text, 256> fallback{};  // single-byte entry, ".nontbl", markers, "($XX)"
    std::array<DumpItemKind, 256> fallbackKind{};
    std::vector<Text> pair;          // 65536 entries (off kNoText: none), or none without pairs
    // When every text is short: each byte's own step, and 256 steps for each
    // byte that begins a pair, kept small so that they stay in the cache.
    bool fast = false;
    std::array<Step, 256> single{};
    std::vector<Step> steps;
    std::array<uint32_t, 256> row{};
    std::vector<int16_t> dualFirst;  // 65536 entries: first ".dual" record of the pair, or -1
    std::vector<DualRule> dual;
    // Entries of three and four bytes (first byte highest), for the bytes
    // flagged kLong; the table's own map tells where one may begin.
    std::unordered_map<uint32_t, Text> long3, long4;
    const LongEntries* longs = nullptr;

    Rules(const TableData& t, const DumpInfo& info) {
        for (uint32_t i = 0; i < t.DualCount && i < t.DualEntries.size(); ++i) {
            const auto& d = t.DualEntries[i];
            if (!d.flag) continue;
            if (dualFirst.empty()) dualFirst.assign(65536, -1);
            const uint32_t key = ((d.value & 0xFF) << 8) | ((d.value >> 8) & 0xFF);
            if (dualFirst[key] < 0) dualFirst[key] = static_cast<int16_t>(dual.size());
            flags[key >> 8] |= kDual;
            DualRule r;
            r.compiled = compile(d.text, info);
            r.dynamic = r.compiled.pieces.size() > 1;
            if (!r.dynamic) r.text = pool.add(r.compiled.pieces[0]);
            dual.push_back(std::move(r));
        }
        const bool nontbl = t.NonTableText.flag != 0;
        const std::string& nt = t.NonTableText.text;
        const char open = nt.empty() || nt.front() == '$' ? '(' : nt.front();
        const char close = nt.empty() || nt.back() == '$' ? ')' : nt.back();
        const bool dollar = nt.find('$') != std::string::npos;
        for (int b = 0; b < 256; ++b) {
            if (t.CodeEntries[b].flag) {
                code[b] = compile(t.CodeEntries[b].text, info);
                flags[b] |= code[b].pieces.size() > 1 ? kDynamicCode : kCode;
                if (flags[b] & kCode) codeText[b] = pool.add(code[b].pieces[0]);
            } else if (t.MultiCodeEntries[b].flag) {
                flags[b] |= kMulti;
                params[b] = t.MultiCodeEntries[b].paramCount;
                multiDynamic[b] = compile(t.MultiCodeEntries[b].text, info).pieces.size() > 1;
                if (!multiDynamic[b]) multi[b] = splitMulti(expandTemplate(t.MultiCodeEntries[b].text, info, 0));
            }
            char buf[16];
            // The table's own line-break and end codes come before ".nontbl".
            fallbackKind[b] = DumpItemKind::NoEntry;
            if (t.ByteTable[b]) {
                fallback[b] = pool.add(toCrLf(*t.ByteTable[b]));
                fallbackKind[b] = DumpItemKind::Single;
            } else if (t.LineBreakCode.marker == '/' && (t.LineBreakCode.value & 0xFF) == b) {
                fallback[b] = pool.add("\r\n");
                fallbackKind[b] = DumpItemKind::LineBreak;
            } else if ((t.EndStringCode.marker == '*' || t.EndStringCode.marker == '\\') &&
                       (t.EndStringCode.value & 0xFF) == b) {
                fallback[b] = pool.add("<END>\r\n");
                fallbackKind[b] = DumpItemKind::End;
            } else if (nontbl) {
                std::snprintf(buf, sizeof buf, dollar ? "$%02X" : "%03d", b);
                fallback[b] = pool.add(toCrLf(std::string(1, open) + buf + close));
            } else {
                std::snprintf(buf, sizeof buf, "($%02X)", b);
                fallback[b] = pool.add(buf);
            }
        }
        longs = &t.LongTable;
        t.LongTable.forEach([&](uint32_t code, int length, const std::string& text) {
            (length == 3 ? long3 : long4)[code] = pool.add(toCrLf(text));
            flags[code >> (8 * (length - 1))] |= kLong;
        });
        if (t.PairTable.size() < 65536) return;
        for (uint32_t key = 0; key < 65536; ++key) {
            if (!t.PairTable[key]) continue;
            if (pair.empty()) pair.assign(65536, Text{kNoText, 0});
            pair[key] = pool.add(toCrLf(*t.PairTable[key]));
            flags[key >> 8] |= kPair;
        }
        fast = pool.longest <= UINT16_MAX;
        if (!fast) return;
        for (int b = 0; b < 256; ++b) single[b] = makeStep(fallback[b], 1);
        steps.assign(256, 0);  // row 0 for bytes that begin no pair: never chosen
        for (uint32_t b = 0; b < 256 && !pair.empty(); ++b) {
            if (!(flags[b] & kPair)) continue;
            row[b] = static_cast<uint32_t>(steps.size());
            for (uint32_t next = 0; next < 256; ++next) {
                const Text p = pair[(b << 8) | next];
                steps.push_back(p.off != kNoText ? makeStep(p, 2) : single[b]);
            }
        }
    }
};

}  // namespace

MultiCodeText splitMultiCode(std::string_view t) {
    size_t s = 1;
    if (t.find('_') != std::string_view::npos) s = t.find_first_of("_>");
    MultiCodeText m;
    m.head = std::string(t.substr(0, std::min(s, t.size())));
    if (s + 1 <= t.size()) m.tail = std::string(t.substr(s + 1));
    return m;
}

struct DumpSteps::Impl {
    const TableData& table;
    DumpInfo info;
    Rules rules;
    Impl(const TableData& t, const DumpInfo& i) : table(t), info(i), rules(t, i) {}
    std::string_view pooled(Text t) const { return std::string_view(rules.pool.chars).substr(t.off, t.len); }
};

DumpSteps::DumpSteps(const TableData& table, const DumpInfo& info) : impl_(std::make_unique<Impl>(table, info)) {}
DumpSteps::~DumpSteps() = default;

DumpItem DumpSteps::at(std::span<const uint8_t> range, size_t pos, std::string& scratch) const {
    const Rules& r = impl_->rules;
    const uint8_t b = range[pos];
    const uint8_t f = r.flags[b];
    const bool hasNext = pos + 1 < range.size();
    const int64_t offset = offsetAt(impl_->info, static_cast<int64_t>(pos));
    if (f & kDual && hasNext) {
        const int i = r.dualFirst[(b << 8) | range[pos + 1]];
        if (i >= 0) {
            const DualRule& dr = r.dual[static_cast<size_t>(i)];
            if (!dr.dynamic) return {DumpItemKind::Dual, 2, false, impl_->pooled(dr.text)};
            scratch.clear();
            dr.compiled.render(scratch, offset);
            return {DumpItemKind::Dual, 2, true, scratch};
        }
    }
    if (f & kCode) return {DumpItemKind::Code, 1, false, impl_->pooled(r.codeText[b])};
    if (f & kDynamicCode) {
        scratch.clear();
        r.code[b].render(scratch, offset);
        return {DumpItemKind::Code, 1, true, scratch};
    }
    if (f & kMulti) {
        const MultiSplit m = r.multiDynamic[b]
                                 ? splitMulti(expandTemplate(impl_->table.MultiCodeEntries[b].text, impl_->info,
                                                             static_cast<int64_t>(pos)))
                                 : r.multi[b];
        const size_t count = r.params[b];
        const bool inside = pos + count < range.size();
        scratch = m.head + '$';
        static constexpr char kHex[] = "0123456789ABCDEF";
        for (size_t i = 1; inside && i <= count; ++i) {
            scratch += kHex[range[pos + i] >> 4];
            scratch += kHex[range[pos + i] & 15];
        }
        scratch += m.tail;
        return {DumpItemKind::MultiCode, inside ? static_cast<int>(count + 1) : 1, r.multiDynamic[b], scratch};
    }
    if (f & kPair && hasNext) {
        const Text t = r.pair[(b << 8) | range[pos + 1]];
        if (t.off != kNoText) return {DumpItemKind::Pair, 2, false, impl_->pooled(t)};
    }
    return {r.fallbackKind[b], 1, false, impl_->pooled(r.fallback[b])};
}

bool DumpSteps::alone(uint8_t b) const { return impl_->rules.flags[b] == 0; }

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

bool textDump(const TableData& table, std::span<const uint8_t> range, DumpInfo info, const TextSink& sink,
              const common::Progress& progress) {
    const int64_t n = static_cast<int64_t>(range.size());
    info.length = n;
    const Rules r(table, info);
    Out out(kDumpPiece, std::max(r.pool.longest, kPad) + 16, sink);
    if (table.StartDumpSpec.flag) out.append(toCrLf(expandTemplate(table.StartDumpSpec.text, info, 0)));

    const uint8_t* d = range.data();
    const char* pool = r.pool.chars.data();
    const bool fast = r.fast;
    const Step* steps = r.steps.data();
    const uint8_t* flags = r.flags.data();
    const Step* single = r.single.data();
    const uint32_t* row = r.row.data();
    std::string scratch;
    int64_t pos = 0;
    while (pos < n) {
        if (out.failed() || (progress && !progress(static_cast<uint64_t>(pos), static_cast<uint64_t>(n)))) return false;
        const int64_t stop = std::min(n, pos + (int64_t{1} << 16));
        while (pos < stop) {
            if (fast) {
                // Bytes without codes, kept in registers: a char store could
                // alias anything reached through memory.
                char* p = out.p();
                const char* const limit = out.limit();
                const int64_t last = std::min(stop, n - 1);
                while (pos < last && p <= limit) {
                    const uint8_t b = d[pos];
                    const uint8_t f = flags[b];
                    if (f == 0) {
                        p = put(p, pool, stepText(single[b]));
                        pos += 1;
                        continue;
                    }
                    if (f != kPair) break;
                    const Step st = steps[row[b] + d[pos + 1]];
                    p = put(p, pool, stepText(st));
                    pos += static_cast<int64_t>(st >> 48);
                }
                out.p() = p;
                if (pos >= stop) break;
            }
            out.room();
            const uint8_t b = d[pos];
            const uint8_t f = r.flags[b];
            const bool hasNext = pos + 1 < n;
            if (f & kDual && hasNext) {
                const int i = r.dualFirst[(b << 8) | d[pos + 1]];
                if (i >= 0) {
                    const DualRule& dr = r.dual[static_cast<size_t>(i)];
                    if (dr.dynamic) {
                        scratch.clear();
                        dr.compiled.render(scratch, offsetAt(info, pos));
                        out.append(scratch);
                    } else {
                        out.p() = put(out.p(), pool, dr.text);
                    }
                    pos += 2;
                    continue;
                }
            }
            if (f & kCode) {
                out.p() = put(out.p(), pool, r.codeText[b]);
                pos += 1;
                continue;
            }
            if (f & kDynamicCode) {
                scratch.clear();
                r.code[b].render(scratch, offsetAt(info, pos));
                out.append(scratch);
                pos += 1;
                continue;
            }
            if (f & kMulti) {
                const MultiSplit* m = &r.multi[b];
                MultiSplit dynamic;
                if (r.multiDynamic[b]) {
                    dynamic = splitMulti(expandTemplate(table.MultiCodeEntries[b].text, info, pos));
                    m = &dynamic;
                }
                const int64_t count = r.params[b];
                const bool inside = pos + count < n;
                char* q = out.ahead(m->head.size() + 1 + (inside ? 2 * static_cast<size_t>(count) : 0) + m->tail.size());
                q = std::copy(m->head.begin(), m->head.end(), q);
                *q++ = '$';
                if (inside) {
                    static constexpr char kHex[] = "0123456789ABCDEF";
                    for (int64_t i = 1; i <= count; ++i) {
                        *q++ = kHex[d[pos + i] >> 4];
                        *q++ = kHex[d[pos + i] & 15];
                    }
                }
                out.p() = std::copy(m->tail.begin(), m->tail.end(), q);
                pos += inside ? count + 1 : 1;
                continue;
            }
            if (f & kLong && pos + 2 < n) {
                // The longest code first: four bytes, then three.
                const uint16_t head = static_cast<uint16_t>(b << 8 | d[pos + 1]);
                const Text* t = nullptr;
                int length = 0;
                if (pos + 3 < n && r.longs->mayStart(head, 4)) {
                    auto it = r.long4.find(uint32_t{head} << 16 | uint32_t{d[pos + 2]} << 8 | d[pos + 3]);
                    if (it != r.long4.end()) {
                        t = &it->second;
                        length = 4;
                    }
                }
                if (!t && r.longs->mayStart(head, 3)) {
                    auto it = r.long3.find(uint32_t{head} << 8 | d[pos + 2]);
                    if (it != r.long3.end()) {
                        t = &it->second;
                        length = 3;
                    }
                }
                if (t) {
                    out.p() = put(out.p(), pool, *t);
                    pos += length;
                    continue;
                }
            }
            if (f & kPair && hasNext) {
                const Text t = r.pair[(b << 8) | d[pos + 1]];
                if (t.off != kNoText) {
                    out.p() = put(out.p(), pool, t);
                    pos += 2;
                    continue;
                }
            }
            out.p() = put(out.p(), pool, r.fallback[b]);
            pos += 1;
        }
    }

    if (table.EndDumpSpec.flag) out.append(toCrLf(expandTemplate(table.EndDumpSpec.text, info, pos)));
    out.flush();
    return !out.failed();
}

std::optional<std::string> textDump(const TableData& table, std::span<const uint8_t> range, DumpInfo info,
                                    const common::Progress& progress) {
    std::string text;
    text.reserve(range.size() * 2 + 256);
    const bool done = textDump(
        table, range, std::move(info),
        [&](std::string_view piece) {
            text += piece;
            return true;
        },
        progress);
    if (!done) return std::nullopt;
    return text;
}

}  // namespace hexedit::transfer
