#pragma once

// PixelArt: filling the square cells of sprites and glyphs so they stay crisp. Cells of 2.5
// points fall on half pixels of a 1x surface; filled with antialiasing, neighbours would leave
// soft seams. Each edge is instead rounded to the nearest device pixel, so adjacent cells share
// their edge exactly and every pixel is either lit or not.

class QColor;
class QPainter;
class QRectF;

namespace tavrik::PixelArt {

// Fills the rectangle with color, its edges rounded to whole device pixels under the painter's
// current transform (scale and translation; any other transform fills the rectangle as is).
// A rectangle that rounds to nothing paints nothing.
void fillSnapped(QPainter& painter, const QRectF& rect, const QColor& color);

}  // namespace tavrik::PixelArt
