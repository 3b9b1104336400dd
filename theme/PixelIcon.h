#pragma once

// PixelIcon: static 8 x 8 glyphs, one per badge identifier, drawn on the share card next to
// badge names and as the flame after the best-streak figure. An identifier without a glyph
// draws a hollow square. Constant table and pure functions.

#include <array>
#include <string_view>
#include <vector>

class QColor;
class QPainter;
class QRectF;

namespace tavrik::PixelIcon {

// Eight rows of eight characters, row 0 at the top; "X" is a filled pixel.
using Glyph = std::array<std::string_view, 8>;

// Returns whether the identifier has a glyph of its own.
bool has(std::string_view name);

// Returns the glyph of the identifier, or the fallback.
const Glyph& glyph(std::string_view name);

// Returns the hollow square drawn for unknown identifiers.
const Glyph& fallback();

// Where a glyph lands in a rectangle: pixels of side p = min(width, height) / 8, the 8p square
// centred in the rectangle with its top-left corner at (x0, y0).
struct Layout {
    double x0 = 0;
    double y0 = 0;
    double p = 0;
};
Layout layout(const QRectF& rect);

// Returns the filled squares of the glyph in rect, row by row, left to right.
std::vector<QRectF> cellRects(std::string_view name, const QRectF& rect);

// Draws the glyph of name (or the fallback) into rect with color, snapped to device pixels.
void draw(QPainter& painter, std::string_view name, const QRectF& rect, const QColor& color);

}  // namespace tavrik::PixelIcon
