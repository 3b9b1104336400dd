#pragma once

// Shared pieces of the overlay tests: the one QApplication of the process (offscreen unless
// the environment says otherwise), a way to fire a QTimer at once instead of waiting for it,
// and pixel helpers.

#include <QApplication>
#include <QCoreApplication>
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

// The one QApplication of a widget test process, created before the first test and destroyed
// after the last, still inside main(): left alive until exit it would keep fontconfig's caches
// reachable only through Qt, which LeakSanitizer reports, and destroying it during static
// destruction crashes.
class WidgetAppEnvironment final : public ::testing::Environment {
public:
    void SetUp() override { app(); }
    void TearDown() override { holder().reset(); }

    static QApplication& app() {
        if (!holder()) {
            static int argc = 1;
            static char name[] = "tavrik-notch-test";
            static char* argv[] = {name, nullptr};
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
                qputenv("QT_QPA_PLATFORM", "offscreen");
            }
            holder() = std::make_unique<QApplication>(argc, argv);
        }
        return *holder();
    }

private:
    static std::unique_ptr<QApplication>& holder() {
        static std::unique_ptr<QApplication> instance;
        return instance;
    }
};

// Registered before main() in every binary that includes this header.
inline ::testing::Environment* const widgetAppEnvironment =
    ::testing::AddGlobalTestEnvironment(new WidgetAppEnvironment);

inline QApplication& widgetApp() {
    return WidgetAppEnvironment::app();
}

// Delivers the timer's expiry now, as the event loop would when its interval has passed.
inline void fire(QTimer& timer) {
    ASSERT_TRUE(timer.isActive()) << "timer " << timer.objectName().toStdString()
                                  << " is not running";
    QTimerEvent event(timer.timerId());
    QCoreApplication::sendEvent(&timer, &event);
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

inline bool isTransparent(const QImage& image, int x, int y) {
    return image.pixelColor(x, y).alpha() == 0;
}

}  // namespace tavrik::test
