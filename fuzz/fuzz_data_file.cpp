// VT2_Text's text block data file: any text is read, and the view options
// stay in range.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "scripted/DataFile.h"
#include "scripted/Script.h"

using namespace scripted;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TextTable table;
    ViewOptions view;
    struct Counter : DataFileActions {
        int calls = 0;
        void reselectString() override { ++calls; }
        void redrawBoth() override { ++calls; }
        void showWindow(SideWindow, bool) override { ++calls; }
    } actions;
    const DataFileResult r =
        readDataFile(std::string_view(reinterpret_cast<const char*>(data), size), table, view, &actions);
    FUZZ_CHECK(r.blocks.size() <= kMaxBlocks);
    FUZZ_CHECK(view.color <= BoxColor::Red && view.fill <= BoxFill::Solid);
    return 0;
}
