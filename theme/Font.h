#pragma once

// Font: the pixel font "Departure Mono", carried in the resource folder, and the fallback to
// the system's fixed-width font when it cannot be had.
//
// Sizes are in pixels: one point of a drawing is one pixel of the card. Registration needs a
// QGuiApplication and runs on the thread that owns it; it is attempted at most once per
// process, and a failed attempt (file missing, file refused) is never retried. Without the
// font every text uses the system fixed-width font at the same size; nothing fails.

#include <QFont>

#include <filesystem>
#include <string_view>

namespace tavrik::Font {

inline constexpr std::string_view family = "Departure Mono";
inline constexpr std::string_view bundledFile = "fonts/DepartureMono-Regular.otf";

// Makes the pixel font of the resource folder available to this process. Only the first call
// in a process does any work; calls made before a QGuiApplication exists do nothing.
void registerFont();

// Same, from the given file instead of the resource folder (tools and tests). It shares the
// once-per-process rule with registerFont().
void registerFont(const std::filesystem::path& file);

// Returns how many registration attempts this process made: 0 or 1.
int registrationAttempts();

// Returns whether the pixel font family is available.
bool available();

// Returns the pixel font at px pixels, registering it first, or the system fixed-width font at
// px pixels when the family is not available. From 22 device pixels on (px times the surface's
// device pixel ratio) the pixel font is drawn without antialiasing, so large figures, and any
// figure on a screen at twice the scale, keep hard pixel edges.
QFont pixel(int px, double devicePixelRatio = 1);

// Returns the system fixed-width font at px pixels, regular weight.
QFont fixedSystem(int px);

}  // namespace tavrik::Font
