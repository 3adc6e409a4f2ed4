// Scripts with pointers: a table text, a NUL, then a script. Any script
// reads without harm; every error names a line and column inside it; an
// insert plan only writes inside the file. The script's pointer table, when
// it lies in the file, dumps a script that reads back and inserts as the
// very same bytes.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "hexedit/core/TableLoader.h"
#include "hexedit/transfer/Script.h"

using namespace hexedit;
using namespace hexedit::transfer;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t nul = input.find('\0');
    const std::string_view tableText = nul == std::string_view::npos ? std::string_view{} : input.substr(0, nul);
    const std::string_view scriptText = nul == std::string_view::npos ? input : input.substr(nul + 1);
    static TableData table;
    parseTableText(table, tableText);

    // A file of 128 KiB whose bytes are the input over and over.
    static std::vector<uint8_t> file(0x20000);
    for (size_t i = 0; i < file.size(); ++i) file[i] = size ? data[i % size] : 0;

    std::vector<ScriptError> errors;
    const auto script = readScript(scriptText, errors);
    const int lines = 1 + static_cast<int>(std::count(scriptText.begin(), scriptText.end(), '\n'));
    for (const ScriptError& e : errors) FUZZ_CHECK(e.line >= 1 && e.line <= lines && e.column >= 1);
    if (!script) return 0;
    const auto plan = planInsert(table, *script, file, uint8_t{0xAA});
    FUZZ_CHECK(plan.has_value());
    for (const ScriptError& e : plan->errors) FUZZ_CHECK(e.line >= 1 && e.line <= lines && e.column >= 1);
    for (const EditRecord& r : plan->records)
        FUZZ_CHECK(r.offset >= 0 && static_cast<size_t>(r.offset) + r.count <= file.size());

    std::vector<Region> space;
    for (const Region& r : script->space)
        if (r.end <= static_cast<int64_t>(file.size())) space.push_back(r);
    std::string error;
    const auto dumped = dumpScript(table, file, {script->pointers, space, "t.tbl", "f"}, error);
    if (!dumped) return 0;
    const auto again = readScript(*dumped, errors);
    FUZZ_CHECK(again.has_value());
    const auto same = planInsert(table, *again, file, uint8_t{0xAA});
    FUZZ_CHECK(same && same->ok());
    std::vector<uint8_t> copy = file;
    applyPlan(copy, *same);
    FUZZ_CHECK(copy == file);
    return 0;
}
