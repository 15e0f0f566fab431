#include <gtest/gtest.h>

#include <cmath>

#include "TestImages.h"
#include "imaging/Rotate.h"

using namespace picura;
using namespace picura::test;

namespace {

TEST(Rotate, QuarterTurnsAreExactAndClockwiseForPlusNinety) {
    const QImage photo = MakePhotoLike(640, 480);
    const QImage cw = RotatePicture(photo, 90, qRgb(255, 255, 255));
    ASSERT_EQ(cw.size(), QSize(480, 640));
    // The top-left corner goes to the top right; the bottom-left to the top-left.
    EXPECT_EQ(cw.pixel(479, 0), photo.pixel(0, 0));
    EXPECT_EQ(cw.pixel(0, 0), photo.pixel(0, 479));
    EXPECT_EQ(cw.pixel(479 - 17, 33), photo.pixel(33, 17));
    const QImage ccw = RotatePicture(photo, -90, qRgb(255, 255, 255));
    ASSERT_EQ(ccw.size(), QSize(480, 640));
    EXPECT_EQ(ccw.pixel(0, 639), photo.pixel(0, 0));
    EXPECT_EQ(MaxChannelDifference(RotatePicture(cw, -90, 0), photo), 0);
    EXPECT_EQ(MaxChannelDifference(RotatePicture(photo, 270, 0), ccw), 0);
    EXPECT_EQ(MaxChannelDifference(RotatePicture(photo, -450, 0), ccw), 0);
}

TEST(Rotate, FourTurnsInOneDirectionGiveThePictureBack) {
    const QImage photo = MakePhotoLike(123, 45, 3);
    for (double angle : {90.0, -90.0}) {
        QImage turned = photo;
        for (int i = 0; i < 4; ++i) {
            turned = RotatePicture(turned, angle, qRgb(255, 255, 255));
            ASSERT_FALSE(turned.isNull());
        }
        EXPECT_EQ(MaxChannelDifference(turned, photo), 0);
    }
    const QImage half = RotatePicture(photo, 180, 0);
    EXPECT_EQ(half.pixel(122, 44), photo.pixel(0, 0));
}

TEST(Rotate, OtherAnglesGrowTheCanvasAndFillCornersWithTheBackground) {
    const QImage solid = MakeSolid(200, 100, qRgb(0, 0, 0));
    const double r = 30 * 3.1415926535 / 180;
    const int w = int(std::trunc(std::abs(100 * std::sin(r)) + std::abs(200 * std::cos(r))));
    const int h = int(std::trunc(std::abs(100 * std::cos(r)) + std::abs(200 * std::sin(r))));
    const QImage turned = RotatePicture(solid, 30, qRgb(255, 255, 255));
    ASSERT_EQ(turned.size(), QSize(w, h));
    EXPECT_EQ(turned.size(), QSize(223, 186));
    EXPECT_EQ(turned.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(turned.pixel(w - 1, h - 1), qRgb(255, 255, 255));
    EXPECT_EQ(turned.pixel(w / 2, h / 2), qRgb(0, 0, 0));
    // A positive angle turns clockwise: the top-left corner of the picture moves right, up to the top edge.
    const QImage marked = [] {
        QImage m = MakeSolid(200, 100, qRgb(0, 0, 0));
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x) {
                m.setPixel(x, y, qRgb(255, 0, 0));
            }
        }
        return m;
    }();
    const QImage t = RotatePicture(marked, 30, qRgb(255, 255, 255));
    // The corner lands near (50, 0) and the middle of the red square near (53.6, 13.4); a counter-clockwise
    // turn would have put it near (14, 103).
    const QRgb near = t.pixel(53, 13);
    EXPECT_GT(qRed(near), 200);
    EXPECT_LT(qGreen(near), 60);
    EXPECT_TRUE(RotatePicture(QImage(), 90, 0).isNull());
}

}  // namespace
