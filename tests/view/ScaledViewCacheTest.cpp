#include "view/ScaledViewCache.h"
#include "view/ViewRenderer.h"

#include "TestImages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <thread>

namespace picura {
namespace {

const QColor kYellow(255, 255, 0);
const QSize kView(411, 279);
const CropFrame kFrame{125, 34, 160, 210};

// What a view freshly made shows for the same picture and state: every pixel scaled at once.
QImage FreshDisplay(const Picture& picture, const ViewState& state) {
    ViewBoards boards(kView);
    boards.display().drawPicture(
        Picture(picture.scaledPart(
            state.scaledWidth, state.scaledHeight,
            QRect(state.scrollOffsetX, state.scrollOffsetY, state.displayedWidth, state.displayedHeight))),
        state.displayOffsetX, state.displayOffsetY);
    return boards.display().image();
}

// The same with the frame outline drawn on it, as the visible board shows it.
QImage WithOutline(const QImage& display) {
    DrawingBoard board(display.width(), display.height());
    board.drawPicture(Picture(display), 0, 0);
    DrawFrameOverlay(board, kFrame, kYellow);
    return board.image();
}

// Scroll steps of every kind (small, large, diagonal, back, to the ends, beyond a whole view) piece the view
// together from kept pixels and fresh strips; each must equal the view scaled at once, pixel for pixel.
TEST(ScaledViewCache, ScrollStepsShowExactlyWhatAFreshRenderShows) {
    const Picture picture(test::MakePhotoLike(2400, 1700, 4));
    std::mt19937 rng(11);
    for (const double zoom : {0.41, 1.0, 1.6}) {
        SCOPED_TRACE("zoom " + std::to_string(zoom));
        ViewState state;
        ViewBoards boards(kView);
        state.zoom = zoom;
        ASSERT_TRUE(RenderView(picture, state, boards, kFrame, kYellow));
        const int rangeX = state.horizontal.range, rangeY = state.vertical.range;
        ASSERT_GT(rangeX, 450);
        ASSERT_GT(rangeY, 280);
        int x = state.horizontal.position, y = state.vertical.position;
        for (int step = 0; step < 40; ++step) {
            switch (step % 5) {
                case 0: x += 7; break;
                case 1: y -= 13; break;
                case 2: x -= 30, y += 25; break;
                case 3: x = std::uniform_int_distribution<int>(0, rangeX)(rng); break;
                default: x += std::uniform_int_distribution<int>(-450, 450)(rng), y += 280; break;
            }
            x = std::clamp(x, 0, rangeX);
            y = std::clamp(y, 0, rangeY);
            ASSERT_TRUE(ApplyScroll(picture, state, boards, kFrame, kYellow, x, y));
            // The visible board is drawn first and on its own; the display board is brought up to date after.
            ASSERT_EQ(boards.visible.image(), WithOutline(FreshDisplay(picture, state))) << "step " << step;
            ASSERT_EQ(boards.display().image(), FreshDisplay(picture, state)) << "step " << step;
        }
    }
}

TEST(ScaledViewCache, AScrollStepScalesOnlyTheStripItExposes) {
    const Picture picture(test::MakePhotoLike(3000, 2000, 2));
    ViewState state;
    ViewBoards boards(kView);
    state.zoom = 0.5;
    ASSERT_TRUE(RenderView(picture, state, boards, kFrame, kYellow));
    EXPECT_EQ(boards.scaled.lastScaledPixels(), 411 * 279);
    const int x = state.horizontal.position, y = state.vertical.position;
    ApplyScroll(picture, state, boards, kFrame, kYellow, x + 20, y);
    EXPECT_EQ(boards.scaled.lastScaledPixels(), 20 * 279);
    ApplyScroll(picture, state, boards, kFrame, kYellow, x + 20, y - 10);
    EXPECT_EQ(boards.scaled.lastScaledPixels(), 411 * 10);
    ApplyScroll(picture, state, boards, kFrame, kYellow, x + 15, y);
    EXPECT_EQ(boards.scaled.lastScaledPixels(), 411 * 10 + 5 * 269);
    // Rendering again at the same zoom (the frame colour changed, the window asked) scales nothing.
    RenderView(picture, state, boards, kFrame, kYellow);
    EXPECT_EQ(boards.scaled.lastScaledPixels(), 0);
}

// The kept pixels belong to one picture at one scaled size: another picture of the same size (a paste,
// a bake, the next batch picture), another zoom or another view size must never show them.
TEST(ScaledViewCache, OtherPixelsZoomOrViewSizeAreScaledAfresh) {
    const QImage first = test::MakePhotoLike(1600, 1200, 1);
    const QImage second = test::MakeSolid(1600, 1200, qRgb(200, 30, 60));
    ViewState state;
    ViewBoards boards(kView);
    state.zoom = 0.8;
    Picture picture(first);
    ASSERT_TRUE(RenderView(picture, state, boards, kFrame, kYellow));

    picture = Picture(second);
    ApplyScroll(picture, state, boards, kFrame, kYellow, state.horizontal.position + 3,
                state.vertical.position);
    EXPECT_EQ(boards.display().image().pixel(200, 150), qRgb(200, 30, 60));
    EXPECT_EQ(boards.display().image(), FreshDisplay(picture, state));

    // The same QImage changed in place is other pixels too.
    QImage changing = first;
    picture = Picture(changing);
    RenderView(picture, state, boards, kFrame, kYellow);
    changing.fill(qRgb(0, 0, 255));
    picture = Picture(changing);
    RenderView(picture, state, boards, kFrame, kYellow);
    EXPECT_EQ(boards.display().image().pixel(10, 10), qRgb(0, 0, 255));

    picture = Picture(first);
    RenderView(picture, state, boards, kFrame, kYellow);
    StepZoom(state, picture.size(), kZoomInFactor);
    RenderView(picture, state, boards, kFrame, kYellow);
    EXPECT_EQ(boards.scaled.lastScaledPixels(), 411 * 279);
    EXPECT_EQ(boards.display().image(), FreshDisplay(picture, state));

    boards.resize(QSize(300, 200));
    RenderView(picture, state, boards, kFrame, kYellow);
    EXPECT_EQ(boards.scaled.lastScaledPixels(), 300 * 200);
}

// Once the margin is scaled, page steps of either bar (and a drag step) show what a fresh render shows and
// scale nothing while drawing; a jump beyond the margin scales the view itself.
TEST(ScaledViewCache, StepsWithinTheMarginScaledAheadOnlyCopy) {
    const Picture picture(test::MakePhotoLike(2400, 1700, 6));
    ViewState state;
    ViewBoards boards(kView);
    state.zoom = 1.0;
    ASSERT_TRUE(RenderView(picture, state, boards, kFrame, kYellow));
    EXPECT_EQ(boards.scaled.lastScaledWhileDrawing(), 411 * 279);
    const int pageX = ScrollPageStep(state.horizontal.range), pageY = ScrollPageStep(state.vertical.range);
    const QPoint steps[] = {{pageX, 0}, {pageX, 0}, {0, pageY}, {-pageX, -pageY}, {20, 0}, {0, -20}};
    for (const QPoint step : steps) {
        SCOPED_TRACE("step " + std::to_string(step.x()) + ", " + std::to_string(step.y()));
        boards.scaled.waitUntilAhead();
        const int x = state.horizontal.position + step.x(), y = state.vertical.position + step.y();
        ASSERT_TRUE(ApplyScroll(picture, state, boards, kFrame, kYellow, x, y));
        ASSERT_EQ(state.horizontal.position, x);
        ASSERT_EQ(state.vertical.position, y);
        EXPECT_EQ(boards.scaled.lastScaledWhileDrawing(), 0);
        EXPECT_EQ(boards.scaled.lastScaledPixels(),
                  411 * 279 - (411 - std::abs(step.x())) * (279 - std::abs(step.y())));
        EXPECT_EQ(boards.display().image(), FreshDisplay(picture, state));
    }
    boards.scaled.waitUntilAhead();
    ASSERT_TRUE(ApplyScroll(picture, state, boards, kFrame, kYellow, 0, 0));
    EXPECT_EQ(boards.scaled.lastScaledWhileDrawing(), 411 * 279);
    EXPECT_EQ(boards.display().image(), FreshDisplay(picture, state));
}

// Whatever the margin asks for, the kept pixels stay within the bound, and never below the view itself.
TEST(ScaledViewCache, KeptPixelsStayWithinTheBound) {
    const Picture picture(test::MakePhotoLike(3000, 2000, 1));
    ViewState state;
    ViewBoards boards(QSize(1745, 946));
    state.zoom = 3.0;  // page steps of 725 and 505: a window of 3195 × 1956 if nothing bounded it
    ASSERT_TRUE(RenderView(picture, state, boards, kFrame, kYellow));
    const QSize kept = boards.scaled.keptSize();
    EXPECT_LE(std::int64_t{kept.width()} * kept.height(), ScaledViewCache::kMaxKeptPixels);
    EXPECT_GT(kept.width(), 1745);
    EXPECT_GT(kept.height(), 946);

    ViewBoards huge(QSize(2600, 1700));  // a view larger than the bound: it alone is kept
    state = ViewState();
    state.zoom = 3.0;
    ASSERT_TRUE(RenderView(picture, state, huge, kFrame, kYellow));
    EXPECT_EQ(huge.scaled.keptSize(), QSize(2600, 1700));
}

// The margin never keeps a picture in memory that nothing else holds: a picture dropped while its margin
// waits to be scaled is let go of (here the margin would wait for an hour).
TEST(ScaledViewCache, TheMarginLetsGoOfAPictureNobodyElseHolds) {
    static std::atomic<bool> released{false};
    released = false;
    ScaledViewCache cache(std::chrono::hours(1));
    DrawingBoard board;
    board.resize(411, 279);
    {
        // A picture over memory of its own, which says when its last holder lets go of it.
        auto* memory = new std::uint32_t[1600 * 1200];
        std::fill(memory, memory + 1600 * 1200, 0xFF5A7896u);
        const Picture picture(QImage(
            reinterpret_cast<uchar*>(memory), 1600, 1200, 1600 * 4, QImage::Format_RGB32,
            [](void* p) {
                delete[] static_cast<std::uint32_t*>(p);
                released = true;
            },
            memory));
        ASSERT_TRUE(cache.draw(picture, QSize(1200, 900), QRect(300, 300, 411, 279), board, QPoint(0, 0),
                               QSize(80, 60)));
        EXPECT_EQ(board.image().pixel(10, 10), 0xFF5A7896u);
        EXPECT_FALSE(released);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!released && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(released);
    cache.waitUntilAhead();  // returns: the margin was given up
}

// Boards destroyed or cleared while their margin is being scaled stop it cleanly.
TEST(ScaledViewCache, ClearingOrDestroyingStopsTheMargin) {
    const Picture picture(test::MakePhotoLike(2400, 1700, 3));
    for (int round = 0; round < 5; ++round) {
        auto boards = std::make_unique<ViewBoards>(kView);
        ViewState state;
        state.zoom = 1.0;
        ASSERT_TRUE(RenderView(picture, state, *boards, kFrame, kYellow));
        ApplyScroll(picture, state, *boards, kFrame, kYellow, state.horizontal.position + 40,
                    state.vertical.position);
        if (round % 2 == 0) {
            boards->scaled.clear();
            boards->scaled.waitUntilAhead();
            ApplyScroll(picture, state, *boards, kFrame, kYellow, state.horizontal.position + 40,
                        state.vertical.position);
            EXPECT_EQ(boards->scaled.lastScaledWhileDrawing(), 411 * 279);
        }
        boards.reset();
    }
}

TEST(ScaledViewCache, DrawsNothingWithoutAPictureOrArea) {
    ScaledViewCache cache;
    DrawingBoard board;
    board.resize(10, 10);
    EXPECT_FALSE(cache.draw(Picture(), QSize(10, 10), QRect(0, 0, 10, 10), board, QPoint()));
    const Picture picture(test::MakeSolid(20, 20, qRgb(1, 2, 3)));
    EXPECT_FALSE(cache.draw(picture, QSize(10, 10), QRect(10, 10, 5, 5), board, QPoint()));
    EXPECT_TRUE(cache.draw(picture, QSize(10, 10), QRect(5, 5, 10, 10), board, QPoint()));
    EXPECT_EQ(board.image().pixel(4, 4), qRgb(1, 2, 3));
}

// After a scroll step the display board is owed the part in view. What is drawn on it then (a pen stroke)
// lands on the scrolled picture, even when the kept scaled pixels were let go of in between.
TEST(ScaledViewCache, MarksAfterAScrollLandOnTheScrolledPicture) {
    const Picture picture(test::MakePhotoLike(2400, 1700, 6));
    for (const bool keptPixelsGone : {false, true}) {
        SCOPED_TRACE(keptPixelsGone ? "kept pixels gone" : "kept pixels there");
        ViewState state;
        ViewBoards boards(kView);
        state.zoom = 0.7;
        ASSERT_TRUE(RenderView(picture, state, boards, kFrame, kYellow));
        ASSERT_TRUE(ApplyScroll(picture, state, boards, kFrame, kYellow, state.horizontal.position + 90,
                                state.vertical.position - 40));
        if (keptPixelsGone) {
            boards.scaled.clear();
        }
        boards.display().setPenColor(qRgb(0, 0, 255));
        boards.display().setPenWidth(0);
        boards.display().line(20, 30, 200, 30);
        RepaintView(boards, kFrame, kYellow);
        QImage expected = FreshDisplay(picture, state);
        for (int x = 20; x < 200; ++x) {
            expected.setPixel(x, 30, qRgb(0, 0, 255));
        }
        EXPECT_EQ(boards.visible.image(), WithOutline(expected));
    }
}

// The board is written with the kept pixels as they are, so they must be opaque even when the picture's
// pixels leave the alpha byte unset (RGB32 does not promise it), at zoom 1 as much as scaled.
TEST(ScaledViewCache, PixelsWithoutAlphaAreShownOpaque) {
    QImage image = test::MakePhotoLike(1500, 1100, 9);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            line[x] &= 0x00FFFFFFu;
        }
    }
    const Picture picture(image);
    for (const double zoom : {1.0, 0.6}) {
        SCOPED_TRACE("zoom " + std::to_string(zoom));
        ViewState state;
        ViewBoards boards(kView);
        state.zoom = zoom;
        ASSERT_TRUE(RenderView(picture, state, boards, kFrame, kYellow));
        boards.scaled.waitUntilAhead();  // the margin too
        const int x = state.horizontal.position, y = state.vertical.position;
        for (const QPoint to : {QPoint(x + 30, y), QPoint(x + 30, y + 40), QPoint(x - 200, y - 100)}) {
            ASSERT_TRUE(ApplyScroll(picture, state, boards, kFrame, kYellow, to.x(), to.y()));
            for (const DrawingBoard* board : {&boards.visible, &boards.display()}) {
                const QImage pixels = board->image();
                for (int row = 0; row < pixels.height(); ++row) {
                    const auto* line = reinterpret_cast<const std::uint32_t*>(pixels.constScanLine(row));
                    for (int col = 0; col < pixels.width(); ++col) {
                        ASSERT_EQ(line[col] >> 24, 0xFFu) << col << ", " << row;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace picura
