#include "card/CardRenderer.h"

#include "engine/Fmt.h"
#include "engine/TimeKit.h"
#include "theme/Font.h"
#include "theme/PixelArt.h"
#include "theme/PixelIcon.h"
#include "theme/Theme.h"

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QRectF>
#include <QString>

#include <cmath>

namespace tavrik::CardRenderer {
namespace {

// Colours of the frame pieces, sRGB.
constexpr QColor panelFill{11, 13, 18};
constexpr QColor panelBorder{32, 35, 46};
constexpr QColor scorePanelFill{9, 11, 17};
constexpr QColor scorePanelBorder{40, 48, 74};
constexpr QColor blockFill{14, 16, 23};
constexpr QColor blockBorder{35, 40, 56};
constexpr QColor chipFill{18, 20, 28};
constexpr QColor chipBorder{42, 48, 80};
constexpr QColor meterOff{35, 40, 22, 153};  // alpha 0.6

constexpr int meterCount = 20;
constexpr std::size_t maxChips = 6;

// The accent-derived colours, taken from the current accent at the start of every draw.
struct Palette {
    QColor accent;    // the selected accent, whatever its name
    QColor onAccent;  // text on the accent
    QColor fg = Theme::fg;
    QColor muted = Theme::muted;
};

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QColor withAlpha(QColor c, double alpha) {
    c.setAlphaF(static_cast<float>(alpha));
    return c;
}

// The card's fonts hint the same way on every screen: left to Qt, hinting is dropped on a
// scaled display, and the same statistics would give a different picture.
QFont cardFont(QFont font) {
    font.setHintingPreference(QFont::PreferVerticalHinting);
    return font;
}

// Draws s so that its baseline lies exactly at baseline; x is the left edge, the centre or the
// right edge by align, measured with the same font. Returns the text's width.
double text(QPainter& p, const QString& s, double x, double baseline, const QFont& anyFont,
            const QColor& color, Align align) {
    const QFont font = cardFont(anyFont);
    const double width = QFontMetricsF(font, p.device()).horizontalAdvance(s);
    double left = x;
    if (align == Align::Center) {
        left = x - width / 2;
    } else if (align == Align::Right) {
        left = x - width;
    }
    p.setFont(font);
    p.setPen(color);
    p.drawText(QPointF(left, baseline), s);
    return width;
}

double textWidth(QPainter& p, const QString& s, const QFont& font) {
    return QFontMetricsF(cardFont(font), p.device()).horizontalAdvance(s);
}

// The pixel font at px, or smaller when s would not fit in room: a figure never leaves its cell.
QFont fitted(QPainter& p, const QString& s, int px, double room) {
    QFont font = Font::pixel(px);
    const double width = textWidth(p, s, font);
    if (width > room) {
        font = Font::pixel(static_cast<int>(std::floor(px * room / width)));
    }
    return font;
}

void fill(QPainter& p, const QRectF& r, const QColor& c) {
    PixelArt::fillSnapped(p, r, c);
}

// A 2-point border inside the rectangle, the band a width-2 stroke inset by 1 covers; drawn as
// four filled bands so the edges stay on whole pixels.
void frame(QPainter& p, const QRectF& r, const QColor& c) {
    constexpr double t = 2;
    fill(p, QRectF(r.left(), r.top(), r.width(), t), c);
    fill(p, QRectF(r.left(), r.bottom() - t, r.width(), t), c);
    fill(p, QRectF(r.left(), r.top() + t, t, r.height() - 2 * t), c);
    fill(p, QRectF(r.right() - t, r.top() + t, t, r.height() - 2 * t), c);
}

void pixelPanel(QPainter& p, const QRectF& r, const QColor& fillColor, const QColor& border,
                double radius) {
    if (radius <= 0) {
        fill(p, r, fillColor);
        frame(p, r, border);
        return;
    }
    QPainterPath outer;
    outer.addRoundedRect(r, radius, radius);
    p.fillPath(outer, fillColor);
    QPainterPath inner;
    inner.addRoundedRect(r.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    p.strokePath(inner, QPen(border, 2));
}

// Panel with a hard black drop shadow.
void shadowedPanel(QPainter& p, const QRectF& r, double offset, const QColor& fillColor,
                   const QColor& border) {
    fill(p, r.translated(offset, offset), Qt::black);
    fill(p, r, fillColor);
    frame(p, r, border);
}

void pixelBlock(QPainter& p, const QRectF& r) {
    shadowedPanel(p, r, 5, blockFill, blockBorder);
}

void pixelChip(QPainter& p, const QRectF& r) {
    shadowedPanel(p, r, 3, chipFill, chipBorder);
}

void pixelPill(QPainter& p, const Palette& pal, double cx, double y, const QString& s,
               const QFont& font) {
    const double width = textWidth(p, s, font) + 30;
    const double left = cx - width / 2;
    fill(p, QRectF(left + 3, y + 3, width, 34), Qt::black);
    fill(p, QRectF(left, y, width, 34), pal.accent);
    text(p, s, cx, y + 24, font, pal.onAccent, Align::Center);
}

// Georgia Italic, else the serif face fontconfig picks for "serif" in italic, else the
// system font made italic, at 20 pixels. A machine without any serif face answers "serif"
// with its sans default, which is the system font's case.
QFont subtitleFont() {
    QFont font(QStringLiteral("Georgia"));
    if (!QFontDatabase::hasFamily(font.family())) {
        font = QFont(QStringLiteral("serif"));
        font.setStyleHint(QFont::Serif);
        const QString sans =
            QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family();
        if (QFontInfo(font).family() == sans) {
            font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        }
    }
    font.setPixelSize(20);
    font.setItalic(true);
    return font;
}

void drawGlow(QPainter& p, const Palette& pal) {
    // Concentric circles at (0.86 W, -40): the first colour inside radius 60, fading to nothing
    // at 760, beyond which nothing is painted. The inner disc carries the first colour so the
    // top edge shows one even glow rather than a dark half-disc.
    const QPointF centre(0.86 * W, -40);
    constexpr double inner = 60;
    constexpr double outer = 760;
    const QColor first = withAlpha(pal.accent, 0.16);
    QRadialGradient glow(centre, outer);
    glow.setColorAt(0, first);
    glow.setColorAt(inner / outer, first);
    glow.setColorAt(1, withAlpha(pal.accent, 0));
    QPainterPath disc;
    disc.addEllipse(centre, outer, outer);
    p.fillPath(disc, glow);
}

void drawPattern(QPainter& p) {
    switch (Theme::cardBackground()) {
        case Theme::CardBackground::Solid:
            return;
        case Theme::CardBackground::LightStreaks: {
            const QColor streak = withAlpha(Qt::white, 0.05);
            for (double x = -H; x < W; x += 180) {
                const QPolygonF band{QPointF(x, 0), QPointF(x + 60, 0), QPointF(x + 60 + H, H),
                                     QPointF(x + H, H)};
                QPainterPath path;
                path.addPolygon(band);
                path.closeSubpath();
                p.fillPath(path, streak);
            }
            return;
        }
        case Theme::CardBackground::Scanlines: {
            const QColor line = withAlpha(Qt::black, 0.22);
            for (double y = 0; y < H; y += 4) {
                fill(p, QRectF(0, y, W, 2), line);
            }
            return;
        }
    }
}

void drawScore(QPainter& p, const Palette& pal, const Stats& stats) {
    const double left = W - 400;
    const double cx = left + 170;
    pixelPanel(p, QRectF(left, 150, 340, 300), scorePanelFill, scorePanelBorder, 0);
    text(p, QStringLiteral("TAVRIK SCORE"), cx, 194, Font::pixel(16), pal.muted, Align::Center);
    text(p, QString::number(stats.crackedScore), cx, 308, Font::pixel(118), pal.fg, Align::Center);

    const int lit = meterSegments(stats.crackedScore);
    for (int i = 0; i < meterCount; ++i) {
        fill(p, QRectF(left + 30 + 14.2 * i, 336, 10.2, 22), i < lit ? pal.accent : meterOff);
    }

    text(p, qs(tierWord(stats.crackedScore)), cx, 394, Font::pixel(30), pal.accent, Align::Center);
    pixelPill(p, pal, cx, 412, QStringLiteral("TOP %1%").arg(stats.percentile), Font::pixel(18));
}

void drawCells(QPainter& p, const Palette& pal, const Stats& stats) {
    const std::vector<Cell> all = cells(stats);
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Cell& c = all[i];
        const std::size_t column = i % 2;
        const std::size_t row = i / 2;
        const double x = 60 + 340 * static_cast<double>(column);
        const double y = 150 + 152 * static_cast<double>(row);
        pixelBlock(p, QRectF(x, y, 320, 132));
        fill(p, QRectF(x, y, 8, 132), pal.accent);
        const QString value = qs(c.v);
        const double room = 320 - 28 - 16 - (c.fire ? 12 + 34 : 0);
        const double width = text(p, value, x + 28, y + 70, fitted(p, value, 52, room),
                                  c.accent ? pal.accent : pal.fg, Align::Left);
        if (c.fire) {
            PixelIcon::draw(p, "week-streak", QRectF(x + 28 + width + 12, y + 34, 34, 34),
                            pal.accent);
        }
        text(p, qs(c.l), x + 28, y + 104, Font::pixel(16), pal.muted, Align::Left);
    }
}

void drawBadges(QPainter& p, const Palette& pal, const Stats& stats) {
    text(p, QStringLiteral("UNLOCKED"), 60, 492, Font::pixel(15), pal.muted, Align::Left);
    const QFont font = Font::pixel(16);
    double x = 60;
    // Chips are neither clipped nor wrapped: long labels may run past the panel.
    for (const Badge& badge : chipBadges(stats)) {
        const QString label = QString::fromStdString(badge.label);
        const double w = textWidth(p, label, font) + 50;
        pixelChip(p, QRectF(x, 500, w, 34));
        PixelIcon::draw(p, badge.id, QRectF(x + 11, 507, 20, 20), pal.accent);
        text(p, label, x + 39, 523, font, pal.fg, Align::Left);
        x += w + 12;
    }
}

}  // namespace

int meterSegments(std::int64_t score) {
    const double n = std::round(static_cast<double>(score) / 100 * meterCount);
    if (n <= 0) {
        return 0;
    }
    return n >= meterCount ? meterCount : static_cast<int>(n);
}

std::string_view tierWord(std::int64_t score) {
    if (score < 15) {
        return "NEW HERE";
    }
    if (score < 35) {
        return "WARMING UP";
    }
    if (score < 55) {
        return "COOKING";
    }
    if (score < 75) {
        return "SHIPPING";
    }
    if (score < 90) {
        return "LOCKED IN";
    }
    return "CRACKED";
}

std::vector<Cell> cells(const Stats& stats) {
    return {
        {Fmt::num(static_cast<double>(stats.linesAdded + stats.linesRemoved)), "LINES SHIPPED",
         false, false},
        {Fmt::money(stats.cost), "AGENT COMPUTE", true, false},
        {Fmt::num(stats.tokensOut), "OUTPUT TOKENS", false, false},
        {std::to_string(stats.streakLongest) + "d", "BEST STREAK", false, true},
    };
}

std::string dateLine(const Stats& stats) {
    if (!stats.since || !stats.until) {
        return {};  // nothing coded yet: no range to show
    }
    const auto from = TimeKit::parseDayKey(*stats.since);
    const auto to = TimeKit::parseDayKey(*stats.until);
    // Within one year the month and day say it all; across years they would not.
    const bool years = from && to && from->year() != to->year();
    const auto day = [years](const std::string& key,
                             const std::optional<std::chrono::year_month_day>& date) {
        return Fmt::humanDate(key)
               + (years ? " " + std::to_string(static_cast<int>(date->year())) : "");
    };
    return day(*stats.since, from) + " - " + day(*stats.until, to) + "  "
           + std::to_string(stats.daysSpan) + "d";
}

std::vector<Badge> chipBadges(const Stats& stats) {
    std::vector<Badge> earned;
    for (const Badge& b : stats.badges) {
        if (b.earned && earned.size() < maxChips) {
            earned.push_back(b);
        }
    }
    return earned;
}

void draw(QPainter& p, const Stats& stats) {
    const AccentTheme& accent = Accent::current();
    const Palette pal{accent.color, accent.textOn()};

    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    fill(p, QRectF(0, 0, W, H), Theme::bg);
    drawGlow(p, pal);
    drawPattern(p);

    // The panel is opaque: glow and pattern stay visible only in the 20-point margin.
    pixelPanel(p, QRectF(20, 20, W - 40, H - 40), panelFill, panelBorder, 26);
    fill(p, QRectF(20, 20, W - 40, 8), pal.accent);

    // Logo mark: four bars of different heights.
    fill(p, QRectF(60, 62, 5, 12), pal.accent);
    fill(p, QRectF(68, 52, 5, 22), pal.accent);
    fill(p, QRectF(76, 66, 5, 8), pal.accent);
    fill(p, QRectF(84, 56, 5, 18), pal.accent);

    const QFont titleFont = Font::pixel(42);
    const double titleWidth =
        text(p, QStringLiteral("TAVRIK"), 106, 86, titleFont, pal.fg, Align::Left);
    text(p, QStringLiteral("."), 106 + titleWidth, 86, titleFont, pal.accent, Align::Left);
    text(p, QStringLiteral("my AI coding, wrapped"), 106, 112, subtitleFont(), pal.muted,
         Align::Left);
    text(p, QString::fromStdString(dateLine(stats)), W - 60, 84, Font::pixel(19), pal.muted,
         Align::Right);

    drawScore(p, pal, stats);
    drawCells(p, pal, stats);
    drawBadges(p, pal, stats);

    text(p, qs(footerAddress), 60, H - 44, Font::pixel(20), pal.accent, Align::Left);
    text(p, QStringLiteral("100% LOCAL \u00B7 BUILT FROM MY OWN LOGS"), W - 60, H - 44,
         Font::pixel(16), withAlpha(Qt::white, 0.4), Align::Right);
    p.restore();
}

QImage render(const Stats& stats) {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return {};
    }
    QImage image(static_cast<int>(W), static_cast<int>(H), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return {};
    }
    // One pixel per point, whatever the scale of the screens.
    image.setDevicePixelRatio(1);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    draw(painter, stats);
    painter.end();
    return image;
}

std::optional<QByteArray> pngData(const Stats& stats) {
    const QImage image = render(stats);
    if (image.isNull()) {
        return std::nullopt;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG") || bytes.isEmpty()) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace tavrik::CardRenderer
