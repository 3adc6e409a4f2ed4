// Table files: any text loads; the view's decoding of the same bytes walks
// the run, the DTE cells follow the byte entries, and the reverse lookups
// through the index find the lowest code with the text, checked against
// the byte entries and the pair entries the input's first bytes name
// (a check by scanning all 65,536 pairs would cost every input the same).

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
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TableData table;
    parseTableText(table, std::string_view(reinterpret_cast<const char*>(data), size));
    FUZZ_CHECK(table.textIndex() != nullptr);
    FUZZ_CHECK(table.DumpMarkCount() <= kMaxDumpMarks && table.DualCount <= kMaxDualEntries);

    const std::span<const uint8_t> run(data, size);
    for (size_t p = 0; p < run.size();) {
        const DecodedItem item = decodeAt(table, run, p);
        FUZZ_CHECK(item.length == 1 || (item.length == 2 && p + 1 < run.size()));
        p += static_cast<size_t>(item.length);
    }

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
