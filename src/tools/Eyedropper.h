#pragma once

// Taking a colour: from the screen under the pointer (the eyedropper on the view, the colour palette of
// the Edit tools window), or from a picture we hold.

#include <QImage>
#include <QPoint>
#include <QRgb>

#include <functional>
#include <optional>

namespace picura {

// Reads one pixel of the screen. The platform layer implements it; tests use a picture.
class ScreenPixelSource {
  public:
    virtual ~ScreenPixelSource() = default;
    // The colour shown at `screenPoint` (global coordinates); none off the screen or when the screen
    // cannot be read.
    virtual std::optional<QRgb> pixelAt(QPoint screenPoint) = 0;
};

// The colour of the screen pixel at `screenPoint`; `current` (the tool colour kept) when it cannot be
// read.
QRgb PickScreenColour(ScreenPixelSource& screen, QPoint screenPoint, QRgb current);

// The colour of `image` at `point`, opaque; none outside the picture.
std::optional<QRgb> ColourAt(const QImage& image, QPoint point);

// The palette of the Edit tools window: 6 columns × 8 rows of 10 × 12 pixel swatches, 60 × 96 pixels,
// generated here. Rows are red, orange, yellow, green, cyan, blue, purple (light to dark across) and a
// row of greys from white to black.
inline constexpr int kPaletteColumns = 6;
inline constexpr int kPaletteRows = 8;
inline constexpr int kPaletteSwatchWidth = 10;
inline constexpr int kPaletteSwatchHeight = 12;
QRgb PaletteSwatchColour(int column, int row);
QImage PalettePicture();
// The colour of the swatch under a click on the palette (palette coordinates); none off the swatches.
std::optional<QRgb> PaletteColourAt(QPoint point);

}  // namespace picura
