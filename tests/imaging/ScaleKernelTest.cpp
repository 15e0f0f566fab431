#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "TestImages.h"
#include "imaging/Picture.h"
#include "imaging/Scale.h"

using namespace picura;
using namespace picura::test;

namespace {

// Random bytes: the harshest input for rounding and saturation (0 and 255 next to each other).
QImage Noise(int w, int h, std::mt19937& rng) {
    QImage img(w, h, QImage::Format_RGB32);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            line[x] = qRgb(byte(rng), byte(rng), byte(rng));
        }
    }
    return img;
}

QImage ScaleWith(scale::Kernel kernel, const QImage& level, const scale::AxisTaps& xt,
                 const scale::AxisTaps& yt) {
    QImage out(static_cast<int>(xt.first.size()), static_cast<int>(yt.first.size()), QImage::Format_RGB32);
    scale::ScaleRows(kernel, level, xt, yt, 0, out.height(), &out);
    return out;
}

// The SIMD kernels against the one-multiply-at-a-time kernel, with the same taps: widths that leave every
// remainder of the vector loops, tap counts from 1 (enlarging) to many (strong reductions from a coarse
// level), parts anywhere.
TEST(ScaleKernels, FastAndPlainAgreeOnRandomPicturesZoomsAndParts) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 150; ++round) {
        std::uniform_int_distribution<int> side(1, 160);
        const int lw = side(rng), lh = side(rng);
        const QImage level = round % 3 == 0 ? MakePhotoLike(lw, lh, round) : Noise(lw, lh, rng);
        // The level stands for a full-size picture `factor` times larger, its last pixel for what is left.
        const int factor = 1 << std::uniform_int_distribution<int>(0, 3)(rng);
        const int lastW = std::uniform_int_distribution<int>(1, factor)(rng);
        const int lastH = std::uniform_int_distribution<int>(1, factor)(rng);
        const int srcW = (lw - 1) * factor + lastW, srcH = (lh - 1) * factor + lastH;
        const double zoom =
            std::exp(std::uniform_real_distribution<double>(std::log(0.02), std::log(3.0))(rng));
        const int sw = std::max(1, static_cast<int>(srcW * zoom)),
                  sh = std::max(1, static_cast<int>(srcH * zoom));
        const int x0 = std::uniform_int_distribution<int>(0, sw - 1)(rng);
        const int y0 = std::uniform_int_distribution<int>(0, sh - 1)(rng);
        const int x1 = std::uniform_int_distribution<int>(x0 + 1, sw)(rng);
        const int y1 = std::uniform_int_distribution<int>(y0 + 1, sh)(rng);
        SCOPED_TRACE("round " + std::to_string(round) + ": level " + std::to_string(lw) + "x" +
                     std::to_string(lh) + " factor " + std::to_string(factor) + " to " + std::to_string(sw) +
                     "x" + std::to_string(sh));
        const scale::AxisTaps xt = scale::MakeTaps(x0, x1, srcW, sw, factor, lw, lastW);
        const scale::AxisTaps yt = scale::MakeTaps(y0, y1, srcH, sh, factor, lh, lastH);
        const QImage plain = ScaleWith(scale::Kernel::Plain, level, xt, yt);
        const QImage fast = ScaleWith(scale::Kernel::Fast, level, xt, yt);
        ASSERT_LE(MaxChannelDifference(fast, plain), 1);
    }
}

// The fast kernels work on whole vectors of bytes and finish a row's last bytes one at a time; both must
// compute exactly the same, or a column would come out differently depending on where the part it is scaled
// in starts, and parts of one scaled picture would not join. Parts starting at every column of a span of
// vector widths, at every kind of zoom (enlarging, area from 2 to many taps), must equal the wide part.
TEST(ScaleKernels, FastKernelsGiveEveryColumnTheSameWhereverThePartStarts) {
    std::mt19937 rng(99);
    const QImage level = Noise(301, 40, rng);
    for (const int target : {700, 301, 150, 97, 40, 9}) {
        SCOPED_TRACE("width " + std::to_string(target));
        const int th = 17;
        const scale::AxisTaps yt = scale::MakeTaps(0, th, 40, th, 1, 40, 1);
        const scale::AxisTaps wide = scale::MakeTaps(0, target, 301, target, 1, 301, 1);
        const QImage whole = ScaleWith(scale::Kernel::Fast, level, wide, yt);
        for (int from = 0; from < std::min(target - 1, 40); ++from) {
            const scale::AxisTaps xt = scale::MakeTaps(from, target, 301, target, 1, 301, 1);
            const QImage part = ScaleWith(scale::Kernel::Fast, level, xt, yt);
            ASSERT_EQ(MaxChannelDifference(part, whole.copy(from, 0, target - from, th)), 0)
                << "from " << from;
        }
    }
}

