#pragma once

// The one Qt application object a painting or widget test process needs (QGuiApplication or
// QApplication). It is created before the first test and destroyed after the last one, still
// inside main: left alive until exit it would keep fontconfig's caches reachable only through
// Qt, which LeakSanitizer reports, and destroying it during static destruction crashes. CTest
// sets QT_QPA_PLATFORM=offscreen; a test binary started by hand gets the same default here.

#include <QByteArray>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <memory>

namespace tavrik::test {

template <class App>
class TestAppEnvironment final : public ::testing::Environment {
public:
    void SetUp() override { app(); }
    void TearDown() override { s_app.reset(); }

    static App& app() {
        static int argc = 1;
        static char name[] = "tavrik-test";
        static char* argv[] = {name, nullptr};
        if (!s_app) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
                qputenv("QT_QPA_PLATFORM", "offscreen");
            }
            s_app = std::make_unique<App>(argc, argv);
        }
        return *s_app;
    }

private:
    static inline std::unique_ptr<App> s_app;
};

// Registers the environment before main() in every binary that includes the header using it.
template <class App>
inline ::testing::Environment* const testAppEnvironment =
    ::testing::AddGlobalTestEnvironment(new TestAppEnvironment<App>);

}  // namespace tavrik::test
