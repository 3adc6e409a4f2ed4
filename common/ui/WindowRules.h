#pragma once
// How the programs' windows meet the desktop: every window opens fully on
// its screen, and every dialog opens above the window that asked for it.

#include <QObject>

class QWidget;

namespace common {

// Moves `window` (shrinking it when it is larger) so that its frame lies
// inside the free area of the screen it is shown on.
void keepOnScreen(QWidget* window);

// Installed once on the application: clamps each window when it is shown
// (again once the window manager has framed it), and gives each dialog the
// window that was active as its owner, staying on top when that one does.
class WindowRules : public QObject {
public:
    explicit WindowRules(QObject* parent = nullptr);
    static void install();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
};

}  // namespace common
