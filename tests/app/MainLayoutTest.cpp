#include <gtest/gtest.h>

#include "app/MainLayout.h"

using namespace picura;

namespace {

TEST(MainLayoutTest, DesignedGeometryGivesTheDesignedLayout) {
    const MainLayout l = ComputeMainLayout(594, 414, Allowances{});
    EXPECT_EQ(l.view, QRect(4, 48, 411, 279));
    EXPECT_EQ(l.horizontalBar, QRect(4, 328, 411, 12));
    EXPECT_EQ(l.verticalBar, QRect(416, 48, 12, 279));
    EXPECT_EQ(l.cropPanel, QRect(432, 48, 152, 292));
    EXPECT_EQ(l.statusPane0Width, 432);
}

TEST(MainLayoutTest, AllowancesAbsorbAThickerFrame) {
    // A frame 6 pixels thicker each side and a 30-pixel taller title bar.
    const Allowances a = MeasureAllowances(586 - 12, 360 - 36);
    EXPECT_EQ(a.width, 12);
    EXPECT_EQ(a.height, 36);
    // The window grows by the allowances; the formulas give the designed view again.
    const MainLayout l = ComputeMainLayout(594 + a.width, 414 + a.height, a);
    EXPECT_EQ(l.view.size(), QSize(411, 279));
    EXPECT_EQ(l.cropPanel.left(), 432);
    // No frame at all and a 20-pixel menu bar: negative allowances work the same way.
    const Allowances thin = MeasureAllowances(594, 394);
    EXPECT_EQ(thin.width, -8);
    EXPECT_EQ(thin.height, -34);
    EXPECT_EQ(ComputeMainLayout(594 + thin.width, 414 + thin.height, thin).view.size(), QSize(411, 279));
}

TEST(MainLayoutTest, FrameIsCentredWithHalvesRoundedDown) {
    EXPECT_EQ(CentredFrameTopLeft(ViewCentre(QSize(411, 279)), 160, 210), QPoint(125, 34));
    EXPECT_EQ(CentredFrameTopLeft(ViewCentre(QSize(411, 279)), 161, 211), QPoint(125, 34));
    EXPECT_EQ(CentredFrameTopLeft(ViewCentre(QSize(441, 443)), 295, 413), QPoint(220 - 147, 221 - 206));
}

TEST(MainLayoutTest, EditToolsDockAgainstTheLeftEdge) {
    EXPECT_EQ(EditToolsPosition(QPoint(300, 200)), QPoint(225, 275));
}

TEST(MainLayoutTest, WindowIsCentredOnTheScreen) {
    EXPECT_EQ(CentredOnScreen(QSize(594, 414), QRect(0, 0, 1280, 1024)), QPoint(343, 305));
}

}  // namespace
