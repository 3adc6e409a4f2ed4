// Code-page conversion: any bytes convert, and what converts back to a code
// page reads as the same text again.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/codepage.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const std::u16string& text : {common::cp932ToUtf16(bytes), common::cp1252ToUtf16(bytes), common::utf8ToUtf16(bytes)}) {
        if (auto sjis = common::utf16ToCp932(text)) FUZZ_CHECK(common::cp932ToUtf16(*sjis) == text);
        if (auto western = common::utf16ToCp1252(text)) FUZZ_CHECK(common::cp1252ToUtf16(*western) == text);
        const std::string utf8 = common::utf16ToUtf8(text);
        FUZZ_CHECK(common::utf8ToUtf16(utf8) == text);
    }
    return 0;
}
