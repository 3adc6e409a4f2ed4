#pragma once
// Fonts of the hex view: measuring through QFontMetrics, the default
// fixed-width face and the Japanese face.

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QRawFont>

#include <string>
#include <unordered_map>

#include "hexedit/core/HexView.h"

namespace hexedit::ui {

// TextMetrics over a Qt font; widths are cached since the view measures the
// same few texts on every page.
class QtTextMetrics : public TextMetrics {
public:
    explicit QtTextMetrics(const QFont& font = QFont()) : font_(font), fm_(font), raw_(QRawFont::fromFont(font)) {}
    void setFont(const QFont& font);
    const QFont& font() const { return font_; }
    int height() const override { return fm_.height(); }
    int ascent() const { return fm_.ascent(); }
    int width(std::u16string_view text) const override;
    // The font's glyphs, for drawing many cells in one call.
    const QRawFont& rawFont() const { return raw_; }

private:
    QFont font_;
    QFontMetrics fm_;
    QRawFont raw_;
    mutable std::unordered_map<std::u16string, int> cache_;
};

// A fixed-width face present on Linux (DejaVu Sans Mono, else the system's
// fixed font), 10 points.
QFont defaultViewFont();

// The Japanese display font for a text font: "MS Gothic", else "MS Mincho",
// else a face of the machine that covers Japanese (IPAGothic preferred),
// sized in pixels to the text font's point size. Returns the text font itself
// when no Japanese face exists (the text is then drawn in that font).
QFont japaneseFont(const QFont& textFont, bool* found = nullptr);

// 0x00BBGGRR to a Qt colour.
inline QColor windowsColor(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

}  // namespace hexedit::ui
