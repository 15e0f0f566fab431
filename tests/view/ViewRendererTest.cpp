#include "view/ViewRenderer.h"

#include "TestImages.h"

#include <gtest/gtest.h>

namespace picura {
namespace {

const QColor kYellow(255, 255, 0);
const QSize kView(411, 279);

// The designed frame: 160 × 210, centred in the designed view.
CropFrame DesignedFrame() {
    return {125, 34, 160, 210};
}

// Puts a w × h patch of `colour` on a board at (x, y).
void Mark(DrawingBoard& board, int x, int y, int w, int h, QRgb colour) {
    board.drawPicture(Picture(test::MakeSolid(w, h, colour)), x, y);
}

// Black and white blocks of `block` pixels: a shift of one pixel shows.
QImage Blocks(int width, int height, int block) {
    QImage img(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            img.setPixel(x, y, ((x / block + y / block) % 2) ? 0xFFFFFFFF : 0xFF000000);
        }
    }
    return img;
}

struct Rendered {
    Picture picture;
    ViewState state;
    ViewBoards boards{kView};
    CropFrame frame = DesignedFrame();

    explicit Rendered(const QImage& image, double zoom) : picture(image) {
        state.zoom = zoom;
        EXPECT_TRUE(RenderView(picture, state, boards, frame, kYellow));
    }
};

bool IsBackgroundColumn(const QImage& board, int x) {
    for (int y = 0; y < board.height(); ++y) {
        if (board.pixel(x, y) != kBoardBackground) {
            return false;
        }
    }
    return true;
}

bool IsBackgroundRow(const QImage& board, int y) {
    for (int x = 0; x < board.width(); ++x) {
        if (board.pixel(x, y) != kBoardBackground) {
            return false;
        }
    }
    return true;
}

TEST(FitZoom, ShrinksByTheDecidingSideOnly) {
    // Wider than the view relatively: the width decides.
    EXPECT_DOUBLE_EQ(FitZoom(6000, 3000, 411, 279), 411.0 / 6000);
    EXPECT_DOUBLE_EQ(FitZoom(6000, 100, 411, 279), 411.0 / 6000);
    // Taller than the view relatively: the height decides.
    EXPECT_DOUBLE_EQ(FitZoom(4000, 3000, 411, 279), 279.0 / 3000);
    EXPECT_DOUBLE_EQ(FitZoom(100, 3000, 411, 279), 279.0 / 3000);
    // 400 × 300 is relatively taller than 411 × 279, and higher: 279 / 300.
    EXPECT_NEAR(FitZoom(400, 300, 411, 279), 0.93, 1e-12);
    // Smaller pictures are never enlarged.
    EXPECT_DOUBLE_EQ(FitZoom(200, 100, 411, 279), 1.0);
    EXPECT_DOUBLE_EQ(FitZoom(100, 200, 411, 279), 1.0);
}

TEST(FitZoom, EqualAspectWithinToleranceUsesTheWidthRule) {
    // 822 × 558 has exactly the view's aspect: width rule, 0.5.
    EXPECT_DOUBLE_EQ(FitZoom(822, 558, 411, 279), 0.5);
    // Relatively narrower than a square view by 1e-8, within the tolerance:
    // still the width rule.
    EXPECT_DOUBLE_EQ(FitZoom(100000000, 100000001, 400, 400), 400.0 / 100000000);
    // Narrower by more than the tolerance: the height rule.
    EXPECT_DOUBLE_EQ(FitZoom(1000000, 1000001, 400, 400), 400.0 / 1000001);
}

TEST(RenderView, CentresASmallPictureAndClearsAroundIt) {
    ViewBoards boards(kView);
    Mark(boards.display(), 0, 0, 411, 279, 0xFF123456);  // stale pixels that must be cleared
    ViewState state;
    state.zoom = 1.0;
    const Picture picture(test::MakeSolid(200, 100, 0xFF00FF00));
    ASSERT_TRUE(RenderView(picture, state, boards, DesignedFrame(), kYellow));

    EXPECT_EQ(state.scaledWidth, 200);
    EXPECT_EQ(state.scaledHeight, 100);
    EXPECT_EQ(state.displayOffsetX, 105);
    EXPECT_EQ(state.displayOffsetY, 89);
    EXPECT_EQ(state.displayedWidth, 200);
    EXPECT_EQ(state.displayedHeight, 100);
    EXPECT_FALSE(state.horizontal.enabled);
    EXPECT_FALSE(state.vertical.enabled);
    EXPECT_EQ(state.scrollOffsetX, 0);
    EXPECT_EQ(state.scrollOffsetY, 0);

    const QImage display = boards.display().image();
    for (int x : {0, 104, 305, 410}) {
        EXPECT_TRUE(IsBackgroundColumn(display, x)) << "column " << x;
    }
    for (int y : {0, 88, 189, 278}) {
        EXPECT_TRUE(IsBackgroundRow(display, y)) << "row " << y;
    }
    // The picture's corners.
    EXPECT_EQ(display.pixel(105, 89), 0xFF00FF00u);
    EXPECT_EQ(display.pixel(304, 188), 0xFF00FF00u);
    EXPECT_EQ(display.pixel(105, 188), 0xFF00FF00u);
    EXPECT_EQ(display.pixel(304, 89), 0xFF00FF00u);
}

TEST(RenderView, ScaledWidthOneBelowTheViewStartsAtColumnZero) {
    Rendered r(test::MakeSolid(410, 100, 0xFF0000FF), 1.0);
    EXPECT_EQ(r.state.displayOffsetX, 0);
    EXPECT_EQ(r.state.displayedWidth, 410);
    EXPECT_FALSE(r.state.horizontal.enabled);
    EXPECT_EQ(r.boards.display().image().pixel(0, 139), 0xFF0000FFu);
    EXPECT_EQ(r.boards.display().image().pixel(409, 139), 0xFF0000FFu);
    EXPECT_TRUE(IsBackgroundColumn(r.boards.display().image(), 410));
}

TEST(RenderView, ExactViewSizeNeedsNoScrollBarAndNoClear) {
    Rendered r(test::MakeSolid(411, 279, 0xFF0000FF), 1.0);
    EXPECT_FALSE(r.state.horizontal.enabled);
    EXPECT_FALSE(r.state.vertical.enabled);
    EXPECT_EQ(r.state.displayOffsetX, 0);
    EXPECT_EQ(r.state.displayOffsetY, 0);
    EXPECT_EQ(r.boards.display().image().pixel(410, 278), 0xFF0000FFu);
}

TEST(RenderView, OnePixelWiderThanTheViewGivesRangeOne) {
    Rendered r(test::MakePhotoLike(412, 100), 1.0);
    EXPECT_TRUE(r.state.horizontal.enabled);
    EXPECT_EQ(r.state.horizontal.range, 1);
    EXPECT_EQ(r.state.horizontal.position, 0);  // trunc(1 × 0.5)
    EXPECT_DOUBLE_EQ(r.state.viewPositionX, 0.5);
    EXPECT_EQ(r.state.displayedWidth, 411);
    EXPECT_FALSE(r.state.vertical.enabled);
}

TEST(RenderView, CentresALargePictureAndShowsThePartInViewExactly) {
    const QImage image = test::MakePhotoLike(1000, 800, 3);
    Rendered r(image, 1.0);
    EXPECT_EQ(r.state.horizontal.range, 589);
    EXPECT_EQ(r.state.vertical.range, 521);
    EXPECT_EQ(r.state.horizontal.position, 294);
    EXPECT_EQ(r.state.vertical.position, 260);
    EXPECT_EQ(r.state.scrollOffsetX, 294);
    EXPECT_EQ(r.state.scrollOffsetY, 260);
    EXPECT_EQ(test::MaxChannelDifference(r.boards.display().image(), image.copy(294, 260, 411, 279)), 0);
}

TEST(RenderView, NothingWithoutAPicture) {
    ViewBoards boards(kView);
    ViewState state;
    state.zoom = 1.0;
    EXPECT_FALSE(RenderView(Picture(), state, boards, DesignedFrame(), kYellow));
    EXPECT_EQ(state.scaledWidth, 0);
    EXPECT_TRUE(IsBackgroundRow(boards.visible.image(), 33));  // no outline either
}

TEST(ApplyScroll, ShowsTheScrolledPartAndRemembersTheViewPosition) {
    const QImage image = test::MakePhotoLike(1000, 800, 5);
    Rendered r(image, 1.0);
    ASSERT_TRUE(ApplyScroll(r.picture, r.state, r.boards, r.frame, kYellow, 100, 521));
    EXPECT_EQ(r.state.scrollOffsetX, 100);
    EXPECT_EQ(r.state.scrollOffsetY, 521);
    EXPECT_DOUBLE_EQ(r.state.viewPositionX, 100.0 / 589);
    EXPECT_DOUBLE_EQ(r.state.viewPositionY, 1.0);
    EXPECT_EQ(test::MaxChannelDifference(r.boards.display().image(), image.copy(100, 521, 411, 279)), 0);

    // Positions outside the range are held at its ends, as a scroll bar does.
    ASSERT_TRUE(ApplyScroll(r.picture, r.state, r.boards, r.frame, kYellow, -5, 5000));
    EXPECT_EQ(r.state.horizontal.position, 0);
    EXPECT_EQ(r.state.scrollOffsetY, 521);
    EXPECT_EQ(test::MaxChannelDifference(r.boards.display().image(), image.copy(0, 521, 411, 279)), 0);
}

TEST(ApplyScroll, IgnoresTheDisabledBar) {
    const QImage image = test::MakePhotoLike(1000, 200, 5);
    Rendered r(image, 1.0);
    ASSERT_FALSE(r.state.vertical.enabled);
    ASSERT_TRUE(ApplyScroll(r.picture, r.state, r.boards, r.frame, kYellow, 10, 50));
    EXPECT_EQ(r.state.scrollOffsetY, 0);
    EXPECT_EQ(r.state.displayOffsetY, 39);
    EXPECT_EQ(test::MaxChannelDifference(r.boards.display().image().copy(0, 39, 411, 200),
                                         image.copy(10, 0, 411, 200)),
              0);
}

TEST(Zoom, ViewPositionIsKeptAcrossZoomSteps) {
    // Scaled 711 wide in a 411 view: range 300. Scroll to 150, then zoom in.
    Rendered r(test::MakePhotoLike(711, 500), 1.0);
    ASSERT_EQ(r.state.horizontal.range, 300);
    ASSERT_TRUE(ApplyScroll(r.picture, r.state, r.boards, r.frame, kYellow, 150, 0));
    EXPECT_DOUBLE_EQ(r.state.viewPositionX, 0.5);
    ASSERT_TRUE(StepZoom(r.state, r.picture.size(), kZoomInFactor));
    ASSERT_TRUE(RenderView(r.picture, r.state, r.boards, r.frame, kYellow));
    EXPECT_DOUBLE_EQ(r.state.viewPositionX, 0.5);
    EXPECT_EQ(r.state.scaledWidth, 725);  // trunc(711 × 1.02)
    EXPECT_EQ(r.state.horizontal.range, 314);
    EXPECT_EQ(r.state.horizontal.position, 157);
}

TEST(Zoom, ScrollingToTheStartReadsAsCentredOnTheNextZoom) {
    // A view position of 0 means "not set" and is read as 0.5.
    Rendered r(test::MakePhotoLike(711, 500), 1.0);
    ASSERT_TRUE(ApplyScroll(r.picture, r.state, r.boards, r.frame, kYellow, 0, 0));
    EXPECT_DOUBLE_EQ(r.state.viewPositionX, 0.0);
    ASSERT_TRUE(RenderView(r.picture, r.state, r.boards, r.frame, kYellow));
    EXPECT_EQ(r.state.horizontal.position, 150);
}

TEST(Zoom, WheelAndKeyFactors) {
    EXPECT_DOUBLE_EQ(WheelZoomFactor(120), 0.98);
    EXPECT_DOUBLE_EQ(WheelZoomFactor(-120), 1.02);
    EXPECT_DOUBLE_EQ(WheelZoomFactor(-240), 1.04);
    EXPECT_DOUBLE_EQ(WheelZoomFactor(240), 0.96);
    // Part notches are truncated toward zero.
    EXPECT_DOUBLE_EQ(WheelZoomFactor(119), 1.0);
    EXPECT_DOUBLE_EQ(WheelZoomFactor(-359), 1.04);

    ViewState state;
    state.zoom = 0.5;
    ASSERT_TRUE(StepZoom(state, QSize(1000, 1000), WheelZoomFactor(-240)));
    EXPECT_DOUBLE_EQ(state.zoom, 0.52);
    ASSERT_TRUE(StepZoom(state, QSize(1000, 1000), kZoomOutFactor));
    EXPECT_DOUBLE_EQ(state.zoom, 0.52 * 0.98);
}

TEST(Zoom, StepsThatWouldLeaveTheBoundsKeepTheZoom) {
    ViewState state;
    // 1 × 1 at 1.0: × 0.98 would scale it to nothing.
    state.zoom = 1.0;
    EXPECT_FALSE(StepZoom(state, QSize(1, 1), kZoomOutFactor));
    EXPECT_DOUBLE_EQ(state.zoom, 1.0);
    EXPECT_TRUE(StepZoom(state, QSize(1, 1), kZoomInFactor));

    // The side bound.
    state.zoom = 1.0;
    EXPECT_TRUE(StepZoom(state, QSize(29000, 100), kZoomInFactor));   // 29580
    EXPECT_FALSE(StepZoom(state, QSize(29000, 100), kZoomInFactor));  // 30171
    EXPECT_DOUBLE_EQ(state.zoom, 1.02);

    // The area bound: 10000 × 10000 is exactly the limit, 1.02 beyond it.
    state.zoom = 1.0;
    EXPECT_TRUE(ZoomWithinBounds(QSize(10000, 10000), 1.0));
    EXPECT_FALSE(StepZoom(state, QSize(10000, 10000), kZoomInFactor));
    EXPECT_DOUBLE_EQ(state.zoom, 1.0);

    // Fifty notches at once would make the zoom 0, more would make it negative.
    EXPECT_FALSE(StepZoom(state, QSize(1000, 1000), WheelZoomFactor(6000)));
    EXPECT_FALSE(StepZoom(state, QSize(1000, 1000), WheelZoomFactor(12000)));
    EXPECT_DOUBLE_EQ(state.zoom, 1.0);
}

TEST(RenderView, RefusesAZoomOutsideTheBoundsAndKeepsTheBoards) {
    Rendered r(test::MakeSolid(200, 100, 0xFF00FF00), 1.0);
    const QImage before = r.boards.visible.image().copy();
    r.state.zoom = 0.001;  // 0 × 0
    EXPECT_FALSE(RenderView(r.picture, r.state, r.boards, r.frame, kYellow));
    EXPECT_EQ(r.boards.visible.image(), before);
    EXPECT_EQ(r.state.scaledWidth, 200);
}

// The view must show exactly the scaled picture's pixels at the scroll offset;
// compared with a whole picture scaled by Qt (the renderer scales only the part
// in view, so a tolerance allows for a different but equivalent resampling).
TEST(RenderView, AgreesWithTheWholeScaledPictureAtSeveralScrollPositions) {
    const QImage image = Blocks(1600, 1200, 8);
    Rendered r(image, 0.5);  // 800 × 600: 4-pixel blocks
    ASSERT_EQ(r.state.horizontal.range, 389);
    ASSERT_EQ(r.state.vertical.range, 321);
    const QImage whole = image.scaled(800, 600, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    for (const QPoint& at : {QPoint(0, 0), QPoint(1, 3), QPoint(389, 321), QPoint(201, 77)}) {
        ASSERT_TRUE(ApplyScroll(r.picture, r.state, r.boards, r.frame, kYellow, at.x(), at.y()));
        const QImage expected = whole.copy(at.x(), at.y(), 411, 279);
        EXPECT_LT(test::MeanChannelDifference(r.boards.display().image(), expected), 8.0)
            << at.x() << "," << at.y();
    }
    // And a zoom that is not a simple ratio.
    const QImage photo = test::MakePhotoLike(1600, 1200, 9);
    Rendered p(photo, 0.37);
    const QImage wholePhoto = photo.scaled(p.state.scaledWidth, p.state.scaledHeight, Qt::IgnoreAspectRatio,
                                           Qt::SmoothTransformation);
    EXPECT_LT(
        test::MeanChannelDifference(p.boards.display().image(),
                                    wholePhoto.copy(p.state.scrollOffsetX, p.state.scrollOffsetY, 411, 279)),
        3.0);
}

TEST(DrawFrameOverlay, DrawsTheOutlineOutsideTheFrameWithoutTheLastCorner) {
    DrawingBoard drawingBoard;
    drawingBoard.setBackgroundColor(kBoardBackground);
    drawingBoard.resize(411, 279);
    DrawFrameOverlay(drawingBoard, DesignedFrame(), kYellow);
    const QImage board = drawingBoard.image();
    const QRgb y = kYellow.rgb();
    // Top and bottom lines run from x = 124 to 285; the sides from y = 33 to 244.
    for (int x = 124; x <= 285; ++x) {
        EXPECT_EQ(board.pixel(x, 33), y) << x;
        EXPECT_EQ(board.pixel(x, 245), y) << x;
    }
    for (int yy = 33; yy <= 244; ++yy) {
        EXPECT_EQ(board.pixel(124, yy), y) << yy;
        EXPECT_EQ(board.pixel(286, yy), y) << yy;
    }
    EXPECT_EQ(board.pixel(286, 245), kBoardBackground);  // (R, B)
    EXPECT_EQ(board.pixel(123, 33), kBoardBackground);
    EXPECT_EQ(board.pixel(124, 32), kBoardBackground);
    // Nothing inside the frame, nor in the one-pixel gap right and below it.
    int drawn = 0;
    for (int yy = 0; yy < 279; ++yy) {
        for (int x = 0; x < 411; ++x) {
            drawn += board.pixel(x, yy) == y;
        }
    }
    EXPECT_EQ(drawn, 2 * 162 + 2 * 212 - 1);  // (L, T) is on two lines
    for (int yy = 34; yy <= 244; ++yy) {
        EXPECT_EQ(board.pixel(285, yy), kBoardBackground);
    }
}

TEST(DrawFrameOverlay, ClipsAFramePartlyOrFarOutsideTheBoard) {
    DrawingBoard drawingBoard;
    drawingBoard.setBackgroundColor(kBoardBackground);
    drawingBoard.resize(50, 40);
    DrawFrameOverlay(drawingBoard, CropFrame{-10, 30, 30, 30}, kYellow);
    const QImage board = drawingBoard.image();
    EXPECT_EQ(board.pixel(0, 29), kYellow.rgb());
    EXPECT_EQ(board.pixel(21, 29), kYellow.rgb());  // R = 21
    EXPECT_EQ(board.pixel(21, 39), kYellow.rgb());
    EXPECT_EQ(board.pixel(20, 39), kBoardBackground);
    DrawFrameOverlay(drawingBoard, CropFrame{2147483000, -2147483000, 10000, 10000}, kYellow);
    DrawFrameOverlay(drawingBoard, CropFrame{-2147483000, 2147483000, -10000, 10000}, kYellow);
    EXPECT_EQ(drawingBoard.image(), board);
}

TEST(RepaintView, WipesMarksOfTheVisibleBoardAndMovesTheOutline) {
    Rendered r(test::MakeSolid(411, 279, 0xFF0000FF), 1.0);
    Mark(r.boards.visible, 200, 100, 1, 1, 0xFFFF0000);  // a hover mark
    r.frame.left += 10;
    RepaintView(r.boards, r.frame, QColor(255, 0, 0));
    EXPECT_EQ(r.boards.visible.image().pixel(200, 100), 0xFF0000FFu);
    EXPECT_EQ(r.boards.visible.image().pixel(124, 100), 0xFF0000FFu);    // old outline gone
    EXPECT_EQ(r.boards.visible.image().pixel(134, 100), 0xFFFF0000u);    // new one, new colour
    EXPECT_EQ(r.boards.display().image().pixel(134, 100), 0xFF0000FFu);  // never on the display
}

TEST(BakeDisplay, ScrolledViewBecomesThePictureAtZoomOneWithTheMarksKept) {
    const QImage image = test::MakePhotoLike(1600, 1200, 11);
    Rendered r(image, 0.5);  // 800 × 600, scrolled to the middle
    const int sx = r.state.scrollOffsetX;
    const int sy = r.state.scrollOffsetY;
    const QImage scaledBefore = r.picture.scaled(800, 600);
    // A pen mark on the display board.
    Mark(r.boards.display(), 10, 20, 30, 5, 0xFFFF00FF);

    ASSERT_TRUE(BakeDisplay(r.picture, r.state, r.boards, r.frame, kYellow));
    EXPECT_DOUBLE_EQ(r.state.zoom, 1.0);
    EXPECT_EQ(r.picture.size(), QSize(800, 600));
    EXPECT_EQ(r.picture.image().pixel(sx + 10, sy + 20), 0xFFFF00FFu);
    EXPECT_EQ(r.picture.image().pixel(sx + 39, sy + 24), 0xFFFF00FFu);
    // Outside the view the picture is the old scaled picture.
    EXPECT_EQ(
        test::MaxChannelDifference(r.picture.image().copy(0, 0, 800, sy), scaledBefore.copy(0, 0, 800, sy)),
        0);
    // The same part stays in view, mark included.
    EXPECT_EQ(r.state.scrollOffsetX, sx);
    EXPECT_EQ(r.state.scrollOffsetY, sy);
    EXPECT_EQ(r.boards.display().image().pixel(10, 20), 0xFFFF00FFu);
}

TEST(BakeDisplay, WholePictureInViewIsTakenFromTheDisplay) {
    Rendered r(test::MakePhotoLike(400, 300, 2), 0.5);  // 200 × 150 centred
    Mark(r.boards.display(), r.state.displayOffsetX, r.state.displayOffsetY, 1, 1, 0xFF010203);
    ASSERT_TRUE(BakeDisplay(r.picture, r.state, r.boards, r.frame, kYellow));
    EXPECT_EQ(r.picture.size(), QSize(200, 150));
    EXPECT_EQ(r.picture.image().pixel(0, 0), 0xFF010203u);
    EXPECT_DOUBLE_EQ(r.state.zoom, 1.0);
    EXPECT_EQ(r.state.displayOffsetX, 105);
}

TEST(BakeDisplay, NothingWithoutARenderedPicture) {
    Picture none;
    ViewState state;
    ViewBoards boards(kView);
    EXPECT_FALSE(BakeDisplay(none, state, boards, DesignedFrame(), kYellow));
    Picture picture(test::MakeSolid(10, 10, 0xFF000000));
    EXPECT_FALSE(BakeDisplay(picture, state, boards, DesignedFrame(), kYellow));  // never rendered
    EXPECT_EQ(picture.size(), QSize(10, 10));
}

TEST(CropFromView, TakesTheFramePixelsAtFrameSize) {
    const QImage image = test::MakePhotoLike(411, 279, 4);
    Rendered r(image, 1.0);
    const QImage crop = CropFromView(r.boards, r.frame);
    ASSERT_EQ(crop.size(), QSize(160, 210));
    EXPECT_EQ(test::MaxChannelDifference(crop, image.copy(125, 34, 160, 210)), 0);  // no outline pixel
}

TEST(CropFromView, PixelsOutsideTheViewAreBackground) {
    Rendered r(test::MakeSolid(411, 279, 0xFF0000FF), 1.0);
    const QImage crop = CropFromView(r.boards, CropFrame{400, 270, 20, 15});
    ASSERT_EQ(crop.size(), QSize(20, 15));
    EXPECT_EQ(crop.pixel(10, 8), 0xFF0000FFu);
    EXPECT_EQ(crop.pixel(11, 8), kBoardBackground);
    EXPECT_EQ(crop.pixel(10, 9), kBoardBackground);
    const QImage away = CropFromView(r.boards, CropFrame{-500, -500, 3, 4});
    ASSERT_EQ(away.size(), QSize(3, 4));
    EXPECT_EQ(away.pixel(2, 3), kBoardBackground);
    EXPECT_TRUE(CropFromView(r.boards, CropFrame{0, 0, 0, 10}).isNull());
    EXPECT_TRUE(CropFromView(r.boards, CropFrame{0, 0, 10, -1}).isNull());
}

TEST(ShowNewPicture, FitsCentresAndResetsTheScrollBars) {
    ViewBoards boards(kView);
    ViewState state;
    state.viewPositionX = 0.9;
    state.horizontal = {true, 5, 5};
    const Picture picture(test::MakePhotoLike(2000, 1000));
    ASSERT_TRUE(ShowNewPicture(picture, state, boards, DesignedFrame(), kYellow));
    EXPECT_DOUBLE_EQ(state.zoom, 411.0 / 2000);
    EXPECT_EQ(state.scaledWidth, 411);
    EXPECT_EQ(state.scaledHeight, 205);
    EXPECT_FALSE(state.horizontal.enabled);
    EXPECT_FALSE(state.vertical.enabled);
    EXPECT_EQ(state.horizontal.range, 0);
    EXPECT_EQ(state.displayOffsetX, 0);
    EXPECT_EQ(state.displayOffsetY, 37);
    EXPECT_DOUBLE_EQ(state.viewPositionX, 0.5);
}

TEST(ViewBoards, ResizeGivesBlankBoardsOfAtLeastOnePixel) {
    ViewBoards boards(QSize(20, 10));
    EXPECT_EQ(boards.visible.size(), QSize(20, 10));
    EXPECT_EQ(boards.visible.image().pixel(0, 0), kBoardBackground);
    EXPECT_EQ(boards.display().image().pixel(19, 9), kBoardBackground);
    boards.resize(QSize(-5, 0));
    EXPECT_EQ(boards.size(), QSize(1, 1));
}

}  // namespace
}  // namespace picura
