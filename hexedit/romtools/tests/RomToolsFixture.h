#pragma once
// The ROM utilities over a test session, with fakes for their two windows
// that run a script of user actions while "shown".

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/fileio.h"
#include "common/testing/ScriptedPort.h"
#include "hexedit/core/testing/TestSession.h"
#include "hexedit/romtools/RomTools.h"

namespace hexedit::romtools::testing {

template <class View>
struct ScriptedWindow : View {
    std::function<void()> script;
    bool open = false;
    int shows = 0, refreshes = 0;
    void execModal() override {
        ++shows;
        open = true;
        if (script) script();
        open = false;
    }
    void closeWindow() override { open = false; }
    void refresh() override { ++refreshes; }
};

struct Env {
    common::testing::ScriptedPort scripted;
    hexedit::testing::TestSession session{scripted};
    RomTools tools{session};
    ScriptedWindow<ExpanderView> expanderView;
    ScriptedWindow<Snes2HexView> converterView;
    std::filesystem::path dir;

    Env() {
        tools.expander.setView(&expanderView);
        tools.snes2hex.setView(&converterView);
        dir = std::filesystem::temp_directory_path() /
              ("romtools_test_" + std::to_string(reinterpret_cast<uintptr_t>(this)));
        std::filesystem::create_directories(dir);
    }
    ~Env() { std::filesystem::remove_all(dir); }

    // Adapters over the test session.
    common::testing::ScriptedPort& port() { return scripted; }
    void open(std::vector<uint8_t> bytes, const std::string& name = "game.smc") {
        session.load(std::move(bytes), path(name));
    }
    size_t steps() { return session.buffer.stepCount(); }
    void undo() { session.doc.undo(); }
    int32_t cursor() { return session.cursor(); }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        common::writeFileAtomic(path(name), bytes);
        return path(name);
    }
    std::vector<uint8_t> file() const {
        const auto b = session.editor().fileBytes();
        return {b.begin(), b.end()};
    }
};

inline std::vector<uint8_t> pattern(size_t n, unsigned seed = 1) {
    std::vector<uint8_t> v(n);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : v) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    return v;
}

}  // namespace hexedit::romtools::testing
