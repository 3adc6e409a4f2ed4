// VT2Comp's record lines: any line is read; a record's own line reads back
// as the same record.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "compress/RecordFile.h"
#include "fuzz/FuzzCheck.h"

using namespace vt2comp;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Record r;
    if (parseRecordLine(std::string_view(reinterpret_cast<const char*>(data), size), r) != RecordLineKind::Record)
        return 0;
    Record again;
    FUZZ_CHECK(parseRecordLine(formatRecordLine(r.dataPath, r.start, r.end), again) == RecordLineKind::Record);
    FUZZ_CHECK(again.start == r.start && again.end == r.end);
    return 0;
}
