#pragma once
// For form tests that drive a modal window: the test's actions run once the
// window is up, and a failing check inside them closes every modal window,
// so the test ends with its failure instead of waiting in the window's event
// loop until the time-out.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QtTest>
#include <functional>

namespace common::testing {

inline void closeModalWindows() {
    // A window may refuse to close; give up after a few rounds.
    for (int i = 0; i < 8; ++i) {
        QWidget* w = QApplication::activeModalWidget();
        if (!w) return;
        w->close();
        if (QApplication::activeModalWidget() == w) w->hide();
    }
}

// Runs `actions` as soon as the event loop of the modal window about to be
// shown runs.
inline void whenModal(std::function<void()> actions) {
    QTimer::singleShot(0, [actions = std::move(actions)] {
        actions();
        if (QTest::currentTestFailed()) closeModalWindows();
    });
}

}  // namespace common::testing
