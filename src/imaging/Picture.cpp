#include "imaging/Picture.h"

#include "imaging/DecodeInternal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace picura {

namespace {

constexpr int kWeightBits = 14;
constexpr std::int32_t kWeightOne = 1 << kWeightBits;
// Intermediate values keep 8 fraction bits: 255 << 8 fits 16 bits, times a weight fits 32 bits.
constexpr int kIntermediateShift = kWeightBits - 8;
constexpr int kFinalShift = kWeightBits + 8;
// Parts with fewer output pixels are not worth a second thread: on a busy machine waiting for the
// second core costs more than the split saves.
constexpr qint64 kThreadedPixels = 1000000;
// Reductions read a halving with at least this many of its pixels per output pixel: fewer would make
// the coarse blocks at the footprint edges show.
constexpr double kMinLevelPixels = 3.0;

inline std::uint32_t Average4(std::uint32_t p0, std::uint32_t p1, std::uint32_t p2, std::uint32_t p3) {
    const std::uint32_t rb =
        (p0 & 0x00FF00FFu) + (p1 & 0x00FF00FFu) + (p2 & 0x00FF00FFu) + (p3 & 0x00FF00FFu) + 0x00020002u;
    const std::uint32_t g =
        (p0 & 0x0000FF00u) + (p1 & 0x0000FF00u) + (p2 & 0x0000FF00u) + (p3 & 0x0000FF00u) + 0x200u;
    return 0xFF000000u | ((rb >> 2) & 0x00FF00FFu) | ((g >> 2) & 0x0000FF00u);
}

inline std::uint32_t WeightedAverage(const std::uint32_t* p, const std::uint64_t* w) {
    const std::uint64_t total = w[0] + w[1] + w[2] + w[3];
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        std::uint64_t sum = total / 2;
        for (int i = 0; i < 4; ++i) {
            sum += ((p[i] >> shift) & 0xFF) * w[i];
        }
        out |= static_cast<std::uint32_t>(sum / total) << shift;
    }
    return out;
}

// The extent of one pyramid level: its pixels each stand for `factor` full-size pixels a side, except the
// last column and row, which stand for `lastW` and `lastH` (whatever the picture has left).
struct LevelSpan {
    int factor = 1;
    int lastW = 1;
    int lastH = 1;
};

// Halves a picture by averaging 2 × 2 blocks, two channels at a time in one word. Sizes round up; the last
// column and row are averaged by the full-size area they stand for, so each level covers the whole picture
// exactly and averaging from it matches averaging the full picture.
QImage Halve(const QImage& src, const LevelSpan& span, LevelSpan* halvedSpan) {
    const int sw = src.width();
    const int sh = src.height();
    const int w = (sw + 1) / 2;
    const int h = (sh + 1) / 2;
    QImage out(w, h, QImage::Format_RGB32);
    if (out.isNull()) {
        return out;
    }
    // Weights of the two source columns (rows) of the last output column (row).
    const bool oddW = sw % 2 != 0;
    const bool oddH = sh % 2 != 0;
    const std::uint64_t lastX[2] = {oddW ? 1u : std::uint64_t(span.factor),
                                    oddW ? 0u : std::uint64_t(span.lastW)};
    const std::uint64_t lastY[2] = {oddH ? 1u : std::uint64_t(span.factor),
                                    oddH ? 0u : std::uint64_t(span.lastH)};
    halvedSpan->factor = span.factor * 2;
    halvedSpan->lastW = oddW ? span.lastW : span.factor + span.lastW;
    halvedSpan->lastH = oddH ? span.lastH : span.factor + span.lastH;
    for (int y = 0; y < h; ++y) {
        const auto* a = reinterpret_cast<const std::uint32_t*>(src.constScanLine(2 * y));
        const auto* b =
            reinterpret_cast<const std::uint32_t*>(src.constScanLine(std::min(2 * y + 1, sh - 1)));
        auto* o = reinterpret_cast<std::uint32_t*>(out.scanLine(y));
        const bool lastRow = y == h - 1;
        const int plain = lastRow ? 0 : w - 1;
        for (int x = 0; x < plain; ++x) {
            o[x] = Average4(a[2 * x], a[2 * x + 1], b[2 * x], b[2 * x + 1]);
        }
        const std::uint64_t wy[2] = {lastRow ? lastY[0] : 1u, lastRow ? lastY[1] : 1u};
        for (int x = plain; x < w; ++x) {
            const bool lastColumn = x == w - 1;
            const std::uint64_t wx[2] = {lastColumn ? lastX[0] : 1u, lastColumn ? lastX[1] : 1u};
            const int x1 = std::min(2 * x + 1, sw - 1);
            const std::uint32_t p[4] = {a[2 * x], a[x1], b[2 * x], b[x1]};
            const std::uint64_t weights[4] = {wx[0] * wy[0], wx[1] * wy[0], wx[0] * wy[1], wx[1] * wy[1]};
            o[x] = WeightedAverage(p, weights);
        }
    }
    return out;
}

