// Starting the application: the "--debug" flag and the platform on Wayland sessions.

#include "app/Application.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavrik {
namespace {

TEST(ApplicationArgs, DebugIsAnyElementEqualToDashDashDebug) {
    EXPECT_TRUE(Application::debugLogging({"tavrik", "--other", "--debug"}));
    EXPECT_FALSE(Application::debugLogging({"tavrik", "--debug=1", "-debug", "--DEBUG"}));
}

TEST(ApplicationPlatform, AWaylandSessionWithXWaylandRunsAsAnXClientUnlessTheUserChose) {
    const struct {
        const char *platform, *wayland, *session, *display;
        bool xcb;
    } table[] = {
        {nullptr, "wayland-0", "wayland", ":0", true},
        {"", "wayland-0", nullptr, ":0", true},
        {nullptr, nullptr, "wayland", ":1", true},
        {"wayland", "wayland-0", "wayland", ":0", false},  // the user's choice
        {nullptr, nullptr, "x11", ":0", false},
        {nullptr, "wayland-0", "wayland", "", false},  // no XWayland: nothing better
    };
    for (const auto& t : table) {
        EXPECT_EQ(Application::platformOverride(t.platform, t.wayland, t.session, t.display),
                  t.xcb ? std::optional<std::string>("xcb") : std::nullopt)
            << (t.session ? t.session : "-") << " " << t.display;
    }
    using Vars = std::vector<std::pair<std::string, std::string>>;
    const auto startEnvironmentOf = [](std::map<std::string, std::string> env) {
        return Application::startEnvironment([&env](const char* name) -> const char* {
            return env.contains(name) ? env[name].c_str() : nullptr;
        });
    };
    EXPECT_EQ(startEnvironmentOf({{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}}),
              (Vars{{"QT_QPA_PLATFORM", "xcb"}, {"QT_XCB_NO_MITSHM", "1"}}));
    EXPECT_EQ(startEnvironmentOf({{"DISPLAY", ":0"}, {"QT_XCB_NO_MITSHM", ""}}), Vars{});
}

}  // namespace
}  // namespace tavrik
