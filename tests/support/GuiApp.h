#pragma once

// Creates the one QGuiApplication a painting test process needs, on first use. CTest sets
// QT_QPA_PLATFORM=offscreen; a test binary started by hand gets the same default here. The
// application lives until the process ends.

#include <QGuiApplication>
#include <QtGlobal>

namespace tavrik::test {

inline QGuiApplication& guiApp() {
    static int argc = 1;
    static char name[] = "tavrik-test";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    return *app;
}

}  // namespace tavrik::test
