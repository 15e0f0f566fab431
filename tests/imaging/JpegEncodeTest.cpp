#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>

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

}  // namespace
