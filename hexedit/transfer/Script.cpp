#include "hexedit/transfer/Script.h"

#include <algorithm>
#include <array>
#include <bit>
#include <utility>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <tuple>

#include "common/hexdigits.h"
#include "hexedit/core/OffsetFormat.h"
#include "hexedit/transfer/TextDump.h"

namespace hexedit::transfer {

namespace {

char* putLongHex(char* p, uint64_t v) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    int n = 1;
    while (n < 16 && (v >> (4 * n)) != 0) ++n;
    for (int i = n - 1; i >= 0; --i, v >>= 4) p[i] = kHex[v & 15];
    return p + n;
}

// Writes `v` in upper-case hexadecimal, no leading zeros, at `p` (at most
// 16 characters, and 8 are written at least); returns the end.
inline char* putHex(char* p, uint64_t v) {
    if (std::endian::native == std::endian::little && v >> 32 == 0) {
        // Eight digits at once: nibble i to byte i, the bytes reversed (the
        // first digit lowest), then the leading zeros shifted out.
        const int n = v == 0 ? 1 : (std::bit_width(v) + 3) / 4;
        uint64_t x = (v | v << 16) & 0x0000FFFF0000FFFF;
        x = (x | x << 8) & 0x00FF00FF00FF00FF;
        x = (x | x << 4) & 0x0F0F0F0F0F0F0F0F;
        const uint64_t letters = ((x + 0x0606060606060606) >> 4) & 0x0101010101010101;  // digits of 10 and more
        x = __builtin_bswap64(x + 0x3030303030303030 + letters * 7) >> (8 * (8 - n));
        std::memcpy(p, &x, 8);
        return p + n;
    }
    return putLongHex(p, v);
}

std::string hex(uint64_t v) {
    char buf[16];
    return std::string(buf, putHex(buf, v));
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The directive texts are expanded with this one description, at dump and at
// insert, so that a text means the same bytes in both.
const DumpInfo kScriptInfo{};

// A directive text that names the offset changes with the position: it
// cannot be read back.
bool positional(std::string_view text) {
    return expandTemplate(text, kScriptInfo, 0) != expandTemplate(text, kScriptInfo, 5);
}

int64_t bankSize(PointerMap m) { return m == PointerMap::LoRom ? 0x8000 : m == PointerMap::HiRom ? 0x10000 : 0; }

// The offsets a 16-bit pointer can reach: [start, end).
Region window16(const PointerTable& p) {
    if (p.map == PointerMap::Linear) return {p.bank, int64_t{p.bank} + 0x10000};
    const auto start = pointerTarget(p, p.map == PointerMap::LoRom ? 0x8000 : 0);
    if (!start) return {0, 0};
    return {*start, *start + bankSize(p.map)};
}

// ---- reading and writing text ----

// Reads one step of script text into bytes: raw forms, the directive texts
// of the dump, line breaks, then the table's entries, longest first.
class Codec {
public:
    explicit Codec(const TableData& t) : table_(t) {
        for (uint32_t i = 0; i < t.DualCount && i < t.DualEntries.size(); ++i) {
            const auto& d = t.DualEntries[i];
            if (d.flag) add(d.text, {static_cast<uint8_t>(d.value), static_cast<uint8_t>(d.value >> 8)});
        }
        for (int b = 0; b < 256; ++b) {
            if (t.CodeEntries[b].flag) {
                add(t.CodeEntries[b].text, {static_cast<uint8_t>(b)});
            } else if (t.MultiCodeEntries[b].flag && !positional(t.MultiCodeEntries[b].text)) {
                MultiCodeText m = splitMultiCode(expandTemplate(t.MultiCodeEntries[b].text, kScriptInfo, 0));
                Token k;
                k.text = m.head + '$';
                k.tail = std::move(m.tail);
                k.bytes = {static_cast<uint8_t>(b)};
                k.params = t.MultiCodeEntries[b].paramCount;
                k.multi = true;
                push(std::move(k));
            }
        }
        if (t.EndStringCode.marker == '*' || t.EndStringCode.marker == '\\')
            add("<END>\\n", {static_cast<uint8_t>(t.EndStringCode.value)});
        if (t.LineBreakCode.marker == '/') lineBreak_ = static_cast<uint8_t>(t.LineBreakCode.value);
    }

    // Whether a step beginning with `c` may be read as something other than
    // table text: a raw form, a directive's text or a line break.
    bool mayStartCode(char c) const { return c == '<' || c == '\n' || !byFirst_[static_cast<uint8_t>(c)].empty(); }

    // The characters of the step at `p` (its bytes appended to `out`), or 0
    // with `error` set.
    size_t next(std::string_view s, size_t p, std::vector<uint8_t>& out, std::string& error) const {
        const std::string_view rest = s.substr(p);
        if (rest.starts_with("<$")) {
            size_t q = 2;
            const size_t mark = out.size();
            for (int byte; q + 1 < rest.size() && (byte = common::hexByteValue(rest[q], rest[q + 1])) >= 0; q += 2)
                out.push_back(static_cast<uint8_t>(byte));
            if (q > 2 && q < rest.size() && rest[q] == '>') return q + 1;
            out.resize(mark);
        }
        const Token* best = nullptr;
        size_t bestLength = 0;
        for (const uint32_t i : byFirst_[static_cast<uint8_t>(rest[0])]) {
            const size_t n = tokens_[i].match(rest);
            if (n > bestLength) best = &tokens_[i], bestLength = n;
        }
        if (best) {
            out.insert(out.end(), best->bytes.begin(), best->bytes.end());
            if (best->multi)
                for (size_t i = 0; i < best->params; ++i) {
                    const size_t d = best->text.size() + 2 * i;
                    out.push_back(static_cast<uint8_t>(common::hexByteValue(rest[d], rest[d + 1])));
                }
            return bestLength;
        }
        if (rest[0] == '\n' && lineBreak_) {
            out.push_back(*lineBreak_);
            return 1;
        }
        if (rest[0] != '\n')
            if (const auto m = matchLongestText(table_, rest)) {
                out.insert(out.end(), m->bytes.begin(), m->bytes.begin() + m->length);
                return m->textLength;
            }
        if (rest.starts_with("<$")) {
            const size_t close = rest.find('>');
            error = "the raw byte form \"" + std::string(rest.substr(0, std::min<size_t>(close == std::string_view::npos ? 12 : close + 1, 24))) +
                    "\" does not parse (write <$ then pairs of hexadecimal digits then >)";
        } else if (rest[0] == '\n') {
            error = "a line break, but the table has no line-break code (/XX)";
        } else {
            size_t n = 1;
            while (n < rest.size() && n < 4 && (static_cast<uint8_t>(rest[n]) & 0xC0) == 0x80) ++n;
            error = "no table entry for \"" + std::string(rest.substr(0, n)) + "\"";
        }
        return 0;
    }

    // Whether insert reads `text` back as `bytes` whatever text follows it.
    // Conservative: false whenever another token could match as far.
    bool sure(std::string_view text, std::span<const uint8_t> bytes) const {
        if (text.empty() || text.starts_with("<$")) return false;
        const auto& candidates = byFirst_[static_cast<uint8_t>(text[0])];
        if (text == "\n") return candidates.empty() && lineBreak_ && bytes.size() == 1 && bytes[0] == *lineBreak_;
        const Token* best = nullptr;
        size_t bestLength = 0;
        for (const uint32_t i : candidates) {
            const size_t n = tokens_[i].match(text);
            if (n > bestLength) best = &tokens_[i], bestLength = n;
        }
        if (!best || bestLength != text.size() || (!best->multi && best->text != text)) return false;
        for (const uint32_t i : candidates) {
            const Token& k = tokens_[i];
            if (&k != best && (k.text.starts_with(text) || (k.multi && text.starts_with(k.text)))) return false;
        }
        std::vector<uint8_t> read;
        std::string error;
        return next(text, 0, read, error) == text.size() && std::ranges::equal(read, bytes);
    }

private:
    struct Token {
        std::string text;  // a multicode's head and "$"
        std::string tail;
        std::vector<uint8_t> bytes;
        uint32_t params = 0;
        bool multi = false;
        // The characters of `rest` this token covers, 0 when it does not
        // begin `rest`. A text ending in a line break also matches at the
        // very end without it (an editor may drop the file's last line).
        size_t match(std::string_view rest) const {
            if (!multi) {
                if (rest.starts_with(text)) return text.size();
                if (text.size() > 1 && text.back() == '\n' && rest.size() == text.size() - 1 &&
                    text.starts_with(rest))
                    return rest.size();
                return 0;
            }
            if (!rest.starts_with(text)) return 0;
            const size_t digits = size_t{params} * 2;
            if (rest.size() - text.size() < digits) return 0;
            for (size_t i = 0; i < digits; ++i)
                if (!common::isHexDigit(rest[text.size() + i])) return 0;
            if (!rest.substr(text.size() + digits).starts_with(tail)) return 0;
            return text.size() + digits + tail.size();
        }
    };
    void add(std::string_view directive, std::vector<uint8_t> bytes) {
        if (positional(directive)) return;
        Token k;
        k.text = expandTemplate(directive, kScriptInfo, 0);
        if (k.text.empty()) return;
        k.bytes = std::move(bytes);
        push(std::move(k));
    }
    void push(Token k) {
        byFirst_[static_cast<uint8_t>(k.text[0])].push_back(static_cast<uint32_t>(tokens_.size()));
        tokens_.push_back(std::move(k));
    }

    const TableData& table_;
    std::vector<Token> tokens_;
    std::array<std::vector<uint32_t>, 256> byFirst_;
    std::optional<uint8_t> lineBreak_;
};

// Line and column of position `p` of an entry's text.
ScriptError errorAt(std::string_view text, const std::vector<int>& lines, int firstLine, size_t p, std::string message) {
    size_t lineIndex = 0, lineStart = 0;
    for (size_t i = 0; i < p && i < text.size(); ++i)
        if (text[i] == '\n') ++lineIndex, lineStart = i + 1;
    int column = 1;
    for (size_t i = lineStart; i < p && i < text.size(); ++i)
        if ((static_cast<uint8_t>(text[i]) & 0xC0) != 0x80) ++column;
    const int line = lineIndex < lines.size() ? lines[lineIndex] : firstLine + static_cast<int>(lineIndex);
    return {line, column, std::move(message)};
}

constexpr size_t kMaxErrors = 100;

std::optional<std::vector<uint8_t>> encodeText(const Codec& codec, std::string_view text, const std::vector<int>& lines,
                                               int firstLine, std::vector<ScriptError>& errors) {
    std::vector<uint8_t> out;
    out.reserve(text.size());
    std::string error;
    bool failed = false;
    for (size_t p = 0; p < text.size();) {
        const size_t n = codec.next(text, p, out, error);
        if (n > 0) {
            p += n;
            continue;
        }
        failed = true;
        if (errors.size() < kMaxErrors) errors.push_back(errorAt(text, lines, firstLine, p, error));
        ++p;
        while (p < text.size() && (static_cast<uint8_t>(text[p]) & 0xC0) == 0x80) ++p;
    }
    if (failed) return std::nullopt;
    return out;
}

// ---- dump ----

// One dump step of a string: its bytes, and its text in the string's text.
struct Piece {
    size_t pos = 0;
    size_t advance = 0;
    size_t textBegin = 0, textEnd = 0;
    bool raw = false;
    bool sure = false;  // reads back as its bytes whatever follows
    bool plain = false;  // reads back as its bytes unless a longer entry text begins there
};

// `text` with its CR LF line ends as LF.
void appendLf(std::string& out, std::string_view text) {
    if (text.find('\r') == std::string_view::npos) {
        out += text;
        return;
    }
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
}

void appendRaw(std::string& out, std::span<const uint8_t> bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "<$";
    for (const uint8_t b : bytes) {
        out += kHex[b >> 4];
        out += kHex[b & 15];
    }
    out += '>';
}

// The text insert would read back as `bytes`, from the dump's texts where
// they read back as the same bytes and raw forms elsewhere.
class StringWriter {
public:
    StringWriter(const TableData& table, const Codec& codec) : steps_(table, kScriptInfo), codec_(codec) {
        if (table.EndStringCode.marker == '*' || table.EndStringCode.marker == '\\')
            end_ = static_cast<uint8_t>(table.EndStringCode.value);
        // An entry's text reads back as its own code, whatever follows, when
        // the encoder picks that code for it, no longer entry text begins
        // with it, and nothing but table text can begin where it begins.
        std::vector<std::string_view>& texts = texts_;
        for (const auto& t : table.ByteTable)
            if (t && !t->empty()) texts.push_back(*t);
        for (const uint16_t code : table.PairTable.writtenCodes())
            if (const auto& t = std::as_const(table.PairTable)[code]; t && !t->empty()) texts.push_back(*t);
        table.LongTable.forEach([&](uint32_t, int, const std::string& t) {
            if (!t.empty()) texts.push_back(t);
        });
        std::sort(texts.begin(), texts.end());
        auto kind = [&](const std::optional<std::string>& t, uint8_t first, int length, uint8_t second) -> uint8_t {
            if (!t || t->empty() || codec.mayStartCode((*t)[0]) || t->find_first_of("\r\n") != std::string::npos) return 0;
            const auto m = matchLongestText(table, *t);
            if (!m || m->textLength != t->size() || m->length != length || m->bytes[0] != first ||
                (length == 2 && m->bytes[1] != second))
                return 0;
            const auto next = std::upper_bound(texts.begin(), texts.end(), std::string_view(*t));
            return next != texts.end() && next->starts_with(*t) ? kPlain : kSureText;
        };
        for (int b = 0; b < 256; ++b) byteKind_[b] = kind(table.ByteTable[b], static_cast<uint8_t>(b), 1, 0);
        pairKind_.assign(65536, 0);
        for (const uint16_t code : table.PairTable.writtenCodes())
            pairKind_[code] = kind(std::as_const(table.PairTable)[code], static_cast<uint8_t>(code >> 8), 2, static_cast<uint8_t>(code));
        // The steps of bytes that step alone, their texts pooled with room
        // after each so that a short one is copied with one fixed-size move.
        for (int b = 0; b < 256; ++b) {
            const uint8_t byte = static_cast<uint8_t>(b);
            nextOnly_[b] = steps_.byNext(byte);
            if (!steps_.alone(byte)) continue;
            const Step st = classify(std::span<const uint8_t>(&byte, 1), 0);
            alone_[b] = {static_cast<uint32_t>(pool_.size()), st.len, st.advance, st.state, kNoRun};
            if (st.state == kPlainStep) {
                // The longer entry texts it begins, as longerTextAt() tries them.
                const std::string_view t(st.text, st.len);
                for (auto it = std::upper_bound(texts_.begin(), texts_.end(), t); it != texts_.end() && it->starts_with(t); ++it)
                    longer_[b].push_back(*it);
                if (longer_[b].size() > 16) alone_[b].state = kUnsure;  // longerTextAt() gives up: the checked path decides
            }
            // In a run: a short text that reads back whatever precedes it and
            // whatever follows (or is checked after); the end code ends it.
            if ((alone_[b].state == kSure || alone_[b].state == kPlainStep) && st.len <= kPad && st.text[0] != '#' &&
                st.text[0] != '@' && runLineEnd({st.text, st.len}, alone_[b].lineEnd)) {
                alone_[b].run = end_ && byte == *end_ ? kRunLast : kRun;
                alone_[b].note = alone_[b].state == kPlainStep ? plainNote(st.len, b) : endNote(alone_[b].lineEnd);
                runLongest_ = std::max(runLongest_, size_t{st.len});
            }
            pool_.append(st.text, st.len);
            pool_.append(kPad, '\0');
        }
    }

    // The string at the start of `from` and its text in one pass (its size
    // in `n`), when every piece is raw or reads back as its bytes whatever
    // follows and no line of it begins with '#' or '@'. Nothing otherwise:
    // then decode() and text() settle it piece by piece.
    std::optional<std::string_view> quick(std::span<const uint8_t> from, size_t& n) {
        static constexpr char kHex[] = "0123456789ABCDEF";
        from = from.first(std::min(from.size(), kMaxStringBytes));
        const char* pool = pool_.data();
        // At the top of every step at least kPad characters are free.
        if (buf_.size() < 4096) buf_.resize(4096);
        char* p = buf_.data();
        noteCount_ = 0;
        size_t pos = 0;
        bool ended = false;
        while (pos < from.size()) {
            // A run of short texts while the buffer has room for one more.
            // Each step writes a character at least: a run notes fewer plain
            // texts and line breaks than the buffer holds.
            const char* const limit = buf_.data() + buf_.size() - kPad - runLongest_;
            if (notes_.size() < noteCount_ + buf_.size()) notes_.resize(noteCount_ + buf_.size());
            // Locals, kept in registers: a char store could alias any member.
            const uint8_t* const bytes = from.data();
            const size_t size = from.size();
            const char* const base = buf_.data();
            const Pooled* const alone = alone_.data();
            const Pooled* const byNext = byNext_.data();
            Note* const notes = notes_.data();
            size_t noteCount = noteCount_;
            // Noted without a branch: the count moves on only for a plain
            // text or a text with a line break.
            auto put = [&](const Pooled& a) {
                notes[noteCount] = static_cast<size_t>(p - base) | a.note;
                noteCount += a.note >> 63;
                std::memcpy(p, pool + a.off, kPad);
                p += a.len;
            };
            // A step writes kPad characters at most: p stays at or below
            // `limit` for this many.
            const size_t steps = p <= limit ? static_cast<size_t>(limit - p) / kPad + 1 : 0;
            const size_t stop = pos + std::min(size - pos, steps);
            while (pos < stop) {
                Pooled a = alone[bytes[pos]];
                if (a.run != kRun) [[unlikely]] {
                    if (a.run == kRunLast) {
                        put(a);
                        ++pos;
                        ended = true;
                        break;
                    }
                    // A byte that begins a pair: its step by the next byte.
                    if (a.run != kRunNext || pos + 1 >= size) break;
                    a = byNext[static_cast<size_t>(nextRow_[bytes[pos]]) + bytes[pos + 1]];
                    if (a.run != kRun) break;
                    pos += a.advance - 1u;
                }
                put(a);
                ++pos;  // not by a loaded advance: the next load waits on it
            }
            noteCount_ = noteCount;
            if (pos == from.size() || ended) break;
            const uint8_t b = from[pos];
            Pooled a = alone_[b];
            const bool single = a.state != kVaries;
            if (!single && pos + 1 < from.size() && nextOnly_[b]) {
                a = pairStep(from, pos);
                pool = pool_.data();
            }
            const bool pooled = a.state != kVaries;
            const Step st = pooled ? Step{pool + a.off, a.len, a.advance, a.state} : classify(from, pos);
            if (st.state == kUnsure) return std::nullopt;
            p = room(p, st.state == kRaw ? 3 + 2 * size_t{st.advance} : st.len);
            if (st.state == kRaw) {
                *p++ = '<';
                *p++ = '$';
                for (size_t i = pos; i < pos + st.advance; ++i) {
                    *p++ = kHex[from[i] >> 4];
                    *p++ = kHex[from[i] & 15];
                }
                *p++ = '>';
            } else {
                // A line of text must not look like a comment or an entry.
                if ((st.text[0] == '#' || st.text[0] == '@') && (p == buf_.data() || p[-1] == '\n')) return std::nullopt;
                if (st.state == kPlainStep) {
                    if (st.len > kNoteLength) return std::nullopt;
                    note(static_cast<size_t>(p - buf_.data()) | plainNote(st.len, single ? b : -1));
                }
                if (pooled && st.len <= kPad)
                    std::memcpy(p, st.text, kPad);  // a fixed-size move, inlined
                else
                    std::memcpy(p, st.text, st.len);
                for (uint32_t i = 0; i < st.len; ++i)
                    if (st.text[i] == '\n') note((static_cast<size_t>(p - buf_.data()) + i) | endNote(1));
                p += st.len;
            }
            pos += st.advance;
            if (end_ && st.advance == 1 && b == *end_) break;
        }
        p = room(p, 3 * kPad);  // lines are copied in moves of 4 * kPad
        const std::string_view text(buf_.data(), static_cast<size_t>(p - buf_.data()));
        // The notes split without a branch: line breaks to ends_, plain
        // texts to the end of notes_, where the loop has read them.
        if (ends_.size() < noteCount_) ends_.resize(noteCount_);
        size_t endCount = 0, plainCount = 0;
        {
            Note* const notes = notes_.data();
            size_t* const ends = ends_.data();
            for (size_t i = 0; i < noteCount_; ++i) {
                const Note k = notes[i];
                const bool plain = (k & kPlainNote) != 0;
                ends[endCount] = static_cast<uint32_t>(k) + (k >> kLineEndShift & 31) - 1;
                endCount += !plain;
                notes[plainCount] = k;
                plainCount += plain;
            }
        }
        endCount_ = endCount;
        // A text that begins a longer entry text reads back as its bytes
        // unless that longer text follows.
        for (size_t i = 0; i < plainCount; ++i) {
            const Note k = notes_[i];
            const size_t at = static_cast<uint32_t>(k);
            const size_t len = static_cast<size_t>(k >> 32 & kNoteLength);
            const int byte = k & kNoByte ? -1 : static_cast<int>(k >> 40 & 0xFF);
            const std::string_view rest(text.data() + at, text.size() - at);
            if (byte < 0 ? longerTextAt(rest, len) != false
                         : std::ranges::any_of(longer_[static_cast<size_t>(byte)], [&](std::string_view l) {
                               // l is longer than the text: its next character rules out most
                               return rest.size() > len && rest[len] == l[len] && rest.starts_with(l);
                           }))
                return std::nullopt;
        }
        n = pos;
        return text;
    }

    // Where the line breaks of the text quick() gave last are.
    std::span<const size_t> lineEnds() const { return std::span(ends_).first(endCount_); }

    // `text` copied where 64 characters past its end may be read.
    std::string_view padded(std::string_view text) {
        if (buf_.size() < text.size() + 4 * kPad) buf_.resize(text.size() + 4 * kPad);
        std::memcpy(buf_.data(), text.data(), text.size());
        return {buf_.data(), text.size()};
    }

    // The bytes of the string at the start of `from`: up to its end code.
    size_t decode(std::span<const uint8_t> from) {
        from = from.first(std::min(from.size(), kMaxStringBytes));
        pieces_.clear();
        dumped_.clear();
        size_t pos = 0;
        while (pos < from.size()) {
            const DumpItem item = steps_.at(from, pos, scratch_);
            Piece piece{pos, static_cast<size_t>(item.advance), dumped_.size(), 0, false};
            appendLf(dumped_, item.text);
            piece.textEnd = dumped_.size();
            piece.raw = item.dynamic || item.kind == DumpItemKind::NoEntry || piece.textEnd == piece.textBegin;
            const uint8_t k = item.kind == DumpItemKind::Single ? byteKind_[from[pos]]
                              : item.kind == DumpItemKind::Pair ? pairKind_[from[pos] << 8 | from[pos + 1]]
                                                                : 0;
            piece.sure = k == kSureText;
            piece.plain = k == kPlain;
            pieces_.push_back(piece);
            pos += piece.advance;
            if (end_ && item.advance == 1 && from[piece.pos] == *end_) break;
        }
        return pos;
    }

    // The string's text for `bytes` (what decode() covered).
    const std::string& text(std::span<const uint8_t> bytes) {
        for (int round = 0; round < 8; ++round) {
            build(bytes);
            const size_t bad = firstMismatch(bytes);
            if (bad == SIZE_MAX) return text_;
            pieces_[bad].raw = true;
        }
        text_.clear();
        appendRaw(text_, bytes);
        return text_;
    }

private:
    void build(std::span<const uint8_t> bytes) {
        text_.clear();
        starts_.clear();
        for (const Piece& p : pieces_) {
            starts_.push_back(text_.size());
            if (p.raw)
                appendRaw(text_, bytes.subspan(p.pos, p.advance));
            else
                text_.append(dumped_, p.textBegin, p.textEnd - p.textBegin);
        }
        starts_.push_back(text_.size());
    }
    // The first piece that insert would not read back as its own bytes.
    size_t firstMismatch(std::span<const uint8_t> bytes) {
        std::string error;
        for (size_t i = 0; i < pieces_.size(); ++i) {
            const size_t at = starts_[i];
            // A line of text must not look like a comment or an entry.
            if ((at == 0 || text_[at - 1] == '\n') && at < text_.size() && (text_[at] == '#' || text_[at] == '@') &&
                !pieces_[i].raw)
                return i;
            if (pieces_[i].sure) continue;
            if (pieces_[i].plain && !pieces_[i].raw) {
                if (const auto longer = longerTextAt(std::string_view(text_).substr(at), starts_[i + 1] - at)) {
                    if (!*longer) continue;
                    return i;
                }
            }
            read_.clear();
            const size_t n = codec_.next(text_, at, read_, error);
            if (n != starts_[i + 1] - at || !std::equal(read_.begin(), read_.end(), bytes.begin() + static_cast<ptrdiff_t>(pieces_[i].pos),
                                                        bytes.begin() + static_cast<ptrdiff_t>(pieces_[i].pos + pieces_[i].advance)) ||
                read_.size() != pieces_[i].advance)
                return i;
        }
        return SIZE_MAX;
    }

    DumpSteps steps_;
    const Codec& codec_;
    std::optional<uint8_t> end_;

    // One step of quick(): its text (LF line ends), bytes and how it reads back.
    enum : uint8_t { kVaries, kRaw, kSure, kPlainStep, kUnsure };
    struct Step {
        const char* text = nullptr;
        uint32_t len = 0;
        uint8_t advance = 1;
        uint8_t state = kUnsure;
    };
    struct Pooled {
        uint32_t off = 0;
        uint32_t len = 0;
        uint8_t advance = 1;
        uint8_t state = kVaries;
        uint8_t run = kNoRun;
        uint8_t lineEnd = 0;  // in a run: 1 + where its one line break is, 0 without
        uint64_t note = 0;    // in a run: its Note but the position, 0 when not noted
    };
    // Whether a short text may be in a run by its line breaks (one at most),
    // and where that one is.
    static bool runLineEnd(std::string_view text, uint8_t& lineEnd) {
        const size_t at = text.find('\n');
        lineEnd = at == std::string_view::npos ? 0 : static_cast<uint8_t>(at + 1);
        return at == std::string_view::npos || text.find('\n', at + 1) == std::string_view::npos;
    }
    // kRun: a short text that reads back as its bytes (plain texts checked
    // after); kRunLast: the same, ending the string; kRunNext: a byte that
    // begins a pair, whose row of steps by the next byte exists.
    enum : uint8_t { kNoRun, kRun, kRunLast, kRunNext };
    static constexpr size_t kPad = 16;

    Step classify(std::span<const uint8_t> from, size_t pos) {
        const DumpItem item = steps_.at(from, pos, scratch_);
        std::string_view text = item.text;  // valid until the next step
        if (text.find('\r') != std::string_view::npos) {
            lf_.clear();
            appendLf(lf_, text);
            text = lf_;
        }
        Step st{text.data(), static_cast<uint32_t>(text.size()), static_cast<uint8_t>(item.advance), kUnsure};
        const uint8_t b = from[pos];
        if (item.dynamic || item.kind == DumpItemKind::NoEntry || text.empty())
            st.state = kRaw;
        else if (item.kind == DumpItemKind::Single)
            st.state = stateOf(byteKind_[b]);
        else if (item.kind == DumpItemKind::Pair)
            st.state = stateOf(pairKind_[b << 8 | from[pos + 1]]);
        else if (item.kind == DumpItemKind::Code) {
            if (codeState_[b] == kVaries) codeState_[b] = codec_.sure(text, from.subspan(pos, 1)) ? kSure : kUnsure;
            st.state = codeState_[b];
        } else
            st.state = codec_.sure(text, from.subspan(pos, st.advance)) ? kSure : kUnsure;
        return st;
    }
    // The step at `pos`, which has a byte after it, of a byte whose step
    // depends on that byte alone: classified when first met, then pooled.
    Pooled pairStep(std::span<const uint8_t> from, size_t pos) {
        const uint8_t b = from[pos];
        if (nextRow_[b] < 0) {
            nextRow_[b] = static_cast<int32_t>(byNext_.size());
            byNext_.resize(byNext_.size() + 256);
        }
        Pooled& a = byNext_[static_cast<size_t>(nextRow_[b]) + from[pos + 1]];
        if (a.state == kVaries) {
            const Step st = classify(from, pos);
            // A raw step is pooled as its raw form: it reads back whatever
            // is around it.
            std::string raw;
            if (st.state == kRaw) appendRaw(raw, from.subspan(pos, st.advance));
            const std::string_view text = st.state == kRaw ? std::string_view(raw) : std::string_view(st.text, st.len);
            a = {static_cast<uint32_t>(pool_.size()), static_cast<uint32_t>(text.size()), st.advance, st.state, kNoRun};
            if ((st.state == kSure || st.state == kRaw) && !text.empty() && text.size() <= kPad && text[0] != '#' &&
                text[0] != '@' && !(end_ && st.advance == 1 && b == *end_) && runLineEnd(text, a.lineEnd)) {
                a.run = kRun;
                a.note = endNote(a.lineEnd);
                runLongest_ = std::max(runLongest_, text.size());
            }
            pool_.append(text);
            pool_.append(kPad, '\0');
            alone_[b].run = kRunNext;  // the run loop may look into its row now
        }
        return a;
    }
    static uint8_t stateOf(uint8_t textKind) {
        return textKind == kSureText ? kSure : textKind == kPlain ? kPlainStep : kUnsure;
    }
    // The write position `p` of buf_ with room for `n` more characters and
    // a fixed-size move.
    char* room(char* p, size_t n) {
        const size_t used = static_cast<size_t>(p - buf_.data());
        if (buf_.size() - used >= n + kPad) [[likely]]
            return p;
        buf_.resize(std::max(2 * buf_.size(), used + n + kPad));
        return buf_.data() + used;
    }
    std::array<Pooled, 256> alone_{};
    // Rows of 256 steps by the next byte for the bytes that begin a pair
    // (-1: no row yet), filled as pairStep() meets them.
    std::array<int32_t, 256> nextRow_ = [] {
        std::array<int32_t, 256> r;
        r.fill(-1);
        return r;
    }();
    std::vector<Pooled> byNext_;
    std::array<bool, 256> nextOnly_{};  // DumpSteps::byNext()
    std::array<uint8_t, 256> codeState_{};
    size_t runLongest_ = 1;
    std::string pool_, lf_, buf_;
    // quick() notes each plain text and each line break, a run with one
    // store a step: the position (bits 0-31), then for a plain text its
    // length (32-39) and byte when it steps alone (40-47, else kNoByte),
    // for a line break 1 + its place in the step's text (57-61).
    using Note = uint64_t;
    static constexpr Note kNoted = Note{1} << 63, kPlainNote = Note{1} << 62, kNoByte = Note{1} << 56;
    static constexpr int kLineEndShift = 57;
    static constexpr uint32_t kNoteLength = 0xFF;
    static constexpr Note plainNote(uint32_t len, int byte) {
        return kNoted | kPlainNote | Note{len} << 32 | (byte < 0 ? kNoByte : Note(static_cast<uint8_t>(byte)) << 40);
    }
    static constexpr Note endNote(uint8_t lineEnd) { return lineEnd ? kNoted | Note{lineEnd} << kLineEndShift : 0; }
    std::vector<Note> notes_;
    size_t noteCount_ = 0;  // of notes_ in use
    std::vector<size_t> ends_;  // quick(): where its line breaks are
    size_t endCount_ = 0;       // of ends_ in use
    void note(Note value) {
        if (noteCount_ == notes_.size()) notes_.resize(2 * notes_.size() + 16);
        notes_[noteCount_++] = value;
    }
    std::array<std::vector<std::string_view>, 256> longer_;  // for plain texts that step alone
    // Whether an entry text longer than the first `length` characters of
    // `rest`, and beginning with them, begins `rest`; nothing when too many
    // texts would have to be tried.
    std::optional<bool> longerTextAt(std::string_view rest, size_t length) const {
        const std::string_view t = rest.substr(0, length);
        auto it = std::upper_bound(texts_.begin(), texts_.end(), t);
        for (int tried = 0; it != texts_.end() && it->starts_with(t); ++it, ++tried) {
            if (tried == 16) return std::nullopt;
            if (rest.starts_with(*it)) return true;
        }
        return false;
    }

    static constexpr uint8_t kSureText = 1, kPlain = 2;
    std::vector<std::string_view> texts_;  // every entry text, sorted
    std::array<uint8_t, 256> byteKind_{};
    std::vector<uint8_t> pairKind_;
    std::vector<Piece> pieces_;
    std::string dumped_, text_, scratch_;
    std::vector<size_t> starts_;
    std::vector<uint8_t> read_;
};

// Pointer tables mostly list their strings in order: checked before sorting.
template <class V, class Less>
void sortUnlessSorted(V& v, Less less) {
    if (!std::is_sorted(v.begin(), v.end(), less)) std::sort(v.begin(), v.end(), less);
}

// Sorted, with touching regions joined.
std::vector<Region> merged(std::vector<Region> r) {
    sortUnlessSorted(r, [](const Region& a, const Region& b) { return a.start < b.start; });
    std::vector<Region> out;
    for (const Region& x : r) {
        if (x.end <= x.start) continue;
        if (!out.empty() && x.start <= out.back().end)
            out.back().end = std::max(out.back().end, x.end);
        else
            out.push_back(x);
    }
    return out;
}

void putLine(std::string& out, std::string_view line) {
    out += line;
    out += "\r\n";
}

}  // namespace

// ---- pointers ----

std::optional<PointerTable> parsePointerTable(std::string_view text, std::string& error) {
    std::vector<std::string_view> f;
    for (size_t at = 0;;) {
        const size_t comma = text.find(',', at);
        f.push_back(trim(text.substr(at, comma == std::string_view::npos ? std::string_view::npos : comma - at)));
        if (comma == std::string_view::npos) break;
        at = comma + 1;
    }
    if (f.size() < 4 || f.size() > 5) {
        error = "pointers must be OFFSET,COUNT,WIDTH,MAP[,BANK], not \"" + std::string(text) + "\"";
        return std::nullopt;
    }
    PointerTable p;
    const auto offset = common::parseHex(f[0], 8);
    const auto count = common::parseHex(f[1], 8);
    if (!offset) {
        error = "not a hexadecimal offset: \"" + std::string(f[0]) + "\"";
        return std::nullopt;
    }
    if (!count || *count == 0 || *count > kMaxPointers) {
        error = "the pointer count must be 1 to " + hex(kMaxPointers) + " (hexadecimal), not \"" + std::string(f[1]) + "\"";
        return std::nullopt;
    }
    p.offset = static_cast<int64_t>(*offset);
    p.count = static_cast<uint32_t>(*count);
    if (f[2] == "16" || f[2] == "24" || f[2] == "32") {
        p.width = (f[2][0] - '0') * 10 + (f[2][1] - '0');
    } else {
        error = "the pointer width must be 16, 24 or 32, not \"" + std::string(f[2]) + "\"";
        return std::nullopt;
    }
    const std::string map = lower(f[3]);
    if (map == "linear") p.map = PointerMap::Linear;
    else if (map == "lorom") p.map = PointerMap::LoRom;
    else if (map == "hirom") p.map = PointerMap::HiRom;
    else {
        error = "the mapping must be linear, lorom or hirom, not \"" + std::string(f[3]) + "\"";
        return std::nullopt;
    }
    if (f.size() == 5) {
        const auto bank = common::parseHex(f[4], 8);
        if (!bank || (p.map != PointerMap::Linear && *bank > 0xFF)) {
            error = "not a bank (or, for linear, a base offset): \"" + std::string(f[4]) + "\"";
            return std::nullopt;
        }
        p.bank = static_cast<uint32_t>(*bank);
    }
    return p;
}

std::string pointerTableText(const PointerTable& p) {
    static constexpr const char* kMaps[] = {"linear", "lorom", "hirom"};
    std::string s = hex(static_cast<uint64_t>(p.offset)) + "," + hex(p.count) + "," + std::to_string(p.width) + "," +
                    kMaps[static_cast<int>(p.map)];
    if (p.width == 16) s += "," + hex(p.bank);
    return s;
}

std::optional<int64_t> pointerTarget(const PointerTable& p, uint32_t value) {
    uint32_t address = p.width == 16 ? (value & 0xFFFF) : p.width == 24 ? (value & 0xFFFFFF) : value;
    if (p.map == PointerMap::Linear) return p.width == 16 ? int64_t{p.bank} + address : int64_t{address};
    if (p.width == 16) address |= (p.bank & 0xFF) << 16;
    address &= 0xFFFFFF;
    if (p.map == PointerMap::LoRom) {
        if ((address & 0xFFFF) < 0x8000) return std::nullopt;
        return SnesToOffset(address, snLOROM);
    }
    return SnesToOffset(address, snHIROM);
}

std::optional<uint32_t> pointerValue(const PointerTable& p, int64_t offset, uint32_t old) {
    if (offset < 0 || offset > UINT32_MAX) return std::nullopt;
    uint32_t value = 0;
    if (p.map == PointerMap::Linear) {
        const int64_t v = p.width == 16 ? offset - p.bank : offset;
        const int64_t limit = p.width == 16 ? 0xFFFF : p.width == 24 ? 0xFFFFFF : 0xFFFFFFFF;
        if (v < 0 || v > limit) return std::nullopt;
        value = static_cast<uint32_t>(v);
    } else {
        if (offset >= 0x400000) return std::nullopt;
        const uint32_t address = p.map == PointerMap::LoRom ? DisplayOffset(kOffsetLoRomSlow, static_cast<int32_t>(offset))
                                                            : static_cast<uint32_t>(offset);
        // Bits the mapping ignores keep the game's choice (fast ROM, mirrors).
        const uint32_t ignored = p.map == PointerMap::LoRom ? 0xFF800000u : 0xFFC00000u;
        value = p.width == 16 ? (address & 0xFFFF) : (address & ~ignored) | (old & ignored);
        if (p.width == 24) value &= 0xFFFFFF;
    }
    if (pointerTarget(p, value) != offset) return std::nullopt;
    return value;
}

uint32_t readPointer(const PointerTable& p, std::span<const uint8_t> file, uint32_t index) {
    const size_t n = static_cast<size_t>(p.width / 8);
    const size_t at = static_cast<size_t>(p.offset) + size_t{index} * n;
    uint32_t v = 0;
    for (size_t i = 0; i < n; ++i) {
        const uint32_t b = file[at + (p.bigEndian ? i : n - 1 - i)];
        v = v << 8 | b;
    }
    return v;
}

namespace {
void putPointer(const PointerTable& p, uint32_t value, uint8_t* to) {
    const size_t n = static_cast<size_t>(p.width / 8);
    for (size_t i = 0; i < n; ++i) to[p.bigEndian ? n - 1 - i : i] = static_cast<uint8_t>(value >> (8 * i));
}

bool tableInFile(const PointerTable& p, size_t fileSize) {
    return p.offset >= 0 && static_cast<uint64_t>(p.offset) + uint64_t{p.count} * static_cast<uint64_t>(p.width / 8) <= fileSize;
}
}  // namespace

// ---- dump ----

std::optional<std::string> dumpScript(const TableData& table, std::span<const uint8_t> file, const DumpRequest& request,
                                      std::string& error, const common::Progress& progress) {
    const PointerTable& pt = request.pointers;
    error.clear();
    if (!tableInFile(pt, file.size())) {
        error = "The pointer table (" + std::to_string(pt.count) + " pointers of " + std::to_string(pt.width) +
                " bits at " + hex(static_cast<uint64_t>(pt.offset)) + ") does not lie in the file.";
        return std::nullopt;
    }
    // One entry per target, in the order of the first pointer to it; its
    // pointers are a run of `pointers`, ascending.
    std::vector<std::pair<int64_t, uint32_t>> pointers;  // target, pointer
    pointers.reserve(pt.count);
    std::vector<uint32_t> outside;
    for (uint32_t i = 0; i < pt.count; ++i) {
        const auto t = pointerTarget(pt, readPointer(pt, file, i));
        if (!t || *t < 0 || static_cast<uint64_t>(*t) >= file.size())
            outside.push_back(i);
        else
            pointers.push_back({*t, i});
    }
    sortUnlessSorted(pointers, std::less<>());
    struct Target {
        int64_t offset = 0;
        size_t begin = 0, end = 0;
    };
    std::vector<Target> targets;
    targets.reserve(pointers.size());
    for (size_t i = 0; i < pointers.size(); ++i) {
        if (i == 0 || pointers[i].first != pointers[i - 1].first) targets.push_back({pointers[i].first, i, i});
        targets.back().end = i + 1;
    }
    sortUnlessSorted(targets, [&](const Target& a, const Target& b) { return pointers[a.begin].second < pointers[b.begin].second; });

    const Codec codec(table);
    StringWriter writer(table, codec);
    // The strings first, then the header (it lists the space they take)
    // moved in front of them once. The output is written through a
    // pointer; it grows by pieces small enough to stay in the cache while
    // their zero fill is overwritten.
    std::string out;
    out.reserve(std::min(targets.size() * 256 + 4096, kMaxScriptBytes));
    size_t written = 0;
    auto ahead = [&](size_t n) {
        if (out.size() - written < n) out.resize(written + std::max(n, size_t{64} << 10));
        return out.data() + written;
    };
    // `n` characters in moves of 16, four at least: both sides have room
    // for 63 more past the end.
    auto copyLine = [](char* to, const char* from, size_t n) {
        std::memcpy(to, from, 64);
        for (size_t i = 64; i < n; i += 16) std::memcpy(to + i, from + i, 16);
        return to + n;
    };
    std::vector<size_t> checkedEnds;  // the line breaks of a text the checked path wrote
    std::vector<Region> used;
    used.reserve(targets.size());
    for (size_t k = 0; k < targets.size(); ++k) {
        if (progress && !progress(k, targets.size())) return std::nullopt;
        const Target& t = targets[k];
        const auto from = file.subspan(static_cast<size_t>(t.offset));
        size_t n = 0;
        std::string_view text;
        std::span<const size_t> ends;  // where each line of the text ends but the last
        if (const auto quick = writer.quick(from, n)) {
            text = *quick;
            ends = writer.lineEnds();
        } else {
            n = writer.decode(from);
            text = writer.padded(writer.text(from.first(n)));
            checkedEnds.clear();
            for (const char* at = text.data(); (at = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(text.data() + text.size() - at)))); ++at)
                checkedEnds.push_back(static_cast<size_t>(at - text.data()));
            ends = checkedEnds;
        }
        used.push_back({t.offset, t.offset + static_cast<int64_t>(n)});
        // Each line of the text at most twice plus "#|", two CR LF and the
        // moves' overrun.
        char* const begin = ahead(17 * (t.end - t.begin + 2) + 2 * text.size() + 6 * (ends.size() + 1) + 96);
        char* p = begin;
        *p++ = '@';
        for (size_t i = t.begin; i < t.end; ++i) {
            if (i > t.begin) *p++ = ',';
            p = putHex(p, pointers[i].second);
        }
        *p++ = ' ';
        p = putHex(p, static_cast<uint64_t>(t.offset));
        *p++ = ' ';
        p = putHex(p, n);
        *p++ = '\r';
        *p++ = '\n';
        // The original text as comments (its last line break ends the last
        // line), then the text to edit and an empty line.
        size_t start = 0;
        for (const size_t end : ends) {
            std::memcpy(p, "#|", 2);
            p = copyLine(p + 2, text.data() + start, end - start);
            std::memcpy(p, "\r\n", 2);
            p += 2;
            start = end + 1;
        }
        if (!text.ends_with('\n')) {
            std::memcpy(p, "#|", 2);
            p = copyLine(p + 2, text.data() + start, text.size() - start);
            std::memcpy(p, "\r\n", 2);
            p += 2;
        }
        start = 0;
        for (const size_t end : ends) {
            p = copyLine(p, text.data() + start, end - start);
            std::memcpy(p, "\r\n", 2);
            p += 2;
            start = end + 1;
        }
        p = copyLine(p, text.data() + start, text.size() - start);
        std::memcpy(p, "\r\n", 2);
        p += 2;
        written += static_cast<size_t>(p - begin);
    }
    out.resize(written);

    std::string head;
    putLine(head, "# Script of " + (request.fileName.empty() ? std::string("the file") : request.fileName) +
                      ": edit the text under each \"@\" line.");
    putLine(head, "# \"@P,P OFFSET SIZE\": the string's pointers, where it was and its size (hexadecimal).");
    putLine(head, "# Every line break of a text belongs to it. \"#\" lines are comments; \"#|\" shows the original.");
    putLine(head, "table " + request.tablePath);
    putLine(head, "pointers " + pointerTableText(pt) + (pt.bigEndian ? " big-endian" : ""));
    std::vector<Region> space = std::move(used);
    space.insert(space.end(), request.extraSpace.begin(), request.extraSpace.end());
    for (const Region& r : merged(std::move(space)))
        putLine(head, "space " + hex(static_cast<uint64_t>(r.start)) + "-" + hex(static_cast<uint64_t>(r.end - 1)));
    for (const uint32_t i : outside) putLine(head, "# pointer " + hex(i) + " points outside the file and is left as it is");
    head += "\r\n";
    out.insert(0, head);
    return out;
}

