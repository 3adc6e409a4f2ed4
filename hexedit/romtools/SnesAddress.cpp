#include "hexedit/romtools/SnesAddress.h"

namespace hexedit::romtools {

namespace {

constexpr uint32_t kWramInState = 0x7E0000 - 0xC13;  // address of savestate offset 0
constexpr uint32_t kVramInState = 0x20C13;

Conversion fail(const char* message) { return Conversion{0, message}; }

}  // namespace

Conversion offsetToSnes(ConvertMode mode, uint32_t b, ConvertOptions o) {
    const uint32_t c = o.header ? 0x200 : 0;
    const uint32_t k = o.bank80 ? 0x80 : 0;
    switch (mode) {
    case ConvertMode::LoRom:
    case ConvertMode::HiRom:
        if (b > 0x4001FF) return fail("Address must be < $400200");
        if (b < c) return fail("Address must be > $200 when header is included.");
        // The header comes off after the split into bank and low part: the
        // borrow and the forced bit 15 land in the previous bank.
        if (mode == ConvertMode::LoRom) return {((b / 0x8000 + k) * 0x10000 + (b % 0x8000) - c) | 0x8000};
        return {b - c + 0xC00000};
    case ConvertMode::Memory:
        if (b > 0x1FFFF) return fail("Address must be < $20000");
        return {b + kWramInState};
    case ConvertMode::VideoRam:
        if (b < 0x20000 || b > 0x2FFFF) return fail("Address must be > $1FFFF AND < $30000");
        return {(b - 0x20000) / 2};
    }
    return {};
}

Conversion snesToOffset(ConvertMode mode, uint32_t b, ConvertOptions o) {
    const uint32_t c = o.header ? 0x200 : 0;
    const uint32_t k = o.bank80 ? 0x80 : 0;
    switch (mode) {
    case ConvertMode::LoRom:
        if ((b & 0x8000) == 0) return fail("Address must be >= $Xx:8xxx");
        return {((b - k * 0x10000) & 0xFF0000) / 2 + (b & 0xFFFF) + c - 0x8000};
    case ConvertMode::HiRom:
        if (b < 0xC00000) return fail("Address must be >= $Cxxxxxx");
        return {b + c - 0xC00000};
    case ConvertMode::Memory:
        if (b > 0x7FFFFF) return fail("Address must be <= $7FFFFF");
        // The savestate header comes before work RAM; below the file's first
        // byte the offset would wrap around.
        if (b < kWramInState) return fail("Address must be >= $7DF3ED");
        return {b - kWramInState};
    case ConvertMode::VideoRam:
        if (b > 0x7FFF) return fail("Address must be < $8000");
        return {b * 2 + kVramInState};
    }
    return {};
}

}  // namespace hexedit::romtools
