#pragma once

// CardRenderer: the shareable "my AI coding, wrapped" card, a fixed 1200 x 630 picture of a
// Stats value: title, date range, the score with its tier, meter and percentile, four headline
// figures, the earned badges and a footer.
//
// Coordinates are points with the origin at the top-left corner, y downwards; on the card one
// point is one pixel. The accent and the background pattern are read from the user's settings
// at every draw. Drawing needs a QGuiApplication (fonts) and runs on its thread; it never fails
// for lack of a font (the system fixed-width font stands in for the pixel font).

#include "engine/Records.h"

#include <QByteArray>
#include <QImage>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QPainter;

namespace tavrik::CardRenderer {

inline constexpr double W = 1200;
inline constexpr double H = 630;

enum class Align { Left, Center, Right };

// Draws the whole card with painter, whose device has been prepared as a W x H surface with
// its origin at the top left (it may be scaled to fit another size).
void draw(QPainter& painter, const Stats& stats);

// Returns the card as a W x H pixel image (ARGB32 premultiplied, device pixel ratio 1,
// whatever the screens' scale), or a null image when none can be allocated or no
// QGuiApplication exists.
QImage render(const Stats& stats);

// Returns the card encoded as PNG, or nothing when it cannot be rendered or encoded.
std::optional<QByteArray> pngData(const Stats& stats);

// The parts of the drawing that are rules rather than pictures.

// Returns how many of the meter's 20 segments a score lights: score / 100 x 20, rounded half
// away from zero, within 0 … 20.
int meterSegments(std::int64_t score);

// Returns the tier word of a score, "NEW HERE" … "CRACKED".
std::string_view tierWord(std::int64_t score);

// One headline figure.
struct Cell {
    std::string v;  // value text
    std::string l;  // caption, upper case
    bool accent = false;
    bool fire = false;

    bool operator==(const Cell&) const = default;
};

// Returns the four headline figures in grid order.
std::vector<Cell> cells(const Stats& stats);

// Returns the date line, "Jan 5 - Mar 9  64d", with the years when the range crosses one
// ("Nov 3 2025 - Dec 7 2026  400d"); empty without any activity.
std::string dateLine(const Stats& stats);

// Returns the earned badges that get a chip: the first six, in list order.
std::vector<Badge> chipBadges(const Stats& stats);

// The product's web address in the footer.
inline constexpr std::string_view footerAddress = "tavrik.dev";

}  // namespace tavrik::CardRenderer
