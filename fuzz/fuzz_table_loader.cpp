// Table files: any text loads; the view's decoding of the same bytes walks
// the run, the DTE cells follow the byte entries, and the reverse lookups
// answer the same with the index as by scanning the entries.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "hexedit/core/TableData.h"
#include "hexedit/core/TableLoader.h"

using namespace hexedit;

namespace {
using Lookup = std::optional<EncodedChar>;
bool same(const Lookup& a, const Lookup& b) {
    return a.has_value() == b.has_value() && (!a || (a->length == b->length && a->bytes == b->bytes));
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

    // The texts to look up: every byte entry's, its first two bytes, and a
    // few pair entries' (a scan without index reads all 65536 pairs).
    std::vector<std::string> texts;
    for (int code = 0; code < 256; ++code) {
        const auto& t = table.ByteTable[code];
        if (!t) continue;
        texts.push_back(*t);
        if (t->size() == 2) FUZZ_CHECK(table.DteTable[code * 3] == static_cast<uint8_t>((*t)[0]));
        else FUZZ_CHECK(table.DteTable[code * 3] == 0x01);
    }
    for (size_t k = 0; k + 1 < size && k < 8; k += 2) {
        if (const auto& t = table.PairTable[data[k] * 256u + data[k + 1]]) texts.push_back(*t);
    }
    std::vector<Lookup> indexed;
    for (const auto& t : texts) {
        indexed.push_back(reverseLookup(table, t));
        indexed.push_back(prefixLookup(table, std::string_view(t).substr(0, 2)));
    }
    table.dropIndex();
    for (size_t k = 0; k < texts.size(); ++k) {
        FUZZ_CHECK(indexed[2 * k].has_value());
        FUZZ_CHECK(same(indexed[2 * k], reverseLookup(table, texts[k])));
        FUZZ_CHECK(same(indexed[2 * k + 1], prefixLookup(table, std::string_view(texts[k]).substr(0, 2))));
    }
    return 0;
}
