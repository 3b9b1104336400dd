// tavrik_screenshot <out.png> [x y width height [scale]]: saves what the X server in DISPLAY
// shows, the whole screen or one rectangle of it, as a PNG; a rectangle may be enlarged by a
// whole factor, pixel for pixel, to look at small things. Used by the end-to-end test.

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 6 && argc != 7) {
        std::fputs("usage: tavrik_screenshot <out.png> [x y width height [scale]]\n", stderr);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        std::fputs("tavrik_screenshot: no screen\n", stderr);
        return 1;
    }
    QPixmap shot = argc >= 6 ? screen->grabWindow(0, std::atoi(argv[2]), std::atoi(argv[3]),
                                                  std::atoi(argv[4]), std::atoi(argv[5]))
                             : screen->grabWindow(0);
    if (argc == 7 && std::atoi(argv[6]) > 1) {
        shot = shot.scaled(shot.size() * std::atoi(argv[6]), Qt::IgnoreAspectRatio,
                           Qt::FastTransformation);
    }
    if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "tavrik_screenshot: could not save %s\n", argv[1]);
        return 1;
    }
    return 0;
}
