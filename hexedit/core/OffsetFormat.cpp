#include "hexedit/core/OffsetFormat.h"

namespace hexedit {

uint32_t DisplayOffset(int32_t offsetFormat, int32_t L) {
    const uint32_t l = static_cast<uint32_t>(L < 0 ? 0 : L);
    const uint32_t bank = l / 0x8000;
    const uint32_t low = l % 0x8000;
    switch (offsetFormat) {
    case kOffsetLoRomSlow: return (bank * 0x10000 + low) | 0x8000;
    case kOffsetLoRomFast: return ((bank + 0x80) * 0x10000 + low) | 0x8000;
    case kOffsetHiRom: return l + 0xC00000;
    case kOffsetSnesMemory: return l <= 0x1FFFF ? l + 0x7E0000 : (l & 0xFFFF);
    default: return l;
    }
}

std::optional<int64_t> SnesToOffset(uint32_t address, int32_t kind) {
    if (address == 0) return 0;
    switch (kind) {
    case pcOFFSET: return address;
    case snLOROM: {
        const int64_t offset =
            static_cast<int64_t>(address & 0xFFFF) + static_cast<int64_t>((address & 0x7F0000) / 2) - 0x8000;
        if (offset < 0) return std::nullopt;
        return offset;
    }
    case snHIROM: return address & ~0xC00000u;
    default: return 0;
    }
}

}  // namespace hexedit
