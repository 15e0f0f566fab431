#include "view/ScaledViewCache.h"

#include "imaging/LargePages.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>
#include <utility>

namespace picura {

namespace {

// The margin is scaled in strips of about this many pixels (a fraction of a millisecond each), so that a
// strip finished after the view moved on is little work lost.
constexpr int kStripPixels = 32768;
// While the margin waits for the view to settle, whether anybody else still shows the picture is checked
// this often: the margin never keeps a picture in memory on its own.
constexpr std::chrono::milliseconds kHolderCheck{5};

int Mod(int a, int n) {
    const int m = a % n;
    return m < 0 ? m + n : m;
}

std::int64_t Pixels(const QRect& r) {
    return r.isEmpty() ? 0 : static_cast<std::int64_t>(r.width()) * r.height();
}

// Whether a ∪ b is a rectangle (either may be empty).
bool UnionIsRectangle(const QRect& a, const QRect& b) {
    if (a.isEmpty() || b.isEmpty()) {
        return true;
    }
    return Pixels(a.united(b)) == Pixels(a) + Pixels(b) - Pixels(a.intersected(b));
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

// The margins actually kept for a view of `view` pixels: what was asked, within the scaled picture, and cut
// down evenly until the window fits kMaxKeptPixels (to nothing when the view alone is larger).
QSize KeptWindow(QSize view, QSize ahead, QSize scaled) {
    int mx = std::max(0, ahead.width());
    int my = std::max(0, ahead.height());
    const auto window = [&] {
        return QSize(static_cast<int>(std::min<std::int64_t>(
                         std::int64_t{view.width()} + 2 * std::int64_t{mx}, scaled.width())),
                     static_cast<int>(std::min<std::int64_t>(
                         std::int64_t{view.height()} + 2 * std::int64_t{my}, scaled.height())));
    };
    while ((mx > 0 || my > 0) &&
           std::int64_t{window().width()} * window().height() > ScaledViewCache::kMaxKeptPixels) {
        mx = mx * 7 / 8;
        my = my * 7 / 8;
    }
    return window();
}

// The window of `size` around `area`, as centred on it as the scaled picture allows.
QRect WindowAround(const QRect& area, QSize size, QSize scaled) {
    const int left =
        std::clamp(area.left() - (size.width() - area.width()) / 2, 0, scaled.width() - size.width());
    const int top =
        std::clamp(area.top() - (size.height() - area.height()) / 2, 0, scaled.height() - size.height());
    return {left, top, size.width(), size.height()};
}

// Copies `rect` of the picture's own pixels to `to` (rows `stride` pixels apart), made opaque on the way, as
// scaled pixels are: the torus holds only opaque pixels, so that they may be drawn as they are.
void CopyOpaque(const QImage& source, const QRect& rect, std::uint32_t* to, std::ptrdiff_t stride) {
    for (int row = 0; row < rect.height(); ++row) {
        std::uint32_t* line = to + row * stride;
        const auto* from =
            reinterpret_cast<const std::uint32_t*>(source.constScanLine(rect.top() + row)) + rect.left();
        for (int x = 0, n = rect.width(); x < n; ++x) {
            line[x] = from[x] | 0xFF000000u;
        }
    }
}

// `rect` of `picture` scaled to `scaled`, into `out` (whose pixels are reused when it fits).
bool ScaleStrip(const Picture& picture, QSize scaled, const QRect& rect, QImage* out) {
    if (scaled == picture.pixels().size()) {
        if (out->size() != rect.size() || out->format() != QImage::Format_RGB32 || !out->isDetached()) {
            *out = QImage(rect.size(), QImage::Format_RGB32);
        }
        if (!out->isNull()) {
            CopyOpaque(picture.pixels(), rect, reinterpret_cast<std::uint32_t*>(out->bits()),
                       out->bytesPerLine() / 4);
        }
    } else {
        picture.scaledPartInto(scaled.width(), scaled.height(), rect, out);
    }
    return out->size() == rect.size() && out->format() == QImage::Format_RGB32;
}

}  // namespace

ScaledViewCache::~ScaledViewCache() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
        job_ = Picture();
    }
    wake_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

bool ScaledViewCache::reserveLocked(std::int64_t pixels) {
    // One allocation of the most a window may take serves every zoom: windows change shape from step to step,
    // and fresh memory would cost its page faults on each. Pages never written are never taken.
    const std::int64_t needed = std::max(kMaxKeptPixels, pixels);
    if (needed <= capacity_) {
        return true;
    }
    pixels_.reset();
    capacity_ = 0;
    prepared_ = 0;
    pixels_.reset(new (std::nothrow) std::uint32_t[static_cast<std::size_t>(needed)]);
    if (!pixels_) {
        return false;
    }
    AdviseLargePages(pixels_.get(), static_cast<std::size_t>(needed) * 4);
    capacity_ = needed;
    return true;
}

void ScaledViewCache::prepare(QSize view) {
    const std::lock_guard lock(mutex_);
    const std::int64_t pixels = std::int64_t{std::max(0, view.width())} * std::max(0, view.height());
    if (reserveLocked(pixels) && pixels > prepared_) {
        std::memset(pixels_.get() + prepared_, 0, static_cast<std::size_t>(pixels - prepared_) * 4);
        prepared_ = pixels;
    }
}

void ScaledViewCache::clear() {
    Picture dropped;
    {
        const std::lock_guard lock(mutex_);
        dropped = std::move(job_);
        job_ = Picture();
        clearLocked();
    }
    idle_.notify_all();
}

void ScaledViewCache::clearLocked() {
    // The memory stays for the next part to be scaled into.
    key_ = 0;
    scaled_ = QSize();
    ++layout_;
    window_ = QRect();
    valid_ = QRect();
    area_ = QRect();
    motion_ = QPoint();
}

std::int64_t ScaledViewCache::lastScaledPixels() const {
    const std::lock_guard lock(mutex_);
    return lastScaledPixels_;
}

std::int64_t ScaledViewCache::lastScaledWhileDrawing() const {
    const std::lock_guard lock(mutex_);
    return lastScaledWhileDrawing_;
}

QSize ScaledViewCache::keptSize() const {
    const std::lock_guard lock(mutex_);
    return window_.size();
}

void ScaledViewCache::waitUntilAhead() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [&] { return job_.isNull(); });
}

