// The search through the table as shown: the input is a table file, a zero
// byte, the typed text, a zero byte, then the bytes searched. The vectorised
// filter never loses a match: the matches found are exactly the offsets at
// which the decoding spells the text, checked offset by offset.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "hexedit/core/TableLoader.h"
#include "hexedit/search/ShownSearch.h"

using namespace hexedit;
using namespace hexedit::search;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TableData table;
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const size_t split = std::min(all.find('\0'), all.size());
    parseTableText(table, all.substr(0, split));
    const std::string_view rest = split < all.size() ? all.substr(split + 1) : std::string_view();
    const size_t split2 = std::min(rest.find('\0'), rest.size());
    const std::string_view typed = rest.substr(0, std::min<size_t>(split2, 64));
    const std::string_view searched = split2 < rest.size() ? rest.substr(split2 + 1) : std::string_view();
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(searched.data()), searched.size());

    for (bool ignoreCase : {false, true})
        for (bool wildcards : {false, true}) {
            const ShownMatcher m(table, typed, MatchRules{ignoreCase, wildcards});
            size_t from = 0;
            for (size_t at = 0; at < bytes.size(); ++at) {
                const size_t expected = m.matchAt(bytes, at);
                FUZZ_CHECK(expected <= bytes.size() - at);
                if (expected == 0) continue;
                FUZZ_CHECK(!m.impossible());
                size_t length = 0;
                FUZZ_CHECK(m.find(bytes, from, at, length) == at && length == expected);
                from = at + 1;
            }
            size_t length = 0;
            FUZZ_CHECK(m.find(bytes, from, kNoMatch, length) == kNoMatch);
        }
    return 0;
}
