#pragma once
// The "Tile Editor" window: blits the pictures of the TileEditor model into
// its boxes and forwards mouse, keys, buttons, menu and scroll bar to it.

#include <QDialog>
#include <QWidget>
#include <functional>
#include <vector>

#include "hexedit/tiles/TileEditor.h"

class QAction;
class QLabel;
class QMouseEvent;
class QScrollBar;
class QStatusBar;

namespace hexedit::tiles {

// A box that shows one of the model's pictures 1:1 and reports the mouse.
class TilePaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TilePaintBox(const char* name, QWidget* parent = nullptr);

    std::function<const Picture&()> picture;
    std::function<void(int x, int y, MouseButton button, bool ctrl, bool press)> onMouse;
    std::function<void()> onLeave;

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    void forward(QMouseEvent* e, bool press);
};

class TTileForm : public QDialog, public TileEditorView {
    Q_OBJECT
public:
    explicit TTileForm(TileEditor& model, QWidget* parent = nullptr);
    ~TTileForm() override;

    // TileEditorView
    void execModal() override;
    void closeWindow() override;
    void refresh() override;
    bool writeImage(const std::string& path, const Picture& picture) override;
    bool writeIndexedImage(const std::string& path, const IndexedImage& image) override;
    std::optional<IndexedImage> readIndexedImage(const std::string& path) override;
    bool setClipboardImage(const IndexedImage& image) override;
    std::optional<IndexedImage> clipboardImage() override;

    TilePaintBox* TBox = nullptr;
    TilePaintBox* ChrBox = nullptr;
    TilePaintBox* ClipBox = nullptr;
    TilePaintBox* ClrBox = nullptr;
    QWidget* Clabel = nullptr;
    QLabel* CI_Text = nullptr;
    QScrollBar* TVScrl = nullptr;
    QStatusBar* TBar = nullptr;
    QLabel* panels[3] = {};
    std::vector<QAction*> actions;  // in the order of the model's menu

protected:
    void keyPressEvent(QKeyEvent* e) override;
    bool event(QEvent* e) override;

private:
    void buildMenu();
    void scrollAction(int action);

    TileEditor& model_;
};

}  // namespace hexedit::tiles