bool ScaledViewCache::scaleIntoTorus(const Picture& picture, const QRect& rect) {
    const qsizetype stride = static_cast<qsizetype>(torus_.width()) * 4;
    const QImage& source = picture.pixels();
    const bool oneToOne = scaled_ == source.size();
    bool ok = true;
    ForEachPiece(rect, origin_, torus_, [&](const QRect& piece, QPoint slot) {
        if (!ok) {
            return;
        }
        std::uint32_t* to = pixels_.get() + static_cast<std::ptrdiff_t>(slot.y()) * torus_.width() + slot.x();
        if (oneToOne) {
            CopyOpaque(source, piece, to, torus_.width());
            return;
        }
        // Scaled straight into the slots: a picture over the torus's own memory, which scaledPartInto
        // writes over because it has the piece's size and shares its pixels with nothing.
        QImage over(reinterpret_cast<uchar*>(to), piece.width(), piece.height(), stride,
                    QImage::Format_RGB32);
        ok = picture.scaledPartInto(scaled_.width(), scaled_.height(), piece, &over) &&
             over.size() == piece.size();
        if (ok && over.constBits() != reinterpret_cast<const uchar*>(to)) {
            storeInTorus(over, piece);
        }
    });
    return ok;
}

void ScaledViewCache::storeInTorus(const QImage& image, const QRect& rect) {
    ForEachPiece(rect, origin_, torus_, [&](const QRect& piece, QPoint slot) {
        const auto bytes = static_cast<std::size_t>(piece.width()) * 4;
        for (int row = 0; row < piece.height(); ++row) {
            std::memcpy(
                pixels_.get() + static_cast<std::ptrdiff_t>(slot.y() + row) * torus_.width() + slot.x(),
                image.constScanLine(piece.top() - rect.top() + row) + (piece.left() - rect.left()) * 4,
                bytes);
        }
    });
}

