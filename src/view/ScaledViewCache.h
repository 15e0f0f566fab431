#pragma once

#include "imaging/DrawingBoard.h"
#include "imaging/Picture.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace picura {

// The scaled pixels in and around the view, kept so that a scroll step copies what it shows and scales at
// most the strips nobody scaled before. The pixels are held in a torus: the scaled picture's pixel (x, y)
// lives at ((x − origin.x) mod width, (y − origin.y) mod height), so the window of kept pixels moves with the
// view and a step overwrites exactly the pixels that left the window, moving nothing.
//
// The kept pixels are all opaque (alpha 0xFF), so they are drawn onto a board as they are.
//
// The window is the part in view plus a margin each side (`ahead`, a scroll bar's page step, say). After a
// draw, a background thread scales the margin, nearest strips first and the side the view last moved to
// before the others, so that a later step within it is only a copy. The drawing thread never waits for that
// thread: whatever the view needs and the margin does not hold yet, it scales itself. The kept pixels are
// bounded by kMaxKeptPixels whatever the margin asked for.
//
// What it holds is named by the picture's pixels (QImage::cacheKey, which changes whenever pixels change or
// another picture comes) and the scaled size; anything else (another zoom, another picture, another view
// size) scales the part in view afresh. Parts of one scaled picture join exactly (Picture::scaledPart), so
// pixels pieced together from strips equal the part scaled at once.
class ScaledViewCache {
  public:
    // The most pixels kept (16 MB): the part in view alone when it is larger than that.
    static constexpr std::int64_t kMaxKeptPixels = 4 * 1024 * 1024;
    // After a draw that scaled the view afresh (a zoom step, another picture), the margin is scaled only once
    // the view has stayed for this long: a run of zoom steps would throw each margin away.
    static constexpr std::chrono::milliseconds kSettleTime{50};

    // `settleTime`: how long the view must stay after a fresh draw before its margin is scaled.
    explicit ScaledViewCache(std::chrono::milliseconds settleTime = kSettleTime) : settleTime_(settleTime) {}
    ~ScaledViewCache();
    ScaledViewCache(const ScaledViewCache&) = delete;
    ScaledViewCache& operator=(const ScaledViewCache&) = delete;

    // Draws `area` (in scaled-picture coordinates, clipped to the scaled picture) of `picture` scaled to
    // `scaled` onto `target` with its top-left corner at `at`, then has up to `ahead` pixels beyond each side
    // of the area scaled in the background. Returns false when nothing could be drawn.
    bool draw(const Picture& picture, QSize scaled, QRect area, DrawingBoard& target, QPoint at,
              QSize ahead = QSize(0, 0));

    // Draws `area` of the same scaled picture onto `target` at `at` from the pixels kept, scaling nothing;
    // false (and nothing drawn) when they do not hold all of it.
    bool copyKept(const Picture& picture, QSize scaled, QRect area, DrawingBoard& target, QPoint at) const;

    // Forgets what the pixels show and stops scaling ahead; the next draw scales the whole part (into the
    // same memory when it fits).
    void clear();
    // Takes the memory a view of this size first scales into, and its pages, now: the first picture shown
    // then costs no page faults.
    void prepare(QSize view);

    // The pixels the last draw newly showed, which had to be scaled (by the draw, or ahead of it): all of the
    // area after a fresh draw, the strips a scroll exposed, nothing when the view did not move.
    std::int64_t lastScaledPixels() const;
    // Of those, the pixels the draw itself scaled because nothing had scaled them ahead.
    std::int64_t lastScaledWhileDrawing() const;

    // Waits until the margin of the last draw is scaled (or given up). For tests and benchmarks.
    void waitUntilAhead();
    // The size of the window of kept pixels (the part in view and its margin, within the scaled picture).
    QSize keptSize() const;

  private:
    // Everything below is guarded by mutex_ unless noted.
    void clearLocked();
    // Memory for at least `pixels` kept pixels; false when there is none to be had.
    bool reserveLocked(std::int64_t pixels);
    // Scales `rect` of the current picture into its torus slots; false when it could not be scaled.
    bool scaleIntoTorus(const Picture& picture, const QRect& rect);
    // Draws `area` (within the valid pixels) onto `target` at `at`.
    void drawKept(const QRect& area, DrawingBoard& target, QPoint at) const;
    // Copies `image` (the scaled pixels of `rect`) into the torus slots.
    void storeInTorus(const QImage& image, const QRect& rect);
    // The next strip of the margin to scale, next to the valid pixels; empty when the margin is done.
    QRect nextStrip();
    void startWorker();
    void work();

    mutable std::mutex mutex_;
    std::condition_variable wake_;  // the worker: a job, or stop
    std::condition_variable idle_;  // waitUntilAhead: the job is done
    std::thread worker_;            // started with the first margin
    bool stop_ = false;

    std::int64_t key_ = 0;
    QSize scaled_;
    std::uint64_t layout_ = 0;  // counts fresh starts, so that a strip scaled for an older one is dropped
    QSize torus_;               // the window's size
    QPoint origin_;
    std::unique_ptr<std::uint32_t[]> pixels_;
    std::int64_t capacity_ = 0;  // pixels allocated
    std::int64_t prepared_ = 0;  // of those, the first ones whose pages prepare() has taken
    QRect window_;               // the kept window, in scaled-picture coordinates
    QRect valid_;                // the pixels of the window that hold their scaled values (a rectangle)
    QRect area_;                 // the part last drawn
    QPoint motion_;              // the last scroll step
    int turn_ = 0;               // which side of the margin comes next when the view did not move

    const std::chrono::milliseconds settleTime_;
    Picture job_;  // the picture to scale the margin from; null when there is nothing to do
    std::chrono::steady_clock::time_point notBefore_;

    std::int64_t lastScaledPixels_ = 0;
    std::int64_t lastScaledWhileDrawing_ = 0;
};

}  // namespace picura
