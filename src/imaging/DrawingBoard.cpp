#include "imaging/DrawingBoard.h"

#include "imaging/LargePages.h"

#include "imaging/CodecLimits.h"
#include "imaging/Decode.h"
#include "imaging/Encode.h"

#include <QFontMetrics>
#include <QPainter>

#include <cstdint>
#include <cstdlib>

namespace picura {

namespace {

inline std::uint32_t Combine(std::uint32_t s, std::uint32_t d, RasterOp op) {
    switch (op) {
        case RasterOp::SourceCopy: return s;
        case RasterOp::InvertedSource: return ~s | 0xFF000000u;
        case RasterOp::SourceXor: return (s ^ d) | 0xFF000000u;
        case RasterOp::SourceOr: return s | d;
        case RasterOp::SourceAnd: return (s & d) | 0xFF000000u;
    }
    return s;
}

// One target size of get-picture: 0 = own, -p = p percent (at least 10), positive = pixels.
int TargetLength(int wanted, int own) {
    if (wanted == 0) {
        return own;
    }
    if (wanted < 0) {
        const qint64 percent = std::max<qint64>(-qint64(wanted), 10);
        return static_cast<int>(std::min<qint64>(qint64(own) * percent / 100, kMaxPictureSide + 1));
    }
    return wanted;
}

}  // namespace

DrawingBoard::DrawingBoard(int width, int height) {
    resize(width, height);
}

void DrawingBoard::resize(int width, int height) {
    if (width <= 0 || height <= 0 || !PictureSizeAcceptable(width, height)) {
        image_ = QImage();
        return;
    }
    image_ = QImage(width, height, QImage::Format_RGB32);
    AdviseLargePages(image_.bits(), static_cast<std::size_t>(image_.sizeInBytes()));
    image_.fill(background_);
}

void DrawingBoard::clear() {
    clear(0, 0, -1, -1);
}

void DrawingBoard::clear(int x, int y, int width, int height) {
    writePosition_ = QPoint(x, y);
    if (image_.isNull()) {
        return;
    }
    const QRect rect = QRect(x, y, width < 0 ? image_.width() : width, height < 0 ? image_.height() : height)
                           .intersected(image_.rect());
    if (rect.isEmpty()) {
        return;
    }
    for (int row = rect.top(); row <= rect.bottom(); ++row) {
        auto* line = reinterpret_cast<std::uint32_t*>(image_.scanLine(row));
        std::fill(line + rect.left(), line + rect.right() + 1, background_);
    }
    if (!backgroundPicture_.isNull()) {
        const QRect covered = rect.intersected(QRect(QPoint(0, 0), backgroundPicture_.size()));
        if (!covered.isEmpty() && !backgroundPicture_.isReduced()) {
            blit(backgroundPicture_.image(), covered.topLeft(), covered, RasterOp::SourceCopy);
        } else if (!covered.isEmpty()) {
            const QImage part = backgroundPicture_.scaledPart(backgroundPicture_.width(),
                                                              backgroundPicture_.height(), covered);
            if (!part.isNull()) {
                blit(part, QPoint(0, 0), covered, RasterOp::SourceCopy);
            }
        }
    }
}

void DrawingBoard::blit(const QImage& source, QPoint sourceAt, const QRect& target, RasterOp op,
                        bool sourceOpaque) {
    // The width is read once: the stores below could otherwise alias `target`, which keeps the copy from
    // being vectorised.
    const int width = target.width();
    // Reached once: scanLine() checks whether the pixels are shared each time.
    uchar* const bits = image_.bits();
    const qsizetype stride = image_.bytesPerLine();
    for (int row = 0; row < target.height(); ++row) {
        const auto* s =
            reinterpret_cast<const std::uint32_t*>(source.constScanLine(sourceAt.y() + row)) + sourceAt.x();
        auto* d = reinterpret_cast<std::uint32_t*>(bits + (target.top() + row) * stride) + target.left();
        if (op == RasterOp::SourceCopy && sourceOpaque) {
            // memcpy copies large rows without reading the target first: a third less memory traffic.
            std::memcpy(d, s, static_cast<std::size_t>(width) * sizeof(std::uint32_t));
        } else if (op == RasterOp::SourceCopy) {
            for (int x = 0; x < width; ++x) {
                d[x] = s[x] | 0xFF000000u;
            }
        } else {
            for (int x = 0; x < width; ++x) {
                d[x] = Combine(s[x] | 0xFF000000u, d[x], op);
            }
        }
    }
}

void DrawingBoard::drawPicture(const Picture& picture, int x, int y, int width, int height, RasterOp op) {
    if (picture.isNull() || image_.isNull()) {
        return;
    }
    const int w = width < 0 ? picture.width() : width;
    const int h = height < 0 ? picture.height() : height;
    const QRect visible = QRect(x, y, w, h).intersected(image_.rect());
    if (visible.isEmpty()) {
        return;
    }
    const QRect part = visible.translated(-x, -y);
    if (w == picture.width() && h == picture.height() && !picture.isReduced()) {
        blit(picture.image(), part.topLeft(), visible, op);
        return;
    }
    const QImage stretched = picture.scaledPart(w, h, part);
    if (!stretched.isNull()) {
        blit(stretched, QPoint(0, 0), visible, op);
    }
}

void DrawingBoard::copyFrom(const DrawingBoard& source, int sx, int sy, int width, int height, int dx, int dy,
                            RasterOp op) {
    if (source.image_.isNull() || image_.isNull() || width <= 0 || height <= 0) {
        return;
    }
    // Clip to the source, then to this board, moving both rectangles together.
    QRect src = QRect(sx, sy, width, height).intersected(source.image_.rect());
    if (src.isEmpty()) {
        return;
    }
    QRect dst = src.translated(dx - sx, dy - sy).intersected(image_.rect());
    if (dst.isEmpty()) {
        return;
    }
    src = dst.translated(sx - dx, sy - dy);
    // A board's pixels are all opaque.
    if (&source == this) {
        // Overlapping copies within one board read the pixels as they were before the copy.
        const QImage pixels = image_.copy(src);
        blit(pixels, QPoint(0, 0), dst, op, true);
    } else {
        blit(source.image_, src.topLeft(), dst, op, true);
    }
}

void DrawingBoard::drawOpaque(const QImage& pixels, int x, int y) {
    if (pixels.isNull() || image_.isNull()) {
        return;
    }
    const QRect visible = QRect(x, y, pixels.width(), pixels.height()).intersected(image_.rect());
    if (!visible.isEmpty()) {
        blit(pixels, visible.topLeft() - QPoint(x, y), visible, RasterOp::SourceCopy, true);
    }
}

QByteArray DrawingBoard::getPicture(int width, int height) const {
    if (image_.isNull()) {
        return {};
    }
    const int w = TargetLength(width, image_.width());
    const int h = TargetLength(height, image_.height());
    if (w <= 0 || h <= 0 || !PictureSizeAcceptable(w, h)) {
        return {};
    }
    if (w == image_.width() && h == image_.height()) {
        return EncodeBmp(image_);
    }
    return EncodeBmp(Picture(image_).scaled(w, h));
}

void DrawingBoard::line(int x1, int y1, int x2, int y2) {
    if (image_.isNull()) {
        return;
    }
    if (penWidth_ > 1) {
        QPainter painter(&image_);
        painter.setPen(
            QPen(QColor::fromRgb(penColor_), penWidth_, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawLine(x1, y1, x2, y2);
        return;
    }
    // Bresenham from the first point, stopping before the last one.
    const int dx = std::abs(x2 - x1);
    const int dy = -std::abs(y2 - y1);
    const int stepX = x1 < x2 ? 1 : -1;
    const int stepY = y1 < y2 ? 1 : -1;
    int error = dx + dy;
    int x = x1;
    int y = y1;
    const QRect bounds = image_.rect();
    while (x != x2 || y != y2) {
        if (bounds.contains(x, y)) {
            reinterpret_cast<std::uint32_t*>(image_.scanLine(y))[x] = penColor_;
        }
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += stepX;
        }
        if (twice <= dx) {
            error += dx;
            y += stepY;
        }
    }
}

void DrawingBoard::ellipse(int x1, int y1, int x2, int y2) {
    if (image_.isNull()) {
        return;
    }
    const int left = std::min(x1, x2);
    const int top = std::min(y1, y2);
    const int w = std::abs(x2 - x1);
    const int h = std::abs(y2 - y1);
    if (w == 0 || h == 0) {
        return;
    }
    QPainter painter(&image_);
    painter.setPen(QPen(QColor::fromRgb(penColor_), std::max(penWidth_, 1)));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(left, top, w - 1, h - 1));
}

void DrawingBoard::writeText(const QString& text) {
    if (image_.isNull() || text.isEmpty()) {
        return;
    }
    QPainter painter(&image_);
    painter.setFont(font_);
    painter.setPen(QColor::fromRgb(textColor_));
    const QFontMetrics metrics(font_, &image_);
    painter.drawText(QPoint(writePosition_.x(), writePosition_.y() + metrics.ascent()), text);
}

int DrawingBoard::textWidth(const QString& text) const {
    return QFontMetrics(font_).horizontalAdvance(text);
}

int DrawingBoard::textHeight(const QString& text) const {
    const QFontMetrics metrics(font_);
    const int lines = static_cast<int>(text.count(QLatin1Char('\n'))) + 1;
    return metrics.height() + (lines - 1) * metrics.lineSpacing();
}

QImage ImageFromBmpBytes(const QByteArray& bytes) {
    return DecodePicture(bytes).image();
}

}  // namespace picura
