// Drawing both text boxes for a 48-line string, and the work behind one
// keystroke in the text editor (finding, encoding and drawing the section),
// against a baseline of clearing the two text layers.
#include <benchmark/benchmark.h>

#include <algorithm>

#include "scripted/TextBox.h"
#include "scripted/Translation.h"
#include "tools/mkgamerom/GameRom.h"

namespace {

struct Setup {
    mkgamerom::GameRom rom = mkgamerom::buildGameRom();
    std::vector<scripted::TextEvent> upper;
    std::string editorText;
    Setup() {
        std::string markup;
        for (int i = 0; i < 48; ++i) markup += "Line " + std::to_string(i) + ": the quick brown fox{k}";
        auto words = mkgamerom::stringWords(markup);
        mkgamerom::putWords(rom.image, 0x180000, words);
        upper = scripted::DecodeString(rom.image, 0x180000);
        editorText = scripted::newTranslationText(200);
        std::string section;
        for (int i = 0; i < 48; ++i) section += "Line " + std::to_string(i) + " of the translation[KEY]\n";
        size_t at = editorText.find(".STRING 150\n") + 12;
        editorText.insert(at, section);
    }
};
const Setup& setup() {
    static const Setup s;
    return s;
}

void ClearLayersBaseline(benchmark::State& state) {
    scripted::TextBoxRenderer r;
    for (auto _ : state) {
        for (auto& l : r.Layers) std::fill(l.pixels.begin(), l.pixels.end(), uint16_t{0});
        benchmark::DoNotOptimize(r.Layers[0].pixels.data());
    }
}
BENCHMARK(ClearLayersBaseline)->Unit(benchmark::kMicrosecond);

void RedrawBoth48Lines(benchmark::State& state) {
    const Setup& s = setup();
    scripted::TextBoxRenderer r;
    scripted::ViewOptions view;
    view.useVwf = true;
    auto lower = scripted::DecodeTranslation(scripted::encodeSection(s.editorText, s.editorText.find(".STRING 150")));
    for (auto _ : state) {
        r.DrawTextBox(scripted::Box::Upper, s.upper, {scripted::Box::Upper, s.rom.image}, 16, 16, view);
        r.DrawTextBox(scripted::Box::Lower, lower, {scripted::Box::Lower, {}}, 16, 16, view);
        benchmark::DoNotOptimize(r.Screen.data());
    }
}
BENCHMARK(RedrawBoth48Lines)->Unit(benchmark::kMicrosecond);

void KeystrokePreview(benchmark::State& state) {
    const Setup& s = setup();
    scripted::TextBoxRenderer r;
    scripted::ViewOptions view;
    for (auto _ : state) {
        auto match = scripted::findSection(s.editorText, 0, 150);
        auto events = scripted::DecodeTranslation(scripted::encodeSection(s.editorText, match->line));
        r.DrawTextBox(scripted::Box::Lower, events, {scripted::Box::Lower, {}}, 16, 16, view);
        benchmark::DoNotOptimize(r.Screen.data());
    }
}
BENCHMARK(KeystrokePreview)->Unit(benchmark::kMicrosecond);

}  // namespace
