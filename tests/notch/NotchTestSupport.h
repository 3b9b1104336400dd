#pragma once

// Shared pieces of the overlay tests: the one QApplication of the process (offscreen unless
// the environment says otherwise), a way to fire a QTimer at once instead of waiting for it,
// and pixel helpers.

#include "tests/support/WidgetApp.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QImage>
#include <QRect>
#include <QTimer>
#include <QTimerEvent>
#include <QWidget>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Lets the assertions print rectangles as x, y, width and height.
inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << ")";
}

namespace tavrik::test {

// Delivers the timer's expiry now, as the event loop would when its interval has passed.
inline void fire(QTimer& timer) {
    ASSERT_TRUE(timer.isActive()) << "timer " << timer.objectName().toStdString()
                                  << " is not running";
    QTimerEvent event(timer.timerId());
    QCoreApplication::sendEvent(&timer, &event);
}

// Sends the pointer into the widget, or out of it, as the window system would.
inline void enter(QWidget& w) {
    QEnterEvent event(QPointF(20, 10), QPointF(20, 10), QPointF(20, 10));
    QCoreApplication::sendEvent(&w, &event);
}

inline void leave(QWidget& w) {
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(&w, &event);
}

// Renders a widget alone into a transparent image of its size.
inline QImage grab(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(1);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

inline ::testing::AssertionResult hasRgb(const QImage& image, int x, int y, QColor expected) {
    const QColor got = image.pixelColor(x, y);
    if (got.red() == expected.red() && got.green() == expected.green()
        && got.blue() == expected.blue() && got.alpha() == 255) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "pixel (" << x << ", " << y << ") is (" << got.red() << ", " << got.green() << ", "
           << got.blue() << ", alpha " << got.alpha() << "), expected (" << expected.red() << ", "
           << expected.green() << ", " << expected.blue() << ")";
}

}  // namespace tavrik::test
