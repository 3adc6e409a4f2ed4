// The hex view's costs: building a page of 40 rows x 16 bytes in the model,
// painting it with Qt offscreen, and one PgDn at the start and at the end of
// a 64 MiB file (which must cost the same, with or without a selection of the
// whole file), pasting a page of text
// through a table with and without its reverse lookup index, typing one
// byte through the main window's model, and building the page through a
// table of 20,000 entries of one to four bytes beside the plain page build
// of the same run (goal: at most twice its time).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>

#include "bench/BenchRatios.h"
#include "common/testing/NullPort.h"
#include "hexedit/core/DataPad.h"
#include "hexedit/core/HexView.h"
#include "hexedit/core/TableLoader.h"
#include "hexedit/core/testing/TestSession.h"

#ifdef BENCH_WITH_QT
#include <QApplication>
#include <QImage>
#include <QPainter>

#include "hexedit/core/ui/HexViewPane.h"
#include "hexedit/core/ui/ViewFonts.h"
#endif

using namespace hexedit;

namespace {

class Mono : public TextMetrics {
public:
    int height() const override { return 13; }
    int width(std::u16string_view t) const override { return static_cast<int>(t.size()) * 8; }
};

struct Fixture {
    common::testing::NullPort port;
    testing::TestSession session{port};
    EditorState& ed = session.editorState;
    TableData& tbl = session.tableData;
    ViewState& vs = session.viewState;
    HexView view{ed, tbl, vs};
    Mono mono;

