#pragma once
// The script editor's side windows: the list window, the text editor, the
// kana text window and the hex data window. Each is created once at start
// and only hidden when closed.

#include <QListWidget>
#include <QPlainTextEdit>
#include <QWidget>
#include <array>

#include "scripted/HexData.h"

namespace scripted::ui {

// "List Data": the block list bList on the left half, the string list pList
// on the right half.
class TcmForm : public QWidget {
    Q_OBJECT
public:
    explicit TcmForm(QWidget* parent = nullptr);
    QListWidget* bList;
    QListWidget* pList;

signals:
    void blockClicked(int index);
    void stringClicked(int index);

protected:
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    int rowAtPress_ = -1;
};

// "Text Editor": the translation text TDMemo and the hidden scratch memo Memo1.
class TTxtForm : public QWidget {
    Q_OBJECT
public:
    explicit TTxtForm(QWidget* parent = nullptr);
    QPlainTextEdit* TDMemo;
    QPlainTextEdit* Memo1;

signals:
    // The user changed the text (several quick changes come as one).
    void edited();
    void resized();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    bool editPending_ = false;
};

// "Kana Text: String #N": a read-only memo in a Japanese face.
class TKanaForm : public QWidget {
    Q_OBJECT
public:
    explicit TKanaForm(QWidget* parent = nullptr);
    QPlainTextEdit* kanaEdit;
};

// The grid of the hex data window.
class HexGrid : public QWidget {
    Q_OBJECT
public:
    HexGrid(const HexDataView& view, QWidget* parent);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const HexDataView& view_;
};

// The glyph preview: an 8 x 16 RGB565 picture stretched over 128 x 128.
class GlyphPreview : public QWidget {
    Q_OBJECT
public:
    explicit GlyphPreview(QWidget* parent);
    std::array<uint16_t, 8 * 16> pixels{};

protected:
    void paintEvent(QPaintEvent*) override;
};

// "Hex Data": the hex grid over the model's data area and the 128 x 128
// glyph preview chPic.
class THexForm : public QWidget {
    Q_OBJECT
public:
    THexForm(const HexDataView& view, QWidget* parent = nullptr);
    HexGrid* grid;
    GlyphPreview* chPic;
    // Rows of the grid that fit its height.
    int visibleRows() const;

signals:
    void keyPressed(HexKey key);
    void resized();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
};

// Courier New where it is installed, otherwise the system's fixed-width face.
QFont fixedFont(int pointSize = 10);

}  // namespace scripted::ui
