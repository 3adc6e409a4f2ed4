#include "hexedit/core/ui/ViewFonts.h"

#include <QFontDatabase>
#include <QString>
#include <QStringList>

namespace hexedit::ui {

void QtTextMetrics::setFont(const QFont& font) {
    font_ = font;
    fm_ = QFontMetrics(font);
    raw_ = QRawFont::fromFont(font);
    cache_.clear();
}

int QtTextMetrics::width(std::u16string_view text) const {
    if (text.empty()) return 0;
    auto it = cache_.find(std::u16string(text));
    if (it != cache_.end()) return it->second;
    const int w = fm_.horizontalAdvance(
        QString::fromRawData(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size())));
    if (cache_.size() > 8192) cache_.clear();
    cache_.emplace(text, w);
    return w;
}

QFont defaultViewFont() {
    QFont font;
    if (QFontDatabase::families().contains(QStringLiteral("DejaVu Sans Mono")))
        font = QFont(QStringLiteral("DejaVu Sans Mono"));
    else
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(10);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

QFont japaneseFont(const QFont& textFont, bool* found) {
    const QStringList families = QFontDatabase::families();
    QString face;
    for (const char* name : {"MS Gothic", "MS Mincho"})
        if (families.contains(QString::fromLatin1(name))) {
            face = QString::fromLatin1(name);
            break;
        }
    if (face.isEmpty()) {
        const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
        for (const char* name : {"IPAGothic", "IPAexGothic", "Noto Sans CJK JP", "IPAMincho"})
            if (japanese.contains(QString::fromLatin1(name))) {
                face = QString::fromLatin1(name);
                break;
            }
        if (face.isEmpty() && !japanese.isEmpty()) face = japanese.front();
    }
    if (found) *found = !face.isEmpty();
    if (face.isEmpty()) return textFont;
    QFont font(face);
    // The Japanese font is as many pixels high as the text font has points.
    const int size = textFont.pointSize() > 0 ? textFont.pointSize() : textFont.pixelSize();
    font.setPixelSize(std::max(size, 1));
    font.setWeight(QFont::Normal);
    return font;
}

}  // namespace hexedit::ui
