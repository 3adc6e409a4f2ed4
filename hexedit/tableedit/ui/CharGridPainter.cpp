#include "hexedit/tableedit/ui/CharGridPainter.h"

#include <algorithm>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>

namespace hexedit::tableedit {

QFont japaneseFont(int pixelSize, bool minchoFirst) {
    const QStringList families = QFontDatabase::families();
    const QString mincho = QStringLiteral("IPAMincho"), gothic = QStringLiteral("IPAGothic");
    QString face = minchoFirst ? mincho : gothic;
    if (!families.contains(face)) face = minchoFirst ? gothic : mincho;
    QFont f(face);
    f.setPixelSize(pixelSize);
    f.setWeight(QFont::Medium);
    f.setStyleStrategy(QFont::PreferMatch);
    return f;
}

CharGridPainter::CharGridPainter() : font_(japaneseFont(14, true)), ascent_(QFontMetrics(font_).ascent()) {}

void CharGridPainter::paint(QPainter& p, const CharGrid& grid, QColor face, QColor text) {
    if (background_.isNull() || backgroundFace_ != face.rgb()) {
        const std::vector<uint32_t> pixels = CharGrid::background(face.rgb());
        background_ = QImage(CharGrid::BitmapWidth, CharGrid::BitmapHeight, QImage::Format_RGB32);
        for (int y = 0; y < CharGrid::BitmapHeight; ++y)
            std::copy_n(pixels.data() + static_cast<size_t>(y) * CharGrid::BitmapWidth, CharGrid::BitmapWidth,
                        reinterpret_cast<QRgb*>(background_.scanLine(y)));
        backgroundFace_ = face.rgb();
    }
    p.drawImage(QRect(0, 0, CharGrid::Width, CharGrid::Height), background_);
    grid.layout(page_);
    p.setFont(font_);
    p.setPen(text);
    for (const CharGrid::DrawnCell& c : page_) p.drawText(c.textX, c.textY + ascent_, QString(QChar(c.glyph)));
}

}  // namespace hexedit::tableedit
