#include "common/ui/Accessibility.h"

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

namespace common {

void nameControls(QWidget* window) {
    if (!window) return;
    // A control with a label is named by the label's text.
    for (QLabel* l : window->findChildren<QLabel*>()) {
        QWidget* b = l->buddy();
        if (!b || !b->accessibleName().isEmpty()) continue;
        QString text = l->text();
        text.remove(QLatin1Char('&'));
        b->setAccessibleName(text.trimmed());
    }
    const auto children = window->findChildren<QWidget*>();
    for (QWidget* w : children) {
        if (w->objectName().isEmpty() || !w->accessibleName().isEmpty()) continue;
        // Their visible text already names them.
        if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w)) continue;
        w->setAccessibleName(w->objectName());
    }
}

}  // namespace common
