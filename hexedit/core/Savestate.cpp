#include "hexedit/core/Savestate.h"

#include "common/fileio.h"

namespace hexedit {

bool isSavestatePath(const std::string& path) {
    std::string name = common::fileNameOf(path);
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.size() < dot + 3) return false;
    return (name[dot + 1] == 'z' || name[dot + 1] == 'Z') && (name[dot + 2] == 's' || name[dot + 2] == 'S');
}

DisplayPalette convertSavestatePalette(std::span<const uint8_t> file) {
    DisplayPalette out{};
    auto at = [&](size_t i) -> uint16_t { return i < file.size() ? file[i] : 0; };
    for (size_t k = 0; k < out.size(); ++k) {
        size_t p = kSavestatePaletteOffset + 2 * k;
        out[k] = snesToDisplayColor(static_cast<uint16_t>(at(p) | (at(p + 1) << 8)));
    }
    return out;
}

}  // namespace hexedit
