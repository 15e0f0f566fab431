#include "imaging/Rotate.h"

#include "imaging/CodecLimits.h"

#include <QPainter>

#include <cmath>
#include <cstdint>

namespace picura {

namespace {

// Quarter turns clockwise (0..3) when the angle is a whole multiple of 90 degrees, else -1.
int QuarterTurns(double angle) {
    const double turns = angle / 90.0;
    const double whole = std::round(turns);
    if (std::abs(turns - whole) > 1e-9) {
        return -1;
    }
    const long long q = static_cast<long long>(whole) % 4;
    return static_cast<int>(q < 0 ? q + 4 : q);
}

QImage TurnExactly(const QImage& src, int quarters) {
    // Exif orientations that are quarter turns: 6 clockwise, 3 half, 8 counter-clockwise.
    static constexpr int kOrientation[4] = {1, 6, 3, 8};
    return quarters == 0 ? src.copy() : Orient(src, kOrientation[quarters]);
}

}  // namespace

QImage Orient(const QImage& src, int orientation) {
    if (orientation <= 1 || orientation > 8) {
        return src;
    }
    const int w = src.width();
    const int h = src.height();
    const bool swap = orientation >= 5;
    QImage out(swap ? h : w, swap ? w : h, QImage::Format_RGB32);
    if (out.isNull()) {
        return {};
    }
    unsigned char* bits = out.bits();
    const qsizetype stride = out.bytesPerLine();
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(src.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            int nx = x, ny = y;
            switch (orientation) {
                case 2: nx = w - 1 - x; break;
                case 3: nx = w - 1 - x, ny = h - 1 - y; break;
                case 4: ny = h - 1 - y; break;
                case 5: nx = y, ny = x; break;
                case 6: nx = h - 1 - y, ny = x; break;  // a quarter turn clockwise
                case 7: nx = h - 1 - y, ny = w - 1 - x; break;
                case 8: nx = y, ny = w - 1 - x; break;  // a quarter turn counter-clockwise
                default: break;
            }
            reinterpret_cast<std::uint32_t*>(bits + ny * stride)[nx] = line[x];
        }
    }
    return out;
}

QImage RotatePicture(const QImage& image, double angleDegrees, QRgb background) {
    if (image.isNull() || image.width() <= 0 || image.height() <= 0 || !std::isfinite(angleDegrees)) {
        return {};
    }
    QImage src = image.convertToFormat(QImage::Format_RGB32);
    const int quarters = QuarterTurns(angleDegrees);
    if (quarters >= 0) {
        return TurnExactly(src, quarters);
    }
    const double w = src.width();
    const double h = src.height();
    const double r = angleDegrees * 3.1415926535 / 180.0;
    const double newW = std::trunc(std::abs(h * std::sin(r)) + std::abs(w * std::cos(r)));
    const double newH = std::trunc(std::abs(h * std::cos(r)) + std::abs(w * std::sin(r)));
    if (!PictureSizeAcceptable(static_cast<std::int64_t>(newW), static_cast<std::int64_t>(newH))) {
        return {};
    }
    QImage out(static_cast<int>(newW), static_cast<int>(newH), QImage::Format_RGB32);
    if (out.isNull()) {
        return {};
    }
    out.fill(0xFF000000u | background);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Applied to the picture last to first: centre it on the origin, turn, put it back, centre in the new
    // size.
    painter.translate((newW - w) * 0.5, (newH - h) * 0.5);
    painter.translate(w * 0.5, h * 0.5);
    painter.rotate(angleDegrees);
    painter.translate(-w * 0.5, -h * 0.5);
    painter.drawImage(QPointF(0, 0), src);
    painter.end();
    return out;
}

}  // namespace picura
