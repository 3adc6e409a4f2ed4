#include "hexedit/tiles/Palettes.h"

#include <algorithm>
#include <sstream>

namespace hexedit::tiles {

namespace {

constexpr uint16_t rgb565From6(int r, int g, int b) {
    auto to8 = [](int v) { return v * 255 / 63; };
    return static_cast<uint16_t>(((to8(r) >> 3) << 11) | ((to8(g) >> 2) << 5) | (to8(b) >> 3));
}

Palette makeStandard() {
    Palette p{};
    static constexpr int ega[16][3] = {{0, 0, 0},   {0, 0, 42},   {0, 42, 0},   {0, 42, 42},
                                       {42, 0, 0},  {42, 0, 42},  {42, 21, 0},  {42, 42, 42},
                                       {21, 21, 21}, {21, 21, 63}, {21, 63, 21}, {21, 63, 63},
                                       {63, 21, 21}, {63, 21, 63}, {63, 63, 21}, {63, 63, 63}};
    static constexpr int grey[16] = {0, 5, 8, 11, 14, 17, 20, 24, 28, 32, 36, 40, 45, 50, 56, 63};
    // The five levels of each ring, low to high, for full, half and a
    // quarter saturation, at high, middle and low brightness.
    static constexpr int rings[9][5] = {{0, 16, 31, 47, 63},  {31, 39, 47, 55, 63}, {45, 49, 54, 58, 63},
                                        {0, 7, 14, 21, 28},   {14, 17, 21, 24, 28}, {20, 22, 24, 26, 28},
                                        {0, 4, 8, 12, 16},    {8, 10, 12, 14, 16},  {11, 12, 13, 15, 16}};
    // Level indices (red, green, blue) of the 24 hues, from blue round to blue.
    static constexpr int hues[24][3] = {{0, 0, 4}, {1, 0, 4}, {2, 0, 4}, {3, 0, 4}, {4, 0, 4}, {4, 0, 3},
                                        {4, 0, 2}, {4, 0, 1}, {4, 0, 0}, {4, 1, 0}, {4, 2, 0}, {4, 3, 0},
                                        {4, 4, 0}, {3, 4, 0}, {2, 4, 0}, {1, 4, 0}, {0, 4, 0}, {0, 4, 1},
                                        {0, 4, 2}, {0, 4, 3}, {0, 4, 4}, {0, 3, 4}, {0, 2, 4}, {0, 1, 4}};
    for (int i = 0; i < 16; ++i) p[i] = rgb565From6(ega[i][0], ega[i][1], ega[i][2]);
    for (int i = 0; i < 16; ++i) p[16 + i] = rgb565From6(grey[i], grey[i], grey[i]);
    for (int ring = 0; ring < 9; ++ring)
        for (int h = 0; h < 24; ++h) {
            const int* lv = rings[ring];
            p[32 + ring * 24 + h] = rgb565From6(lv[hues[h][0]], lv[hues[h][1]], lv[hues[h][2]]);
        }
    return p;  // 248-255 stay black
}

Palette makeNes() {
    Palette p{};
    static constexpr uint16_t colors[64] = {
        0x8410, 0x01F4, 0x0096, 0x4012, 0xA00B, 0xC005, 0xB820, 0x88A0, 0x5960, 0x1220, 0x0240, 0x0225, 0x020C,
        0x0000, 0x0020, 0x0020, 0xC638, 0x03BF, 0x22BF, 0x81BF, 0xE976, 0xF94A, 0xF900, 0xD180, 0xC300, 0x3400,
        0x0460, 0x044A, 0x04D9, 0x2104, 0x0841, 0x0841, 0xFFFF, 0x0EBF, 0x6D1F, 0xD41F, 0xFA3E, 0xFB11, 0xFC46,
        0xFCE2, 0xFDE4, 0x9F01, 0x2F86, 0x0F94, 0x07DF, 0x5AEB, 0x0861, 0x0861, 0xFFFF, 0xA7FF, 0xB77F, 0xDD5D,
        0xFD5F, 0xFD56, 0xFE96, 0xFF74, 0xFFB3, 0xD752, 0xA775, 0xA79B, 0x9FFF, 0xDEFB, 0x1082, 0x1082};
    for (int i = 0; i < 64; ++i) p[i] = colors[i];
    return p;
}

}  // namespace

const Palette& standardPalette() {
    static const Palette p = makeStandard();
    return p;
}

const Palette& nesPalette() {
    static const Palette p = makeNes();
    return p;
}

namespace {

std::array<int, 3> rgb8(uint16_t c) { return {(c >> 11) * 255 / 31, ((c >> 5) & 63) * 255 / 63, (c & 31) * 255 / 31}; }

uint16_t rgb565(int r, int g, int b) {
    return static_cast<uint16_t>(((r & 255) >> 3) << 11 | ((g & 255) >> 2) << 5 | (b & 255) >> 3);
}

// Reads whitespace-separated decimal triples, one colour a line, stopping at
// the first line that holds none; lines starting with '#' are skipped.
void readTextColours(std::istream& in, Palette& p, size_t limit) {
    std::string line;
    size_t n = 0;
    while (n < limit && std::getline(in, line)) {
        if (line.empty() || line[0] == '#' || line.find_first_not_of(" \t\r") == std::string::npos) continue;
        std::istringstream fields(line);
        int r, g, b;
        if (!(fields >> r >> g >> b)) break;
        p[n++] = rgb565(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
    }
}

}  // namespace

PaletteFileKind paletteKindOf(const std::string& path) {
    std::string ext = path.substr(path.find_last_of('.') == std::string::npos ? path.size() : path.find_last_of('.'));
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (ext == ".gpl") return PaletteFileKind::Gimp;
    if (ext == ".act") return PaletteFileKind::Act;
    return PaletteFileKind::Jasc;
}

std::string writePaletteFile(const Palette& p, PaletteFileKind kind) {
    std::string out;
    if (kind == PaletteFileKind::Act) {
        for (uint16_t c : p)
            for (int v : rgb8(c)) out.push_back(static_cast<char>(v));
        return out;
    }
    const char* eol = kind == PaletteFileKind::Jasc ? "\r\n" : "\n";
    out = kind == PaletteFileKind::Jasc ? std::string("JASC-PAL\r\n0100\r\n256\r\n")
                                        : std::string("GIMP Palette\nName: Tarnwick32\nColumns: 16\n#\n");
    for (uint16_t c : p) {
        const auto [r, g, b] = rgb8(c);
        out += std::to_string(r) + ' ' + std::to_string(g) + ' ' + std::to_string(b) + eol;
    }
    return out;
}

std::optional<Palette> readPaletteFile(std::span<const uint8_t> bytes) {
    const std::string text(bytes.begin(), bytes.end());
    Palette p{};
    std::istringstream in(text);
    std::string line;
    auto header = [&](std::string_view magic) {
        return text.size() >= magic.size() && text.compare(0, magic.size(), magic) == 0;
    };
    if (header("JASC-PAL")) {
        std::getline(in, line);  // magic
        std::getline(in, line);  // version
        long count = 0;
        if (!std::getline(in, line) || !(std::istringstream(line) >> count)) return std::nullopt;
        readTextColours(in, p, static_cast<size_t>(std::clamp<long>(count, 0, 256)));
        return p;
    }
    if (header("GIMP Palette")) {
        std::getline(in, line);
        // Name:/Columns: lines come before the colours.
        auto pos = in.tellg();
        while (std::getline(in, line) && (line.rfind("Name:", 0) == 0 || line.rfind("Columns:", 0) == 0))
            pos = in.tellg();
        in.clear();
        in.seekg(pos);
        readTextColours(in, p, 256);
        return p;
    }
    if (bytes.size() == 768 || bytes.size() == 772) {
        size_t count = 256;
        if (bytes.size() == 772) count = std::clamp<size_t>(static_cast<size_t>(bytes[768] << 8 | bytes[769]), 0, 256);
        if (count == 0) count = 256;  // writers that leave the count 0 mean all
        for (size_t i = 0; i < count; ++i) p[i] = rgb565(bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]);
        return p;
    }
    return std::nullopt;
}

}  // namespace hexedit::tiles