bool ScaledViewCache::draw(const Picture& picture, QSize scaled, QRect area, DrawingBoard& target, QPoint at,
                           QSize ahead) {
    area = area.intersected(QRect(QPoint(0, 0), scaled));
    if (picture.isNull() || area.isEmpty()) {
        return false;
    }
    Picture dropped;  // a margin's picture let go of, released once the lock is
    std::unique_lock lock(mutex_);
    const std::int64_t key = picture.pixels().cacheKey();
    const QSize torus = KeptWindow(area.size(), ahead, scaled);
    const bool same = key == key_ && scaled == scaled_ && area.size() == area_.size() && torus == torus_ &&
                      !valid_.isEmpty();
    if (!same) {
        clearLocked();
        if (!reserveLocked(std::int64_t{torus.width()} * torus.height())) {
            dropped = std::move(job_);
            job_ = Picture();
            lock.unlock();
            idle_.notify_all();
            return false;
        }
        key_ = key;
        scaled_ = scaled;
        torus_ = torus;
        origin_ = area.topLeft();
    }
    window_ = WindowAround(area, torus_, scaled);
    valid_ = valid_.intersected(window_);

    // What the view newly shows; of that, what nothing has scaled yet is scaled here: the rows outside the
    // valid pixels over the whole width, then the columns outside them over the remaining rows.
    lastScaledPixels_ = same ? Pixels(area) - Pixels(area.intersected(area_)) : Pixels(area);
    lastScaledWhileDrawing_ = 0;
    const QRect common = valid_.intersected(area);
    bool ok = true;
    if (common.isEmpty()) {
        ok = scaleIntoTorus(picture, area);
        lastScaledWhileDrawing_ = Pixels(area);
        valid_ = area;
    } else if (common != area) {
        const QRect bands[4] = {
            QRect(area.left(), area.top(), area.width(), common.top() - area.top()),
            QRect(area.left(), common.bottom() + 1, area.width(), area.bottom() - common.bottom()),
            QRect(area.left(), common.top(), common.left() - area.left(), common.height()),
            QRect(common.right() + 1, common.top(), area.right() - common.right(), common.height()),
        };
        for (const QRect& band : bands) {
            if (ok && !band.isEmpty()) {
                ok = scaleIntoTorus(picture, band);
                lastScaledWhileDrawing_ += Pixels(band);
            }
        }
        valid_ = UnionIsRectangle(valid_, area) ? valid_.united(area) : area;
    }
    if (!ok) {
        dropped = std::move(job_);
        job_ = Picture();
        clearLocked();
        lock.unlock();
        idle_.notify_all();
        return false;
    }
    motion_ = same ? area.topLeft() - area_.topLeft() : QPoint();
    area_ = area;

    drawKept(area, target, at);

    // The margin, in the background.
    dropped = std::move(job_);
    job_ = Picture();
    if (valid_ != window_) {
        job_ = picture;
        notBefore_ = std::chrono::steady_clock::now() + (same ? std::chrono::milliseconds(0) : settleTime_);
        startWorker();
    }
    const bool idle = job_.isNull();
    lock.unlock();
    if (idle) {
        idle_.notify_all();
    } else {
        wake_.notify_one();
    }
    return true;
}

void ScaledViewCache::drawKept(const QRect& area, DrawingBoard& target, QPoint at) const {
    // Each piece is drawn through a picture over the torus's own memory, without a copy.
    const qsizetype stride = static_cast<qsizetype>(torus_.width()) * 4;
    ForEachPiece(area, origin_, torus_, [&](const QRect& piece, QPoint slot) {
        const QImage view(
            reinterpret_cast<const uchar*>(pixels_.get() +
                                           static_cast<std::ptrdiff_t>(slot.y()) * torus_.width() + slot.x()),
            piece.width(), piece.height(), stride, QImage::Format_RGB32);
        target.drawOpaque(view, at.x() + piece.left() - area.left(), at.y() + piece.top() - area.top());
    });
}

