// tavrik_screenshot <out.png> [x y width height]: saves what the X server in DISPLAY shows, the
// whole screen or one rectangle of it, as a PNG. Used by the end-to-end test.

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 6) {
        std::fputs("usage: tavrik_screenshot <out.png> [x y width height]\n", stderr);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    const QPixmap shot = screen == nullptr ? QPixmap()
                         : argc == 6 ? screen->grabWindow(0, std::atoi(argv[2]), std::atoi(argv[3]),
                                                          std::atoi(argv[4]), std::atoi(argv[5]))
                                     : screen->grabWindow(0);
    if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "tavrik_screenshot: could not save %s\n", argv[1]);
        return 1;
    }
    return 0;
}
