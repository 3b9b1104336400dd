#include "theme/PixelArt.h"

#include <QColor>
#include <QPainter>
#include <QRectF>
#include <QTransform>

#include <cmath>

namespace tavrik::PixelArt {

void fillSnapped(QPainter& painter, const QRectF& rect, const QColor& color) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QTransform toDevice = painter.deviceTransform();
    if (toDevice.type() > QTransform::TxScale || !toDevice.isInvertible()) {
        painter.fillRect(rect, color);
        painter.restore();
        return;
    }
    const QRectF device = toDevice.mapRect(rect.normalized());
    // Half-way edges all round the same way, so two cells that meet keep meeting.
    const double left = std::floor(device.left() + 0.5);
    const double top = std::floor(device.top() + 0.5);
    const double right = std::floor(device.right() + 0.5);
    const double bottom = std::floor(device.bottom() + 0.5);
    if (right > left && bottom > top) {
        const QRectF snapped(QPointF(left, top), QPointF(right, bottom));
        painter.fillRect(toDevice.inverted().mapRect(snapped), color);
    }
    painter.restore();
}

}  // namespace tavrik::PixelArt
