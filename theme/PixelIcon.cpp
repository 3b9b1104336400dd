#include "theme/PixelIcon.h"

#include "theme/PixelArt.h"

#include <QColor>
#include <QPainter>
#include <QRectF>

#include <algorithm>
#include <utility>

namespace tavrik::PixelIcon {
namespace {

constexpr Glyph flame{
    "...X....", "..XX....", "..XXX...", ".XXXXX..", ".XXXXXX.", "XXXXXXXX", "XXXXXXXX", ".XXXXXX.",
};

constexpr std::pair<std::string_view, Glyph> glyphs[] = {
    {"first-blood",
     {"...XX...", "..XXXX..", "..XXXX..", ".XXXXXX.", "XXXXXXXX", "XXXXXXXX", ".XXXXXX.",
      "..XXXX.."}},
    {"ten-k",
     {"...XX...", "..XXXX..", ".XXXXXX.", "XXXXXXXX", "...XX...", "...XX...", "...XX...",
      "...XX..."}},
    {"hundred-k",
     {"......XX", "......XX", "...XX.XX", "...XX.XX", "XX.XX.XX", "XX.XX.XX", "XX.XX.XX",
      "XXXXXXXX"}},
    {"week-streak", flame},
    {"month-streak", flame},
    {"night-owl",
     {"..XXXX..", ".XXX....", "XXX.....", "XXX.....", "XXX.....", "XXX.....", ".XXX....",
      "..XXXX.."}},
    {"big-spender",
     {"..XXXX..", ".XXXXXX.", "XX.XX.XX", "XX.XX.XX", "XX.XX.XX", "XX.XX.XX", ".XXXXXX.",
      "..XXXX.."}},
    {"token-lord",
     {".XXXXXX.", "XXXXXXXX", ".XXXXXX.", "XXXXXXXX", ".XXXXXX.", "XXXXXXXX", ".XXXXXX.",
      "XXXXXXXX"}},
    {"polyglot",
     {"XXX.XXX.", "XXX.XXX.", "XXX.XXX.", "........", "XXX.XXX.", "XXX.XXX.", "XXX.XXX.",
      "........"}},
    {"centurion",
     {".X....X.", ".X....X.", "..XXXX..", ".XXXXXX.", ".XXXXXX.", ".XXXXXX.", "..XXXX..",
      "........"}},
};

constexpr Glyph hollowSquare{
    "XXXXXXXX", "X......X", "X.XXXX.X", "X.XXXX.X", "X.XXXX.X", "X.XXXX.X", "X......X", "XXXXXXXX",
};

const Glyph* lookup(std::string_view name) {
    for (const auto& [id, g] : glyphs) {
        if (id == name) {
            return &g;
        }
    }
    return nullptr;
}

}  // namespace

bool has(std::string_view name) {
    return lookup(name) != nullptr;
}

const Glyph& glyph(std::string_view name) {
    const Glyph* g = lookup(name);
    return g != nullptr ? *g : hollowSquare;
}

const Glyph& fallback() {
    return hollowSquare;
}

Layout layout(const QRectF& rect) {
    const double p = std::min(rect.width(), rect.height()) / 8;
    return {rect.left() + (rect.width() - 8 * p) / 2, rect.top() + (rect.height() - 8 * p) / 2, p};
}

std::vector<QRectF> cellRects(std::string_view name, const QRectF& rect) {
    const Glyph& g = glyph(name);
    const Layout at = layout(rect);
    std::vector<QRectF> cells;
    for (int r = 0; r < 8; ++r) {
        const std::string_view row = g[static_cast<std::size_t>(r)];
        for (int i = 0; i < static_cast<int>(row.size()); ++i) {
            if (row[static_cast<std::size_t>(i)] == 'X') {
                cells.emplace_back(at.x0 + i * at.p, at.y0 + r * at.p, at.p, at.p);
            }
        }
    }
    return cells;
}

void draw(QPainter& painter, std::string_view name, const QRectF& rect, const QColor& color) {
    const Glyph& g = glyph(name);
    const Layout at = layout(rect);
    for (int r = 0; r < 8; ++r) {
        const std::string_view row = g[static_cast<std::size_t>(r)];
        for (int i = 0; i < static_cast<int>(row.size()); ++i) {
            if (row[static_cast<std::size_t>(i)] != 'X') {
                continue;
            }
            // Both edges from the grid, so neighbouring pixels meet without a seam.
            const QPointF from(at.x0 + i * at.p, at.y0 + r * at.p);
            const QPointF to(at.x0 + (i + 1) * at.p, at.y0 + (r + 1) * at.p);
            PixelArt::fillSnapped(painter, QRectF(from, to), color);
        }
    }
}

}  // namespace tavrik::PixelIcon
