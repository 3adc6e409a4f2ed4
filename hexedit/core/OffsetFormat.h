#pragma once
// Offsets are positions in FileBuffer counted from 0. The offset column can
// show them as the address a SNES would use, and the goto window converts
// SNES addresses back. No copier-header correction is applied either way.

#include <cstdint>
#include <optional>

namespace hexedit {

// Values of OffsetFormat, in the order of their historic menu tags.
enum : int32_t {
    kOffsetStandard = 0,
    kOffsetLoRomSlow = 1,
    kOffsetHiRom = 2,
    kOffsetSnesMemory = 3,
    kOffsetLoRomFast = 4,
};

// Address kinds of the goto window's " Address Format " buttons.
enum : int32_t { pcOFFSET = 0, snLOROM = 1, snHIROM = 2 };

// The number shown for offset L (L >= 0) under an OffsetFormat value; an
// unknown format shows L unchanged.
uint32_t DisplayOffset(int32_t offsetFormat, int32_t L);

// The offset of a SNES address of the given kind, as a 64-bit value so that
// addresses from 0x80000000 up stay beyond any buffer instead of turning
// negative. A LoROM address whose low 16 bits are below 0x8000 maps below
// offset 0: that is reported as nothing and must be refused by the caller.
// Unknown kinds give 0.
std::optional<int64_t> SnesToOffset(uint32_t address, int32_t kind);

}  // namespace hexedit
