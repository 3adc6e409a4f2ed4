// The character grid scrolled over its whole range, one small step (a new
// row of codes) per repaint: the model's page alone, and the page painted
// into an offscreen image. Baseline: the background alone, the least a
// repaint does.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "hexedit/tableedit/CharGrid.h"
#include "hexedit/tableedit/ui/CharGridPainter.h"

using namespace hexedit::tableedit;

namespace {

// The next scroll position, wrapping at the end of the range.
int step(int position) {
    position += CharGrid::SmallChange;
    return position > CharGrid::ScrollMax ? CharGrid::ScrollMin : position;
}

constexpr int kPositions = (CharGrid::ScrollMax - CharGrid::ScrollMin) / CharGrid::SmallChange + 1;

void BM_BackgroundOnly(benchmark::State& state) {
    QImage image(CharGrid::Width, CharGrid::Height, QImage::Format_RGB32);
    const std::vector<uint32_t> pixels = CharGrid::background(0xFFF0F0F0);
    const QImage bitmap(reinterpret_cast<const uchar*>(pixels.data()), CharGrid::BitmapWidth, CharGrid::BitmapHeight,
                        QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&image);
        p.drawImage(QRect(0, 0, CharGrid::Width, CharGrid::Height), bitmap);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_BackgroundOnly)->Unit(benchmark::kMicrosecond);

void BM_LayoutPage(benchmark::State& state) {
    CharGrid grid;
    CharGrid::Page page;
    int position = CharGrid::ScrollMin;
    for (auto _ : state) {
        grid.setPosition(position);
        grid.layout(page);
        benchmark::DoNotOptimize(page.data());
        position = step(position);
    }
}
BENCHMARK(BM_LayoutPage)->Unit(benchmark::kMicrosecond);

// Every position of the scroll bar painted once per iteration; the time per
// page is the iteration's time over the positions (counter "pages").
void BM_ScrollWholeRange(benchmark::State& state) {
    CharGrid grid;
    CharGridPainter painter;
    QImage image(CharGrid::Width, CharGrid::Height, QImage::Format_RGB32);
    for (auto _ : state) {
        for (int position = CharGrid::ScrollMin; position <= CharGrid::ScrollMax; position += CharGrid::SmallChange) {
            grid.setPosition(position);
            QPainter p(&image);
            painter.paint(p, grid, QColor(0xF0, 0xF0, 0xF0), Qt::black);
        }
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["pages"] = kPositions;
    state.counters["per_page"] =
        benchmark::Counter(static_cast<double>(kPositions) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ScrollWholeRange)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
