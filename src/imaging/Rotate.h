#pragma once

#include <QImage>

namespace picura {

// Turns a picture about its centre by `angleDegrees` (positive = clockwise on screen) onto a new picture
// just large enough for it: width = trunc(|h sin r| + |w cos r|), height = trunc(|h cos r| + |w sin r|),
// r = angle × 3.1415926535 / 180. Uncovered corners get `background`, fully opaque. Multiples of 90 degrees
// move pixels exactly; other angles are drawn anti-aliased. Null image on failure.
// Moves the pixels of an RGB32 picture as an Exif orientation tag (2..8) says,
// so that it shows upright; other values return it unchanged. Exact: no
// resampling. Null when the new picture cannot be allocated.
QImage Orient(const QImage& src, int orientation);

QImage RotatePicture(const QImage& image, double angleDegrees, QRgb background);

}  // namespace picura
