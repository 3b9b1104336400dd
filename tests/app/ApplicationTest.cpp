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
    // The user's own choices stay.
    std::map<std::string, const char*> env{{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}};
    const auto lookup = [&env](const char* name) { return env[name]; };
    using Vars = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(Application::startEnvironment(lookup),
              (Vars{{"QT_QPA_PLATFORM", "xcb"}, {"QT_XCB_NO_MITSHM", "1"}}));
    env = {{"DISPLAY", ":0"}, {"QT_XCB_NO_MITSHM", ""}};
    EXPECT_EQ(Application::startEnvironment(lookup), Vars{});
}

}  // namespace
}  // namespace tavrik
