#include "notch/NotchDebug.h"

#include "notch/NotchShape.h"
#include "theme/Font.h"
#include "theme/Theme.h"

#include <QBuffer>
#include <QByteArray>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

namespace tavrik {

namespace {

constexpr double sceneWidth = 440;
constexpr double sceneHeight = 200;
constexpr double menuBarHeight = 24;
constexpr double overlayHeight = 46;
constexpr double overlayRadius = 13;
constexpr double zoomWidth = 34;  // points of the scene shown in the corner zoom
constexpr double zoomHeight = 30;
constexpr double zoomLead = 5;     // the zoom starts this far left of the overlay
constexpr double zoomBottom = 10;  // margin under the zoom
constexpr double captionGap = 16;  // caption's lower edge above the zoom's bottom margin
constexpr int captionPx = 11;
constexpr QColor wallpaper{200, 129, 74};
constexpr QColor menuBar{30, 30, 30};
constexpr QColor sheetFill{16, 16, 16};

double overlayWidth(const NotchSketch& sketch) {
    return sketch.bodyWidth + 2 * sketch.flare;
}

// Raster images beyond this side cannot be painted on.
constexpr double maxSide = 32767;

QImage blank(double width, double height) {
    if (!(width >= 1 && height >= 1 && width <= maxSide && height <= maxSide)) {
        return {};
    }
    QImage image(static_cast<int>(std::lround(width)), static_cast<int>(std::lround(height)),
                 QImage::Format_ARGB32_Premultiplied);
    if (!image.isNull()) {
        image.setDevicePixelRatio(1);
        image.fill(Qt::transparent);
    }
    return image;
}

std::string wholeNumber(double zoom) {
    return std::to_string(static_cast<long long>(zoom));
}

}  // namespace

double notchSceneLeft(const NotchSketch& sketch) {
    return (sceneWidth - overlayWidth(sketch)) / 2;
}

void drawNotchSceneGeometry(QPainter& painter, double sceneW, double sceneH,
                            const NotchSketch& sketch) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(0, 0, sceneW, sceneH), wallpaper);
    painter.fillRect(QRectF(0, 0, sceneW, menuBarHeight), menuBar);
    const QRectF bounds(notchSceneLeft(sketch), 0, overlayWidth(sketch), overlayHeight);
    painter.fillPath(NotchShape::path(bounds, overlayRadius, sketch.flare), Qt::black);
    painter.restore();
}

QImage renderNotchDebug(double zoom, const NotchSketch& sketch) {
    if (!std::isfinite(zoom) || zoom <= 0) {
        return {};
    }
    QImage scene = blank(sceneWidth, sceneHeight);
    const double zw = zoomWidth * zoom;
    const double zh = zoomHeight * zoom;
    QImage corner = blank(zw, zh);
    const double cw = std::max(zw + 20, sceneWidth);
    const double ch = zh + sceneHeight + 30;
    QImage sheet = blank(cw, ch);
    if (scene.isNull() || corner.isNull() || sheet.isNull()) {
        return {};
    }
    {
        QPainter p(&scene);
        drawNotchSceneGeometry(p, sceneWidth, sceneHeight, sketch);
    }
    {
        // The scene drawn again, magnified: the vector outline stays smooth at any zoom.
        QPainter p(&corner);
        p.scale(zoom, zoom);
        p.translate(-(notchSceneLeft(sketch) - zoomLead), 0);
        drawNotchSceneGeometry(p, sceneWidth, sceneHeight, sketch);
    }
    // The sheet is laid out with y upwards from its bottom edge; yDown converts a box.
    const auto yDown = [ch](double yUp, double height) { return ch - yUp - height; };
    QPainter p(&sheet);
    p.fillRect(QRectF(0, 0, cw, ch), sheetFill);
    p.drawImage(QRectF((cw - sceneWidth) / 2, yDown(ch - sceneHeight, sceneHeight), sceneWidth,
                       sceneHeight),
                scene);
    const double zx = (cw - zw) / 2;
    const QRectF zoomRect(zx, yDown(zoomBottom, zh), zw, zh);
    p.drawImage(zoomRect, corner);
    // A one-point frame on the zoom's outermost pixels, filled rather than stroked so that
    // it stays one crisp pixel wide, corners included.
    const double x0 = zoomRect.left();
    const double y0 = zoomRect.top();
    p.fillRect(QRectF(x0, y0, zw, 1), Theme::blue);
    p.fillRect(QRectF(x0, y0 + zh - 1, zw, 1), Theme::blue);
    p.fillRect(QRectF(x0, y0, 1, zh), Theme::blue);
    p.fillRect(QRectF(x0 + zw - 1, y0, 1, zh), Theme::blue);

    const QFont font = Font::pixel(captionPx);
    const QFontMetricsF metrics(font);
    const QString caption =
        QStringLiteral("TOP-LEFT CORNER @ ") + QString::fromStdString(wholeNumber(zoom)) + "x";
    // The caption's box sits on the line zh + 16 up from the bottom; its baseline is the
    // font's descent above that.
    const double boxBottom = yDown(zh + captionGap, 0);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QPointF(zx, boxBottom - metrics.descent()), caption);
    p.end();
    return sheet;
}

bool writeNotchDebug(const std::string& path, double zoom, const NotchSketch& sketch) {
    const QImage sheet = renderNotchDebug(zoom, sketch);
    if (sheet.isNull()) {
        return false;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!sheet.save(&buffer, "PNG") || png.isEmpty()) {
        return false;
    }
    {
        // A plain write replacing any file there; a failure is not reported.
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(png.constData(), static_cast<std::streamsize>(png.size()));
    }
    const std::string line =
        "wrote notch silhouette + " + wholeNumber(zoom) + "x corner zoom to " + path + "\n";
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
    return true;
}

}  // namespace tavrik
