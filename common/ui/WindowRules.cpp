#include "common/ui/WindowRules.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include "common/screenfit.h"

namespace common {

namespace {
Rect toRect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

bool isPlacedWindow(const QWidget* w) {
    if (!w->isWindow()) return false;
    const Qt::WindowType type = w->windowType();
    return type == Qt::Window || type == Qt::Dialog;
}
}  // namespace

void keepOnScreen(QWidget* window) {
    if (!window || window->isMaximized() || window->isFullScreen() || window->isMinimized()) return;
    QScreen* screen = window->screen();
    if (!screen) return;
    const QRect frame = window->frameGeometry();
    const Rect fitted = fitInto(toRect(frame), toRect(screen->availableGeometry()));
    if (fitted.width != frame.width() || fitted.height != frame.height())
        window->resize(window->width() - (frame.width() - fitted.width),
                       window->height() - (frame.height() - fitted.height));
    if (fitted.x != frame.x() || fitted.y != frame.y()) window->move(fitted.x, fitted.y);
}

WindowRules::WindowRules(QObject* parent) : QObject(parent) {}

void WindowRules::install() {
    static WindowRules* rules = nullptr;
    if (rules) return;
    rules = new WindowRules(qApp);
    qApp->installEventFilter(rules);
}

bool WindowRules::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() != QEvent::Show || !watched->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(watched);
    if (!isPlacedWindow(w)) return false;
    if (qobject_cast<QDialog*>(w)) {
        // The window the user worked in asked for this dialog; a hidden
        // parent (the main window behind a tool window) would leave it
        // under a window that stays on top.
        QWidget* owner = QApplication::activeWindow();
        if (owner && owner != w && owner->isVisible() && w->windowHandle() && owner->windowHandle()) {
            w->windowHandle()->setTransientParent(owner->windowHandle());
            if (owner->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
                w->windowHandle()->setFlag(Qt::WindowStaysOnTopHint, true);
        }
    }
    keepOnScreen(w);
    // The frame is known only once the window manager has put one around
    // the window.
    QTimer::singleShot(150, w, [p = QPointer<QWidget>(w)] {
        if (p && p->isVisible()) keepOnScreen(p);
    });
    return false;
}

}  // namespace common
