#include "imaging/Picture.h"

#include "imaging/DecodeInternal.h"
#include "imaging/Scale.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace picura {

namespace {

using scale::AxisTaps;
using scale::LevelSpan;

// Parts with fewer output pixels are not worth a second thread: a part of the default view takes about half
// a millisecond on one core, and on a busy machine waiting for the second core can cost more than that.
constexpr qint64 kThreadedPixels = 200000;
// Reductions start from the smallest halving that still has at least this many pixels per output pixel
// along each axis, so an output pixel reads at most 4 × 4 level pixels (5 × 5 where its footprint straddles
// them). A level pixel's coverage is taken as even, which is off by the picture's change across it; on a
// scaled picture this small those level pixels are large parts of the picture, so it reads a finer level
// (the cost is nothing at that size).
constexpr double kMinLevelPixels = 2.0;
constexpr double kMinLevelPixelsSmall = 3.0;
constexpr int kSmallScaledSide = 64;

// Runs `job(from, to)` over [0, n), split in two halves on a second thread when the work is large.
template <typename Job>
void SplitRows(int n, bool threaded, const Job& job) {
    if (!threaded || n < 2) {
        job(0, n);
        return;
    }
    const int mid = n / 2;
    std::thread other([&] { job(mid, n); });
    job(0, mid);
    other.join();
}

}  // namespace

// Halvings of the picture, built on the first strong reduction and shared by all copies.
struct Picture::Pyramid {
    std::once_flag built;
    std::vector<QImage> levels;  // levels[k - 1] is the picture halved k times (sizes rounded up)
    std::vector<LevelSpan> spans;
};

Picture::Picture(QImage image) {
    if (image.isNull()) {
        return;
    }
    if (image.hasAlphaChannel()) {
        image = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                line[x] = detail::FlattenOnWhite(line[x]);
            }
        }
        image.reinterpretAsFormat(QImage::Format_RGB32);
    }
    image_ = image.convertToFormat(QImage::Format_RGB32);
    size_ = image_.size();
    pyramid_ = std::make_shared<Pyramid>();
}

Picture Picture::Reduced(QImage pixels, QSize fullSize) {
    Picture picture(std::move(pixels));
    if (picture.isNull() || fullSize.isEmpty()) {
        return {};
    }
    picture.size_ = fullSize;
    picture.reduced_ = picture.image_.size() != fullSize;
    return picture;
}

const QImage& Picture::image() const {
    static const QImage kNone;
    return reduced_ ? kNone : image_;
}

const Picture::Pyramid& Picture::halvings() const {
    Pyramid& pyramid = *pyramid_;
    std::call_once(pyramid.built, [&] {
        QImage current = image_;
        LevelSpan span;
        while (current.width() >= 2 && current.height() >= 2 && pyramid.levels.size() < 16) {
            LevelSpan halved;
            current = scale::Halve(current, span, &halved);
            if (current.isNull()) {
                break;
            }
            span = halved;
            pyramid.levels.push_back(current);
            pyramid.spans.push_back(span);
        }
    });
    return pyramid;
}

void Picture::buildHalvings() const {
    if (pyramid_) {
        halvings();
    }
}

QImage Picture::scaledPart(int scaledW, int scaledH, const QRect& part) const {
    QImage result;
    scaledPartInto(scaledW, scaledH, part, &result);
    return result;
}

bool Picture::scaledPartInto(int scaledW, int scaledH, const QRect& part, QImage* out) const {
    if (image_.isNull() || scaledW <= 0 || scaledH <= 0) {
        *out = QImage();
        return false;
    }
    const QRect clipped = part.intersected(QRect(0, 0, scaledW, scaledH));
    if (clipped.isEmpty()) {
        *out = QImage();
        return false;
    }
    const int srcW = image_.width();
    const int srcH = image_.height();
    if (scaledW == srcW && scaledH == srcH) {
        *out = image_.copy(clipped);
        return !out->isNull();
    }
    // A buffer of the right size that nothing else shares is written over: no allocation, no fresh pages.
    if (out->size() != clipped.size() || out->format() != QImage::Format_RGB32 || !out->isDetached()) {
        *out = QImage(clipped.size(), QImage::Format_RGB32);
        if (out->isNull()) {
            return false;
        }
    }
    QImage& result = *out;

    // Start from the smallest halving that still has enough pixels for every output pixel.
    const QImage* level = &image_;
    LevelSpan span;
    if (scaledW < srcW && scaledH < srcH) {
        const double reduction =
            std::min(static_cast<double>(srcW) / scaledW, static_cast<double>(srcH) / scaledH);
        // Decided by the scaled picture, never by the part, so that parts join exactly.
        const double minPixels =
            std::min(scaledW, scaledH) < kSmallScaledSide ? kMinLevelPixelsSmall : kMinLevelPixels;
        int wanted = 0;
        while (reduction / (2 << wanted) >= minPixels) {
            ++wanted;
        }
        if (wanted > 0) {
            const Pyramid& pyramid = halvings();
            wanted = std::min<int>(wanted, static_cast<int>(pyramid.levels.size()));
            if (wanted > 0) {
                level = &pyramid.levels[static_cast<std::size_t>(wanted - 1)];
                span = pyramid.spans[static_cast<std::size_t>(wanted - 1)];
            }
        }
    }

    const AxisTaps xt = scale::MakeTaps(clipped.left(), clipped.right() + 1, srcW, scaledW, span.factor,
                                        level->width(), span.lastW);
    const AxisTaps yt = scale::MakeTaps(clipped.top(), clipped.bottom() + 1, srcH, scaledH, span.factor,
                                        level->height(), span.lastH);
    const int outH = clipped.height();
    const bool threaded =
        qint64(clipped.width()) * outH >= kThreadedPixels && std::thread::hardware_concurrency() > 1;
    SplitRows(outH, threaded, [&](int from, int to) {
        scale::ScaleRows(scale::Kernel::Fast, *level, xt, yt, from, to, &result);
    });
    return true;
}

}  // namespace picura
