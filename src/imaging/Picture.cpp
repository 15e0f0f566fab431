#include "imaging/Picture.h"

#include "imaging/DecodeInternal.h"
#include "imaging/Scale.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace picura {

namespace {

using scale::AxisTaps;
using scale::LevelSpan;

// Parts with fewer output pixels are done on one thread: a second one is asked for from here on. It costs
// some tens of microseconds to start and takes rows only once it runs, so asking is cheap even when the
// machine is busy.
constexpr qint64 kThreadedPixels = 60000;
// Rows are handed out in chunks of about this many output pixels (a tenth of a millisecond or so).
constexpr int kChunkPixels = 16384;
// Reductions start from the smallest halving that still has at least this many pixels per output pixel
// along each axis, so an output pixel reads at most 4 × 4 level pixels (5 × 5 where its footprint straddles
// them). A level pixel's coverage is taken as even, which is off by the picture's change across it; on a
// scaled picture this small those level pixels are large parts of the picture, so it reads a finer level
// (the cost is nothing at that size).
constexpr double kMinLevelPixels = 2.0;
constexpr double kMinLevelPixelsSmall = 3.0;
constexpr int kSmallScaledSide = 64;

// Runs `work` here and, when `threaded`, on a second thread as well; `work` takes chunks of the job until
// none are left, so the second thread does whatever share it finds once it runs. The caller never waits for
// a thread that has not started yet: it withdraws the offer and returns as soon as its own work is done and
// any chunk the other thread took is finished.
void RunShared(bool threaded, const std::function<void()>& work) {
    if (!threaded) {
        work();
        return;
    }
    struct Offer {
        std::mutex mutex;
        std::condition_variable finished;
        const std::function<void()>* work = nullptr;
        bool taken = false;
        bool withdrawn = false;
        bool done = false;
    };
    auto offer = std::make_shared<Offer>();
    offer->work = &work;
    try {
        std::thread([offer] {
            {
                const std::lock_guard lock(offer->mutex);
                if (offer->withdrawn) {
                    return;
                }
                offer->taken = true;
            }
            (*offer->work)();
            {
                const std::lock_guard lock(offer->mutex);
                offer->done = true;
            }
            offer->finished.notify_one();
        }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: this one does it all.
    }
    work();
    std::unique_lock lock(offer->mutex);
    offer->withdrawn = true;
    offer->finished.wait(lock, [&] { return !offer->taken || offer->done; });
}

}  // namespace

// Halvings of the picture, built on the first strong reduction and shared by all copies.
struct Picture::Pyramid {
    std::once_flag built;
    std::atomic<bool> complete{false};
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
        pyramid.complete.store(true, std::memory_order_release);
    });
    return pyramid;
}

Picture Picture::withoutFinestHalving() const {
    Picture copy = *this;
    if (!pyramid_) {
        return copy;
    }
    copy.pyramid_ = std::make_shared<Pyramid>();
    if (pyramid_->complete.load(std::memory_order_acquire)) {
        const Pyramid& from = *pyramid_;
        Pyramid& to = *copy.pyramid_;
        std::call_once(to.built, [&] {
            to.levels = from.levels;
            to.spans = from.spans;
            if (!to.levels.empty()) {
                to.levels.front() = QImage();  // given back: those reductions read the pixels
            }
            to.complete.store(true, std::memory_order_release);
        });
    }
    return copy;
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
            while (wanted > 0 && pyramid.levels[static_cast<std::size_t>(wanted - 1)].isNull()) {
                --wanted;  // a halving given back (withoutFinestHalving): a finer source serves as well
            }
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
    // The pixels are reached once, here: scanLine() from two threads would race on the image's bookkeeping.
    const scale::RowsOut rows{result.bits(), result.bytesPerLine()};
    const int chunk = std::clamp(kChunkPixels / clipped.width(), 1, 64);
    std::atomic<int> next{0};
    RunShared(threaded,
              [&] { scale::ScaleRowChunks(scale::Kernel::Fast, *level, xt, yt, &next, chunk, outH, rows); });
    return true;
}

}  // namespace picura