namespace detail {
std::optional<std::pair<std::string, size_t>> stringText(const TableData& table, std::span<const uint8_t> from, bool quick) {
    const Codec codec(table);
    StringWriter writer(table, codec);
    size_t n = 0;
    if (quick) {
        const auto text = writer.quick(from, n);
        if (!text) return std::nullopt;
        return std::pair{std::string(*text), n};
    }
    n = writer.decode(from);
    return std::pair{writer.text(from.first(n)), n};
}
}  // namespace detail

// ---- reading ----

std::string errorText(const ScriptError& e) {
    return "line " + std::to_string(e.line) + ", column " + std::to_string(e.column) + ": " + e.text;
}

std::optional<Script> readScript(std::string_view text, std::vector<ScriptError>& errors) {
    errors.clear();
    if (text.size() > kMaxScriptBytes) {
        errors.push_back({1, 1, "the script is larger than " + std::to_string(kMaxScriptBytes >> 20) + " MiB"});
        return std::nullopt;
    }
    Script script;
    bool havePointers = false, haveTable = false;
    std::vector<bool> seen;
    ScriptEntry* entry = nullptr;
    auto fail = [&](int line, size_t column, std::string message) {
        if (errors.size() < kMaxErrors) errors.push_back({line, static_cast<int>(column) + 1, std::move(message)});
    };
    int lineNo = 0;
    for (size_t at = 0; at < text.size();) {
        size_t nl = text.find('\n', at);
        if (nl == std::string_view::npos) nl = text.size();
        std::string_view line = text.substr(at, nl - at);
        at = nl + 1;
        ++lineNo;
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line.starts_with('#')) continue;
        if (line.starts_with('@')) {
            if (!havePointers) fail(lineNo, 0, "a string before the \"pointers\" line");
            ScriptEntry e;
            e.line = lineNo;
            std::string_view rest = line.substr(1);
            const size_t space = rest.find_first_of(" \t");
            const std::string_view list = rest.substr(0, space);
            for (size_t p = 0; p <= list.size();) {
                size_t comma = list.find(',', p);
                if (comma == std::string_view::npos) comma = list.size();
                const std::string_view number = list.substr(p, comma - p);
                const auto v = common::parseHex(number, 8);
                if (!v || (havePointers && *v >= script.pointers.count)) {
                    fail(lineNo, 1 + p, "\"" + std::string(number) + "\" is not a pointer number (0 to " +
                                            hex(script.pointers.count ? script.pointers.count - 1 : 0) + ")");
                } else if (havePointers && seen[*v]) {
                    fail(lineNo, 1 + p, "pointer " + hex(*v) + " already belongs to another string");
                } else {
                    if (havePointers) seen[*v] = true;
                    e.pointers.push_back(static_cast<uint32_t>(*v));
                }
                p = comma + 1;
            }
            if (space != std::string_view::npos) {
                const std::string_view where = trim(rest.substr(space));
                const size_t gap = where.find_first_of(" \t");
                const auto offset = common::parseHex(where.substr(0, gap), 8);
                const auto size = gap == std::string_view::npos ? std::nullopt : common::parseHex(trim(where.substr(gap)), 8);
                if (!offset || !size)
                    fail(lineNo, static_cast<size_t>(where.data() - line.data()),
                         "expected the string's offset and size, hexadecimal: \"" + std::string(where) + "\"");
                else
                    e.original = Region{static_cast<int64_t>(*offset), static_cast<int64_t>(*offset + *size)};
            }
            script.entries.push_back(std::move(e));
            entry = &script.entries.back();
            continue;
        }
        if (entry) {
            if (!entry->textLines.empty()) entry->text += '\n';
            entry->text += line;
            entry->textLines.push_back(lineNo);
            continue;
        }
        const std::string_view t = trim(line);
        if (t.empty()) continue;
        const size_t gap = t.find_first_of(" \t");
        const std::string key = lower(t.substr(0, gap));
        const std::string_view value = gap == std::string_view::npos ? std::string_view{} : trim(t.substr(gap));
        const size_t valueColumn = value.empty() ? line.size() : static_cast<size_t>(value.data() - line.data());
        if (key == "table") {
            script.tablePath = std::string(value);
            haveTable = !value.empty();
            if (!haveTable) fail(lineNo, valueColumn, "the table line names no file");
        } else if (key == "pointers") {
            std::string_view layout = value;
            bool big = false;
            const size_t sp = layout.find_first_of(" \t");
            if (sp != std::string_view::npos) {
                const std::string word = lower(trim(layout.substr(sp)));
                if (word == "big-endian") big = true;
                else if (word != "little-endian") fail(lineNo, valueColumn + sp, "expected big-endian or little-endian");
                layout = layout.substr(0, sp);
            }
            std::string error;
            if (auto p = parsePointerTable(layout, error)) {
                script.pointers = *p;
                script.pointers.bigEndian = big;
                script.pointersLine = lineNo;
                havePointers = true;
                seen.assign(p->count, false);
            } else {
                fail(lineNo, valueColumn, error);
            }
        } else if (key == "space") {
            const size_t dash = value.find('-');
            const auto a = common::parseHex(trim(value.substr(0, dash)), 8);
            const auto b = dash == std::string_view::npos ? std::nullopt : common::parseHex(trim(value.substr(dash + 1)), 8);
            if (!a || !b || *b < *a)
                fail(lineNo, valueColumn, "space must be START-END, hexadecimal, END included: \"" + std::string(value) + "\"");
            else {
                script.space.push_back({static_cast<int64_t>(*a), static_cast<int64_t>(*b) + 1});
                script.spaceLines.push_back(lineNo);
            }
        } else {
            fail(lineNo, static_cast<size_t>(t.data() - line.data()),
                 "unknown header line (expected table, pointers, space, or a string's \"@\" line)");
        }
    }
    if (!haveTable) fail(1, 0, "the script names no table (a \"table FILE\" line)");
    if (!havePointers) fail(1, 0, "the script has no \"pointers OFFSET,COUNT,WIDTH,MAP[,BANK]\" line");
    if (!errors.empty()) return std::nullopt;
    return script;
}

