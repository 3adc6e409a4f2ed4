// Opening a file as a ZSNES savestate (header hidden) in the hex editor:
// the buffer, the palette and the first page of the view.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "common/testing/NullPort.h"
#include "fuzz/FuzzCheck.h"
#include "hexedit/core/DataPad.h"
#include "hexedit/tiles/TileEditor.h"

using namespace hexedit;

namespace {
struct Session {
    common::testing::NullPort port{true};  // yes: hide the header
    DataPad pad{port};
    tiles::TileEditor tiles{pad};  // takes the palette
    std::string folder;
    std::string path;
    Session() {
        char tmpl[] = "/tmp/fuzz_savestateXXXXXX";
        if (!::mkdtemp(tmpl)) std::abort();
        folder = tmpl;
        path = folder + "/state.zst";
        FUZZ_CHECK(pad.FormCreate(folder));
    }
    ~Session() {
        ::unlink(path.c_str());
        ::rmdir(folder.c_str());
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Session s;
    {
        std::ofstream file(s.path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!file) return 0;
    }
    if (!s.pad.openPath(s.path)) return 0;
    const EditorState& e = s.pad.editor();
    FUZZ_CHECK(e.FileSize >= 0 && e.FileSize <= e.BufferSize);
    FUZZ_CHECK(e.storedBytes().size() == size && e.buffer().size() == static_cast<size_t>(e.BufferSize));
    FUZZ_CHECK(e.HeaderSkip == (size >= kSavestateHeader ? kSavestateHeader : 0));
    const DisplayPalette expected = convertSavestatePalette(std::span<const uint8_t>(data, size));
    FUZZ_CHECK(s.tiles.savestatePalette() && *s.tiles.savestatePalette() == expected);
    s.pad.hexView.FormPaint();
    return 0;
}
