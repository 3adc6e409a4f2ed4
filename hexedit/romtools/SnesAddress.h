#pragma once
// Arithmetic of the SNES-to-hex converter: file offsets to SNES addresses
// and back for LoROM and HiROM images and for the work RAM and video RAM
// inside a savestate file, with each direction's range check.

#include <cstdint>

namespace hexedit::romtools {

enum class ConvertMode { LoRom = 0, HiRom = 1, Memory = 2, VideoRam = 3 };

struct ConvertOptions {
    bool header = false;  // a 200h-byte copier header precedes the image
    bool bank80 = false;  // addresses in banks 80h and up
};

// The result, or the message refusing the source value.
struct Conversion {
    uint32_t value = 0;
    const char* error = nullptr;
    bool ok() const { return error == nullptr; }
};

Conversion offsetToSnes(ConvertMode mode, uint32_t offset, ConvertOptions options);
Conversion snesToOffset(ConvertMode mode, uint32_t address, ConvertOptions options);

}  // namespace hexedit::romtools