std::optional<std::vector<uint8_t>> encodeScriptText(const TableData& table, std::string_view text,
                                                     std::vector<ScriptError>& errors) {
    const Codec codec(table);
    return encodeText(codec, text, {}, 1, errors);
}

// ---- insert ----

namespace {

// `a` minus the union of `b`; `b` sorted and joined, `a` sorted.
std::vector<Region> subtract(const std::vector<Region>& a, const std::vector<Region>& b) {
    std::vector<Region> out;
    size_t j = 0;
    for (Region r : a) {
        while (j < b.size() && b[j].end <= r.start) ++j;
        for (size_t k = j; k < b.size() && b[k].start < r.end; ++k) {
            if (b[k].start > r.start) out.push_back({r.start, b[k].start});
            r.start = std::max(r.start, b[k].end);
        }
        if (r.start < r.end) out.push_back(r);
    }
    return out;
}

// First-fit placement into free space: regions in script order, each a list
// of free runs in ascending order.
class FreeSpace {
public:
    // The regions less `taken` (sorted and joined).
    FreeSpace(const std::vector<Region>& regions, const std::vector<Region>& taken, const PointerTable& pt) {
        for (const Region& r : regions)
            for (const Region& run : subtract({r}, taken)) runs_.push_back(run);
        edge_ = bankSize(pt.map);
        if (pt.width == 16) window_ = window16(pt);
    }
    // The first place for `size` bytes; `inWindow` false ignores the
    // 16-bit pointers' bank (to tell "outside the bank" from "too large").
    std::optional<int64_t> find(int64_t size, bool inWindow = true) const {
        for (const Region& r : runs_)
            if (auto at = fit(r, size, inWindow)) return at;
        return std::nullopt;
    }
    void place(int64_t at, int64_t size) {
        for (size_t i = 0; i < runs_.size(); ++i) {
            Region& r = runs_[i];
            if (at < r.start || at + size > r.end) continue;
            const Region after{at + size, r.end};
            r.end = at;
            // Decided before the insert, which may move the runs.
            const bool emptied = r.end <= r.start;
            if (after.end > after.start) runs_.insert(runs_.begin() + static_cast<ptrdiff_t>(i) + 1, after);
            if (emptied) runs_.erase(runs_.begin() + static_cast<ptrdiff_t>(i));
            return;
        }
    }
    int64_t largest() const {
        int64_t best = 0;
        for (const Region& r : runs_) best = std::max(best, r.end - r.start);
        return best;
    }

private:
    std::optional<int64_t> fit(Region r, int64_t size, bool inWindow) const {
        if (window_ && inWindow) {
            r.start = std::max(r.start, window_->start);
            r.end = std::min(r.end, window_->end);
        }
        int64_t at = r.start;
        // A string keeps to one bank of the mapping when it can.
        if (edge_ > 0 && size > 0 && size <= edge_ && at / edge_ != (at + size - 1) / edge_) at = (at / edge_ + 1) * edge_;
        if (at + size > r.end) return std::nullopt;
        return at;
    }

