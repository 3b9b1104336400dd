#pragma once

// The QApplication of a widget test process (see TestApp.h).

#include "tests/support/TestApp.h"

#include <QApplication>

namespace tavrik::test {

inline ::testing::Environment* const widgetAppEnvironment = testAppEnvironment<QApplication>;

inline QApplication& widgetApp() {
    return TestAppEnvironment<QApplication>::app();
}

}  // namespace tavrik::test