bool ScaledViewCache::copyKept(const Picture& picture, QSize scaled, QRect area, DrawingBoard& target,
                               QPoint at) const {
    area = area.intersected(QRect(QPoint(0, 0), scaled));
    const std::lock_guard lock(mutex_);
    if (picture.isNull() || area.isEmpty() || picture.pixels().cacheKey() != key_ || scaled != scaled_ ||
        !valid_.contains(area)) {
        return false;
    }
    drawKept(area, target, at);
    return true;
}

void ScaledViewCache::startWorker() {
    if (worker_.joinable()) {
        return;
    }
    try {
        worker_ = std::thread([this] { work(); });
    } catch (const std::system_error&) {
        job_ = Picture();  // no thread to be had: steps scale what they show, as without a margin
    }
}

QRect ScaledViewCache::nextStrip() {
    const QRect& v = valid_;
    const QRect& w = window_;
    if (v.isEmpty()) {
        return {};
    }
    // Sides: right, bottom, left, top, with the room each has left.
    const int room[4] = {w.right() - v.right(), w.bottom() - v.bottom(), v.left() - w.left(),
                         v.top() - w.top()};
    int side = -1;
    // The side the view moved to first (the next step likely goes on that way), then the others in turn.
    if (motion_.x() != 0 && room[motion_.x() > 0 ? 0 : 2] > 0) {
        side = motion_.x() > 0 ? 0 : 2;
    } else if (motion_.y() != 0 && room[motion_.y() > 0 ? 1 : 3] > 0) {
        side = motion_.y() > 0 ? 1 : 3;
    } else {
        for (int i = 0; i < 4 && side < 0; ++i) {
            const int s = (turn_ + i) % 4;
            if (room[s] > 0) {
                side = s;
            }
        }
        turn_ = (side + 1) % 4;
    }
    if (side < 0) {
        return {};
    }
    const bool columns = side == 0 || side == 2;
    const int span = columns ? v.height() : v.width();
    const int depth = std::clamp(kStripPixels / std::max(1, span), 1, room[side]);
    switch (side) {
        case 0: return {v.right() + 1, v.top(), depth, v.height()};
        case 1: return {v.left(), v.bottom() + 1, v.width(), depth};
        case 2: return {v.left() - depth, v.top(), depth, v.height()};
        default: return {v.left(), v.top() - depth, v.width(), depth};
    }
}

void ScaledViewCache::work() {
    QImage strip;  // this thread's own: the torus is written only under the lock
    std::unique_lock lock(mutex_);
    // Ends the job: its picture is let go of (freed, when it was the last holder) outside the lock.
    const auto endJob = [&] {
        Picture dropped = std::move(job_);
        job_ = Picture();
        lock.unlock();
        idle_.notify_all();
        dropped = Picture();
        lock.lock();
    };
    while (!stop_) {
        if (job_.isNull()) {
            wake_.wait(lock);
            continue;
        }
        if (job_.pixels().isDetached()) {
            endJob();  // nobody else shows the picture any more: it must not stay in memory for a margin
            continue;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now < notBefore_) {
            wake_.wait_until(lock, std::min(notBefore_, now + kHolderCheck));
            continue;
        }
        const QRect rect = nextStrip();
        if (rect.isEmpty()) {
            endJob();  // the margin is done
            continue;
        }
        Picture picture = job_;
        const QSize scaled = scaled_;
        const std::uint64_t layout = layout_;
        lock.unlock();
        const bool ok = ScaleStrip(picture, scaled, rect, &strip);
        picture = Picture();
        lock.lock();
        if (layout != layout_) {
            continue;  // the view was scaled afresh meanwhile
        }
        if (!ok) {
            endJob();  // out of memory: the steps scale what they show
            continue;
        }
        // Kept only if it still lies in the window and extends the valid pixels to a larger rectangle.
        if (window_.contains(rect) && !valid_.intersects(rect) && UnionIsRectangle(valid_, rect)) {
            storeInTorus(strip, rect);
            valid_ = valid_.united(rect);
        }
    }
}

}  // namespace picura