// Rows shared out in chunks among threads that take them as they come give the rows one thread gives.
TEST(ScaleKernels, RowsSharedAmongThreadsEqualRowsScaledByOne) {
    const QImage level = MakePhotoLike(900, 700, 8);
    const scale::AxisTaps xt = scale::MakeTaps(0, 333, 900, 333, 1, 900, 1);
    const scale::AxisTaps yt = scale::MakeTaps(0, 259, 700, 259, 1, 700, 1);
    const QImage alone = ScaleWith(scale::Kernel::Fast, level, xt, yt);
    QImage shared(alone.size(), QImage::Format_RGB32);
    shared.fill(Qt::black);
    const scale::RowsOut out{shared.bits(), shared.bytesPerLine()};
    std::atomic<int> next{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 3; ++i) {
        threads.emplace_back([&] {
            scale::ScaleRowChunks(scale::Kernel::Fast, level, xt, yt, &next, 7, shared.height(), out);
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(MaxChannelDifference(shared, alone), 0);
}

// Straightforward scaling in doubles of one output pixel along one axis: the area average when shrinking,
// bilinear between pixel centres when enlarging.
std::vector<std::pair<int, double>> AxisWeights(int o, int source, int target) {
    std::vector<std::pair<int, double>> w;
    const double ratio = double(source) / target;
    if (target >= source) {
        const double s = std::clamp((o + 0.5) * ratio - 0.5, 0.0, double(source - 1));
        const int i0 = int(std::floor(s));
        w.push_back({i0, 1 - (s - i0)});
        if (i0 + 1 < source) {
            w.push_back({i0 + 1, s - i0});
        }
    } else {
        const double a = o * ratio, b = (o + 1) * ratio;
        for (int i = int(std::floor(a)); i < std::min(source, int(std::ceil(b))); ++i) {
            const double cover = std::min(b, i + 1.0) - std::max(a, double(i));
            if (cover > 0) {
                w.push_back({i, cover / (b - a)});
            }
        }
    }
    return w;
}

QImage ReferencePart(const QImage& src, int tw, int th, const QRect& part) {
    QImage out(part.size(), QImage::Format_RGB32);
    for (int y = 0; y < part.height(); ++y) {
        const auto wy = AxisWeights(part.top() + y, src.height(), th);
        for (int x = 0; x < part.width(); ++x) {
            const auto wx = AxisWeights(part.left() + x, src.width(), tw);
            double r = 0, g = 0, b = 0;
            for (auto [sy, fy] : wy) {
                for (auto [sx, fx] : wx) {
                    const QRgb c = src.pixel(sx, sy);
                    r += fx * fy * qRed(c);
                    g += fx * fy * qGreen(c);
                    b += fx * fy * qBlue(c);
                }
            }
            out.setPixel(x, y, qRgb(int(std::lround(r)), int(std::lround(g)), int(std::lround(b))));
        }
    }
    return out;
}

// The whole road (level chosen from the pyramid, taps, fast kernels, a second thread for large parts)
// against the straightforward scale of the full picture, on random parts at random zooms. Without a
// halving (shrinking by less than 4, or enlarging) they agree within one level; from a halving, whose
// pixels are taken as evenly covered, within a few.
TEST(ScaleKernels, ScaledPartsAgreeWithAStraightforwardScaleOfTheFullPicture) {
    std::mt19937 rng(7);
    const QImage photo = MakePhotoLike(1200, 900, 3);
    const Picture picture(photo);
    for (int round = 0; round < 40; ++round) {
        const double zoom =
            std::exp(std::uniform_real_distribution<double>(std::log(0.05), std::log(2.5))(rng));
        const int sw = static_cast<int>(1200 * zoom), sh = static_cast<int>(900 * zoom);
        const int w = std::uniform_int_distribution<int>(1, std::min(sw, 700))(rng);
        const int h = std::uniform_int_distribution<int>(1, std::min(sh, 400))(rng);
        const QRect part(std::uniform_int_distribution<int>(0, sw - w)(rng),
                         std::uniform_int_distribution<int>(0, sh - h)(rng), w, h);
        SCOPED_TRACE("zoom " + std::to_string(zoom));
        const QImage ours = picture.scaledPart(sw, sh, part);
        const QImage reference = ReferencePart(photo, sw, sh, part);
        ASSERT_EQ(ours.size(), part.size());
        const bool fromHalving = 1200.0 / sw >= 4.0;
        EXPECT_LE(MaxChannelDifference(ours, reference), fromHalving ? 3 : 1);
        EXPECT_LT(MeanChannelDifference(ours, reference), fromHalving ? 0.6 : 0.2);
    }
}

}  // namespace
