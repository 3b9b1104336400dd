// The overlay's render modes: "--notchview" and "--notchcorner" write the notch debug sheet
// at zoom 4 and 8. They draw off-screen on the offscreen platform, so no display is needed.

#include "cli/Modes.h"
#include "notch/NotchDebug.h"

#include <QApplication>

#include <memory>
#include <string>

namespace tavrik::cli {
namespace {

// The application object the widgets need, on the offscreen platform whatever the
// environment asks for.
std::unique_ptr<QApplication> offscreenApp() {
    static int argc = 1;
    static char name[] = "tavrik";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QApplication>(argc, argv);
}

}  // namespace

int runNotchView(const Args& args) {
    const std::string path = args.after("--notchview").value_or("/tmp/tavrik-notchview.png");
    const auto app = offscreenApp();
    writeNotchDebug(path, 4);
    return 0;
}

int runNotchCorner(const Args& args) {
    const std::string path = args.after("--notchcorner").value_or("/tmp/tavrik-notchcorner.png");
    const auto app = offscreenApp();
    writeNotchDebug(path, 8);
    return 0;
}

}  // namespace tavrik::cli
