// The BMP layout of clipboard pictures, byte for byte, and that our decoder and Qt's read it back.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <cstdint>
#include <initializer_list>

#include "TestImages.h"
#include "imaging/Decode.h"
#include "tools/ClipboardPicture.h"

namespace picura {
namespace {

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray bytes;
    for (int v : values) {
        bytes.append(static_cast<char>(v));
    }
    return bytes;
}

std::uint32_t U32(const QByteArray& b, int at) {
    return std::uint32_t(std::uint8_t(b[at])) | (std::uint32_t(std::uint8_t(b[at + 1])) << 8) |
           (std::uint32_t(std::uint8_t(b[at + 2])) << 16) | (std::uint32_t(std::uint8_t(b[at + 3])) << 24);
}

// File header and information header of a bitmap with the given fields; everything else zero.
QByteArray Headers(int fileSize, int width, int height, int bits, int imageSize) {
    auto le32 = [](int v) { return Bytes({v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF, (v >> 24) & 0xFF}); };
    return Bytes({'B', 'M'}) + le32(fileSize) + le32(0) + le32(58) + le32(40) + le32(width) + le32(height) +
           Bytes({1, 0, bits, 0}) + le32(0) + le32(imageSize) + QByteArray(16, '\0') + QByteArray(4, '\0');
}

TEST(BitmapToBmpBytes, OnePixel24Bit_ExactBytes) {
    QImage image(1, 1, QImage::Format_RGB888);
    image.setPixel(0, 0, qRgb(10, 20, 30));
    const QByteArray expected = Bytes({
        'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 58, 0, 0, 0,         // file header
        40,  0,   0,  0, 1, 0, 0, 0, 1, 0, 0,  0, 1, 0, 24, 0,  // size, width, height, planes, bits
        0,   0,   0,  0, 4, 0, 0, 0,                            // compression, image size
        0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0,  // resolution, colours used, important
        0,   0,   0,  0,                                        // colour entry slot
        30,  20,  10, 0,                                        // B G R, padded to 4
    });
    EXPECT_EQ(BitmapToBmpBytes(image), expected);
}

TEST(BitmapToBmpBytes, ThreeByTwo24Bit_RowsBottomUpPadded) {
    QImage image(3, 2, QImage::Format_RGB888);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            const int base = 1 + 9 * y + 3 * x;
            image.setPixel(x, y, qRgb(base, base + 1, base + 2));
        }
    }
    const QByteArray expected =
        Headers(82, 3, 2, 24, 24) + Bytes({12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0,  // bottom row first
                                           3,  2,  1,  6,  5,  4,  9,  8,  7,  0, 0, 0});
    EXPECT_EQ(BitmapToBmpBytes(image), expected);
}

TEST(BitmapToBmpBytes, FourByFour32Bit_NoPaddingFourthByteSet) {
    QImage image(4, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            image.setPixel(x, y, qRgb(16 * x + y, 100 + x, 200 + y));
        }
    }
    QByteArray expected = Headers(122, 4, 4, 32, 64);
    for (int y = 3; y >= 0; --y) {
        for (int x = 0; x < 4; ++x) {
            expected += Bytes({200 + y, 100 + x, 16 * x + y, 255});
        }
    }
    EXPECT_EQ(BitmapToBmpBytes(image), expected);
}

TEST(BitmapToBmpBytes, OtherFormats_Written32BitWithPixelsStillAt58) {
    QImage indexed(3, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3), qRgb(200, 100, 50)});
    indexed.setPixel(0, 0, 1);
    indexed.setPixel(1, 0, 0);
    indexed.setPixel(2, 0, 1);
    EXPECT_EQ(BitmapToBmpBytes(indexed),
              Headers(70, 3, 1, 32, 12) + Bytes({50, 100, 200, 255, 3, 2, 1, 255, 50, 100, 200, 255}));

    QImage rgb16(2, 1, QImage::Format_RGB16);
    rgb16.fill(QColor(255, 0, 255));
    EXPECT_EQ(BitmapToBmpBytes(rgb16),
              Headers(66, 2, 1, 32, 8) + Bytes({255, 0, 255, 255, 255, 0, 255, 255}));
}

TEST(BitmapToBmpBytes, TransparentPixels_LaidOnWhite) {
    QImage image(3, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    image.setPixel(1, 0, qRgba(255, 0, 0, 128));
    image.setPixel(2, 0, qRgba(0, 80, 0, 255));
    EXPECT_EQ(BitmapToBmpBytes(image),
              Headers(70, 3, 1, 32, 12) + Bytes({255, 255, 255, 255, 127, 127, 255, 255, 0, 80, 0, 255}));
    // Premultiplied pixels come out the same.
    EXPECT_EQ(BitmapToBmpBytes(image.convertToFormat(QImage::Format_ARGB32_Premultiplied)),
              BitmapToBmpBytes(image));
}

TEST(BitmapToBmpBytes, NullBitmap_Empty) {
    EXPECT_TRUE(BitmapToBmpBytes(QImage()).isEmpty());
}

// Odd widths exercise every row padding: 37 × 3 = 111 bytes a row at 24 bits.
TEST(BitmapToBmpBytes, DecodesBackToTheSamePixels) {
    const QImage photo = test::MakePhotoLike(37, 23, 5);
    for (const QImage& bitmap : {photo, photo.convertToFormat(QImage::Format_RGB888),
                                 photo.convertToFormat(QImage::Format_BGR888)}) {
        SCOPED_TRACE(bitmap.format());
        const QByteArray bytes = BitmapToBmpBytes(bitmap);
        ASSERT_EQ(U32(bytes, 2), static_cast<std::uint32_t>(bytes.size()));
        const Picture ours = DecodePicture(bytes);
        ASSERT_FALSE(ours.isNull());
        EXPECT_EQ(test::MaxChannelDifference(ours.image(), photo), 0);
        const QImage qts = QImage::fromData(bytes, "BMP");
        ASSERT_FALSE(qts.isNull());
        EXPECT_EQ(test::MaxChannelDifference(qts.convertToFormat(QImage::Format_RGB32), photo), 0);
    }
}

TEST(BmpBytesToBitmap, ReadsOurBytesAndRefusesGarbage) {
    const QImage photo = test::MakePhotoLike(20, 11, 2);
    const QImage back = BmpBytesToBitmap(BitmapToBmpBytes(photo));
    EXPECT_EQ(test::MaxChannelDifference(back, photo), 0);

    EXPECT_TRUE(BmpBytesToBitmap({}).isNull());
    QByteArray garbage("BM\x10\x00\x00\x00", 6);
    garbage += " not a bitmap, just words";
    EXPECT_TRUE(BmpBytesToBitmap(garbage).isNull());
    QByteArray truncated = BitmapToBmpBytes(photo);
    truncated.chop(200);
    EXPECT_TRUE(BmpBytesToBitmap(truncated).isNull());
    // A header that declares an enormous picture is refused before any pixel memory is taken.
    QByteArray huge = BitmapToBmpBytes(photo);
    huge[18 + 2] = 0x7F;  // width of about 8 million
    EXPECT_TRUE(BmpBytesToBitmap(huge).isNull());
}

}  // namespace
}  // namespace picura
