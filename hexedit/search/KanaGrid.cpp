#include "hexedit/search/KanaGrid.h"

#include "common/codepage.h"

namespace hexedit::search {

namespace {

using Table = KanaGrid::Table;

// Fills a table from runs of codes; each run is [first, last] inclusive, or a
// count of blanks when first is 0.
struct Run {
    uint16_t first;
    uint16_t last;  // or the count of blanks
};

Table build(std::initializer_list<Run> runs) {
    Table t;
    t.fill(KanaGrid::Blank);
    size_t i = 0;
    for (const Run& r : runs) {
        if (r.first == 0) {
            i += r.last;
            continue;
        }
        for (uint32_t c = r.first; c <= r.last && i < t.size(); ++c) t[i++] = static_cast<uint16_t>(c);
    }
    return t;
}

Run blanks(uint16_t n) { return Run{0, n}; }
Run one(uint16_t c) { return Run{c, c}; }

}  // namespace

const std::array<Table, KanaGrid::ClassCount>& KanaGrid::classes() {
    static const std::array<Table, ClassCount> tables = {
        // Punctuation
        build({{0x8140, 0x814E}, blanks(1), {0x814F, 0x815E}, {0x815F, 0x816E}, {0x816F, 0x817E},
               {0x8180, 0x818F}, {0x8190, 0x819E}, blanks(1)}),
        // Numbers
        build({{0x8740, 0x8749}, blanks(6), {0x874A, 0x8753}, blanks(6), {0x8754, 0x875D}, blanks(6),
               {0x81C0, 0x81C5}, {0x81CF, 0x81D2}, blanks(6), {0x8250, 0x8258}, one(0x824F), blanks(6),
               blanks(16)}),
        // Ascii
        build({blanks(16), {0x824F, 0x8258}, blanks(6), blanks(1), {0x8260, 0x826E}, {0x826F, 0x8279}, blanks(5),
               blanks(1), {0x8281, 0x828F}, {0x8290, 0x829A}, blanks(5)}),
        // Hiragana
        build({{0x829F, 0x82AD}, blanks(1), {0x82AE, 0x82BD}, {0x82BE, 0x82CD}, {0x82CE, 0x82DD},
               {0x82DE, 0x82ED}, {0x82EE, 0x82F1}, blanks(3), one(0x815B), blanks(8)}),
        // Katakana
        build({{0x8340, 0x834E}, blanks(1), {0x834F, 0x835E}, {0x835F, 0x836E}, {0x836F, 0x837E},
               {0x8380, 0x838F}, {0x8390, 0x8396}, one(0x815B), blanks(8)}),
    };
    return tables;
}

const std::array<const char*, KanaGrid::ClassCount>& KanaGrid::classNames() {
    static const std::array<const char*, ClassCount> names = {"Punctuation", "Numbers", "Ascii", "Hiragana",
                                                              "Katakana"};
    return names;
}

void KanaGrid::setClass(int index) {
    if (index >= 0 && index < ClassCount) class_ = index;
}

std::string KanaGrid::bytes(Cell c) const {
    const uint16_t v = code(c);
    return std::string{static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)};
}

std::optional<KanaGrid::Cell> KanaGrid::cellAt(int x, int y) {
    if (x < 0 || y < 0 || x >= Width || y >= Height) return std::nullopt;
    return Cell{y / CellSize, x / CellSize};
}

void KanaGrid::mouseMoved(int x, int y) {
    if (auto c = cellAt(x, y)) highlight_ = c;
}

std::vector<KanaGrid::DrawnCell> KanaGrid::layout() const {
    std::vector<DrawnCell> cells;
    cells.reserve(Rows * Columns);
    for (int r = 0; r < Rows; ++r)
        for (int col = 0; col < Columns; ++col) {
            DrawnCell d;
            d.x = col * CellSize;
            d.y = r * CellSize;
            d.textX = d.x + TextInset;
            d.textY = d.y + TextInset;
            d.text = common::cp932ToUtf16(bytes({r, col}));
            d.highlighted = highlight_ == Cell{r, col};
            cells.push_back(std::move(d));
        }
    return cells;
}

}  // namespace hexedit::search
