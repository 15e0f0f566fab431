#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>

#include <cstdlib>
#include <random>

#include <jpeglib.h>

#include "Fixtures.h"
#include "TestImages.h"
#include "imaging/Decode.h"
#include "imaging/Encode.h"

using namespace picura;
using namespace picura::test;

namespace {

struct FrameHeader {
    int marker = 0;        // 0xC0 baseline, 0xC2 progressive, ...
    int lumaSampling = 0;  // the first component's h << 4 | v
    int chromaSampling = 0;
};

// The first start-of-frame segment of a JPEG file.
FrameHeader ReadFrameHeader(const QByteArray& jpeg) {
    FrameHeader h;
    const auto* d = reinterpret_cast<const unsigned char*>(jpeg.constData());
    for (qsizetype i = 2; i + 4 < jpeg.size();) {
        if (d[i] != 0xFF) {
            return h;
        }
        const int marker = d[i + 1];
        const int length = (d[i + 2] << 8) | d[i + 3];
        if (marker >= 0xC0 && marker <= 0xC3 && i + 2 + length <= jpeg.size() && d[i + 9] == 3) {
            h.marker = marker;
            h.lumaSampling = d[i + 11];
            h.chromaSampling = d[i + 14];
            return h;
        }
        i += 2 + length;
    }
    return h;
}

QByteArray EncodeWithQt(const QImage& image, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

TEST(JpegEncode, ColourPlanesKeepFullResolutionFromQuality90AndHalfBelow) {
    const QImage photo = MakePhotoLike(120, 90, 5);
    for (const int q : {0, 50, 85, 89, 90, 95, 100}) {
        SCOPED_TRACE("quality " + std::to_string(q));
        const FrameHeader h = ReadFrameHeader(EncodeJpeg(photo, q));
        EXPECT_EQ(h.marker, 0xC0);  // baseline: every reader takes it
        EXPECT_EQ(h.lumaSampling, q >= 90 ? 0x11 : 0x22);
        EXPECT_EQ(h.chromaSampling, 0x11);
        EXPECT_EQ(JpegFullChroma(q), q >= 90);
    }
    EXPECT_EQ(ReadFrameHeader(JpegEncoder(photo, JpegChroma::Half).encode(100)).lumaSampling, 0x22);
    EXPECT_EQ(ReadFrameHeader(JpegEncoder(photo, JpegChroma::Full).encode(10)).lumaSampling, 0x11);
}

// Huffman tables made for the picture: the same quantisation and subsampling as a writer with the standard
// tables, in fewer bytes, decoding to the same size.
TEST(JpegEncode, TablesMadeForThePictureGiveSmallerFilesThanTheStandardOnes) {
    const QImage photo = MakePhotoLike(413, 626, 7);
    for (const int q : {30, 75, 89}) {
        SCOPED_TRACE("quality " + std::to_string(q));
        const QByteArray ours = EncodeJpeg(photo, q);
        const QByteArray standard = EncodeWithQt(photo, q);
        ASSERT_FALSE(standard.isEmpty());
        EXPECT_LT(ours.size(), standard.size() * 97 / 100);
        EXPECT_EQ(DecodePicture(ours).size(), photo.size());
    }
}

TEST(JpegEncode, EncoderReusedAcrossQualitiesAndSizesGivesTheSameBytes) {
    // A picture whose quality-100 file is far larger than the first buffer, then small ones again.
    const QImage photo = MakePhotoLike(900, 700, 3);
    JpegEncoder encoder(photo);
    for (const int q : {100, 5, 100, 60}) {
        EXPECT_EQ(encoder.encode(q), EncodeJpeg(photo, q)) << "quality " << q;
    }
    const QImage one = MakeSolid(1, 1, qRgb(10, 200, 30));
    EXPECT_EQ(DecodePicture(EncodeJpeg(one, 90)).size(), QSize(1, 1));
}

// Pictures that reach the encoder's corners: random colours (large coefficients, many 0xFF bytes in the
// compressed data), single-pixel black and white stripes (the largest AC values), and a photo.
QImage RandomColours(int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned v = random();
            image.setPixel(x, y, qRgb(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF));
        }
    }
    return image;
}

QImage PixelStripes(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, (x + y) % 2 == 0 ? qRgb(255, 255, 255) : qRgb(0, 0, 30));
        }
    }
    return image;
}

// The zero bytes stuffed after 0xFF bytes in the compressed data, which runs from the end of the scan
// header to the end-of-image marker.
qsizetype StuffedZeroBytes(const QByteArray& jpeg) {
    const qsizetype scan = jpeg.indexOf("\xFF\xDA");
    if (scan < 0) {
        return -1;
    }
    const auto* d = reinterpret_cast<const unsigned char*>(jpeg.constData());
    qsizetype stuffed = 0;
    for (qsizetype i = scan + 2 + ((d[scan + 2] << 8) | d[scan + 3]); i + 2 < jpeg.size(); ++i) {
        if (d[i] == 0xFF && d[i + 1] == 0x00) {
            ++stuffed;
        }
    }
    return stuffed;
}

// libjpeg compressing the picture itself, with Huffman tables made for it, at a chosen colour resolution.
QByteArray LibjpegFile(const QImage& picture, int quality, bool fullChroma) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    return test::CompressWithLibjpeg(
        rgb.width(), rgb.height(), 4, JCS_EXT_BGRX, quality,
        [&](jpeg_compress_struct& cinfo) {
            cinfo.dct_method = JDCT_ISLOW;
            cinfo.optimize_coding = TRUE;
            cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = fullChroma ? 1 : 2;
        },
        [&](int y) { return rgb.constScanLine(y); });
}

