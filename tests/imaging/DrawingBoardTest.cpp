#include <gtest/gtest.h>

#include "TestImages.h"
#include "imaging/Decode.h"
#include "imaging/DrawingBoard.h"
#include "imaging/Encode.h"

using namespace picura;
using namespace picura::test;

namespace {

int BmpWidth(const QByteArray& bmp) {
    return ImageFromBmpBytes(bmp).width();
}

TEST(DrawingBoard, GetPictureSizeRules) {
    DrawingBoard board(400, 300);
    board.drawPicture(Picture(MakePhotoLike(400, 300)), 0, 0);
    EXPECT_EQ(BmpWidth(board.getPicture(-5, 0)), 40);  // 5 percent is raised to 10
    EXPECT_EQ(BmpWidth(board.getPicture(-50, 0)), 200);
    EXPECT_EQ(ImageFromBmpBytes(board.getPicture(-50, -33)).size(), QSize(200, 99));
    EXPECT_EQ(ImageFromBmpBytes(board.getPicture(123, 45)).size(), QSize(123, 45));
    EXPECT_EQ(ImageFromBmpBytes(board.getPicture(0, 45)).size(), QSize(400, 45));
    EXPECT_TRUE(DrawingBoard().getPicture().isEmpty());
    DrawingBoard narrow(5, 5);
    EXPECT_TRUE(narrow.getPicture(-10, 0).isEmpty());  // 10 percent of 5 pixels is nothing
}

TEST(DrawingBoard, GetPictureAtOwnSizeIsPixelExactBmp) {
    const QImage photo = MakePhotoLike(97, 53);
    DrawingBoard board(97, 53);
    board.drawPicture(Picture(photo), 0, 0);
    const QByteArray bmp = board.getPicture();
    ASSERT_TRUE(bmp.startsWith("BM"));
    EXPECT_EQ(static_cast<unsigned char>(bmp[10]), 54);
    EXPECT_EQ(static_cast<unsigned char>(bmp[28]), 24);
    EXPECT_EQ(bmp, EncodeBmp(photo));
    EXPECT_EQ(MaxChannelDifference(ImageFromBmpBytes(bmp), photo), 0);
    EXPECT_EQ(board.getPicture(0, 0), bmp);
}

TEST(DrawingBoard, DrawPictureStretchesAndClips) {
    DrawingBoard board(300, 100);
    board.setBackgroundColor(qRgb(0, 0, 255));
    board.clear();
    QImage source = MakeSolid(100, 100, qRgb(255, 0, 0));
    for (int y = 0; y < 100; ++y) {
        for (int x = 50; x < 100; ++x) {
            source.setPixel(x, y, qRgb(0, 255, 0));
        }
    }
    board.drawPicture(Picture(source), 10, 20, 200, 50);
    const QImage img = board.image();
    EXPECT_EQ(img.pixel(9, 30), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(10, 20), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(100, 69), qRgb(255, 0, 0));  // left half spans 100 pixels
    EXPECT_EQ(img.pixel(120, 40), qRgb(0, 255, 0));
    EXPECT_EQ(img.pixel(209, 69), qRgb(0, 255, 0));
    EXPECT_EQ(img.pixel(210, 40), qRgb(0, 0, 255));
    EXPECT_EQ(img.pixel(100, 70), qRgb(0, 0, 255));
    // Partly outside the board: what remains lands in the right place.
    board.drawPicture(Picture(source), -50, -50, 100, 100);
    EXPECT_EQ(board.image().pixel(0, 0), qRgb(0, 255, 0));
    // Missing size means the picture's own.
    DrawingBoard own(120, 120);
    own.drawPicture(Picture(source), 10, 10);
    EXPECT_EQ(own.image().pixel(59, 50), qRgb(255, 0, 0));
    EXPECT_EQ(own.image().pixel(60, 50), qRgb(0, 255, 0));
    EXPECT_EQ(own.image().pixel(110, 50), qRgb(255, 255, 255));
}

TEST(DrawingBoard, RasterOperations) {
    const QRgb src = qRgb(0xF0, 0x0F, 0x55);
    const QRgb dst = qRgb(0x3C, 0xFF, 0x00);
    const std::pair<RasterOp, QRgb> cases[] = {
        {RasterOp::SourceCopy, src},
        {RasterOp::InvertedSource, qRgb(0x0F, 0xF0, 0xAA)},
        {RasterOp::SourceXor, qRgb(0xCC, 0xF0, 0x55)},
        {RasterOp::SourceOr, qRgb(0xFC, 0xFF, 0x55)},
        {RasterOp::SourceAnd, qRgb(0x30, 0x0F, 0x00)},
    };
    for (const auto& [op, expected] : cases) {
        DrawingBoard board(4, 4);
        board.setBackgroundColor(dst);
        board.clear();
        board.drawPicture(Picture(MakeSolid(2, 2, src)), 1, 1, -1, -1, op);
        EXPECT_EQ(board.image().pixel(1, 1), expected) << static_cast<int>(op);
        EXPECT_EQ(board.image().pixel(0, 0), dst);
        DrawingBoard from(2, 2);
        from.setBackgroundColor(src);
        from.clear();
        board.clear();
        board.copyFrom(from, 0, 0, 2, 2, 2, 2, op);
        EXPECT_EQ(board.image().pixel(3, 3), expected);
    }
}

TEST(DrawingBoard, CopyIsOneToOneWithClippingAndOverlap) {
    const QImage photo = MakePhotoLike(50, 40);
    DrawingBoard source(50, 40);
    source.drawPicture(Picture(photo), 0, 0);
    DrawingBoard target(30, 30);
    target.copyFrom(source, 10, 5, 100, 100, -5, 3);
    EXPECT_EQ(target.image().pixel(0, 3), photo.pixel(15, 5));
    EXPECT_EQ(target.image().pixel(29, 29), photo.pixel(44, 31));
    EXPECT_EQ(target.image().pixel(0, 2), qRgb(255, 255, 255));
    // Within one board, overlapping rectangles copy what was there before.
    source.copyFrom(source, 0, 0, 20, 20, 5, 5);
    EXPECT_EQ(source.image().pixel(5, 5), photo.pixel(0, 0));
    EXPECT_EQ(source.image().pixel(24, 24), photo.pixel(19, 19));
}

TEST(DrawingBoard, ClearUsesBackgroundPictureAndMovesWritePosition) {
    DrawingBoard board(40, 40);
    board.setBackgroundColor(qRgb(10, 20, 30));
    board.setBackgroundPicture(Picture(MakeSolid(10, 10, qRgb(200, 0, 0))));
    board.drawPicture(Picture(MakeSolid(40, 40, qRgb(0, 0, 0))), 0, 0);
    board.clear(5, 5, 20, 20);
    EXPECT_EQ(board.writePosition(), QPoint(5, 5));
    EXPECT_EQ(board.image().pixel(4, 4), qRgb(0, 0, 0));
    EXPECT_EQ(board.image().pixel(5, 5), qRgb(200, 0, 0));
    EXPECT_EQ(board.image().pixel(9, 9), qRgb(200, 0, 0));
    EXPECT_EQ(board.image().pixel(10, 10), qRgb(10, 20, 30));
    EXPECT_EQ(board.image().pixel(25, 25), qRgb(0, 0, 0));
    board.clearBackgroundPicture();
    board.clear();
    EXPECT_EQ(board.image().pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(board.writePosition(), QPoint(0, 0));
    board.resize(7, 3);
    EXPECT_EQ(board.size(), QSize(7, 3));
    EXPECT_EQ(board.image().pixel(6, 2), qRgb(10, 20, 30));
}

std::vector<QPoint> Marked(const QImage& image, QRgb colour) {
    std::vector<QPoint> points;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == colour) {
                points.push_back({x, y});
            }
        }
    }
    return points;
}

