#include <gtest/gtest.h>

#include <QImage>

#include "camera/CameraGeometry.h"
#include "platform/testing/FakeCameraDevice.h"

using namespace picura;

namespace {

TEST(SizeCameraWindow, DesignedSizesForTheExamples) {
    // Default frame: exactly the designed window.
    CameraWindowSize s = SizeCameraWindow({160, 210}, 0.75);
    EXPECT_EQ(s.outer, QSize(575, 399));
    EXPECT_EQ(s.video, QSize(412, 309));
    // A frame with margin relatively taller than the video: the height is fixed, the width follows.
    s = SizeCameraWindow({400, 300}, 0.75);
    EXPECT_EQ(s.video, QSize(440, 330));
    EXPECT_EQ(s.outer, QSize(603, 420));
    // A wide frame: the width is frame + 30, the height follows the ratio.
    s = SizeCameraWindow({600, 200}, 0.75);
    EXPECT_EQ(s.video, QSize(630, 472));
    // A small wide frame keeps the minimum width 412.
    s = SizeCameraWindow({300, 100}, 0.5625);
    EXPECT_EQ(s.video, QSize(412, 231));
    // The allowances of a platform that sizes outer frames are added.
    EXPECT_EQ(SizeCameraWindow({160, 210}, 0.75, {8, 30}).outer, QSize(583, 429));
    // A ratio that makes no sense falls back to the default rather than dividing by zero.
    EXPECT_EQ(SizeCameraWindow({160, 210}, 0.0).outer, QSize(575, 399));
}

TEST(SizeCameraWindow, FrameChangesWhileOpen) {
    // Width grows past the video: the width follows the frame even though the height rule would apply.
    CameraWindowSize s = SizeCameraWindowForFrameWidth({500, 210}, 0.75, {575, 399});
    EXPECT_EQ(s.video, QSize(530, 397));
    // Width shrinks: the usual rule.
    s = SizeCameraWindowForFrameWidth({100, 210}, 0.75, {703, 487});
    EXPECT_EQ(s.outer, QSize(575, 399));
    // Height grows past the video.
    s = SizeCameraWindowForFrameHeight({160, 400}, 0.75, {575, 399});
    EXPECT_EQ(s.video, QSize(573, 430));
}

TEST(LayoutCamera, DesignedLayoutAndMoveButtons) {
    const CameraLayout l = LayoutCamera({575, 399}, {575, 399}, 0.75);
    EXPECT_EQ(l.outer, QSize(575, 399));
    EXPECT_EQ(l.video, QRect(10, 16, 412, 309));
    EXPECT_EQ(l.groupBox, QRect(4, 4, 434, 336));
    EXPECT_EQ(l.buttonsLeft, 445);
    EXPECT_EQ(l.shootButtonTop, 280);
    EXPECT_EQ(l.checkBoxTop, 343);
    EXPECT_EQ(l.moveLeft, QPoint(457, 171));
    EXPECT_EQ(l.moveRight, QPoint(517, 171));
    EXPECT_EQ(l.moveUp, QPoint(489, 139));
    EXPECT_EQ(l.moveDown, QPoint(489, 199));
}

TEST(LayoutCamera, TheSideDraggedMoreDecides) {
    // Width dragged: the height follows the ratio.
    CameraLayout l = LayoutCamera({663, 420}, {575, 399}, 0.75);
    EXPECT_EQ(l.video.size(), QSize(500, 375));
    EXPECT_EQ(l.outer, QSize(663, 465));
    // Bottom edge dragged: h kept, w = trunc(h / r).
    l = LayoutCamera({580, 490}, {575, 399}, 0.75);
    EXPECT_EQ(l.video.size(), QSize(533, 400));
    EXPECT_EQ(l.outer, QSize(696, 490));
    // After a format change to 16:9 with no size change pending, the width rule gives 412 x 231.
    l = LayoutCamera({575, 399}, {575, 399}, 0.5625);
    EXPECT_EQ(l.video.size(), QSize(412, 231));
    EXPECT_EQ(l.groupBox.size(), QSize(434, 258));
    // A window squeezed below its fixed parts still has a video area.
    l = LayoutCamera({10, 10}, {575, 399}, 0.75);
    EXPECT_GE(l.video.width(), 1);
    EXPECT_GE(l.video.height(), 1);
}

TEST(LayoutCamera, TheEchoOfItsOwnSizeIsNotLaidOutAgain) {
    const CameraLayout l = LayoutCamera({663, 420}, {575, 399}, 0.75);
    EXPECT_FALSE(SizeChangeNeedsLayout(l.outer, l.outer));
    EXPECT_TRUE(SizeChangeNeedsLayout({663, 420}, l.outer));
    // Laying out its own result again is stable anyway: the nested run settles at once.
    const CameraLayout again = LayoutCamera(l.outer, l.outer, 0.75);
    EXPECT_EQ(again.outer, l.outer);
}

TEST(PlaceFrameBars, BarsAroundTheCentredDefaultFrame) {
    const QPoint p = CentreCameraFrame({10, 16, 412, 309}, {160, 210});
    EXPECT_EQ(p, QPoint(136, 65));
    const FrameBars b = PlaceFrameBars(p, {160, 210});
    EXPECT_EQ(b.board, QRect(136, 65, 160, 210));
    EXPECT_EQ(b.left, QRect(126, 55, 9, 230));
    EXPECT_EQ(b.top, QRect(126, 55, 180, 9));
    EXPECT_EQ(b.bottom, QRect(126, 276, 180, 9));
    // Right bar in window coordinates, 5 pixels right of the frame in the group box.
    EXPECT_EQ(b.rightInWindow, QRect(305, 59, 9, 230));
    EXPECT_EQ(b.rightInWindow.translated(-4, -4).left(), p.x() + 160 + 5);
    EXPECT_EQ(b.rightInWindow.translated(-4, -4).top(), b.left.top());
}

TEST(MeasureVideoRatio, FromTheRealFrameSize) {
    EXPECT_DOUBLE_EQ(MeasureVideoRatio(QSize(640, 480), 0.75), 0.75);
    EXPECT_DOUBLE_EQ(MeasureVideoRatio(QSize(1280, 720), 0.75), 0.5625);
    EXPECT_DOUBLE_EQ(MeasureVideoRatio(QSize(), 0.5625), 0.5625);
    EXPECT_DOUBLE_EQ(MeasureVideoRatio(QSize(0, 480), 0.75), 0.75);

    FakeCameraDevice device;
    ASSERT_TRUE(device.connectLast());
    EXPECT_DOUBLE_EQ(MeasureVideoRatio(device, 0.75), 0.75);  // no frame yet
    device.sendFrame();
    EXPECT_DOUBLE_EQ(MeasureVideoRatio(device, 0.5), 0.75);
    ASSERT_TRUE(device.setFormat(device.formatList[1]));
    device.sendFrame();
    EXPECT_DOUBLE_EQ(MeasureVideoRatio(device, 0.75), 0.5625);
}

TEST(NudgeCameraFrame, OnePixelAtOnceThenOnePerTickFromTheTenth) {
    NudgeCameraFrame nudge;
    QPoint moved = nudge.press(NudgeCameraFrame::Direction::Right);
    bool keep = false;
    for (int i = 0; i < 15; ++i) {
        moved += nudge.tick(&keep);
        EXPECT_TRUE(keep);
    }
    EXPECT_EQ(moved, QPoint(7, 0));
    nudge.release(NudgeCameraFrame::Direction::Right);
    EXPECT_EQ(nudge.tick(&keep), QPoint());
    EXPECT_FALSE(keep);

    // Released before the tenth tick: exactly one pixel.
    moved = nudge.press(NudgeCameraFrame::Direction::Up);
    for (int i = 0; i < 9; ++i) {
        moved += nudge.tick(&keep);
    }
    nudge.release(NudgeCameraFrame::Direction::Up);
    moved += nudge.tick(&keep);
    EXPECT_EQ(moved, QPoint(0, -1));

    // A second press starts the count again.
    moved = nudge.press(NudgeCameraFrame::Direction::Left);
    for (int i = 0; i < 10; ++i) {
        moved += nudge.tick(&keep);
    }
    EXPECT_EQ(moved, QPoint(-2, 0));
}

TEST(DragCameraFrame, StopsInsideTheVideoArea) {
    const QSize box(434, 336);
    const QSize frame(160, 210);
    const QPoint start(136, 65);
    const QPoint cursor(700, 500);
    EXPECT_EQ(DragCameraFrame(start, cursor, cursor + QPoint(-5000, 0), box, frame), QPoint(11, 65));
    EXPECT_EQ(DragCameraFrame(start, cursor, cursor + QPoint(5000, 0), box, frame), QPoint(258, 65));
    EXPECT_EQ(DragCameraFrame(start, cursor, cursor + QPoint(0, -5000), box, frame), QPoint(136, 17));
    EXPECT_EQ(DragCameraFrame(start, cursor, cursor + QPoint(0, 5000), box, frame), QPoint(136, 114));
    EXPECT_EQ(DragCameraFrame(start, cursor, cursor + QPoint(7, -3), box, frame), QPoint(143, 62));
}

TEST(CropQuickShoot, ExactlyTheFramedPreviewPixels) {
    QImage preview(412, 309, QImage::Format_RGB32);
    for (int y = 0; y < preview.height(); ++y) {
        for (int x = 0; x < preview.width(); ++x) {
            preview.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256) * 100));
        }
    }
    const QRect frame(126, 49, 160, 210);
    QImage photo = CropQuickShoot(preview, frame);
    ASSERT_EQ(photo.size(), QSize(160, 210));
    EXPECT_EQ(photo.pixel(0, 0), preview.pixel(126, 49));
    EXPECT_EQ(photo.pixel(159, 209), preview.pixel(285, 258));

    // A frame pushed beyond the preview: the size stays, the part outside is black.
    photo = CropQuickShoot(preview, QRect(-10, 300, 160, 210));
    ASSERT_EQ(photo.size(), QSize(160, 210));
    EXPECT_EQ(photo.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(photo.pixel(10, 0), preview.pixel(0, 300));
    EXPECT_EQ(photo.pixel(10, 8), preview.pixel(0, 308));
    EXPECT_EQ(photo.pixel(10, 9), qRgb(0, 0, 0));
    // No preview at all still gives a picture of the frame's size.
    EXPECT_EQ(CropQuickShoot(QImage(), frame).size(), QSize(160, 210));
    EXPECT_TRUE(CropQuickShoot(preview, QRect(0, 0, 0, 5)).isNull());
}

}  // namespace
