// The overlay's render modes: "--sprites" draws a filmstrip of every sprite as the collapsed
// overlay shows it; "--notchview" and "--notchcorner" write the notch debug sheet at zoom 4
// and 8. They draw off-screen on the offscreen platform, so no display is needed.

#include "app/LookPrefs.h"
#include "cli/Modes.h"
#include "engine/Records.h"
#include "notch/NotchContentView.h"
#include "notch/NotchDebug.h"
#include "notch/NotchStyle.h"
#include "theme/Font.h"
#include "theme/Sprites.h"

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

namespace tavrik::cli {
namespace {

constexpr double filmstripWidth = 652;
constexpr double cellWidth = 158;  // one collapsed overlay with the default body
constexpr int framesShown = 4;
constexpr int frameStep = 3;  // frames 0, 3, 6 and 9 of the 12-step counter
constexpr double labelGap = 22;
constexpr int labelPx = 12;
constexpr QColor filmstripBackground{44, 44, 46};

// The application object the widgets need, on the offscreen platform whatever the
// environment asks for.
std::unique_ptr<QApplication> offscreenApp() {
    static int argc = 1;
    static char name[] = "tavrik";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QApplication>(argc, argv);
}

// The schematic overlay of the debug sheets: a 180-point body with the user's flare.
NotchSketch sketch() {
    return {180, NotchStyle::flare(readLook().shape)};
}

void print(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

// Renders one collapsed overlay with look at the animation counter frame.
QImage overlayCell(const Stats& stats, const Look& look, int frame, double height) {
    NotchContentView view(QRect(0, 0, static_cast<int>(cellWidth), static_cast<int>(height)));
    view.stopAnimating();
    view.setStats(stats);
    view.setLook(look);
    view.setAnimFrame(frame);
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return image;
    }
    image.setDevicePixelRatio(1);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// The filmstrip: one row per sprite, four frames per row, sprite 0 at the top. The rows are
// laid out from the bottom edge upwards; yDown converts a box to the image's coordinates.
QImage filmstrip(Look look) {
    Stats stats;
    stats.crackedScore = 71;
    const auto sprites = Sprites::all();
    const int n = static_cast<int>(sprites.size());
    const double h = NotchContentView::collapsedH;
    const double rowHeight = h + labelGap;
    const double canvasHeight = rowHeight * n + 10;
    const auto yDown = [canvasHeight](double yUp, double height) {
        return canvasHeight - yUp - height;
    };

    QImage canvas(static_cast<int>(filmstripWidth), static_cast<int>(canvasHeight),
                  QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull()) {
        return canvas;
    }
    canvas.setDevicePixelRatio(1);
    canvas.fill(filmstripBackground);
    QPainter p(&canvas);
    Font::registerFont();
    const QFont font = Font::pixel(labelPx);
    const QFontMetricsF metrics(font);
    p.setFont(font);
    p.setPen(Qt::white);
    for (int i = 0; i < n; ++i) {
        const double y = rowHeight * (n - 1 - i) + 10;
        // The label's box sits on the line y + h + 3; its baseline is the descent above.
        const QString name = QString::fromUtf8(sprites[static_cast<std::size_t>(i)].name.data(),
                                               static_cast<qsizetype>(sprites[i].name.size()));
        p.drawText(QPointF(12, yDown(y + h + 3, 0) - metrics.descent()), name);
        look.sprite = static_cast<std::size_t>(i);
        for (int k = 0; k < framesShown; ++k) {
            const QImage cell = overlayCell(stats, look, frameStep * k, h);
            if (!cell.isNull()) {
                p.drawImage(QRectF(10 + cellWidth * k, yDown(y, h), cellWidth, h), cell);
            }
        }
    }
    return canvas;
}

}  // namespace

int runSprites(const Args& args) {
    const std::string path = args.after("--sprites").value_or("/tmp/tavrik-sprites.png");
    const auto app = offscreenApp();
    const QImage canvas = filmstrip(readLook());
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (canvas.isNull() || !canvas.save(&buffer, "PNG") || png.isEmpty()) {
        return 0;
    }
    {
        // A plain write replacing any file there; a failure is not reported.
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(png.constData(), static_cast<std::streamsize>(png.size()));
    }
    print("wrote sprite filmstrip (" + std::to_string(Sprites::all().size()) + " sprites x "
          + std::to_string(framesShown) + " frames) to " + path + "\n");
    return 0;
}

int runNotchView(const Args& args) {
    const std::string path = args.after("--notchview").value_or("/tmp/tavrik-notchview.png");
    const auto app = offscreenApp();
    writeNotchDebug(path, 4, sketch());
    return 0;
}

int runNotchCorner(const Args& args) {
    const std::string path = args.after("--notchcorner").value_or("/tmp/tavrik-notchcorner.png");
    const auto app = offscreenApp();
    writeNotchDebug(path, 8, sketch());
    return 0;
}

}  // namespace tavrik::cli
