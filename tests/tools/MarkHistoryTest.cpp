// Undo of marks: the pictures before each mark, bounded in steps and bytes.
#include <gtest/gtest.h>

#include <QImage>

#include "tools/MarkHistory.h"

namespace picura {
namespace {

Picture Numbered(int n, int side = 10) {
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(qRgb(n, 0, 0));
    return Picture(image);
}

int NumberOf(const Picture& p) {
    return qRed(p.image().pixel(0, 0));
}

TEST(MarkHistory, UndoesTheLastTwentyMarksNewestFirst) {
    MarkHistory history;
    EXPECT_FALSE(history.undo());
    for (int n = 1; n <= 25; ++n) {
        history.record(Numbered(n));
    }
    EXPECT_EQ(history.size(), 20u);
    for (int n = 25; n >= 6; --n) {
        const std::optional<Picture> p = history.undo();
        ASSERT_TRUE(p) << n;
        EXPECT_EQ(NumberOf(*p), n);
    }
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.undo());
    EXPECT_EQ(history.bytes(), 0);
}

TEST(MarkHistory, ANewPictureClearsIt) {
    MarkHistory history;
    history.record(Numbered(1));
    history.record(Numbered(2));
    history.clear();
    EXPECT_FALSE(history.undo());
    history.record(Numbered(3));
    EXPECT_EQ(NumberOf(*history.undo()), 3);
}

TEST(MarkHistory, ByteCapDropsTheOldest_AnOversizedPictureIsNotKept) {
    const qsizetype one = Numbered(0, 100).image().sizeInBytes();  // 40,000 bytes
    MarkHistory history(20, 2 * one + one / 2);
    for (int n = 1; n <= 4; ++n) {
        history.record(Numbered(n, 100));
    }
    EXPECT_EQ(history.size(), 2u);
    EXPECT_EQ(history.bytes(), 2 * one);

    history.record(Numbered(9, 200));  // four times the size: more than the cap alone
    EXPECT_EQ(history.size(), 2u);
    EXPECT_EQ(NumberOf(*history.undo()), 4);
    EXPECT_EQ(NumberOf(*history.undo()), 3);
    EXPECT_FALSE(history.undo());
}

TEST(MarkHistory, KeepsThePixelsAsRecorded) {
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(qRgb(10, 20, 30));
    MarkHistory history;
    history.record(Picture(image));
    image.fill(qRgb(255, 255, 255));  // the caller's copy changes later
    const std::optional<Picture> back = history.undo();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->image().pixel(3, 3), qRgb(10, 20, 30));
    EXPECT_EQ(back->size(), QSize(8, 8));
}

}  // namespace
}  // namespace picura
