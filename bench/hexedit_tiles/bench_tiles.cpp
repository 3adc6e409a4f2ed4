// Decoding a full 128 x 128 tile view in each format, against a plain copy
// of the same 16 KiB as the baseline; one-row scrolls and thumb drags
// through a 4 MiB file; the pictures of a full repaint of the tile window,
// and with Qt the whole window painted offscreen.

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "common/testing/NullPort.h"
#include "hexedit/core/testing/TestSession.h"
#include "hexedit/tiles/TileEditor.h"
#include "hexedit/tiles/TileFormats.h"

#ifdef BENCH_WITH_QT
#include <QApplication>
#include <QImage>

#include "hexedit/tiles/ui/TTileForm.h"
#endif

using namespace hexedit::tiles;

namespace {

const std::vector<uint8_t>& file() {
    static const std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> b(4 << 20);
        std::mt19937 rng(3);
        for (auto& x : b) x = static_cast<uint8_t>(rng());
        return b;
    }();
    return bytes;
}

// Baseline: copying the 16384 pixel bytes of the area.
void BM_CopyArea(benchmark::State& state) {
    TileArea area{};
    for (auto _ : state) {
        std::memcpy(area.data(), file().data() + 4096, area.size());
        benchmark::DoNotOptimize(area.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyArea);

void BM_DecodeFullView(benchmark::State& state) {
    const TileLayout l{&kTileFormats[static_cast<size_t>(state.range(0))], 8, 16};
    TileArea area{};
    state.SetLabel(std::string(l.format->caption));
    for (auto _ : state) {
        decodeView(l, file(), 4096, Redraw::Full, area);
        benchmark::DoNotOptimize(area.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DecodeFullView)->DenseRange(0, kFormatCount - 1);

// Scrolling down row by row through the whole file, as the scroll bar's
// line action does; one iteration is one row.
void BM_ScrollDown4MiB(benchmark::State& state) {
    const TileLayout l{&kTileFormats[3], 8, 16};
    TileArea area{};
    int64_t top = 0;
    const int64_t last = static_cast<int64_t>(file().size()) - l.screenBytes();
    decodeView(l, file(), top, Redraw::Full, area);
    for (auto _ : state) {
        top += l.rowBytes();
        if (top > last) {
            top = 0;
            decodeView(l, file(), top, Redraw::Full, area);
        } else {
            decodeView(l, file(), top, Redraw::ScrollDown, area);
        }
        benchmark::DoNotOptimize(area.data());
    }
}
BENCHMARK(BM_ScrollDown4MiB);

struct Window {
    common::testing::NullPort port;
    hexedit::testing::TestSession session{port};
    TileEditor editor{session};
    Window() {
        session.load(file(), "bench.bin");
        editor.selectFormat(3);
        editor.FormShow();
    }
};

// Dragging the scroll bar's thumb across the file: each step a full decode
// and the tile box's picture, as a repaint of TBox needs.
void BM_ThumbDrag4MiB(benchmark::State& state) {
    Window w;
    int32_t pos = 0;
    const int32_t step = static_cast<int32_t>(file().size() / 500);
    for (auto _ : state) {
        pos = (pos + step) % static_cast<int32_t>(file().size());
        w.editor.TVScrlScroll(ScrollAction::Thumb, pos);
        benchmark::DoNotOptimize(w.editor.tilePicture().pixels.data());
    }
}
BENCHMARK(BM_ThumbDrag4MiB);

// The four boxes' pictures of a full repaint.
void BM_WindowPictures(benchmark::State& state) {
    Window w;
    w.editor.BoxShown = true;
    for (auto _ : state) {
        benchmark::DoNotOptimize(w.editor.tilePicture().pixels.data());
        benchmark::DoNotOptimize(w.editor.characterPicture().pixels.data());
        benchmark::DoNotOptimize(w.editor.clipPicture().pixels.data());
        benchmark::DoNotOptimize(w.editor.palettePicture().pixels.data());
    }
}
BENCHMARK(BM_WindowPictures);

#ifdef BENCH_WITH_QT
// The whole window rendered offscreen: pictures, blits, labels, menu bar.
void BM_WindowRepaintQt(benchmark::State& state) {
    Window w;
    TTileForm form(w.editor);
    form.resize(form.sizeHint());
    QImage target(form.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        form.render(&target);
        benchmark::DoNotOptimize(target.bits());
    }
}
BENCHMARK(BM_WindowRepaintQt);
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef BENCH_WITH_QT
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#endif
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
