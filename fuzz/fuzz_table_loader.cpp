// Table files: any text loads (legacy or UTF-8, entries of one to four
// bytes); the view's decoding of the same bytes walks the run, the DTE cells
// follow the byte entries, a UTF-8 table keeps only valid UTF-8 texts, the
// one encoder's answers name entries with those texts, the table check
// agrees with the loader, and the reverse lookups through the index find the
// lowest code with the text, checked against the byte entries and the pair
// entries the input's first bytes name (a check by scanning all 65,536 pairs
// would cost every input the same).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "fuzz/FuzzCheck.h"
#include "hexedit/core/TableData.h"
#include "hexedit/core/TableLoader.h"

using namespace hexedit;

namespace {
// The entry text the code of a lookup names.
const std::optional<std::string>& textOf(const TableData& table, const EncodedChar& e) {
    return e.length == 1 ? table.ByteTable[e.bytes[0]] : table.PairTable[e.bytes[0] * 256u + e.bytes[1]];
}

TableCode codeOf(const std::array<uint8_t, 4>& bytes, int length) {
    TableCode c{0, static_cast<uint8_t>(length)};
    for (int i = 0; i < length; ++i) c.value = c.value << 8 | bytes[static_cast<size_t>(i)];
    return c;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TableData table;
    parseTableText(table, std::string_view(reinterpret_cast<const char*>(data), size));
    FUZZ_CHECK(table.textIndex() != nullptr);
    FUZZ_CHECK(table.DumpMarkCount() <= kMaxDumpMarks && table.DualCount <= kMaxDualEntries);

    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const std::span<const uint8_t> run(data, size);
    for (size_t p = 0; p < run.size();) {
        const DecodedItem item = decodeAt(table, run, p);
        FUZZ_CHECK(item.length >= 1 && item.length <= 4 && p + static_cast<size_t>(item.length) <= run.size());
        FUZZ_CHECK((item.kind == ItemKind::Long) == (item.length >= 3));
        FUZZ_CHECK((item.kind == ItemKind::Pair) == (item.length == 2));
        p += static_cast<size_t>(item.length);
    }
    FUZZ_CHECK(table.Encoding == detectTableEncoding(content));
    if (table.Encoding == TableEncoding::Utf8) {
        for (const auto& t : table.ByteTable) FUZZ_CHECK(!t || isValidUtf8(*t));
        table.LongTable.forEach([](uint32_t, int, const std::string& t) { FUZZ_CHECK(isValidUtf8(t)); });
    }

    // The encoder on the input's own text: the code it gives has the text it consumed.
    for (size_t at = 0; at < size && at < 64; at += 7) {
        for (bool pairs : {true, false}) {
            const auto m = matchLongestText(table, content.substr(at), pairs);
            if (!m) continue;
            FUZZ_CHECK(m->length >= 1 && m->length <= (pairs ? 4 : 1) && m->textLength >= 1);
            const std::string* t = table.entryText(codeOf(m->bytes, m->length));
            FUZZ_CHECK(t && *t == content.substr(at, m->textLength));
        }
    }

    // The check reads as the loader does.
    const TableCheck check = checkTableText(content);
    FUZZ_CHECK(check.encoding == table.Encoding);
    size_t lines = 1;
    for (char c : content) lines += c == '\n';
    size_t last = 0;
    for (const auto& n : check.skipped) {
        FUZZ_CHECK(n.line >= std::max<size_t>(last, 1) && n.line <= lines);
        last = n.line;
    }
    FUZZ_CHECK(check.entries[2] + check.entries[3] == table.LongTable.size());

    // Byte entries: the lowest code of each text and of each two-byte prefix.
    std::unordered_map<std::string, int> lowest, lowestPrefix;
    for (int code = 255; code >= 0; --code) {
        const auto& t = table.ByteTable[code];
        if (t && t->size() == 2) FUZZ_CHECK(table.DteTable[code * 3] == static_cast<uint8_t>((*t)[0]));
        else FUZZ_CHECK(table.DteTable[code * 3] == 0x01);
        if (!t) continue;
        lowest[*t] = code;
        if (t->size() >= 2) lowestPrefix[t->substr(0, 2)] = code;
    }
    for (const auto& [text, code] : lowest) {
        const auto e = reverseLookup(table, text);
        FUZZ_CHECK(e && e->length == 1 && e->bytes[0] == code);
    }
    for (const auto& [prefix, code] : lowestPrefix) {
        const auto e = prefixLookup(table, prefix);
        FUZZ_CHECK(e && e->length == 1 && e->bytes[0] == code);
    }
    // Pairs: a text no byte entry has is found as a pair with that text, at
    // or below the code it was seen at.
    for (size_t k = 0; k + 1 < size && k < 8; k += 2) {
        const unsigned code = data[k] * 256u + data[k + 1];
        const auto& t = table.PairTable[code];
        if (!t || lowest.contains(*t)) continue;
        const auto e = reverseLookup(table, *t);
        FUZZ_CHECK(e && e->length == 2 && textOf(table, *e) == t && e->bytes[0] * 256u + e->bytes[1] <= code);
        if (t->size() >= 2 && !lowestPrefix.contains(t->substr(0, 2))) {
            const auto p = prefixLookup(table, t->substr(0, 2));
            FUZZ_CHECK(p && p->length == 2 && textOf(table, *p)->starts_with(t->substr(0, 2)) &&
                       p->bytes[0] * 256u + p->bytes[1] <= code);
        }
    }
    return 0;
}
