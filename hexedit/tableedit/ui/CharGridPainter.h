#pragma once
// Draws a page of the table editor's character grid: the stretched
// background bitmap and each cell's character where the model puts it.

#include <QColor>
#include <QFont>
#include <QImage>

#include "hexedit/tableedit/CharGrid.h"

class QPainter;

namespace hexedit::tableedit {

// A Japanese face at a pixel size: the Mincho face first, else the Gothic
// one (or the other way round), weight 500.
QFont japaneseFont(int pixelSize, bool minchoFirst);

class CharGridPainter {
public:
    CharGridPainter();
    // Paints at the painter's origin, CharGrid::Width x CharGrid::Height.
    void paint(QPainter& p, const CharGrid& grid, QColor face, QColor text);
    const QFont& font() const { return font_; }

private:
    QFont font_;
    int ascent_ = 0;
    QImage background_;
    QRgb backgroundFace_ = 0;
    CharGrid::Page page_{};
};

}  // namespace hexedit::tableedit
