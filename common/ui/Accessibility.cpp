#include "common/ui/Accessibility.h"

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

namespace common {

void nameControls(QWidget* window) {
    if (!window) return;
    const auto children = window->findChildren<QWidget*>();
    for (QWidget* w : children) {
        if (w->objectName().isEmpty() || !w->accessibleName().isEmpty()) continue;
        // Their visible text already names them.
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w)) continue;
        w->setAccessibleName(w->objectName());
    }
}

}  // namespace common