// The source pixels that make one output pixel along one axis, with fixed-point weights summing to 1.
struct AxisTaps {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<std::int32_t> weights;  // `stride` per output pixel
    int stride = 0;
    int lowest = 0;   // smallest source index used
    int highest = 0;  // largest source index used
};

// Output pixels [from, to) of an axis scaled from `sourceLength` (at full size) to `targetLength`, read from
// a level whose pixels stand for `factor` full-size pixels and which has `levelLength` pixels. Each output
// pixel depends only on its own index, so parts of the same scaled picture agree exactly.
AxisTaps MakeTaps(int from, int to, int sourceLength, int targetLength, int factor, int levelLength,
                  int lastSpan) {
    AxisTaps t;
    const int n = to - from;
    t.first.resize(n);
    t.count.resize(n);
    const double ratio = static_cast<double>(sourceLength) / targetLength;
    if (targetLength >= sourceLength) {
        // Enlarging (or the same size): bilinear between the two nearest pixel centres.
        t.stride = 2;
        t.weights.assign(static_cast<std::size_t>(n) * 2, 0);
        for (int i = 0; i < n; ++i) {
            const int o = from + i;
            double s = (o + 0.5) * ratio - 0.5;
            s = std::clamp(s, 0.0, static_cast<double>(levelLength - 1));
            int i0 = static_cast<int>(std::floor(s));
            const auto frac = static_cast<std::int32_t>(std::lround((s - i0) * kWeightOne));
            t.first[i] = i0;
            if (frac == 0 || i0 + 1 >= levelLength) {
                t.count[i] = 1;
                t.weights[2 * i] = kWeightOne;
            } else {
                t.count[i] = 2;
                t.weights[2 * i] = kWeightOne - frac;
                t.weights[2 * i + 1] = frac;
            }
        }
    } else {
        // Shrinking: the average over the exact footprint of the output pixel, measured in full-size pixels.
        // Level pixel k stands for [k * factor, (k + 1) * factor), the last one for what is left.
        const double step = ratio / factor;
        const double lastStart = static_cast<double>(levelLength - 1) * factor;
        const double end = lastStart + lastSpan;
        t.stride = static_cast<int>(std::ceil(step)) + 3;
        t.weights.assign(static_cast<std::size_t>(n) * t.stride, 0);
        for (int i = 0; i < n; ++i) {
            const int o = from + i;
            double a = std::clamp(o * ratio, 0.0, end);
            const double b = std::clamp((o + 1) * ratio, 0.0, end);
            if (b - a < 1e-9) {
                a = std::max(0.0, b - 1.0);
            }
            const int lo = std::min(static_cast<int>(std::floor(a / factor)), levelLength - 1);
            const int hi = std::max(lo + 1, std::min(static_cast<int>(std::ceil(b / factor)), levelLength));
            const int c = std::min(hi - lo, t.stride);
            const double span = b - a;
            std::int32_t* w = &t.weights[static_cast<std::size_t>(i) * t.stride];
            double covered = 0.0;
            std::int32_t given = 0;
            for (int k = 0; k < c; ++k) {
                const int index = lo + k;
                const double left = std::max(a, static_cast<double>(index) * factor);
                const double right =
                    std::min(b, index == levelLength - 1 ? end : static_cast<double>(index + 1) * factor);
                covered += std::max(0.0, right - left);
                // Rounding the running total keeps the sum exactly one.
                const auto upTo = static_cast<std::int32_t>(std::lround(covered / span * kWeightOne));
                w[k] = upTo - given;
                given = upTo;
            }
            w[c - 1] += kWeightOne - given;
            t.first[i] = lo;
            t.count[i] = c;
        }
    }
    t.lowest = t.first.front();
    t.highest = 0;
    for (int i = 0; i < n; ++i) {
        t.lowest = std::min(t.lowest, t.first[i]);
        t.highest = std::max(t.highest, t.first[i] + t.count[i] - 1);
    }
    return t;
}

