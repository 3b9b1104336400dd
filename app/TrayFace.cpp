#include "app/TrayFace.h"

#include "theme/Font.h"
#include "theme/Resources.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <array>

namespace tavrik::TrayFace {
namespace {

constexpr std::array<int, 16> sizes{16, 18, 20, 22, 24, 28, 32, 36,
                                    40, 44, 48, 56, 64, 72, 96, 128};

QImage loadImage(const char* name) {
    const auto path = Resources::bundledFile(name);
    if (!path) {
        return {};
    }
    QImage image(QString::fromStdString(path->string()));
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

std::span<const int> iconSizes() {
    return sizes;
}

QImage logoAt(const QImage& logo1x, const QImage& logo2x, int size) {
    QImage canvas(size, size, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    if (logo1x.isNull() || size <= 0) {
        return canvas;
    }
    const int factor = std::max(1, size / logo1x.width());
    QImage mark =
        (factor == 2 && logo2x.width() == 2 * logo1x.width())
            ? logo2x
            : logo1x.scaled(logo1x.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    // Qt reads "@2x" in a file name as a device pixel ratio of 2 and would then draw the
    // drawing at half its size; here a pixel is a pixel.
    mark.setDevicePixelRatio(1);
    QPainter p(&canvas);
    // Whole-pixel offsets: a half-pixel shift would blur every edge. Below 18 pixels the mark
    // is cropped evenly rather than shrunk.
    p.drawImage((size - mark.width()) / 2, (size - mark.height()) / 2, mark);
    return canvas;
}

std::optional<QIcon> logoIcon(const QImage& logo1x, const QImage& logo2x) {
    if (logo1x.isNull()) {
        return std::nullopt;
    }
    QIcon icon;
    for (int size : sizes) {
        icon.addPixmap(QPixmap::fromImage(logoAt(logo1x, logo2x, size)));
    }
    return icon;
}

QIcon textIcon() {
    Font::registerFont();
    const QFont font = Font::pixel(12);
    const QString text = QStringLiteral("tavrik");
    const QFontMetrics metrics(font);
    QImage image(metrics.horizontalAdvance(text) + 2, logoSize,
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(image.rect(), Qt::AlignCenter, text);
    p.end();
    return QIcon(QPixmap::fromImage(image));
}

QIcon icon() {
    if (auto logo = logoIcon(loadImage(logoFile), loadImage(logo2xFile))) {
        return *logo;
    }
    return textIcon();
}

}  // namespace tavrik::TrayFace
