#pragma once

#include "imaging/DrawingBoard.h"
#include "imaging/Picture.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <cstdint>

namespace picura {

// The scaled pixels last shown in the view, kept so that a scroll step scales only the strips it newly
// exposes and copies the rest. The buffer has the size of the part in view and is laid out as a torus: the
// scaled picture's pixel (x, y) lives at ((x − origin.x) mod width, (y − origin.y) mod height), so a step
// overwrites exactly the pixels that left the view and moves nothing.
//
// What it holds is named by the picture's pixels (QImage::cacheKey, which changes whenever pixels change or
// another picture comes) and the scaled size; anything else (another zoom, another picture, another view
// size) scales the part in view afresh. Parts of one scaled picture join exactly (Picture::scaledPart), so
// pixels pieced together from strips equal the part scaled at once.
class ScaledViewCache {
  public:
    // Draws `area` (in scaled-picture coordinates, clipped to the scaled picture) of `picture` scaled to
    // `scaled` onto `target` with its top-left corner at `at`. Returns false when nothing could be drawn.
    bool draw(const Picture& picture, QSize scaled, QRect area, DrawingBoard& target, QPoint at);

    // Forgets what the pixels show; the next draw scales the whole part (into the same buffer when the
    // part has its size).
    void clear();

    // Scaled pixels made by the last draw (all of the area, or the strips a scroll exposed).
    std::int64_t lastScaledPixels() const { return lastScaledPixels_; }

  private:
    bool holds(const Picture& picture, QSize scaled, const QRect& area) const;
    // Copies `image` (the scaled pixels of `part`) into the buffer's slots.
    void store(const QImage& image, const QRect& part);

    std::int64_t key_ = 0;
    QSize scaled_;
    QRect area_;
    QPoint origin_;
    QImage pixels_;
    std::int64_t lastScaledPixels_ = 0;
};

}  // namespace picura
