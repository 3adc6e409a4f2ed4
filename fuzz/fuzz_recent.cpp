// The recent-file list: any text is read into the two lists within their
// limits, and what is read writes back to a text that reads the same.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "hexedit/core/ConfigFile.h"

using namespace hexedit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RecentList roms, tables;
    decodeRecent(std::string_view(reinterpret_cast<const char*>(data), size), roms, tables);
    FUZZ_CHECK(roms.items().size() <= kRecentMax && tables.items().size() <= kRecentMax);
    RecentList romsAgain, tablesAgain;
    decodeRecent(encodeRecent(roms, tables), romsAgain, tablesAgain);
    FUZZ_CHECK(romsAgain.items() == roms.items() && tablesAgain.items() == tables.items());
    return 0;
}