    std::vector<Region> runs_;
    int64_t edge_ = 0;
    std::optional<Region> window_;
};

bool inside(const Region& r, const std::vector<Region>& regions) {
    return std::any_of(regions.begin(), regions.end(), [&](const Region& s) { return s.start <= r.start && r.end <= s.end; });
}

}  // namespace

std::optional<InsertPlan> planInsert(const TableData& table, const Script& script, std::span<const uint8_t> file,
                                     std::optional<uint8_t> fill, const common::Progress& progress) {
    InsertPlan plan;
    const PointerTable& pt = script.pointers;
    const int64_t fileSize = static_cast<int64_t>(file.size());
    if (!tableInFile(pt, file.size()))
        plan.errors.push_back({script.pointersLine, 1, "the pointer table does not lie in the file"});
    std::vector<Region> space;
    for (size_t i = 0; i < script.space.size(); ++i) {
        if (script.space[i].end > fileSize)
            plan.errors.push_back({script.spaceLines[i], 1, "this space reaches past the end of the file"});
        else
            space.push_back(script.space[i]);
    }
    // Every string through the table.
    const Codec codec(table);
    const size_t n = script.entries.size();
    std::vector<std::vector<uint8_t>> encoded(n);
    for (size_t i = 0; i < n; ++i) {
        if (progress && !progress(i, 2 * n)) return std::nullopt;
        const ScriptEntry& e = script.entries[i];
        if (auto bytes = encodeText(codec, e.text, e.textLines, e.line + 1, plan.errors)) encoded[i] = std::move(*bytes);
    }
    if (!plan.ok()) return plan;

    // A string stays where it was when its bytes are unchanged there and
    // every pointer of it can reach it.
    auto stays = [&](size_t i) {
        const ScriptEntry& e = script.entries[i];
        if (!e.original || e.original->start < 0 || e.original->end > fileSize) return false;
        const Region r = *e.original;
        if (r.end - r.start != static_cast<int64_t>(encoded[i].size()) || !inside(r, space)) return false;
        if (!std::equal(encoded[i].begin(), encoded[i].end(), file.begin() + r.start)) return false;
        return std::all_of(e.pointers.begin(), e.pointers.end(),
                           [&](uint32_t p) { return pointerValue(pt, r.start, readPointer(pt, file, p)).has_value(); });
    };
    std::vector<int64_t> at(n, -1);
    std::vector<bool> kept(n, false);
    std::vector<ScriptError> failures;
    // First the unchanged strings stay and the others take the gaps; when
    // that leaves some without room, every string is placed anew.
    for (int attempt = 0; attempt < 2; ++attempt) {
        failures.clear();
        std::vector<Region> keptRegions;
        for (size_t i = 0; i < n; ++i) {
            kept[i] = attempt == 0 && stays(i);
            if (kept[i]) {
                at[i] = script.entries[i].original->start;
                keptRegions.push_back(*script.entries[i].original);
            }
        }
        FreeSpace free(space, merged(keptRegions), pt);
        int64_t over = 0;
        for (size_t i = 0; i < n; ++i) {
            if (kept[i]) continue;
            if (progress && !progress(n + i, 2 * n)) return std::nullopt;
            const int64_t size = static_cast<int64_t>(encoded[i].size());
            if (const auto place = free.find(size)) {
                at[i] = *place;
                free.place(*place, size);
                continue;
            }
            const ScriptEntry& e = script.entries[i];
            if (pt.width == 16 && free.find(size, false)) {
                failures.push_back({e.line, 1, "the string (" + std::to_string(size) +
                                                   " bytes) would land outside the bank of its 16-bit pointers"});
                continue;
            }
            const int64_t bytesOver = size - free.largest();
            over += bytesOver;
            failures.push_back({e.line, 1, "the string no longer fits: " + std::to_string(bytesOver) + " bytes over"});
        }
        if (failures.empty()) break;
        if (attempt == 1) {
            if (over > 0)
                failures.push_back({failures.front().line, 1, "in all " + std::to_string(over) + " bytes over the space"});
            plan.errors = std::move(failures);
            return plan;
        }
    }

    // Records: freed space, strings, then pointers.
    std::vector<Region> placedRegions, originals;
    for (size_t i = 0; i < n; ++i) {
        const int64_t size = static_cast<int64_t>(encoded[i].size());
        placedRegions.push_back({at[i], at[i] + size});
        plan.placed.push_back({i, at[i], size});
        if (script.entries[i].original) originals.push_back(*script.entries[i].original);
    }
    const std::vector<Region> taken = merged(placedRegions);
    if (fill)
        for (const Region& r : subtract(subtract(merged(originals), taken), subtract(merged(originals), merged(space))))
            plan.records.push_back({r.start, static_cast<size_t>(r.end - r.start), {}, *fill});
    for (size_t i = 0; i < n; ++i) plan.data.push_back(kept[i] ? std::vector<uint8_t>{} : std::move(encoded[i]));
    for (size_t i = 0; i < n; ++i)
        if (!kept[i] && !plan.data[i].empty()) plan.records.push_back({at[i], plan.data[i].size(), plan.data[i], 0});
    const size_t width = static_cast<size_t>(pt.width / 8);
    std::vector<uint8_t> pointerBytes;
    pointerBytes.reserve(size_t{pt.count} * width);
    std::vector<std::pair<uint32_t, size_t>> writes;
    for (size_t i = 0; i < n; ++i) {
        for (const uint32_t p : script.entries[i].pointers) {
            const uint32_t old = readPointer(pt, file, p);
            const auto value = pointerValue(pt, at[i], old);
            if (!value) {
                plan.errors.push_back({script.entries[i].line, 1,
                                       "pointer " + hex(p) + " cannot point to " + hex(static_cast<uint64_t>(at[i]))});
                continue;
            }
            if (*value == old) continue;
            writes.push_back({p, pointerBytes.size()});
            pointerBytes.resize(pointerBytes.size() + width);
            putPointer(pt, *value, pointerBytes.data() + writes.back().second);
        }
    }
    if (!plan.ok()) {
        plan.records.clear();
        return plan;
    }
    plan.data.push_back(std::move(pointerBytes));
    const std::vector<uint8_t>& pb = plan.data.back();
    for (const auto& [p, off] : writes)
        plan.records.push_back({pt.offset + static_cast<int64_t>(size_t{p} * width), width,
                                std::span<const uint8_t>(pb).subspan(off, width), 0});
    for (const Region& r : space) {
        int64_t used = 0;
        for (const Region& t : taken) used += std::max<int64_t>(0, std::min(r.end, t.end) - std::max(r.start, t.start));
        plan.regions.push_back({r, used});
    }
    return plan;
}