    explicit Fixture(size_t size) {
        std::vector<uint8_t> bytes(size);
        // The same random bytes in the first and the last MiB.
        std::mt19937 rng(7);
        const size_t n = std::min<size_t>(size, 1 << 20);
        for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(rng());
        if (bytes.size() >= 2 * n) std::copy(bytes.begin(), bytes.begin() + n, bytes.end() - n);
        session.load(std::move(bytes), "bench.bin");
        // Single bytes of every length and a few thousand pair entries.
        tbl.buildAsciiTable();
        for (int b = 0x80; b < 0xC0; ++b) tbl.setByte(static_cast<uint8_t>(b), "ab");
        for (int b = 0xC0; b < 0xE0; ++b) tbl.setByte(static_cast<uint8_t>(b), "word");
        for (int code = 0; code < 65536; code += 17) tbl.PairTable[code] = "pp";
        view.setFonts(&mono, &mono, &mono);
        view.Panel3Resize(40 * 16, 300);
    }
};

void BM_BuildPage(benchmark::State& state) {
    Fixture f(1 << 20);
    f.vs.TopOffset = 0x1000;
    for (auto _ : state) {
        f.view.FormPaint();
        benchmark::DoNotOptimize(f.view.page().hexRows.data());
    }
    state.counters["rows"] = static_cast<double>(f.view.page().hexRows.size());
}
BENCHMARK(BM_BuildPage)->Unit(benchmark::kMicrosecond);

// The same page through a table of 20,000 entries of mixed lengths: the 256
// single bytes, 8,000 pairs, 8,000 entries of three bytes and 3,744 of four
// (random codes, so that the longer ones' first bytes are everywhere), texts
// of one to six characters; the page's bytes are the codes of random entries
// of every length, as a script in such a table would be.
void BM_BuildPageMixedTable(benchmark::State& state) {
    Fixture f(1 << 20);
    std::string file;
    char line[40];
    std::mt19937 rng(9);
    auto word = [&] {
        std::string w;
        for (int n = 1 + static_cast<int>(rng() % 6); n > 0; --n) w += static_cast<char>('a' + rng() % 26);
        return w;
    };
    for (int b = 0; b < 256; ++b) {
        std::snprintf(line, sizeof line, "%02X=", b);
        file += line + word() + "\n";
    }
    std::vector<std::vector<uint8_t>> codes;
    for (const auto& [length, count] : {std::pair{2, 8000}, std::pair{3, 8000}, std::pair{4, 3744}})
        for (int k = 0; k < count; ++k) {
            uint32_t code = 0;
            std::vector<uint8_t> bytes;
            for (int i = 0; i < length; ++i) {
                bytes.push_back(static_cast<uint8_t>(rng()));
                code = code << 8 | bytes.back();
            }
            codes.push_back(bytes);
            std::snprintf(line, sizeof line, "%0*X=", length * 2, code);
            file += line + word() + "\n";
        }
    parseTableText(f.tbl, file);
    std::vector<uint8_t> page;
    while (page.size() < 41 * 16) {
        if (rng() % 4 == 0) page.push_back(static_cast<uint8_t>(rng()));  // a single byte
        else for (uint8_t b : codes[rng() % codes.size()]) page.push_back(b);
    }
    f.session.poke(0x1000, page);
    f.vs.TopOffset = 0x1000;
    f.view.FormPaint();
    size_t longItems = 0;
    for (const auto& row : f.view.page().textRows)
        for (const auto& c : row.cells) longItems += c.count >= 3;
    for (auto _ : state) {
        f.view.FormPaint();
        benchmark::DoNotOptimize(f.view.page().hexRows.data());
    }
    state.counters["entries"] = static_cast<double>(256 + f.tbl.PairTable.writtenCodes().size() + f.tbl.LongTable.size());
    state.counters["long_items"] = static_cast<double>(longItems);
}
BENCHMARK(BM_BuildPageMixedTable)->Unit(benchmark::kMicrosecond);

// One PgDn (a whole page built) at the start or the end of 64 MiB.
void BM_PageDown64MiB(benchmark::State& state) {
    static Fixture f(64u << 20);
    const int32_t start = state.range(0) == 0 ? 0 : f.ed.BufferSize - 64 * 1024;
    f.vs.TopOffset = start;
    for (auto _ : state) {
        f.view.FormKeyDown(ViewKey::PageDown, false);
        if (f.vs.TopOffset >= start + 60 * 1024 || f.vs.TopOffset + f.vs.PageBytes >= f.ed.BufferSize) {
            state.PauseTiming();
            f.vs.TopOffset = start;
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_PageDown64MiB)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// PgDn near the end of 64 MiB: plain (0), or with Shift while the selection
// reaches back to the first byte (1). Both must cost one page.
void BM_SelectPageDown64MiB(benchmark::State& state) {
    static Fixture f(64u << 20);
    const bool select = state.range(0) != 0;
    const int32_t start = f.ed.BufferSize - 64 * 1024;
    KeyPress key;
    key.key = Key::PageDown;
    key.shift = select;
    auto reset = [&] {
        f.vs.TopOffset = start;
        f.vs.SelectionAnchor = select ? 0 : -1;
        f.vs.SelectionEnd = select ? start : -1;
    };
    reset();
    for (auto _ : state) {
        f.view.previewKey(key);
        if (f.vs.TopOffset >= start + 60 * 1024 || f.vs.TopOffset + f.vs.PageBytes >= f.ed.BufferSize) {
            state.PauseTiming();
            reset();
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_SelectPageDown64MiB)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Pastes 2000 characters that the table has only as pair entries near the
// end of the pair table, as in a Japanese script table: with the index a
// loaded table builds (0) and with the scan of every entry it replaced (1).
void BM_PasteTextPage(benchmark::State& state) {
    struct ClipboardPort : common::testing::NullPort {
        std::string text;
        std::string clipboardText() override { return text; }
    } port;
    Fixture f(1 << 20);
    std::string table;
    for (int k = 0; k < 26; ++k) {
        char line[16];
        std::snprintf(line, sizeof line, "%04X=%c\n", 0xF000 + k * 97, 'a' + k);
        table += line;
    }
    parseTableText(f.tbl, table);
    if (state.range(0) == 1) f.tbl.dropIndex();
    f.view.setSession(&f.session);
    for (size_t i = 0; i < 2000; ++i) port.text += static_cast<char>('a' + (i * 7) % 26);
    for (auto _ : state) {
        f.vs.TopOffset = 0;
        f.vs.CursorRow = 0;
        f.vs.CursorColumn = 0;
        f.view.AsText1Click(port, true);
        benchmark::DoNotOptimize(f.ed.FileBuffer());
    }
    if (f.ed.byteAt(0) != 0xF0) state.SkipWithError("the text was not typed");
}
BENCHMARK(BM_PasteTextPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One byte typed as two hex digits through the main window's model, from
// the key preview to the repainted rows and the document's announcements
// (with one listener), on the same page as BM_BuildPage.
void BM_TypeByte(benchmark::State& state) {
    common::testing::NullPort port;
    DataPad pad(port);
    pad.FormCreate("/tmp");
    pad.document().open("bench.bin", std::vector<uint8_t>(1 << 20, 0x41), 0, 1 << 20);
    Mono mono;
    pad.hexView.setFonts(&mono, &mono, &mono);
    pad.hexView.Panel3Resize(40 * 16, 300);
    int events = 0;
    const Subscription counting = pad.document().subscribe([&](const DocumentEvent&) { ++events; });
    pad.moveCursorTo(0x1000);
    KeyPress hi, lo;
    hi.text = U'4';
    lo.text = U'2';
    int typed = 0;
    for (auto _ : state) {
        pad.commands().previewKey(hi);
        pad.commands().previewKey(lo);
        if (++typed == 256) {  // stays on the page
            state.PauseTiming();
            typed = 0;
            pad.moveCursorTo(0x1000);
            state.ResumeTiming();
        }
    }
    if (pad.editor().byteAt(0x1000) != 0x42) state.SkipWithError("nothing was typed");
    state.counters["events"] = static_cast<double>(events);
}
BENCHMARK(BM_TypeByte)->Unit(benchmark::kMicrosecond);

#ifdef BENCH_WITH_QT
// The page built with Qt's font metrics (cached widths).
void BM_BuildPageQtMetrics(benchmark::State& state) {
    Fixture f(1 << 20);
    ui::QtTextMetrics hex(ui::defaultViewFont()), text(ui::defaultViewFont());
    f.view.setFonts(&hex, &text, &text);
    f.view.Panel3Resize(40 * (hex.height() + 3), 300);
    f.vs.TopOffset = 0x1000;
    for (auto _ : state) {
        f.view.FormPaint();
        benchmark::DoNotOptimize(f.view.page().hexRows.data());
    }
}
BENCHMARK(BM_BuildPageQtMetrics)->Unit(benchmark::kMicrosecond);

// Both columns of a full page painted into an offscreen image.
void BM_PaintPage(benchmark::State& state) {
    Fixture f(1 << 20);
    ui::QtTextMetrics hex(ui::defaultViewFont()), text(ui::defaultViewFont());
    f.view.setFonts(&hex, &text, &text);
    const int height = 40 * (hex.height() + 3);
    f.view.Panel3Resize(height, 300);
    f.vs.TopOffset = 0x1000;
    f.view.FormPaint();
    QImage hexImage(f.view.hexPanelWidth(), height, QImage::Format_RGB32);
    QImage textImage(300, height, QImage::Format_RGB32);
    for (auto _ : state) {
        {
            QPainter p(&hexImage);
            p.fillRect(hexImage.rect(), Qt::black);
            ui::paintViewRows(p, f.view.page(), false, hex, hexImage.rect());
        }
        {
            QPainter p(&textImage);
            p.fillRect(textImage.rect(), Qt::black);
            ui::paintViewRows(p, f.view.page(), true, text, textImage.rect());
        }
        benchmark::DoNotOptimize(hexImage.constBits());
    }
    state.counters["rows"] = static_cast<double>(f.view.page().hexRows.size());
}
BENCHMARK(BM_PaintPage)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef BENCH_WITH_QT
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchratios::RatioReporter reporter({{"BM_BuildPageMixedTable", "BM_BuildPage", 2.0}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
