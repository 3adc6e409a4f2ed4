// Search patterns and typed text through a table: the input is a table
// file, a zero byte, then what the user typed.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "hexedit/core/TableLoader.h"
#include "hexedit/search/PatternConvert.h"

using namespace hexedit;
using namespace hexedit::search;

namespace {
std::vector<std::vector<uint8_t>> convert(const TableData& table, std::string_view typed) {
    std::vector<std::vector<uint8_t>> out;
    for (bool ignoreCase : {false, true})
        for (bool wildcards : {false, true}) out.push_back(textToPattern(table, typed, ignoreCase, wildcards));
    out.push_back(kanaToPattern(table, typed));
    return out;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TableData table;
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const size_t split = std::min(all.find('\0'), all.size());
    parseTableText(table, all.substr(0, split));
    const std::string_view typed = split < all.size() ? all.substr(split + 1) : std::string_view();

    for (const auto& pattern : convert(table, typed)) FUZZ_CHECK(pattern.size() <= kPatternCapacity);
    for (bool wildcards : {false, true}) {
        const HexResult hex = hexToPattern(typed, wildcards);
        FUZZ_CHECK(hex.bytes.size() <= kPatternCapacity);
        FUZZ_CHECK(hex.error == HexError::None || hex.bytes.empty());
    }
    return 0;
}