void applyPlan(std::vector<uint8_t>& file, const InsertPlan& plan) {
    for (const EditRecord& r : plan.records) {
        uint8_t* to = file.data() + r.offset;
        if (r.data.empty())
            std::fill(to, to + r.count, r.value);
        else
            std::copy(r.data.begin(), r.data.begin() + static_cast<ptrdiff_t>(r.count), to);
    }
}

std::string scriptTablePath(const std::string& scriptPath, const Script& script) {
    namespace fs = std::filesystem;
    const fs::path table(script.tablePath);
    if (table.is_absolute()) return table.string();
    return (fs::path(scriptPath).parent_path() / table).lexically_normal().string();
}

std::string tableNameFor(const std::string& scriptPath, const std::string& tablePath) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path table = fs::absolute(tablePath, ec);
    const fs::path folder = fs::absolute(scriptPath, ec).parent_path();
    const fs::path rel = table.lexically_relative(folder);
    if (ec || rel.empty() || *rel.begin() == "..") return table.string();
    return rel.string();
}

std::string insertReport(const Script& script, const InsertPlan& plan) {
    std::string out;
    size_t stayed = 0;
    for (const PlacedString& p : plan.placed) {
        const auto& o = script.entries[p.entry].original;
        if (o && o->start == p.offset && o->end - o->start == p.size) ++stayed;
    }
    out += std::to_string(plan.placed.size()) + " strings placed (" + std::to_string(stayed) + " where they were).\n";
    for (const RegionUse& r : plan.regions)
        out += "Space " + hex(static_cast<uint64_t>(r.region.start)) + "-" + hex(static_cast<uint64_t>(r.region.end - 1)) +
               ": " + std::to_string(r.used) + " bytes used, " + std::to_string(r.region.end - r.region.start - r.used) +
               " free.\n";
    std::vector<PlacedString> largest = plan.placed;
    std::stable_sort(largest.begin(), largest.end(), [](const auto& a, const auto& b) { return a.size > b.size; });
    if (largest.size() > 5) largest.resize(5);
    if (!largest.empty()) out += "Largest strings:\n";
    for (const PlacedString& p : largest)
        out += "  line " + std::to_string(script.entries[p.entry].line) + ": " + std::to_string(p.size) + " bytes at " +
               hex(static_cast<uint64_t>(p.offset)) + "\n";
    return out;
}

}  // namespace hexedit::transfer
