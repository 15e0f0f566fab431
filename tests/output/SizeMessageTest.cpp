#include <gtest/gtest.h>

#include <cmath>

#include "output/SizeMessage.h"

using namespace picura;

namespace {

TEST(SizeMessage, OneDecimalHalvesUpNoTrailingZero) {
    EXPECT_EQ(FormatKilobytes(12.25), QStringLiteral("12.3"));
    EXPECT_EQ(FormatKilobytes(12.24), QStringLiteral("12.2"));
    EXPECT_EQ(FormatKilobytes(20.0), QStringLiteral("20"));
    EXPECT_EQ(FormatKilobytes(19.96), QStringLiteral("20"));
    EXPECT_EQ(FormatKilobytes(19.94), QStringLiteral("19.9"));
    EXPECT_EQ(FormatKilobytes(53.2), QStringLiteral("53.2"));
    EXPECT_EQ(FormatKilobytes(0.05), QStringLiteral("0.1"));
    EXPECT_EQ(FormatKilobytes(0.04), QStringLiteral("0"));
    EXPECT_EQ(FormatKilobytes(-1), QStringLiteral("0"));
    EXPECT_EQ(FormatKilobytes(std::nan("")), QStringLiteral("0"));
}

TEST(SizeMessage, FullTextWithCrLf) {
    // 12544 bytes are exactly 12.25 KB: the half goes up.
    EXPECT_EQ(
        SizeLimitMessage(12544),
        QStringLiteral("当前截图区域输出图片所能达到的最小体积为12.3KB大小，\r\n请重新设置JPG输出体积。"));
    EXPECT_EQ(
        SizeLimitMessage(49152),
        QStringLiteral("当前截图区域输出图片所能达到的最小体积为48KB大小，\r\n请重新设置JPG输出体积。"));
    // 20439 bytes = 19.9599... KB.
    EXPECT_TRUE(SizeLimitMessage(20439).contains(QStringLiteral("为20KB")));
}

}  // namespace
