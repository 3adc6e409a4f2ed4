#pragma once
// A plain paint box: a widget that leaves painting and mouse presses to
// whoever owns the view.

#include <QWidget>
#include <functional>

class QMouseEvent;
class QPainter;

namespace hexedit {

class PaintBox : public QWidget {
    Q_OBJECT
public:
    explicit PaintBox(QWidget* parent = nullptr);

    std::function<void(QPainter&)> onPaint;
    std::function<void(QMouseEvent&)> onMousePress;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
};

}  // namespace hexedit
