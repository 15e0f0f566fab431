#include "imaging/Picture.h"

namespace picura {

// Provisional implementation: scales the whole picture every time.
struct Picture::Pyramid {};

Picture::Picture(QImage image) : image_(image.convertToFormat(QImage::Format_RGB32)) {}

QImage Picture::scaledPart(int scaledW, int scaledH, const QRect& part) const {
    if (image_.isNull() || scaledW <= 0 || scaledH <= 0) {
        return {};
    }
    const QRect clipped = part.intersected(QRect(0, 0, scaledW, scaledH));
    if (clipped.isEmpty()) {
        return {};
    }
    return image_.scaled(scaledW, scaledH, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).copy(clipped);
}

}  // namespace picura
