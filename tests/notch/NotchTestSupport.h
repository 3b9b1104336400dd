#pragma once

// Shared pieces of the overlay tests: the one QApplication of the process (offscreen unless
// the environment says otherwise), timers fired and the pointer moved without waiting for the
// window system, and one pixel check for renders and screenshots alike.

#include "tests/support/WidgetApp.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QImage>
#include <QTimer>
#include <QTimerEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace tavrik::test {

// Delivers the timer's expiry now, as the event loop would when its interval has passed.
inline void fire(QTimer& timer) {
    ASSERT_TRUE(timer.isActive()) << timer.objectName().toStdString() << " is not running";
    QTimerEvent event(timer.timerId());
    QCoreApplication::sendEvent(&timer, &event);
}

// Sends the pointer into the widget, or out of it, as the window system would.
inline void hover(QWidget& w, bool in) {
    QEnterEvent enter(QPointF(20, 10), QPointF(20, 10), QPointF(20, 10));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&w, in ? &enter : &leave);
}

// An opaque pixel within tolerance of each channel of the expected colour.
inline ::testing::AssertionResult pixelIs(const QImage& image, int x, int y, QColor expected,
                                          int tolerance = 0) {
    const QColor got = image.pixelColor(x, y);
    const int off =
        std::max({std::abs(got.red() - expected.red()), std::abs(got.green() - expected.green()),
                  std::abs(got.blue() - expected.blue())});
    return ::testing::AssertionResult(off <= tolerance && got.alpha() == 255)
           << "pixel (" << x << ", " << y << ") is " << std::hex << got.rgba() << ", expected "
           << expected.rgb();
}

}  // namespace tavrik::test
