#pragma once
// fGrid: paints the find window's kana grid and forwards the mouse to it.

#include <QFont>
#include <QWidget>

namespace hexedit::search {

class FindWindow;

class KanaGridWidget : public QWidget {
    Q_OBJECT
public:
    explicit KanaGridWidget(FindWindow& model, QWidget* parent = nullptr);
    // "MS Gothic" here is IPAGothic, then IPAMincho.
    static QFont japaneseFont(int pixelSize);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    FindWindow& model_;
    QFont font_;
};

}  // namespace hexedit::search
