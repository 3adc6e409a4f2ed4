#pragma once
// A view over a small buffer with monospace fake fonts: 8 x 13 pixels per
// hex character, 10 x 13 per text character and 12 x 13 in the Japanese font,
// so the three fonts' widths tell apart which one measured a cell.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "common/testing/NullPort.h"
#include "hexedit/core/HexView.h"
#include "hexedit/core/testing/TestSession.h"

namespace hexedit {
inline void PrintTo(const ColorPair& c, std::ostream* os) {
    *os << std::hex << "{text 0x" << c.text << ", background 0x" << c.background << "}" << std::dec;
}
}  // namespace hexedit

namespace hexedit::testing {

class MonoMetrics : public TextMetrics {
public:
    MonoMetrics(int charWidth, int height) : w_(charWidth), h_(height) {}
    int height() const override { return h_; }
    int width(std::u16string_view text) const override { return static_cast<int>(text.size()) * w_; }

private:
    int w_, h_;
};

struct RecordingHost : ViewHost {
    int pages = 0, blinks = 0, statuses = 0, widths = 0, scrolls = 0, menus = 0;
    std::vector<std::pair<int, int>> rows;
    void pageRepainted() override { ++pages; }
    void rowsRepainted(int a, int b) override { rows.emplace_back(a, b); }
    void blinkRepainted() override { ++blinks; }
    void statusChanged() override { ++statuses; }
    void panelWidthChanged() override { ++widths; }
    void scrollBarChanged() override { ++scrolls; }
    void menusChanged() override { ++menus; }
};

class ViewFixture : public ::testing::Test {
protected:
    static constexpr int kLine = 16;  // 13 + 3

    MonoMetrics hexFont{8, 13}, textFont{10, 13}, kanaFont{12, 13};
    common::testing::NullPort port;
    TestSession session{port};
    EditorState& ed = session.editorState;
    TableData& tbl = session.tableData;
    ViewState& vs = session.viewState;
    HexView view{ed, tbl, vs};
    RecordingHost host;

    // A buffer of `size` bytes (the zero tail up to 65535 included) and a
    // page of `rows` rows of 16 bytes.
    void open(std::vector<uint8_t> bytes, int rows = 16) {
        session.load(std::move(bytes), "/tmp/test.bin");
        view.setSession(&session);
        view.setFonts(&hexFont, &textFont, &kanaFont);
        view.setHost(&host);
        view.Panel3Resize(rows * kLine, 400);
    }
    void openSize(size_t size, int rows = 16) { open(std::vector<uint8_t>(size, 0), rows); }

    const ViewRow& hexRow(int r) const { return view.page().hexRows.at(r); }
    const ViewRow& textRow(int r) const { return view.page().textRows.at(r); }
    // The hex cell of column j (cell 0 is the offset label).
    const ViewCell& hexCell(int r, int j) const { return hexRow(r).cells.at(1 + j); }
    std::string text(const ViewCell& c) const { return std::string(c.text.begin(), c.text.end()); }
    // The text row's item texts, without the filler.
    std::vector<std::string> items(int r) const {
        std::vector<std::string> out;
        const auto& cells = textRow(r).cells;
        for (size_t i = 0; i + 1 < cells.size(); ++i) out.push_back(text(cells[i]));
        return out;
    }
    const ViewCell& cursorTextCell(int r) const {
        for (const auto& c : textRow(r).cells)
            if (c.cursor) return c;
        ADD_FAILURE() << "no cursor cell in row " << r;
        return textRow(r).cells.front();
    }
    ColorPair colors(const ViewCell& c) const { return {c.textColor, c.background}; }
};

}  // namespace hexedit::testing
