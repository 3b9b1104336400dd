#pragma once

// The QGuiApplication of a painting test process (see TestApp.h).

#include "tests/support/TestApp.h"

#include <QGuiApplication>

namespace tavrik::test {

inline ::testing::Environment* const guiAppEnvironment = testAppEnvironment<QGuiApplication>;

inline QGuiApplication& guiApp() {
    return TestAppEnvironment<QGuiApplication>::app();
}

}  // namespace tavrik::test
