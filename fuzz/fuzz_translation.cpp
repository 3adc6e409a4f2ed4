// VT2_Text's translation files: any file text is read, its sections found
// and encoded, and the encoded bytes decoded for the text box.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "scripted/TextBox.h"
#include "scripted/Translation.h"

using namespace scripted;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = fromFileText(std::string_view(reinterpret_cast<const char*>(data), size));
    for (int index = 0; index < 3; ++index) {
        const auto match = findSection(text, 0, index);
        if (!match) continue;
        FUZZ_CHECK(match->offset < text.size());
        const auto bytes = encodeSection(text, match->line);
        FUZZ_CHECK(bytes.size() >= 2 && bytes.size() <= kTranslationBufferSize);
        FUZZ_CHECK(bytes[bytes.size() - 2] == 0xFF && bytes.back() == 0xFF);
        const auto events = DecodeTranslation(bytes);
        FUZZ_CHECK(!events.empty() && events.back().kind == TextEvent::End);
    }
    (void)toFileText(text);
    return 0;
}