TEST(DrawingBoard, ThinLinesIncludeTheStartAndExcludeTheEnd) {
    DrawingBoard board(20, 20);
    board.setPenColor(qRgb(255, 0, 0));
    board.line(2, 3, 7, 3);
    EXPECT_EQ(Marked(board.image(), qRgb(255, 0, 0)),
              (std::vector<QPoint>{{2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}}));
    board.clear();
    board.line(10, 10, 4, 7);  // backwards, shallow
    const auto points = Marked(board.image(), qRgb(255, 0, 0));
    EXPECT_EQ(points.size(), 6u);
    EXPECT_NE(std::find(points.begin(), points.end(), QPoint(10, 10)), points.end());
    EXPECT_EQ(std::find(points.begin(), points.end(), QPoint(4, 7)), points.end());
    board.clear();
    board.line(5, 5, 5, 5);
    EXPECT_TRUE(Marked(board.image(), qRgb(255, 0, 0)).empty());
    board.setPenWidth(0);
    board.line(0, 0, 4, 4);
    EXPECT_EQ(Marked(board.image(), qRgb(255, 0, 0)), (std::vector<QPoint>{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    board.clear();
    board.setPenWidth(5);
    board.line(5, 10, 15, 10);
    EXPECT_EQ(board.image().pixel(10, 8), qRgb(255, 0, 0));
    EXPECT_EQ(board.image().pixel(10, 12), qRgb(255, 0, 0));
    EXPECT_EQ(board.image().pixel(10, 14), qRgb(255, 255, 255));
}

TEST(DrawingBoard, EllipseOutlineStaysInsideItsRectangle) {
    DrawingBoard board(40, 30);
    board.setPenColor(qRgb(0, 0, 255));
    board.ellipse(5, 5, 35, 25);
    const auto points = Marked(board.image(), qRgb(0, 0, 255));
    ASSERT_FALSE(points.empty());
    int minX = 99, maxX = 0, minY = 99, maxY = 0;
    for (QPoint p : points) {
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    }
    EXPECT_EQ(minX, 5);
    EXPECT_EQ(maxX, 34);
    EXPECT_EQ(minY, 5);
    EXPECT_EQ(maxY, 24);
    EXPECT_EQ(board.image().pixel(20, 15), qRgb(255, 255, 255));  // not filled
}

TEST(DrawingBoard, TextIsWrittenAtTheWritePosition) {
    DrawingBoard board(200, 60);
    QFont font;
    font.setPixelSize(20);
    board.setFont(font);
    board.setTextColor(qRgb(0, 128, 0));
    const QString text = QStringLiteral("Hello 证件");
    EXPECT_GT(board.textWidth(text), board.textWidth(QStringLiteral("Hello")));
    EXPECT_GE(board.textHeight(text), 20);
    board.setWritePosition(30, 10);
    board.writeText(text);
    const QImage img = board.image();
    int minX = 999, minY = 999, maxY = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (img.pixel(x, y) != qRgb(255, 255, 255)) {
                minX = std::min(minX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
        }
    }
    EXPECT_GE(minX, 30);
    EXPECT_LE(minX, 34);
    EXPECT_GE(minY, 10);
    EXPECT_LE(maxY, 10 + board.textHeight(text));
}

}  // namespace
