#pragma once

// The notch debug renders: a schematic scene (wallpaper, menu bar, the black overlay shape)
// and a sheet that combines it with a magnified view of the overlay's top-left corner, where
// the flare meets the screen edge. They let a developer check the outline without a notched
// display. The caller gives the overlay's body width (the command line draws 180) and the flare
// in effect; the bottom radius is fixed at 13.
//
// Drawing needs a QGuiApplication (the caption's font) and runs on its thread.

#include <QImage>

#include <string>

class QPainter;

namespace tavrik {

// The schematic overlay: its body width and flare, points.
struct NotchSketch {
    double bodyWidth = 180;
    double flare = 11;
};

// Paints the scene into painter's current coordinates (origin top left, y down): the
// wallpaper over sceneW x sceneH, a 24-point menu bar, and the overlay shape 46 points high,
// centred on a 440-point scene whatever sceneW is.
void drawNotchSceneGeometry(QPainter& painter, double sceneW, double sceneH,
                            const NotchSketch& sketch);

// Returns the left edge of the schematic overlay in the 440-point scene.
double notchSceneLeft(const NotchSketch& sketch);

// Returns the debug sheet for a zoom: the 440 x 200 scene at the top, the (34 x zoom) x
// (30 x zoom) corner zoom at the bottom framed in blue, and the caption above the zoom. Returns
// a null image for a zoom that is not a positive finite number, or when the sheet would be too
// large to paint.
QImage renderNotchDebug(double zoom, const NotchSketch& sketch);

// Writes the debug sheet as PNG to path and prints "wrote notch silhouette + <zoom>x corner
// zoom to <path>", also when the write failed. Prints and writes nothing when the sheet
// cannot be made or encoded. Returns whether a sheet was encoded.
bool writeNotchDebug(const std::string& path, double zoom, const NotchSketch& sketch);

}  // namespace tavrik
