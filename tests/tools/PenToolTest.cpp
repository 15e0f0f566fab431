// The pen on the display and visible boards: the dot of a press, drag segments, the hover circle and the
// end of a stroke.
#include <gtest/gtest.h>

#include <QImage>
#include <QRect>

#include "imaging/DrawingBoard.h"
#include "tools/PenTool.h"

namespace picura {
namespace {

constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kInk = 0xFF2040C0u;

DrawingBoard WhiteBoard(int w = 200, int h = 200) {
    DrawingBoard board(w, h);
    board.setBackgroundColor(kWhite);
    board.clear();
    return board;
}

// The bounding box of the pixels that are not white, and how many there are.
QRect InkBounds(const QImage& image, int* count = nullptr) {
    QRect bounds;
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) | 0xFF000000u) != kWhite) {
                bounds |= QRect(x, y, 1, 1);
                ++n;
            }
        }
    }
    if (count)
        *count = n;
    return bounds;
}

TEST(PenDotRect, EvenAndOddWidthsAreThatManyPixelsAcross) {
    // Width 4 at (100, 100): the ellipse (98, 98, 102, 102); width 5: (98, 98, 103, 103).
    EXPECT_EQ(PenDotRect({100, 100}, 4), QRect(QPoint(98, 98), QPoint(101, 101)));
    EXPECT_EQ(PenDotRect({100, 100}, 5), QRect(QPoint(98, 98), QPoint(102, 102)));
    EXPECT_EQ(PenDotRect({100, 100}, 2.9), QRect(QPoint(99, 99), QPoint(101, 101)));
    EXPECT_EQ(PenDotRect({100, 100}, 2), QRect(QPoint(99, 99), QPoint(100, 100)));
    EXPECT_FALSE(PenDotRect({100, 100}, 1));
    EXPECT_FALSE(PenDotRect({100, 100}, 1.00000001));
    EXPECT_FALSE(PenDotRect({100, 100}, 0));
}

TEST(PenDot, FilledEllipseInItsRectangle) {
    for (int width : {4, 5, 12}) {
        DrawingBoard board = WhiteBoard();
        DrawPenDot(board, {100, 100}, width, kInk);
        const QImage image = board.image();
        EXPECT_EQ(InkBounds(image), *PenDotRect({100, 100}, width)) << width;
        // Filled: the middle row is solid across; round: the corners stay blank.
        const QRect r = *PenDotRect({100, 100}, width);
        for (int x = r.left(); x <= r.right(); ++x) {
            EXPECT_EQ(image.pixel(x, 100), kInk) << width << " x " << x;
        }
        EXPECT_EQ(image.pixel(r.topLeft()), kWhite) << width;
        EXPECT_EQ(image.pixel(r.bottomRight()), kWhite) << width;
    }
}

TEST(PenDot, WidthOneDrawsNothing_HugeDotAtTheCornerIsClipped) {
    DrawingBoard board = WhiteBoard();
    DrawPenDot(board, {50, 50}, 1, kInk);
    int count = -1;
    InkBounds(board.image(), &count);
    EXPECT_EQ(count, 0);

    DrawPenDot(board, {0, 0}, 60, kInk);
    EXPECT_EQ(board.image().pixel(0, 0), kInk);
    EXPECT_EQ(board.image().pixel(29, 0), kInk);
    EXPECT_EQ(board.image().pixel(30, 0), kWhite);
    EXPECT_EQ(board.image().pixel(199, 199), kWhite);

    // A width far beyond the board covers it, visiting only the board's rows.
    DrawingBoard huge = WhiteBoard();
    DrawPenDot(huge, {0, 0}, 1e9, kInk);
    EXPECT_EQ(huge.image().pixel(0, 0), kInk);
    EXPECT_EQ(huge.image().pixel(199, 199), kInk);
}

TEST(PenStroke, PressDragFinish) {
    DrawingBoard board = WhiteBoard();
    PenStroke stroke;
    EXPECT_FALSE(stroke.moveTo(board, {30, 30}, 1, kInk));  // not pressed: no line
    int count = -1;
    InkBounds(board.image(), &count);
    EXPECT_EQ(count, 0);

    stroke.press(board, {10, 10}, 1, kInk);
    EXPECT_TRUE(stroke.held());
    EXPECT_TRUE(stroke.moveTo(board, {20, 10}, 1, kInk));
    EXPECT_TRUE(stroke.moveTo(board, {20, 15}, 1, kInk));
    EXPECT_EQ(stroke.lastPoint(), QPoint(20, 15));
    // One-pixel segments from each last point, their end points left to the next segment.
    EXPECT_EQ(InkBounds(board.image(), &count), QRect(QPoint(10, 10), QPoint(20, 14)));
    EXPECT_EQ(count, 10 + 5);

    EXPECT_TRUE(stroke.finish());   // bake now
    EXPECT_FALSE(stroke.finish());  // a later release does nothing more
    EXPECT_FALSE(stroke.moveTo(board, {40, 40}, 1, kInk));

    stroke.press(board, {10, 10}, 1, kInk);
    stroke.drop();
    EXPECT_FALSE(stroke.finish());
}

TEST(PenStroke, SegmentWidthIsTruncated) {
    for (auto [width, rows] : {std::pair{2.9, 2}, std::pair{3.0, 3}, std::pair{0.5, 1}}) {
        DrawingBoard board = WhiteBoard();
        DrawPenSegment(board, {20, 50}, {120, 50}, width, kInk);
        int thickness = 0;
        for (int y = 40; y < 60; ++y) {
            thickness += board.image().pixel(70, y) == kInk ? 1 : 0;
        }
        EXPECT_EQ(thickness, rows) << width;
    }
}

TEST(PenHoverCircle, OutlineOnlyAndNothingForWidthOne) {
    DrawingBoard board = WhiteBoard();
    DrawPenHoverCircle(board, {100, 100}, 1, kInk);
    int count = -1;
    InkBounds(board.image(), &count);
    EXPECT_EQ(count, 0);

    DrawPenHoverCircle(board, {100, 100}, 15, kInk);
    const QRect ink = InkBounds(board.image(), &count);
    EXPECT_TRUE(PenDotRect({100, 100}, 15)->contains(ink));
    EXPECT_GE(ink.width(), 14);
    EXPECT_EQ(board.image().pixel(100, 100), kWhite);  // hollow
    EXPECT_LT(count, 15 * 15 / 2);
}

}  // namespace
}  // namespace picura
