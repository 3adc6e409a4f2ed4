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

// Moves of kPad bytes, no call: the pool has kPad bytes after each text and
// the output as many after the longest.
inline char* put(char* p, const char* pool, Text t) {
    const char* from = pool + t.off;
    std::memcpy(p, from, kPad);
    for (uint32_t i = kPad; i < t.len; i += kPad) std::memcpy(p + i, from + i, kPad);
    return p + t.len;
}

// The output: a buffer kept `slack` bytes ahead of the write position at the
// top of every step, so pooled texts need no check of their own. Each time
// the position passes `piece` bytes the whole pieces so far go to the sink
// and the few bytes after them move to the front: a file gets its writes at
// offsets that are multiples of the piece, which the page cache takes
// without zeroing and rewriting partly written pages.
class Out {
public:
    Out(size_t piece, size_t slack, const TextSink& sink) : piece_(piece), slack_(slack), sink_(sink) {
        allocate(piece + 2 * slack, 0);
    }
    char*& p() { return p_; }
    const char* limit() const { return limit_; }
    bool failed() const { return failed_; }
    void room() {
        if (p_ > limit_) flushPieces();
    }
    // The write position, with room for `n` more bytes.
    char* ahead(size_t n) {
        if (free() < n + slack_) {
            flushPieces();
            if (free() < n + slack_) allocate(used() + n + 2 * slack_, used());
        }
        return p_;
    }
    void append(std::string_view s) {
        std::memcpy(ahead(s.size()), s.data(), s.size());
        p_ += s.size();
    }
    // Everything written so far, at the end.
    void flush() {
        flushPieces();
        hand(used());
        p_ = buf_.get();
    }

private:
    size_t used() const { return static_cast<size_t>(p_ - buf_.get()); }
    size_t free() const { return size_ - used(); }
    void hand(size_t n) {
        if (!failed_ && n != 0) failed_ = !sink_(std::string_view(buf_.get(), n));
    }
    void flushPieces() {
        const size_t whole = used() / piece_ * piece_;
        if (whole == 0) return;
        hand(whole);
        const size_t rest = used() - whole;
        std::memmove(buf_.get(), buf_.get() + whole, rest);
        p_ = buf_.get() + rest;
    }
    // At the start, and for a text longer than the room left (keeping the
    // `keep` bytes written). Not zero-filled: only what was written is
    // handed on.
    void allocate(size_t size, size_t keep) {
        auto buf = std::make_unique_for_overwrite<char[]>(size);
        if (keep) std::memcpy(buf.get(), buf_.get(), keep);
        buf_ = std::move(buf);
        size_ = size;
        p_ = buf_.get() + keep;
        limit_ = buf_.get() + piece_;
    }
    std::unique_ptr<char[]> buf_;
    size_t size_ = 0;
    size_t piece_;
    size_t slack_;
    const TextSink& sink_;
    char* p_;
    char* limit_;
    bool failed_ = false;
};

// The step at a byte as far as it depends on the byte after it: its text,
// advance and kind. `general` when the general rules decide it (a dual or a
// code whose text holds the offset, a code with parameters, an entry of
// three or four bytes); `text` is then what is written when they decline.
struct Entry {
    Text text;
    uint8_t advance = 1;
    DumpItemKind kind = DumpItemKind::NoEntry;
    bool general = false;
    int16_t dual = -1;  // the ".dual" record of a general step
};

// An entry packed for the loop, one load per step: offset | length << 32 |
// advance << 56. The top bit sends it to the general path: a general entry
// or a text too long for 24 bits.
using Step = uint64_t;
constexpr Step kGeneral = Step{1} << 63;
constexpr uint32_t kStepLength = (1u << 24) - 1;
constexpr Step pack(const Entry& e) {
    if (e.general || e.text.len > kStepLength) return kGeneral;
    return e.text.off | uint64_t{e.text.len} << 32 | uint64_t{e.advance} << 56;
}
constexpr Text stepText(Step s) { return {static_cast<uint32_t>(s), static_cast<uint32_t>(s >> 32) & kStepLength}; }
constexpr int64_t stepAdvance(Step s) { return static_cast<int64_t>(s >> 56); }

struct DualRule {
    uint32_t key = 0;  // first byte << 8 | second byte
    bool dynamic = false;
    Text text;
    Compiled compiled;
};

