#include "theme/Sprites.h"

#include "theme/PixelArt.h"
#include "theme/Theme.h"

#include <QPainter>
#include <QPointF>
#include <QRectF>

#include <algorithm>
#include <initializer_list>

namespace tavrik {
namespace {

using Cells = std::vector<SpriteCell>;

// Reads a base shape drawn as rows of "X" (a cell) and "." (empty), row by row, left to right.
Cells shape(std::initializer_list<std::string_view> rows) {
    Cells cells;
    int r = 0;
    for (std::string_view row : rows) {
        for (int j = 0; j < static_cast<int>(row.size()); ++j) {
            if (row[static_cast<std::size_t>(j)] == 'X') {
                cells.push_back({r, j, false});
            }
        }
        ++r;
    }
    return cells;
}

const Cells& shipHull() {
    static const Cells cells = shape({
        "....X.....",
        "....XX....",
        "....XXX...",
        "....XXXX..",
        ".XXXXXXXX.",
        "..XXXXXX..",
    });
    return cells;
}

const Cells& rocketBody() {
    static const Cells cells = shape({
        "....XX....",
        "....XX....",
        "....XX....",
        "....XX....",
        "...XXXX...",
    });
    return cells;
}

const Cells& boltShape() {
    static const Cells cells = shape({
        "....X...",
        "...XX...",
        "..XX....",
        "..XXXX..",
        "....XX..",
        "...XX...",
        "...X....",
    });
    return cells;
}

const Cells& invaderBody() {
    static const Cells cells = shape({
        "..X...X...",
        "...X.X....",
        "..XXXXX...",
        ".XX.X.XX..",
        ".XXXXXXX..",
    });
    return cells;
}

const Cells& anchorShape() {
    static const Cells cells = shape({
        "....X...",
        "...X.X..",
        "....X...",
        "..XXXXX.",
        "....X...",
        "....X...",
        "..X.X.X.",
        "..XX.XX.",
    });
    return cells;
}

// The hull bobs down in the middle two frames; two rows of water run one column per frame
// and, listed last, cover the hull where they meet it.
Cells ship(int f) {
    Cells cells;
    const int drop = (f == 1 || f == 2) ? 1 : 0;
    for (const SpriteCell& c : shipHull()) {
        cells.push_back({c.row + drop, c.col, false});
    }
    for (int j = 0; j < 10; ++j) {
        const int t = j + f;
        if (t % 4 < 2) {
            cells.push_back({6, j, true});
        }
        if ((t + 2) % 4 < 2) {
            cells.push_back({7, j, true});
        }
    }
    return cells;
}

// The flame grows one row per frame, with sparks beside it in the middle frame.
Cells rocket(int f) {
    Cells cells = rocketBody();
    for (int k = 0; k <= f; ++k) {
        cells.push_back({5 + k, 4, true});
        cells.push_back({5 + k, 5, true});
    }
    if (f == 1) {
        cells.push_back({6, 3, true});
        cells.push_back({6, 6, true});
    }
    return cells;
}

// A crest that rises and falls along the columns, with water below it.
Cells wave(int f) {
    Cells cells;
    for (int j = 0; j < 10; ++j) {
        const int t = j + f;
        const int crest = t % 4 < 2 ? 3 : 4;
        cells.push_back({crest, j, false});
        for (int r = crest + 1; r <= 6; ++r) {
            cells.push_back({r, j, true});
        }
    }
    return cells;
}

// Flickers to the second colour in frame 1 and throws two sparks in frame 2.
Cells bolt(int f) {
    Cells cells;
    for (const SpriteCell& c : boltShape()) {
        cells.push_back({c.row, c.col, f == 1});
    }
    if (f == 2) {
        cells.push_back({0, 5, false});
        cells.push_back({6, 2, false});
    }
    return cells;
}

// Two poses: legs together, then the body one row lower with the legs spread.
Cells invader(int f) {
    Cells cells;
    if (f == 0) {
        cells = invaderBody();
        cells.push_back({5, 2, false});
        cells.push_back({5, 6, false});
        return cells;
    }
    for (const SpriteCell& c : invaderBody()) {
        cells.push_back({c.row + 1, c.col, false});
    }
    for (int col : {1, 3, 5, 7}) {
        cells.push_back({6, col, false});
    }
    return cells;
}

// Sways left, centre, right, centre.
Cells anchor(int f) {
    constexpr int sway[] = {-1, 0, 1, 0};
    Cells cells;
    for (const SpriteCell& c : anchorShape()) {
        cells.push_back({c.row, c.col + sway[((f % 4) + 4) % 4], false});
    }
    return cells;
}

constexpr SpriteDef sprites[] = {
    {"Ship", 10, 8, 4, ship}, {"Rocket", 10, 8, 3, rocket},   {"Wave", 10, 8, 4, wave},
    {"Bolt", 8, 8, 3, bolt},  {"Invader", 10, 8, 2, invader}, {"Anchor", 8, 8, 4, anchor},
};

// Pale blue-white of a celebration.
constexpr QColor celebration{223, 233, 255};

}  // namespace

std::vector<SpriteCell> SpriteDef::cells(int frame) const {
    if (rule == nullptr || frames < 1) {
        return {};
    }
    return rule(Sprites::frameFor(*this, frame));
}

namespace Sprites {

std::span<const SpriteDef> all() {
    return sprites;
}

const SpriteDef& at(std::size_t index) {
    return sprites[std::min(index, std::size(sprites) - 1)];
}

int frameFor(const SpriteDef& sprite, int counter) {
    if (sprite.frames < 1) {
        return 0;
    }
    const int f = counter % sprite.frames;
    return f < 0 ? f + sprite.frames : f;
}

Colors colors(bool celebrating, bool amber, const AccentTheme& accent) {
    if (celebrating) {
        return {celebration, amber ? Theme::amber : accent.color};
    }
    if (amber) {
        const QColor a = Theme::amber.toRgb();
        const QColor darkAmber =
            QColor::fromRgbF(0.45F * a.redF(), 0.45F * a.greenF(), 0.45F * a.blueF(), 1.0F);
        return {Theme::amber, darkAmber};
    }
    return {accent.color, accent.dim()};
}

void draw(QPainter& painter, const SpriteDef& sprite, int frame, const QPointF& topLeft,
          double cellSize, const Colors& colors) {
    for (const SpriteCell& c : sprite.cells(frame)) {
        if (c.row < 0 || c.row >= sprite.rows || c.col < 0 || c.col >= sprite.cols) {
            continue;
        }
        const QPointF from(topLeft.x() + c.col * cellSize, topLeft.y() + c.row * cellSize);
        const QPointF to(topLeft.x() + (c.col + 1) * cellSize,
                         topLeft.y() + (c.row + 1) * cellSize);
        PixelArt::fillSnapped(painter, QRectF(from, to),
                              c.secondary ? colors.secondary : colors.primary);
    }
}

}  // namespace Sprites
}  // namespace tavrik