// Output rows [from, to) of the part: first the vertical taps over the columns the part needs (a plain
// multiply-add over contiguous bytes that the compiler vectorises), then the horizontal taps of that row.
void ScaleRows(const QImage& src, const AxisTaps& xt, const AxisTaps& yt, int from, int to, QImage* result) {
    const int firstColumn = xt.lowest;
    const int columns = xt.highest - xt.lowest + 1;
    const int n4 = columns * 4;
    const int outW = static_cast<int>(xt.first.size());
    std::vector<std::uint32_t> acc(static_cast<std::size_t>(n4));
    std::vector<std::uint16_t> row(static_cast<std::size_t>(n4));
    for (int y = from; y < to; ++y) {
        std::fill(acc.begin(), acc.end(), 1u << (kIntermediateShift - 1));
        const std::int32_t* w = &yt.weights[static_cast<std::size_t>(y) * yt.stride];
        for (int k = 0, n = yt.count[y]; k < n; ++k) {
            const std::uint8_t* line = src.constScanLine(yt.first[y] + k) + firstColumn * 4;
            const auto wk = static_cast<std::uint32_t>(w[k]);
            std::uint32_t* a = acc.data();
            for (int i = 0; i < n4; ++i) {
                a[i] += line[i] * wk;
            }
        }
        for (int i = 0; i < n4; ++i) {
            row[static_cast<std::size_t>(i)] =
                static_cast<std::uint16_t>(acc[static_cast<std::size_t>(i)] >> kIntermediateShift);
        }
        auto* out = reinterpret_cast<std::uint32_t*>(result->scanLine(y));
        for (int x = 0; x < outW; ++x) {
            const std::uint16_t* p = row.data() + (xt.first[x] - firstColumn) * 4;
            const std::int32_t* wx = &xt.weights[static_cast<std::size_t>(x) * xt.stride];
            constexpr std::uint32_t half = 1u << (kFinalShift - 1);
            std::uint32_t b = half, g = half, r = half;
            for (int k = 0, n = xt.count[x]; k < n; ++k, p += 4) {
                const auto wk = static_cast<std::uint32_t>(wx[k]);
                b += p[0] * wk;
                g += p[1] * wk;
                r += p[2] * wk;
            }
            out[x] =
                0xFF000000u | ((r >> kFinalShift) << 16) | ((g >> kFinalShift) << 8) | (b >> kFinalShift);
        }
    }
}

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
    pyramid_ = std::make_shared<Pyramid>();
}

QImage Picture::scaledPart(int scaledW, int scaledH, const QRect& part) const {
    if (image_.isNull() || scaledW <= 0 || scaledH <= 0) {
        return {};
    }
    const QRect clipped = part.intersected(QRect(0, 0, scaledW, scaledH));
    if (clipped.isEmpty()) {
        return {};
    }
    const int srcW = image_.width();
    const int srcH = image_.height();
    if (scaledW == srcW && scaledH == srcH) {
        return image_.copy(clipped);
    }
    QImage result(clipped.size(), QImage::Format_RGB32);
    if (result.isNull()) {
        return {};
    }

    // Start from the smallest halving that still has enough pixels for every output pixel.
    const QImage* level = &image_;
    LevelSpan span;
    if (scaledW < srcW && scaledH < srcH) {
        const double reduction =
            std::min(static_cast<double>(srcW) / scaledW, static_cast<double>(srcH) / scaledH);
        int wanted = 0;
        while (reduction / (2 << wanted) >= kMinLevelPixels) {
            ++wanted;
        }
        if (wanted > 0) {
            Pyramid& pyramid = *pyramid_;
            std::call_once(pyramid.built, [&] {
                QImage current = image_;
                LevelSpan span;
                while (current.width() >= 2 && current.height() >= 2 && pyramid.levels.size() < 16) {
                    LevelSpan halved;
                    current = Halve(current, span, &halved);
                    if (current.isNull()) {
                        break;
                    }
                    span = halved;
                    pyramid.levels.push_back(current);
                    pyramid.spans.push_back(span);
                }
            });
            wanted = std::min<int>(wanted, static_cast<int>(pyramid.levels.size()));
            if (wanted > 0) {
                level = &pyramid.levels[static_cast<std::size_t>(wanted - 1)];
                span = pyramid.spans[static_cast<std::size_t>(wanted - 1)];
            }
        }
    }

    const AxisTaps xt =
        MakeTaps(clipped.left(), clipped.right() + 1, srcW, scaledW, span.factor, level->width(), span.lastW);
    const AxisTaps yt = MakeTaps(clipped.top(), clipped.bottom() + 1, srcH, scaledH, span.factor,
                                 level->height(), span.lastH);
    const int outH = clipped.height();
    const bool threaded =
        qint64(clipped.width()) * outH >= kThreadedPixels && std::thread::hardware_concurrency() > 1;
    SplitRows(outH, threaded, [&](int from, int to) { ScaleRows(*level, xt, yt, from, to, &result); });
    return result;
}

}  // namespace picura
