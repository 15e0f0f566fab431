#include "view/ScaledViewCache.h"

#include <cstring>

namespace picura {

namespace {

int Mod(int a, int n) {
    const int m = a % n;
    return m < 0 ? m + n : m;
}

// Splits `part` (no larger than the torus) into at most four pieces that are each contiguous in the torus
// of `size` with the given origin; calls `piece(partRect, slotTopLeft)` for each.
template <typename Piece>
void ForEachPiece(const QRect& part, QPoint origin, QSize size, const Piece& piece) {
    const int sx = Mod(part.left() - origin.x(), size.width());
    const int sy = Mod(part.top() - origin.y(), size.height());
    const int w0 = std::min(part.width(), size.width() - sx);
    const int h0 = std::min(part.height(), size.height() - sy);
    const int ws[2] = {w0, part.width() - w0};
    const int hs[2] = {h0, part.height() - h0};
    const int slotX[2] = {sx, 0};
    const int slotY[2] = {sy, 0};
    for (int j = 0, y = part.top(); j < 2; y += hs[j], ++j) {
        for (int i = 0, x = part.left(); i < 2; x += ws[i], ++i) {
            if (ws[i] > 0 && hs[j] > 0) {
                piece(QRect(x, y, ws[i], hs[j]), QPoint(slotX[i], slotY[j]));
            }
        }
    }
}

}  // namespace

bool ScaledViewCache::holds(const Picture& picture, QSize scaled, const QRect& area) const {
    return !pixels_.isNull() && key_ == picture.pixels().cacheKey() && scaled_ == scaled &&
           area_.size() == area.size() && area_.intersects(area);
}

void ScaledViewCache::clear() {
    // The buffer itself stays for the next part of its size to be scaled into.
    key_ = 0;
    scaled_ = QSize();
    area_ = QRect();
}

void ScaledViewCache::store(const QImage& image, const QRect& part) {
    ForEachPiece(part, origin_, pixels_.size(), [&](const QRect& piece, QPoint slot) {
        const auto bytes = static_cast<std::size_t>(piece.width()) * 4;
        for (int row = 0; row < piece.height(); ++row) {
            std::memcpy(
                pixels_.scanLine(slot.y() + row) + slot.x() * 4,
                image.constScanLine(piece.top() - part.top() + row) + (piece.left() - part.left()) * 4,
                bytes);
        }
    });
}

bool ScaledViewCache::draw(const Picture& picture, QSize scaled, QRect area, DrawingBoard& target,
                           QPoint at) {
    area = area.intersected(QRect(QPoint(0, 0), scaled));
    if (picture.isNull() || area.isEmpty()) {
        return false;
    }
    if (holds(picture, scaled, area)) {
        // Scaled only what the step exposed: the rows outside the old area over the whole width, then the
        // columns outside it over the remaining rows.
        lastScaledPixels_ = 0;
        const QRect common = area.intersected(area_);
        QRect bands[3];
        bands[0] = QRect(area.left(), area.top(), area.width(), common.top() - area.top());
        bands[1] = QRect(area.left(), common.bottom() + 1, area.width(), area.bottom() - common.bottom());
        bands[2] =
            area.left() < common.left()
                ? QRect(area.left(), common.top(), common.left() - area.left(), common.height())
                : QRect(common.right() + 1, common.top(), area.right() - common.right(), common.height());
        for (const QRect& band : bands) {
            if (band.isEmpty()) {
                continue;
            }
            const QImage strip = picture.scaledPart(scaled.width(), scaled.height(), band);
            if (strip.size() != band.size()) {
                clear();
                return false;
            }
            store(strip, band);
            lastScaledPixels_ += static_cast<std::int64_t>(band.width()) * band.height();
        }
        area_ = area;
    } else {
        // The old buffer is written over when it has the size (a zoom step in a view of the same size).
        if (!picture.scaledPartInto(scaled.width(), scaled.height(), area, &pixels_) ||
            pixels_.size() != area.size()) {
            clear();
            return false;
        }
        key_ = picture.pixels().cacheKey();
        scaled_ = scaled;
        area_ = area;
        origin_ = area.topLeft();
        lastScaledPixels_ = static_cast<std::int64_t>(area.width()) * area.height();
    }
    // Each piece is drawn through a picture over the buffer's own memory, without a copy.
    const QImage& pixels = pixels_;
    ForEachPiece(area, origin_, pixels.size(), [&](const QRect& piece, QPoint slot) {
        const QImage view(pixels.constScanLine(slot.y()) + slot.x() * 4, piece.width(), piece.height(),
                          pixels.bytesPerLine(), QImage::Format_RGB32);
        target.drawPicture(Picture(view), at.x() + piece.left() - area.left(),
                           at.y() + piece.top() - area.top());
    });
    return true;
}

}  // namespace picura
