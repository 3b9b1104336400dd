#pragma once

// TrayFace: the tray icon's picture. The logo "tavrik-logo-white" is a white pixel-art mark,
// 18 x 18 pixels with a 36 x 36 drawing for screens at twice the scale. Tray hosts ask for
// many sizes (16, 22, 24, 32 ...); scaling pixel art to them by interpolation blurs it, so the
// icon carries one pixmap per common size: the mark at the largest whole multiple that fits,
// centred. Without the logo the face is the text "tavrik" in the pixel font at 12 pixels.
// Needs a QGuiApplication; main thread.

#include <QIcon>
#include <QImage>

#include <optional>
#include <span>

namespace tavrik::TrayFace {

inline constexpr int logoSize = 18;
inline constexpr const char* logoFile = "tavrik-logo-white.png";
inline constexpr const char* logo2xFile = "tavrik-logo-white@2x.png";

// The icon sizes, in device pixels, that get a pixmap of their own.
std::span<const int> iconSizes();

// Returns the mark drawn crisply on a size x size canvas: logo1x scaled by a whole factor
// without interpolation (logo2x where the factor is 2 and it is given), centred.
QImage logoAt(const QImage& logo1x, const QImage& logo2x, int size);

// Returns the icon made from the two drawings, nothing when logo1x is null.
std::optional<QIcon> logoIcon(const QImage& logo1x, const QImage& logo2x);

// Returns the text face.
QIcon textIcon();

// Returns the logo from the resource folder, or the text face when it is missing or does not
// load.
QIcon icon();

}  // namespace tavrik::TrayFace
