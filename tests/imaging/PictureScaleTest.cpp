#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "TestImages.h"
#include "imaging/Picture.h"

using namespace picura;
using namespace picura::test;

namespace {

// Straightforward reference, in doubles: area average per axis when shrinking, bilinear when enlarging.
std::vector<std::pair<int, double>> AxisWeights(int o, int source, int target) {
    std::vector<std::pair<int, double>> w;
    const double ratio = double(source) / target;
    if (target >= source) {
        const double s = std::clamp((o + 0.5) * ratio - 0.5, 0.0, double(source - 1));
        const int i0 = int(std::floor(s));
        const double f = s - i0;
        w.push_back({i0, 1 - f});
        if (i0 + 1 < source) {
            w.push_back({i0 + 1, f});
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

QImage ReferenceScale(const QImage& src, int tw, int th) {
    QImage out(tw, th, QImage::Format_RGB32);
    for (int y = 0; y < th; ++y) {
        const auto wy = AxisWeights(y, src.height(), th);
        for (int x = 0; x < tw; ++x) {
            const auto wx = AxisWeights(x, src.width(), tw);
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

TEST(PictureScale, AgreesWithAStraightforwardScaleAtManySizes) {
    const QImage photo = MakePhotoLike(301, 211, 4);
    const Picture picture(photo);
    const QSize sizes[] = {{150, 105}, {100, 70},  {21, 15},   {7, 5},
                           {302, 212}, {903, 633}, {600, 100}, {50, 400}};
    for (const QSize size : sizes) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        const QImage ours = picture.scaled(size.width(), size.height());
        const QImage reference = ReferenceScale(photo, size.width(), size.height());
        ASSERT_EQ(ours.size(), size);
        // Strong reductions start from halvings: close to, not equal to, the full average.
        EXPECT_LE(MaxChannelDifference(ours, reference), 3);
        EXPECT_LT(MeanChannelDifference(ours, reference), 0.6);
    }
}

TEST(PictureScale, OwnSizeIsPixelExactAndSolidStaysSolid) {
    const QImage photo = MakePhotoLike(64, 48);
    EXPECT_EQ(MaxChannelDifference(Picture(photo).scaled(64, 48), photo), 0);
    const Picture solid(MakeSolid(97, 61, qRgb(12, 200, 77)));
    for (const QSize size : {QSize(5, 3), QSize(33, 20), QSize(300, 7), QSize(97, 200)}) {
        EXPECT_EQ(MaxChannelDifference(solid.scaled(size.width(), size.height()),
                                       MakeSolid(size.width(), size.height(), qRgb(12, 200, 77))),
                  0);
    }
}

TEST(PictureScale, PartsJoinWithoutSeamsAndMatchTheWhole) {
    const Picture picture(MakePhotoLike(1000, 700, 2));
    const QSize scales[] = {{70, 49}, {500, 350}, {1000, 700}, {3000, 2100}, {1300, 300}, {333, 1400}};
    for (const QSize s : scales) {
        SCOPED_TRACE(std::to_string(s.width()) + "x" + std::to_string(s.height()));
        const QRect area(s.width() / 5, s.height() / 4, std::min(s.width() / 2, 411),
                         std::min(s.height() / 2, 279));
        const QImage whole = picture.scaledPart(s.width(), s.height(), area);
        ASSERT_EQ(whole.size(), area.size());
        // Four uneven tiles of the same area.
        const int cx = area.width() / 3, cy = area.height() * 2 / 3;
        QImage joined(area.size(), QImage::Format_RGB32);
        for (const QRect tile :
             {QRect(0, 0, cx, cy), QRect(cx, 0, area.width() - cx, cy), QRect(0, cy, cx, area.height() - cy),
              QRect(cx, cy, area.width() - cx, area.height() - cy)}) {
            const QImage part = picture.scaledPart(s.width(), s.height(), tile.translated(area.topLeft()));
            ASSERT_EQ(part.size(), tile.size());
            for (int y = 0; y < tile.height(); ++y) {
                for (int x = 0; x < tile.width(); ++x) {
                    joined.setPixel(tile.x() + x, tile.y() + y, part.pixel(x, y));
                }
            }
        }
        EXPECT_EQ(MaxChannelDifference(joined, whole), 0);
        // And the same place of the whole picture scaled at once.
        if (qint64(s.width()) * s.height() <= 3000 * 2100) {
            const QImage all = picture.scaled(s.width(), s.height());
            EXPECT_EQ(MaxChannelDifference(all.copy(area), whole), 0);
        }
    }
}

TEST(PictureScale, PartsAreClippedToTheScaledPicture) {
    const Picture picture(MakePhotoLike(100, 100));
    EXPECT_EQ(picture.scaledPart(50, 50, QRect(40, -10, 30, 30)).size(), QSize(10, 20));
    EXPECT_TRUE(picture.scaledPart(50, 50, QRect(60, 0, 10, 10)).isNull());
    EXPECT_TRUE(picture.scaledPart(0, 50, QRect(0, 0, 10, 10)).isNull());
    EXPECT_TRUE(Picture().scaled(10, 10).isNull());
}

TEST(PictureScale, CopiesShareThePyramidSafelyAcrossThreads) {
    const Picture picture(MakePhotoLike(2000, 1500, 9));
    const Picture copy = picture;
    QImage a, b;
    std::thread t([&] { a = picture.scaledPart(140, 105, QRect(10, 10, 100, 80)); });
    b = copy.scaledPart(140, 105, QRect(10, 10, 100, 80));
    t.join();
    ASSERT_FALSE(a.isNull());
    EXPECT_EQ(MaxChannelDifference(a, b), 0);
}

TEST(PictureScale, TransparentSourceIsFlattenedOntoWhite) {
    QImage argb(2, 1, QImage::Format_ARGB32);
    argb.setPixel(0, 0, qRgba(255, 0, 0, 128));
    argb.setPixel(1, 0, qRgba(0, 0, 0, 0));
    const Picture p(argb);
    EXPECT_EQ(p.image().format(), QImage::Format_RGB32);
    EXPECT_EQ(p.image().pixel(0, 0), qRgb(255, 127, 127));
    EXPECT_EQ(p.image().pixel(1, 0), qRgb(255, 255, 255));
}

}  // namespace
