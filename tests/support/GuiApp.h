#pragma once

// The one QGuiApplication a painting test process needs. It is created before the first test
// and destroyed after the last one (still inside main: destroying it during static destruction
// would crash). CTest sets QT_QPA_PLATFORM=offscreen; a test binary started by hand gets the
// same default here.

#include <QGuiApplication>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <memory>

namespace tavrik::test {

class GuiAppEnvironment final : public ::testing::Environment {
public:
    void SetUp() override { app(); }
    void TearDown() override { holder().reset(); }

    static QGuiApplication& app() {
        if (!holder()) {
            static int argc = 1;
            static char name[] = "tavrik-test";
            static char* argv[] = {name, nullptr};
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
                qputenv("QT_QPA_PLATFORM", "offscreen");
            }
            holder() = std::make_unique<QGuiApplication>(argc, argv);
        }
        return *holder();
    }

private:
    static std::unique_ptr<QGuiApplication>& holder() {
        static std::unique_ptr<QGuiApplication> instance;
        return instance;
    }
};

// Registered before main() in every binary that includes this header.
inline ::testing::Environment* const guiAppEnvironment =
    ::testing::AddGlobalTestEnvironment(new GuiAppEnvironment);

inline QGuiApplication& guiApp() {
    return GuiAppEnvironment::app();
}

}  // namespace tavrik::test
