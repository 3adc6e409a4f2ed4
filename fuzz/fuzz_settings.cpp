// The settings file and the recent-file list. Whatever a settings file
// holds is read within its bytes; what is read writes back to a file that
// reads the same; the recent lists keep their limits.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "hexedit/core/ConfigFile.h"

using namespace hexedit;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ConfigRead r = decodeConfig(std::span(data, size));
    FUZZ_CHECK(r.colorPairs <= kColorPairs);
    if (r.level >= ConfigLevel::OnTop) {
        ConfigValues v = r.values;
        v.offsetPanel = false;  // written as 0 always
        // Names stop at the first 0 byte, so they read back unchanged.
        const ConfigRead back = decodeConfig(encodeConfig(v));
        FUZZ_CHECK(back.level == ConfigLevel::FindAsShown);  // every field is written
        v.hideIns = back.values.hideIns;  // only bit 0 is kept
        v.changedColor &= 0xFFFFFF;       // a colour has no fourth byte
        FUZZ_CHECK(back.values.colors == v.colors && back.values.appName == v.appName &&
                   back.values.hexFontName == v.hexFontName && back.values.valueInspector == v.valueInspector &&
                   back.values.markChanges == v.markChanges && back.values.changedColor == v.changedColor &&
                   back.values.findAsShown == v.findAsShown);
    }
    RecentList roms, tables;
    decodeRecent(std::string_view(reinterpret_cast<const char*>(data), size), roms, tables);
    FUZZ_CHECK(roms.items().size() <= kRecentMax && tables.items().size() <= kRecentMax);
    return 0;
}