// The encoder transforms once and writes the file itself; every quality's file must still be libjpeg's
// own, whatever the size (padding to whole blocks and 2 × 2 units on the right and at the bottom) and
// content, at both colour resolutions.
TEST(JpegEncode, EncoderWritesLibjpegsFileForAnySizeAndContent) {
    const QSize sizes[] = {{1, 1}, {7, 100}, {100, 7}, {17, 9}, {16, 16}, {33, 31}, {15, 17}};
    for (const QSize size : sizes) {
        const QImage pictures[] = {RandomColours(size.width(), size.height(), 11),
                                   PixelStripes(size.width(), size.height()),
                                   MakePhotoLike(size.width(), size.height(), 2)};
        for (const QImage& picture : pictures) {
            JpegEncoder encoder(picture);
            for (const int q : {0, 1, 3, 25, 50, 75, 89, 90, 95, 99, 100}) {
                SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height() << " quality " << q);
                ASSERT_EQ(encoder.encode(q), EncodeJpeg(picture, q));
            }
        }
    }
}

// The quality benchmark compares both resolutions at every quality.
TEST(JpegEncode, EitherColourResolutionAtAnyQualityIsLibjpegsFile) {
    for (const QImage& picture : {RandomColours(45, 29, 8), MakePhotoLike(70, 51, 9)}) {
        JpegEncoder full(picture, JpegChroma::Full), half(picture, JpegChroma::Half);
        for (const int q : {5, 50, 89, 90, 100}) {
            SCOPED_TRACE("quality " + std::to_string(q));
            EXPECT_EQ(full.encode(q), LibjpegFile(picture, q, true));
            EXPECT_EQ(half.encode(q), LibjpegFile(picture, q, false));
        }
    }
    // The reference is the one EncodeJpeg uses.
    const QImage photo = MakePhotoLike(33, 20, 3);
    EXPECT_EQ(LibjpegFile(photo, 95, true), EncodeJpeg(photo, 95));
    EXPECT_EQ(LibjpegFile(photo, 60, false), EncodeJpeg(photo, 60));
}

TEST(JpegEncode, SizeWithoutStuffingIsTheFileLessItsStuffedBytes) {
    qsizetype stuffedAnywhere = 0;
    for (const QImage& picture :
         {RandomColours(120, 90, 4), MakePhotoLike(130, 77, 6), PixelStripes(40, 40)}) {
        JpegEncoder encoder(picture);
        for (const int q : {100, 90, 89, 60, 10}) {
            SCOPED_TRACE("quality " + std::to_string(q));
            const QByteArray file = encoder.encode(q);
            const qsizetype stuffed = StuffedZeroBytes(file);
            ASSERT_GE(stuffed, 0);
            EXPECT_EQ(encoder.sizeWithoutStuffing(q), file.size() - stuffed);
            stuffedAnywhere += stuffed;
        }
    }
    EXPECT_GT(stuffedAnywhere, 0);  // the noise has 0xFF bytes to stuff
}

// largerThan must never rule out a file that fits, and should prove a file far over the limit from part
// of the picture. Each question goes to a fresh encoder, so no earlier count answers it.
TEST(JpegEncode, LargerThanOnlyForFilesOverTheLimit) {
    const QImage photo = MakePhotoLike(413, 626, 7);
    for (const int q : {100, 90, 75, 30}) {
        SCOPED_TRACE("quality " + std::to_string(q));
        const qint64 size = EncodeJpeg(photo, q).size();
        EXPECT_FALSE(JpegEncoder(photo).largerThan(q, size));
        EXPECT_FALSE(JpegEncoder(photo).largerThan(q, size + 5000));
        EXPECT_TRUE(JpegEncoder(photo).largerThan(q, size / 3));
        JpegEncoder exact(photo);
        EXPECT_TRUE(exact.largerThan(q, exact.sizeWithoutStuffing(q) - 1));
        // A count ended early leaves nothing behind that changes the file.
        JpegEncoder early(photo);
        ASSERT_TRUE(early.largerThan(q, size / 10));
        EXPECT_EQ(early.encode(q), EncodeJpeg(photo, q));
    }
}

TEST(JpegEncode, PicturesAJpegCannotHoldGiveNoFile) {
    const QImage tooWide = MakeSolid(65501, 1, qRgb(1, 2, 3));
    JpegEncoder wide(tooWide);
    EXPECT_TRUE(wide.encode(50).isEmpty());
    EXPECT_TRUE(EncodeJpeg(tooWide, 50).isEmpty());
    EXPECT_EQ(wide.sizeWithoutStuffing(50), 0);
    EXPECT_FALSE(wide.largerThan(50, 10));
    JpegEncoder none{QImage()};
    EXPECT_EQ(none.sizeWithoutStuffing(50), 0);
    EXPECT_FALSE(none.largerThan(50, 10));
    // The largest side a JPEG holds still works.
    const QImage widest = MakeSolid(65500, 1, qRgb(1, 2, 3));
    const QByteArray file = JpegEncoder(widest).encode(50);
    EXPECT_FALSE(file.isEmpty());
    EXPECT_EQ(file, EncodeJpeg(widest, 50));
}

}  // namespace
