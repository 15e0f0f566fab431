#include "view/CropFrame.h"

#include <gtest/gtest.h>

#include <climits>

namespace picura {
namespace {

TEST(SizePresets, EntriesInOrderWithTheirSizes) {
    ASSERT_EQ(kSizePresets.size(), 8u);
    const char* texts[] = {"默认",  "自定义",    "学籍/身份证", "小1寸",
                           "1寸照", "小2寸普通", "小2寸护照",   "2寸照"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(SizePresetText(i), QString::fromUtf8(texts[i])) << i;
    }
    EXPECT_TRUE(SizePresetText(8).isEmpty());
    EXPECT_TRUE(SizePresetText(-1).isEmpty());

    const auto oneInch = SizePresetTexts(4);
    ASSERT_TRUE(oneInch.has_value());
    EXPECT_EQ(oneInch->width, QStringLiteral("295"));
    EXPECT_EQ(oneInch->height, QStringLiteral("413"));
    EXPECT_EQ(SizePresetTexts(0)->width, QStringLiteral("160"));
    EXPECT_EQ(SizePresetTexts(2)->height, QStringLiteral("441"));
    EXPECT_EQ(SizePresetTexts(7)->height, QStringLiteral("626"));
    EXPECT_FALSE(SizePresetTexts(kCustomSizePreset).has_value());
    EXPECT_FALSE(SizePresetTexts(8).has_value());
}

TEST(CentreFrame, StartAndLayoutPositions) {
    CropFrame frame{0, 0, 160, 210};
    CentreFrame(frame, QSize(411, 279));
    EXPECT_EQ(frame, (CropFrame{125, 34, 160, 210}));
    // Rounded-down halves: a 161-wide frame still starts at 205 − 80.
    frame.width = 161;
    frame.height = 211;
    CentreFrame(frame, QSize(411, 279));
    EXPECT_EQ(frame.left, 125);
    EXPECT_EQ(frame.top, 34);
    // A frame larger than the view starts left of it.
    frame.width = 501;
    CentreFrame(frame, QSize(411, 279));
    EXPECT_EQ(frame.left, 205 - 250);
    EXPECT_EQ(PlaceCropBoard(frame), QRect(-45, 34, 501, 211));
}

TEST(HitsFrame, FromOnePixelOutsideToTheOutline) {
    const CropFrame frame{125, 34, 160, 210};
    EXPECT_TRUE(HitsFrame(frame, 124, 33));
    EXPECT_TRUE(HitsFrame(frame, 286, 245));  // left + width + 1, top + height + 1
    EXPECT_TRUE(HitsFrame(frame, 200, 100));
    EXPECT_FALSE(HitsFrame(frame, 123, 100));
    EXPECT_FALSE(HitsFrame(frame, 287, 100));
    EXPECT_FALSE(HitsFrame(frame, 200, 32));
    EXPECT_FALSE(HitsFrame(frame, 200, 246));
    // Empty frame: still the outline's square.
    EXPECT_TRUE(HitsFrame(CropFrame{10, 10, 0, 0}, 11, 11));
    EXPECT_FALSE(HitsFrame(CropFrame{10, 10, 0, 0}, 12, 11));
    // No overflow at the ends of the int range.
    EXPECT_TRUE(HitsFrame(CropFrame{INT_MAX - 5, 0, 10, 10}, INT_MAX, 5));
}

TEST(DragFrame, FollowsThePointerByWholePixels) {
    CropFrame frame{125, 34, 160, 210};
    QPoint last(200, 100);
    DragFrame(frame, last, 210, 95);
    EXPECT_EQ(frame.left, 135);
    EXPECT_EQ(frame.top, 29);
    EXPECT_EQ(last, QPoint(210, 95));
    // Beyond the view's edges too, keeping the offset to the pointer.
    DragFrame(frame, last, -300, -400);
    EXPECT_EQ(frame.left, 135 - 510);
    EXPECT_EQ(frame.top, 29 - 495);
    EXPECT_EQ(frame.width, 160);
}

TEST(MoveFrame, OnePixelPerDirectionAndSaturates) {
    CropFrame frame{10, 20, 5, 5};
    MoveFrame(frame, MoveDirection::Up);
    MoveFrame(frame, MoveDirection::Right);
    MoveFrame(frame, MoveDirection::Right);
    EXPECT_EQ(frame, (CropFrame{12, 19, 5, 5}));
    MoveFrame(frame, MoveDirection::Down);
    MoveFrame(frame, MoveDirection::Left);
    EXPECT_EQ(frame, (CropFrame{11, 20, 5, 5}));
    frame.left = INT_MAX;
    MoveFrame(frame, MoveDirection::Right);
    EXPECT_EQ(frame.left, INT_MAX);
}

TEST(MoveRepeat, OnePixelAtPressThenFromTheTenthTick) {
    CropFrame frame{100, 100, 10, 10};
    MoveRepeat repeat;
    repeat.press(frame, MoveDirection::Right);
    EXPECT_EQ(frame.left, 101);
    EXPECT_TRUE(repeat.timerRunning());
    for (int i = 1; i <= 9; ++i) {
        EXPECT_FALSE(repeat.tick(frame, true)) << i;
    }
    EXPECT_EQ(frame.left, 101);
    EXPECT_TRUE(repeat.tick(frame, true));  // tick 10
    EXPECT_EQ(frame.left, 102);
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(repeat.tick(frame, true));
    }
    EXPECT_EQ(frame.left, 107);
    repeat.release(MoveDirection::Right);
    EXPECT_FALSE(repeat.timerRunning());
    EXPECT_EQ(repeat.tickCount(), 0);
    EXPECT_FALSE(repeat.tick(frame, true));  // a late tick moves nothing
    EXPECT_EQ(frame.left, 107);

    // A new press starts the delay again.
    repeat.press(frame, MoveDirection::Up);
    EXPECT_EQ(frame.top, 99);
    for (int i = 1; i <= 9; ++i) {
        repeat.tick(frame, true);
    }
    EXPECT_EQ(frame.top, 99);
}

TEST(MoveRepeat, FirstHeldDirectionInOrderUpDownLeftRight) {
    CropFrame frame{100, 100, 10, 10};
    MoveRepeat repeat;
    repeat.press(frame, MoveDirection::Right);
    repeat.press(frame, MoveDirection::Down);  // both held
    EXPECT_EQ(frame, (CropFrame{101, 101, 10, 10}));
    for (int i = 0; i < 10; ++i) {
        repeat.tick(frame, true);
    }
    EXPECT_EQ(frame, (CropFrame{101, 102, 10, 10}));  // down comes before right
}

TEST(MoveRepeat, StopsWithoutAPicture) {
    CropFrame frame{100, 100, 10, 10};
    MoveRepeat repeat;
    repeat.press(frame, MoveDirection::Left);
    for (int i = 0; i < 20; ++i) {
        EXPECT_FALSE(repeat.tick(frame, false));
    }
    EXPECT_FALSE(repeat.timerRunning());
    EXPECT_EQ(frame.left, 99);
}

}  // namespace
}  // namespace picura
