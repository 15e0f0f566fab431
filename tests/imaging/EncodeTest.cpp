#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>

#include "TestImages.h"
#include "imaging/Decode.h"
#include "imaging/Encode.h"

using namespace picura;
using namespace picura::test;

namespace {

QImage ReadWithQt(const QByteArray& bytes, const char* format) {
    QBuffer buffer(const_cast<QByteArray*>(&bytes));
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    return reader.read();
}

TEST(Encode, BmpIsTwentyFourBitBottomUpAndExact) {
    const QImage photo = MakePhotoLike(37, 11);
    const QByteArray bmp = EncodeBmp(photo);
    const int stride = (37 * 3 + 3) / 4 * 4;
    ASSERT_EQ(bmp.size(), 54 + stride * 11);
    EXPECT_TRUE(bmp.startsWith("BM"));
    EXPECT_EQ(static_cast<unsigned char>(bmp[10]), 54);
    EXPECT_EQ(static_cast<unsigned char>(bmp[28]), 24);
    EXPECT_EQ(static_cast<unsigned char>(bmp[2]) | (static_cast<unsigned char>(bmp[3]) << 8), bmp.size());
    // First stored row is the bottom one, in B, G, R order.
    const QRgb bottomLeft = photo.pixel(0, 10);
    EXPECT_EQ(static_cast<unsigned char>(bmp[54]), qBlue(bottomLeft));
    EXPECT_EQ(static_cast<unsigned char>(bmp[56]), qRed(bottomLeft));
    EXPECT_EQ(MaxChannelDifference(DecodePicture(bmp).image(), photo), 0);
    EXPECT_EQ(MaxChannelDifference(ReadWithQt(bmp, "bmp"), photo), 0);
}

TEST(Encode, PngIsLosslessAndReadableByOthers) {
    const QImage photo = MakePhotoLike(61, 40, 8);
    const QByteArray png = EncodePng(photo);
    EXPECT_EQ(MaxChannelDifference(DecodePicture(png).image(), photo), 0);
    EXPECT_EQ(MaxChannelDifference(ReadWithQt(png, "png"), photo), 0);
}

TEST(Encode, GifKeepsFewColoursExactlyAndPhotosClose) {
    QImage flags(30, 20, QImage::Format_RGB32);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 30; ++x) {
            flags.setPixel(x, y,
                           x < 10   ? qRgb(200, 16, 46)
                           : x < 20 ? qRgb(255, 255, 255)
                                    : qRgb(0, 57, 166));
        }
    }
    const QByteArray gif = EncodeGif(flags);
    ASSERT_TRUE(gif.startsWith("GIF8"));
    EXPECT_EQ(MaxChannelDifference(DecodePicture(gif).image(), flags), 0);

    // The test photo carries ±4 of noise in each channel, which 256 colours cannot follow.
    const QImage photo = MakePhotoLike(200, 150, 6);
    const Picture back = DecodePicture(EncodeGif(photo));
    ASSERT_EQ(back.size(), photo.size());
    EXPECT_LT(MeanChannelDifference(back.image(), photo), 4.5);
    EXPECT_LE(MaxChannelDifference(back.image(), photo), 30);
    EXPECT_FALSE(ReadWithQt(EncodeGif(photo), "gif").isNull());
    // A smooth gradient over 16384 colours on a plane: 256 colours leave steps of about 16, a mean error
    // of 4.
    QImage smooth(256, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 256; ++x) {
            smooth.setPixel(x, y, qRgb(x, 255 - x, y * 4));
        }
    }
    const QImage smoothBack = DecodePicture(EncodeGif(smooth)).image();
    EXPECT_LT(MeanChannelDifference(smoothBack, smooth), 4.5);
    EXPECT_LE(MaxChannelDifference(smoothBack, smooth), 16);
}

TEST(Encode, JpegShrinksWithQualityAndClampsIt) {
    const QImage photo = MakePhotoLike(413, 626);
    qsizetype previous = std::numeric_limits<qsizetype>::max();
    for (int q = 100; q >= 0; q -= 10) {
        const QByteArray jpeg = EncodeJpeg(photo, q);
        ASSERT_FALSE(jpeg.isEmpty());
        EXPECT_LT(jpeg.size(), previous) << "quality " << q;
        previous = jpeg.size();
    }
    EXPECT_EQ(EncodeJpeg(photo, 150), EncodeJpeg(photo, 100));
    EXPECT_EQ(EncodeJpeg(photo, -5), EncodeJpeg(photo, 0));
    const Picture back = DecodePicture(EncodeJpeg(photo, 90));
    EXPECT_EQ(back.size(), photo.size());
    EXPECT_LT(MeanChannelDifference(back.image(), photo), 2.5);
    EXPECT_EQ(ReadWithQt(EncodeJpeg(photo, 90), "jpeg").size(), photo.size());
}

TEST(Encode, JpegEncoderMatchesEncodeJpegAtEveryQuality) {
    const QImage photo = MakePhotoLike(101, 77, 3);
    JpegEncoder encoder(photo);
    for (int q = 100; q >= 0; q -= 5) {
        EXPECT_EQ(encoder.encode(q), EncodeJpeg(photo, q)) << "quality " << q;
    }
    EXPECT_EQ(encoder.encode(93), EncodeJpeg(photo, 93));
    // Odd sizes and other pixel formats go through the same conversion.
    const QImage rgb888 = MakePhotoLike(15, 9).convertToFormat(QImage::Format_RGB888);
    EXPECT_EQ(JpegEncoder(rgb888).encode(70), EncodeJpeg(MakePhotoLike(15, 9), 70));
}

TEST(Encode, EmptyPicturesGiveEmptyBytes) {
    EXPECT_TRUE(EncodeBmp(QImage()).isEmpty());
    EXPECT_TRUE(EncodePng(QImage()).isEmpty());
    EXPECT_TRUE(EncodeGif(QImage()).isEmpty());
    EXPECT_TRUE(EncodeJpeg(QImage(), 80).isEmpty());
    EXPECT_TRUE(JpegEncoder(QImage()).encode(80).isEmpty());
}

}  // namespace
