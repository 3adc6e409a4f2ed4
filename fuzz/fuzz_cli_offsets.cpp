// The command line's offsets and ranges: the input is a start and an end
// offset as typed, split at the first zero byte. An offset is accepted
// exactly when it is one to eight hex digits after an optional "0x" or "$",
// with their value, which reaches the dump window's boxes unchanged.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "cli/Cli.h"
#include "fuzz/FuzzCheck.h"
#include "hexedit/transfer/Dumper.h"

namespace {

// One to eight hex digits after an optional "0x" or "$".
std::optional<uint32_t> reference(std::string_view t) {
    if (t.starts_with("0x") || t.starts_with("0X")) t.remove_prefix(2);
    else if (t.starts_with("$")) t.remove_prefix(1);
    if (t.empty() || t.size() > 8) return std::nullopt;
    uint32_t value = 0;
    for (char c : t) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) return std::nullopt;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    return value;
}

void check(const std::string& typed) {
    uint32_t value = 0;
    const bool accepted = cli::parseOffset(typed, value);
    const auto expected = reference(typed);
    FUZZ_CHECK(accepted == expected.has_value());
    if (!accepted) return;
    FUZZ_CHECK(value == *expected);
    // The dump command hands the offsets on as eight digits in its boxes.
    char box[12];
    std::snprintf(box, sizeof box, "%08X", value);
    FUZZ_CHECK(hexedit::transfer::readOffsetBox(hexedit::transfer::offsetBoxText(box)) == value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const size_t split = std::min(all.find('\0'), all.size());
    check(std::string(all.substr(0, split)));
    if (split < all.size()) check(std::string(all.substr(split + 1)));
    return 0;
}
