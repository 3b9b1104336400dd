#pragma once

// Sprites: the six animated pixel characters of the overlay's left wing. Each is a small grid
// whose lit cells are produced per animation frame by a rule; the user picks one (Look::sprite).
// Constant tables and pure functions.
//
// A cell is (row, column, secondary), counted from the top-left cell (0, 0); secondary selects
// the sprite's second colour. Cells are painted in list order, so a later cell covers an
// earlier one; cells outside the grid may appear in a list and are skipped when drawn.

#include <QColor>

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

class QPainter;
class QPointF;

namespace tavrik {

struct AccentTheme;

struct SpriteCell {
    int row = 0;
    int col = 0;
    bool secondary = false;

    bool operator==(const SpriteCell&) const = default;
};

struct SpriteDef {
    std::string_view name;  // settings pop-up item
    int cols = 0;
    int rows = 0;
    int frames = 1;
    std::vector<SpriteCell> (*rule)(int frame) = nullptr;

    // Returns the lit cells of a frame; any integer is taken modulo frames.
    std::vector<SpriteCell> cells(int frame) const;
};

namespace Sprites {

// Side of one sprite cell in points.
inline constexpr double cellPt = 2.5;

// Returns the sprites in pop-up order; the index is the stored value.
std::span<const SpriteDef> all();

// Returns the sprite at an index, clamped to the list.
const SpriteDef& at(std::size_t index);

// Returns the frame an animation counter shows: counter modulo frames, never negative.
int frameFor(const SpriteDef& sprite, int counter);

struct Colors {
    QColor primary;
    QColor secondary;
};

// Returns the two sprite colours: pale blue-white and the accent (or amber) while
// celebrating; amber and amber darkened to 45 % in the streak-at-risk state; otherwise the
// accent and its dim partner.
Colors colors(bool celebrating, bool amber, const AccentTheme& accent);

// Draws one frame with its top-left cell at topLeft and cells of cellSize points, skipping
// cells outside the grid. Edges are snapped to device pixels.
void draw(QPainter& painter, const SpriteDef& sprite, int frame, const QPointF& topLeft,
          double cellSize, const Colors& colors);

}  // namespace Sprites
}  // namespace tavrik