// Everything the loop needs, resolved once per dump.
struct Rules {
    const TableData& table;
    DumpInfo info;
    Pool pool;
    std::array<uint8_t, 256> flags{};
    std::array<Text, 256> codeText{};
    std::array<Compiled, 256> code;
    std::array<uint32_t, 256> params{};
    std::array<bool, 256> multiDynamic{};
    std::array<MultiSplit, 256> multi;
    std::array<Text, 256> fallback{};  // single-byte entry, ".nontbl", markers, "($XX)"
    std::array<DumpItemKind, 256> fallbackKind{};
    // The step at byte b followed by byte n is entry row[b] + (n & mask[b]):
    // bytes that begin a dual or pair have 256 entries, the others one.
    std::array<uint32_t, 256> row{};
    std::array<uint8_t, 256> mask{};
    std::vector<Entry> entries;
    std::vector<Step> steps;  // entries packed
    std::vector<DualRule> dual;
    // Entries of three and four bytes (first byte highest), for the bytes
    // flagged kLong; the table's own map tells where one may begin.
    std::unordered_map<uint32_t, Text> long3, long4;
    const LongEntries* longs = nullptr;

    Rules(const TableData& t, const DumpInfo& i) : table(t), info(i) {
        for (uint32_t i = 0; i < t.DualCount && i < t.DualEntries.size(); ++i) {
            const auto& d = t.DualEntries[i];
            if (!d.flag) continue;
            flags[d.value & 0xFF] |= kDual;
            DualRule r;
            r.key = (d.value & 0xFF) << 8 | ((d.value >> 8) & 0xFF);
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
        for (const uint16_t key : t.PairTable.writtenCodes())
            if (t.PairTable[key]) flags[key >> 8] |= kPair;

        // Each byte's entries: the pair or the byte's own text, unless a code
        // or a dual comes first.
        for (int b = 0; b < 256; ++b) {
            const uint8_t f = flags[b];
            row[b] = static_cast<uint32_t>(entries.size());
            mask[b] = (f & (kDual | kPair)) ? 0xFF : 0;
            const Entry own{fallback[b], 1, fallbackKind[b]};
            for (int next = 0; next <= mask[b]; ++next) {
                Entry e = own;
                if (f & kPair)
                    if (const auto& p = t.PairTable[static_cast<size_t>(b << 8 | next)])
                        e = {pool.add(toCrLf(*p)), 2, DumpItemKind::Pair};
                if (f & kCode)
                    e = {codeText[b], 1, DumpItemKind::Code};
                else
                    e.general = (f & (kDynamicCode | kMulti | kLong)) != 0;
                entries.push_back(e);
            }
        }
        // The first record of a pair wins: later ones are written first.
        for (size_t i = dual.size(); i-- > 0;) {
            Entry& e = entries[index(static_cast<uint8_t>(dual[i].key >> 8), static_cast<uint8_t>(dual[i].key))];
            if (dual[i].dynamic) {
                e.general = true;
                e.dual = static_cast<int16_t>(i);
            } else {
                e = {dual[i].text, 2, DumpItemKind::Dual};
            }
        }
        steps.reserve(entries.size());
        for (const Entry& e : entries) steps.push_back(pack(e));
    }

    uint32_t index(uint8_t b, uint8_t next) const { return row[b] + (next & mask[b]); }
    std::string_view pooled(Text t) const { return std::string_view(pool.chars).substr(t.off, t.len); }

    // The parameter bytes a ".multicode" at `pos` writes: none when they do
    // not all lie in the range.
    size_t multiDigits(std::span<const uint8_t> d, size_t pos) const {
        const size_t count = params[d[pos]];
        return pos + count < d.size() ? count : 0;
    }
    static size_t multiSize(const MultiSplit& m, size_t digits) { return m.head.size() + 1 + 2 * digits + m.tail.size(); }
    static char* putMulti(char* q, const MultiSplit& m, const uint8_t* param, size_t digits) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        q = std::copy(m.head.begin(), m.head.end(), q);
        *q++ = '$';
        for (size_t i = 0; i < digits; ++i) {
            *q++ = kHex[param[i] >> 4];
            *q++ = kHex[param[i] & 15];
        }
        return std::copy(m.tail.begin(), m.tail.end(), q);
    }

