// The render modes: "--card" draws the share card of the user's statistics to a PNG file.
// They draw off-screen: the application object runs on the offscreen platform, so no display
// is needed.

#include "app/LookPrefs.h"
#include "card/CardRenderer.h"
#include "cli/Inputs.h"
#include "cli/Modes.h"
#include "engine/StatsEngine.h"

#include <QByteArray>
#include <QFile>
#include <QGuiApplication>

#include <iostream>
#include <memory>
#include <string>

namespace tavrik::cli {
namespace {

// The application object the drawing code needs (fonts, images), on the offscreen platform
// whatever the environment asks for.
std::unique_ptr<QGuiApplication> offscreenApp() {
    static int argc = 1;
    static char name[] = "tavrik";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int runCard(const Args& args) {
    const std::string path = args.after("--card").value_or("/tmp/tavrik-card.png");
    const Stats stats = StatsEngine::build(userInputs());
    const auto app = offscreenApp();
    const std::optional<QByteArray> png = CardRenderer::pngData(stats, readLook());
    if (!png) {
        std::cout << "card render failed\n";
        return 1;
    }
    // A plain write that replaces any file there. A failed write is reported as such (and
    // in the exit status) rather than announced as written.
    QFile file(QString::fromStdString(path));
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate)
                         && file.write(*png) == png->size() && file.flush();
    if (!written) {
        std::cerr << "could not write " << path << ": " << file.errorString().toStdString() << '\n';
        return 1;
    }
    file.close();
    std::cout << "wrote " << png->size() << " bytes to " << path << '\n';
    return 0;
}

}  // namespace tavrik::cli
