#include "view/FrameSize.h"

#include <gtest/gtest.h>

namespace picura {
namespace {

WindowGeometry Designed(QSize screen = QSize(1280, 1024)) {
    return {QSize(411, 279), 0, 0, screen, false, QSize(0, 0)};
}

TEST(NumberText, WholeAndDecimalNumbers) {
    EXPECT_EQ(NumberText(211), QStringLiteral("211"));
    EXPECT_EQ(NumberText(12.5), QStringLiteral("12.5"));
    EXPECT_EQ(NumberText(-1), QStringLiteral("-1"));
    EXPECT_EQ(NumberText(-0.0), QStringLiteral("0"));
}

TEST(PixelBoxes, SpinAndFrameSide) {
    EXPECT_EQ(SpinPixelText(QStringLiteral("210"), 1), QStringLiteral("211"));
    EXPECT_EQ(SpinPixelText(QStringLiteral("160"), -1), QStringLiteral("159"));
    EXPECT_EQ(SpinPixelText(QString(), 1), QStringLiteral("1"));
    EXPECT_EQ(SpinPixelText(QStringLiteral("0"), -1), QStringLiteral("-1"));

    EXPECT_EQ(FrameSideFromText(QStringLiteral("295")), 295);
    EXPECT_EQ(FrameSideFromText(QStringLiteral("12.9")), 12);
    EXPECT_EQ(FrameSideFromText(QStringLiteral("abc")), 0);
    EXPECT_EQ(FrameSideFromText(QStringLiteral("-1")), 0);
    EXPECT_EQ(FrameSideFromText(QStringLiteral("99999999999")), kMaxFrameSide);
}

TEST(JpgLimit, NormalisesTheText) {
    auto check = [](const char* text, double limit, const char* newText) {
        const JpgLimitResult r = NormaliseJpgLimit(QString::fromUtf8(text));
        EXPECT_DOUBLE_EQ(r.limit, limit) << text;
        if (newText) {
            ASSERT_TRUE(r.newText.has_value()) << text;
            EXPECT_EQ(*r.newText, QString::fromUtf8(newText)) << text;
            // The box's next content change finds the text normal.
            EXPECT_FALSE(NormaliseJpgLimit(*r.newText).newText.has_value()) << text;
        } else {
            EXPECT_FALSE(r.newText.has_value()) << text;
        }
    };
    check("500", 500, nullptr);
    check("12.5", 12.5, nullptr);
    check("0", 50, "50");
    check("", 50, "50");
    check("abc", 50, "50");
    check("-3", 50, "50");
    check("0.00000001", 50, "50");
    check("050", 50, "50");
    check("1 2", 12, "12");
    check("1　2", 12, "12");  // full-width blank
    check("12.", 12, "12");
    check("30kb", 30, "30");
}

TEST(JpgLimit, SpinBelowOneGivesFiveHundred) {
    EXPECT_EQ(SpinJpgLimitText(QStringLiteral("500"), 1), QStringLiteral("501"));
    EXPECT_EQ(SpinJpgLimitText(QStringLiteral("2"), -1), QStringLiteral("1"));
    EXPECT_EQ(SpinJpgLimitText(QStringLiteral("1"), -1), QStringLiteral("500"));
    EXPECT_EQ(SpinJpgLimitText(QStringLiteral("1.5"), -1), QStringLiteral("500"));
    EXPECT_EQ(SpinJpgLimitText(QStringLiteral("0.5"), 1), QStringLiteral("1.5"));
}

TEST(ApplyFrameSide, FittingSizesKeepTheWindow) {
    CropFrame frame{125, 34, 160, 210};
    const FrameSizeChange change = ApplyFrameSide(frame, FrameSide::Width, QStringLiteral("295"), Designed());
    EXPECT_EQ(frame, (CropFrame{125, 34, 295, 210}));  // grows to the right
    EXPECT_TRUE(change.placeAndRepaint);
    EXPECT_FALSE(change.growWindow);
    EXPECT_FALSE(change.showScreenTooSmall);
    EXPECT_FALSE(change.resizeCameraWindow);
    // 248 + 30 < 279 fits; 249 does not.
    EXPECT_TRUE(ApplyFrameSide(frame, FrameSide::Height, QStringLiteral("248"), Designed()).placeAndRepaint);
    EXPECT_TRUE(ApplyFrameSide(frame, FrameSide::Height, QStringLiteral("249"), Designed()).growWindow);
}

TEST(ApplyFrameSide, WidthGrowthFormula) {
    CropFrame frame{125, 34, 160, 210};
    FrameSizeChange change = ApplyFrameSide(frame, FrameSide::Width, QStringLiteral("381"), Designed());
    EXPECT_TRUE(change.growWindow);
    EXPECT_EQ(change.outerSize, 594);  // no visible change
    EXPECT_EQ(MainViewSize(QSize(change.outerSize, 414), 0, 0), QSize(411, 279));
    change = ApplyFrameSide(frame, FrameSide::Width, QStringLiteral("382"), Designed());
    EXPECT_EQ(change.outerSize, 595);
    EXPECT_EQ(MainViewSize(QSize(change.outerSize, 414), 0, 0).width(), 382 + 30);
    // The allowance joins the formula.
    WindowGeometry thick = Designed();
    thick.widthAllowance = 6;
    EXPECT_EQ(ApplyFrameSide(frame, FrameSide::Width, QStringLiteral("400"), thick).outerSize, 619);
}

TEST(ApplyFrameSide, OneInchPresetGrowsTheHeight) {
    CropFrame frame{125, 34, 160, 210};
    EXPECT_TRUE(ApplyFrameSide(frame, FrameSide::Width, QStringLiteral("295"), Designed()).placeAndRepaint);
    const FrameSizeChange change =
        ApplyFrameSide(frame, FrameSide::Height, QStringLiteral("413"), Designed(QSize(1024, 768)));
    EXPECT_TRUE(change.growWindow);
    EXPECT_FALSE(change.placeAndRepaint);
    EXPECT_EQ(change.outerSize, 578);
    EXPECT_EQ(MainViewSize(QSize(594, change.outerSize), 0, 0).height(), 443);
    EXPECT_FALSE(change.showScreenTooSmall);
}

TEST(ApplyFrameSide, ScreenTooSmallMessageCondition) {
    CropFrame frame{125, 34, 160, 210};
    // Height: outer 578 + 20 > screen height.
    EXPECT_TRUE(ApplyFrameSide(frame, FrameSide::Height, QStringLiteral("413"), Designed(QSize(1280, 597)))
                    .showScreenTooSmall);
    EXPECT_FALSE(ApplyFrameSide(frame, FrameSide::Height, QStringLiteral("413"), Designed(QSize(1280, 598)))
                     .showScreenTooSmall);
    // Width: outer 626 + 10 > screen width.
    EXPECT_TRUE(ApplyFrameSide(frame, FrameSide::Width, QStringLiteral("413"), Designed(QSize(635, 1024)))
                    .showScreenTooSmall);
    EXPECT_FALSE(ApplyFrameSide(frame, FrameSide::Width, QStringLiteral("413"), Designed(QSize(636, 1024)))
                     .showScreenTooSmall);
}

TEST(ApplyFrameSide, ScreenTooSmallCountsTheWindowManagersFrame) {
    // Qt's outer size leaves out the title bar and borders the window manager adds. On a
    // 1024 × 590 screen "1寸照" grows this window (menu bar inside, allowance −31) to 547
    // pixels, which with a 28-pixel title bar and 20 of margin no longer fits.
    CropFrame frame{125, 34, 160, 210};
    WindowGeometry g = Designed(QSize(1024, 590));
    g.heightAllowance = -31;
    EXPECT_FALSE(ApplyFrameSide(frame, FrameSide::Height, QStringLiteral("413"), g).showScreenTooSmall);
    g.frameMargins = QSize(2, 28);
    const FrameSizeChange tall = ApplyFrameSide(frame, FrameSide::Height, QStringLiteral("413"), g);
    EXPECT_EQ(tall.outerSize, 547);
    EXPECT_TRUE(tall.showScreenTooSmall);
    // The same for the width: 626 + 2 + 10 > 637.
    g.screen = QSize(637, 1024);
    EXPECT_TRUE(ApplyFrameSide(frame, FrameSide::Width, QStringLiteral("413"), g).showScreenTooSmall);
    g.screen = QSize(638, 1024);
    EXPECT_FALSE(ApplyFrameSide(frame, FrameSide::Width, QStringLiteral("413"), g).showScreenTooSmall);
}

TEST(ApplyFrameSide, ShrinkingNeverShrinksTheWindow) {
    // "默认" after "2寸照": the view is 443 + 30 wide by now; 160 fits.
    CropFrame frame{0, 0, 413, 626};
    WindowGeometry grown = Designed();
    grown.view = QSize(443, 656);
    EXPECT_TRUE(ApplyFrameSide(frame, FrameSide::Width, QStringLiteral("160"), grown).placeAndRepaint);
    EXPECT_TRUE(ApplyFrameSide(frame, FrameSide::Height, QStringLiteral("210"), grown).placeAndRepaint);
}

TEST(ApplyFrameSide, CameraWindowSeamAndHostileText) {
    CropFrame frame{125, 34, 160, 210};
    WindowGeometry withCamera = Designed();
    withCamera.cameraWindowOpen = true;
    EXPECT_TRUE(
        ApplyFrameSide(frame, FrameSide::Width, QStringLiteral("200"), withCamera).resizeCameraWindow);
    // A huge number neither overflows the window arithmetic nor makes a
    // frame that cannot be cropped.
    const FrameSizeChange change =
        ApplyFrameSide(frame, FrameSide::Width, QStringLiteral("1e300"), Designed());
    EXPECT_EQ(frame.width, kMaxFrameSide);
    EXPECT_EQ(change.outerSize, kMaxFrameSide + 213);
    EXPECT_TRUE(change.showScreenTooSmall);
    // Empty text: a frame of width 0, which fits.
    EXPECT_TRUE(ApplyFrameSide(frame, FrameSide::Width, QString(), Designed()).placeAndRepaint);
    EXPECT_EQ(frame.width, 0);
}

}  // namespace
}  // namespace picura