    // The step at `pos` of `d` by every rule; entries of three and four
    // bytes only when `longer`. A dynamic text is rendered into `scratch`.
    DumpItem step(std::span<const uint8_t> d, size_t pos, bool longer, std::string& scratch) const {
        const uint8_t b = d[pos];
        const uint8_t f = flags[b];
        const Entry* e = pos + 1 < d.size() ? &entries[index(b, d[pos + 1])] : nullptr;
        if (e && !e->general) return {e->kind, e->advance, false, pooled(e->text)};
        const int64_t offset = offsetAt(info, static_cast<int64_t>(pos));
        if (e && e->dual >= 0) {
            scratch.clear();
            dual[static_cast<size_t>(e->dual)].compiled.render(scratch, offset);
            return {DumpItemKind::Dual, 2, true, scratch};
        }
        if (f & kCode) return {DumpItemKind::Code, 1, false, pooled(codeText[b])};
        if (f & kDynamicCode) {
            scratch.clear();
            code[b].render(scratch, offset);
            return {DumpItemKind::Code, 1, true, scratch};
        }
        if (f & kMulti) {
            const MultiSplit m = multiDynamic[b] ? splitMulti(expandTemplate(table.MultiCodeEntries[b].text, info,
                                                                             static_cast<int64_t>(pos)))
                                                 : MultiSplit{};
            const MultiSplit& split = multiDynamic[b] ? m : multi[b];
            const size_t digits = multiDigits(d, pos);
            scratch.resize(multiSize(split, digits));
            putMulti(scratch.data(), split, d.data() + pos + 1, digits);
            return {DumpItemKind::MultiCode, static_cast<int>(digits + 1), multiDynamic[b], scratch};
        }
        if (longer && f & kLong && pos + 2 < d.size()) {
            // The longest code first: four bytes, then three.
            const uint16_t head = static_cast<uint16_t>(b << 8 | d[pos + 1]);
            if (pos + 3 < d.size() && longs->mayStart(head, 4)) {
                const auto it = long4.find(uint32_t{head} << 16 | uint32_t{d[pos + 2]} << 8 | d[pos + 3]);
                if (it != long4.end()) return {DumpItemKind::Long, 4, false, pooled(it->second)};
            }
            if (longs->mayStart(head, 3)) {
                const auto it = long3.find(uint32_t{head} << 8 | d[pos + 2]);
                if (it != long3.end()) return {DumpItemKind::Long, 3, false, pooled(it->second)};
            }
        }
        if (e) return {e->kind, e->advance, false, pooled(e->text)};
        return {fallbackKind[b], 1, false, pooled(fallback[b])};
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
    Rules rules;
    Impl(const TableData& t, const DumpInfo& i) : rules(t, i) {}
};

DumpSteps::DumpSteps(const TableData& table, const DumpInfo& info) : impl_(std::make_unique<Impl>(table, info)) {}
DumpSteps::~DumpSteps() = default;

DumpItem DumpSteps::at(std::span<const uint8_t> range, size_t pos, std::string& scratch) const {
    return impl_->rules.step(range, pos, true, scratch);
}

bool DumpSteps::alone(uint8_t b) const { return (impl_->rules.flags[b] & (kDual | kPair | kMulti | kLong)) == 0; }
bool DumpSteps::byNext(uint8_t b) const { return (impl_->rules.flags[b] & (kMulti | kLong)) == 0; }

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
    const Step* steps = r.steps.data();
    const uint32_t* row = r.row.data();
    const uint8_t* mask = r.mask.data();
    // The steps of a stretch are looked up first, each independent of the
    // others; the walk through them then only adds advances.
    constexpr int64_t kStretch = 1024;
    std::vector<Step> stretch(kStretch + 2);  // two more for the look-ahead
    std::string scratch;
    const int64_t last = n - 1;  // the steps before it see the byte after them
    // Writes the step at `at` by every rule; its advance. A code with
    // parameters and a fixed text, the commonest, goes straight out.
    auto general = [&](int64_t at) -> int64_t {
        const uint8_t b = d[at];
        if ((r.flags[b] & kMulti) && !r.multiDynamic[b] && (at == last || r.entries[r.index(b, d[at + 1])].dual < 0)) {
            const size_t digits = r.multiDigits(range, static_cast<size_t>(at));
            out.p() = Rules::putMulti(out.ahead(Rules::multiSize(r.multi[b], digits)), r.multi[b], d + at + 1, digits);
            return static_cast<int64_t>(digits) + 1;
        }
        out.room();
        const DumpItem item = r.step(range, static_cast<size_t>(at), true, scratch);
        out.append(item.text);
        return item.advance;
    };
    int64_t pos = 0;
    while (pos < n) {
        if (out.failed() || (progress && !progress(static_cast<uint64_t>(pos), static_cast<uint64_t>(n)))) return false;
        const int64_t stop = std::min(n, pos + (int64_t{1} << 16));
        while (pos < stop) {
            if (pos >= last) {
                pos += general(pos);
                continue;
            }
            // s[i] is the step at first + i.
            const int64_t first = pos, count = std::min({stop, last, pos + kStretch}) - first;
            Step* const s = stretch.data();
            for (int64_t i = 0; i < count; ++i) {
                const uint8_t* const b = d + first + i;
                s[i] = steps[row[b[0]] + (b[1] & mask[b[0]])];
            }
            int64_t i = 0;
            while (i < count) {
                // Kept in registers: a char store could alias anything
                // reached through memory.
                char* p = out.p();
                const char* const limit = out.limit();
                Step st = s[i];
                while (i < count && p <= limit && !(st & kGeneral)) {
                    // Both candidates for the next step are read before this
                    // step's advance (1 or 2) is known: a choice, not a wait.
                    const Step one = s[i + 1], two = s[i + 2];
                    p = put(p, pool, stepText(st));
                    const int64_t advance = stepAdvance(st);
                    i += advance;
                    st = advance == 1 ? one : two;
                }
                out.p() = p;
                if (i < count) i += general(first + i);
            }
            pos = first + i;
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
