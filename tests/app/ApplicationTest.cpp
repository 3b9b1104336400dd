// Starting the application: the "--debug" flag, the platform on Wayland sessions, and the tray
// icon's face: the bundled logo, the mark crisp and centred at every size.

#include "app/Application.h"
#include "app/TrayFace.h"
#include "tests/app/AppTestSupport.h"
#include "theme/Resources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <span>
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

TEST(TrayFace, EverySizeGetsACrispCentredMarkAndOnlyTheDoubleSizeThe2xDrawing) {
    test::widgetApp();
    const auto path = Resources::bundledFile(TrayFace::logoFile);
    ASSERT_TRUE(path) << "tavrik-logo-white.png missing from the resource folder";
    const QImage logo = QImage(QString::fromStdString(path->string()))
                            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // White on dark panels, and no pixel half covered.
    const std::span pixels(reinterpret_cast<const QRgb*>(logo.constBits()), logo.sizeInBytes() / 4);
    const auto white = std::ranges::count(pixels, 0xffffffffU);
    EXPECT_GT(white, 40);
    EXPECT_EQ(white + std::ranges::count(pixels, 0U), std::ssize(pixels));

    QImage plain(18, 18, QImage::Format_ARGB32_Premultiplied);
    plain.fill(Qt::white);
    plain.setPixelColor(1, 1, Qt::transparent);  // below 18 pixels the mark is cropped evenly
    QImage twice(36, 36, QImage::Format_ARGB32_Premultiplied);
    twice.fill(Qt::white);
    twice.setPixelColor(0, 0, Qt::transparent);  // a detail only the 2x drawing has
    const struct {
        QImage twice;
        int size, x, alpha;
    } table[] = {{twice, 36, 0, 0},     {twice, 54, 0, 255},    {QImage(), 36, 0, 255},
                 {QImage(), 22, 1, 0},  {QImage(), 22, 2, 255}, {QImage(), 22, 19, 255},
                 {QImage(), 22, 20, 0}, {QImage(), 16, 0, 0}};
    for (const auto& t : table) {
        EXPECT_EQ(TrayFace::logoAt(plain, t.twice, t.size).pixelColor(t.x, t.x).alpha(), t.alpha)
            << t.size << " at " << t.x;
    }
}

}  // namespace
}  // namespace tavrik
