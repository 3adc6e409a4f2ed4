#pragma once
// The eleven tile formats of the tile editor: how a run of file bytes turns
// into rows of pixel indices and back, and where each tile of the 128 x 128
// view lies in the file. No window code.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace hexedit::tiles {

struct TileFormat {
    uint8_t number;              // 0 to 10
    std::string_view caption;    // menu item
    char key;                    // key that selects it
    std::string_view statusName; // middle panel of the status bar
    uint8_t BitsPerPixel;        // also the bytes of one pixel row in the file
    uint8_t RowShift;            // log2 of the bytes per row, rounded up
    int ColorCount;              // colours offered by the palette box
    bool Wide16;                 // 16-pixel tiles taking two view columns
};

inline constexpr int kFormatCount = 11;
extern const std::array<TileFormat, kFormatCount> kTileFormats;

inline constexpr int kMinTileHeight = 1;
inline constexpr int kMaxTileHeight = 64;
inline constexpr int kArea = 128;  // the tile area is kArea x kArea pixel indices

// The format whose key is `key` (upper or lower case for A), or -1.
int formatForKey(char32_t key);

inline int tileWidth(const TileFormat& f) { return f.Wide16 ? 16 : 8; }
// Distance between consecutive tiles in the file.
inline int64_t tileBytes(const TileFormat& f, int tileHeight) { return int64_t{tileHeight} * f.BitsPerPixel; }
// Bytes from a tile's start to one past the last byte its rows use (more
// than tileBytes where planes lie in a later block).
int tileFootprint(const TileFormat& f, int tileHeight);

// Fills `tileHeight` rows of 8 (16) pixel indices at `dest` (rows `pitch`
// apart) from the tile starting at `B` in `bytes`. Bytes outside `bytes`
// read as 0.
void decodeTile(const TileFormat& f, std::span<const uint8_t> bytes, int64_t B, int tileHeight, uint8_t* dest,
                int pitch);

// Writes the tile's planes rebuilt from `tileHeight` pixel rows at `src` into
// the tile starting at `B`, where `bytes` holds the file from offset `base`.
// Only the bytes the decoder reads are written, and none outside `bytes`;
// bits of a pixel index above the format's planes are dropped.
void encodeTile(const TileFormat& f, const uint8_t* src, int pitch, int tileHeight, std::span<uint8_t> bytes,
                int64_t base, int64_t B);

// Where the tiles of the view lie, for the view's columns and tile height.
struct TileLayout {
    const TileFormat* format;
    int tileHeight;
    int viewColumns;

    // Tiles per view row (at least one, also for one column of 16-pixel tiles).
    int perRow() const;
    // Tile rows shown in the 128-pixel area.
    int rows() const { return kArea / tileHeight; }
    int64_t tileBytes() const { return tiles::tileBytes(*format, tileHeight); }
    int64_t rowBytes() const { return perRow() * tileBytes(); }
    int64_t screenBytes() const { return rows() * rowBytes(); }
    int64_t tileOffset(int64_t top, int row, int column) const {
        return top + (int64_t{row} * perRow() + column) * tileBytes();
    }
};

// The pixel indices of the view, kArea rows of kArea.
using TileArea = std::array<uint8_t, kArea * kArea>;

enum class Redraw { Full, ScrollUp, ScrollDown };

// The start offset pulled back so that a full 8-row, 16-column view ends at
// `bufferSize`, then not below 0. Sets `full` when the offset moved.
int32_t clampViewStart(int32_t top, int32_t bufferSize, const TileLayout& layout, bool& full);

// Decodes the view starting at `top` into `area`: every tile, or after a
// one-row scroll only the new tile row, moving the rest. Clears only the
// tile rows it writes.
void decodeView(const TileLayout& layout, std::span<const uint8_t> bytes, int64_t top, Redraw kind, TileArea& area);

}  // namespace hexedit::tiles
