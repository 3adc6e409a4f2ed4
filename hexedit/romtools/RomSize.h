#pragma once
// Rules of the ROM size window and of copier-header removal: units, size
// texts, what the size fields read as, and when a header may be removed.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hexedit::romtools {

enum class SizeUnit { Bytes = 0, MegaBits = 1, MegaBytes = 2 };

inline constexpr int64_t kMegaBit = 0x20000;
inline constexpr int64_t kMegaByte = 0x100000;
inline constexpr int64_t kCopierHeader = 0x200;
// The largest file the editor holds.
inline constexpr int64_t kMaxRomSize = INT32_MAX;

// A number of megabytes printed with six decimals and cut after the first:
// 1.5 -> "1.5", 4 -> "4.0".
std::string megabyteText(double megabytes);
// "Size of ROM: ..." for a buffer size in the unit.
std::string romSizeText(SizeUnit unit, int64_t bufferSize);

// The size fields take only digits, backspace and '.'.
bool sizeFieldAccepts(char c);
// The leading decimal digits of a field (0 without any), saturated at 2^62.
int64_t leadingDecimal(std::string_view field);

// A new size typed in a unit.
struct NewSize {
    int64_t bytes = 0;      // saturated, may exceed kMaxRomSize
    std::string countText;  // the entered number as the messages show it
    const char* unitText = "";  // "BYTE(S)", "Mega-BIT(S)", "Mega-BYTE(S)"
};
// Nothing for an empty field.
std::optional<NewSize> readNewSize(SizeUnit unit, std::string_view field);

std::string resizeQuestion(SizeUnit unit, const NewSize& size);
std::string resizedMessage(SizeUnit unit, const NewSize& size);

enum class HeaderVerdict { Remove, Savestate, NoHeader };

// Whether the 512-byte copier header of the open file may be removed: not
// from a savestate (hidden header, or a name whose text from its first dot
// begins with ".zs"), not when bit 9 of the length of a file whose name has
// a dot is clear, and never from a file shorter than the header.
HeaderVerdict headerRemovalVerdict(std::string_view path, uint32_t headerSkip, int64_t fileSize);

}  // namespace hexedit::romtools
