#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "Fixtures.h"
#include "TestImages.h"
#include "imaging/Decode.h"
#include "imaging/Encode.h"
#include "imaging/PictureFormat.h"

using namespace picura;
using picura::test::Bytes;

namespace {

QByteArray Padded(QByteArray head) {
    head.append(QByteArray(16, '\0'));
    return head;
}

TEST(PictureFormat, EachMagicIsRecognised) {
    EXPECT_EQ(DetectPictureFormat(Padded(Bytes({0xFF, 0xD8}))), PictureFormat::Jpeg);
    EXPECT_EQ(DetectPictureFormat(Padded("BM")), PictureFormat::Bmp);
    EXPECT_EQ(DetectPictureFormat(Padded(Bytes({0, 0, 1, 0, 1, 0}))), PictureFormat::Ico);
    EXPECT_EQ(DetectPictureFormat(Padded(Bytes({0, 0, 2, 0, 0, 1}))), PictureFormat::Cur);
    EXPECT_EQ(DetectPictureFormat(Padded("GIF87a")), PictureFormat::Gif);
    EXPECT_EQ(DetectPictureFormat(Padded("GIF89a")), PictureFormat::Gif);
    EXPECT_EQ(DetectPictureFormat(Padded(Bytes({0x0A, 5, 1, 8}))), PictureFormat::PcxColour);
    EXPECT_EQ(DetectPictureFormat(Padded(Bytes({0x0A, 0, 1, 8}))), PictureFormat::PcxColour);
    EXPECT_EQ(DetectPictureFormat(Padded(Bytes({0x0A, 3, 1, 1}))), PictureFormat::PcxMono);
    EXPECT_EQ(DetectPictureFormat(Padded(Bytes({0x89, 'P', 'N', 'G'}))), PictureFormat::Png);
}

TEST(PictureFormat, NearMissesAreUnknown) {
    EXPECT_EQ(DetectPictureFormat(Padded(Bytes({0, 0, 1, 0, 0, 0}))), PictureFormat::Unknown);  // no images
    EXPECT_EQ(DetectPictureFormat(Padded(Bytes({0, 0, 3, 0, 1, 0}))), PictureFormat::Unknown);
    EXPECT_EQ(DetectPictureFormat(Padded("GIF88a")), PictureFormat::Unknown);
    EXPECT_EQ(DetectPictureFormat(Padded(Bytes({0x0A, 6, 1, 8}))), PictureFormat::Unknown);  // version > 5
    EXPECT_EQ(DetectPictureFormat(Padded(Bytes({0x0A, 5, 0, 8}))), PictureFormat::Unknown);  // not RLE
    EXPECT_EQ(DetectPictureFormat(Padded(Bytes({0x0A, 5, 1, 1}))), PictureFormat::Unknown);  // mono only v3
    EXPECT_EQ(DetectPictureFormat(Padded(Bytes({0x0A, 3, 1, 4}))), PictureFormat::Unknown);
    EXPECT_EQ(DetectPictureFormat(Padded(Bytes({0xFF, 0xD9}))), PictureFormat::Unknown);
    EXPECT_EQ(DetectPictureFormat(Padded("II*\0")), PictureFormat::Unknown);
}

TEST(PictureFormat, DataShorterThanEightBytesIsNotAPicture) {
    EXPECT_EQ(DetectPictureFormat(Bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A})), PictureFormat::Unknown);
    EXPECT_EQ(DetectPictureFormat(Bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})), PictureFormat::Png);
    EXPECT_EQ(DetectPictureFormat(QByteArray()), PictureFormat::Unknown);
    EXPECT_TRUE(DecodePicture(Bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J'})).isNull());
}

TEST(PictureFormat, FileNameDoesNotDecideTheFormat) {
    QTemporaryDir dir;
    const QImage image = test::MakePhotoLike(40, 30);
    const QString pngAsJpg = dir.filePath("x.jpg");
    const QString jpgAsPng = dir.filePath("x.png");
    {
        QFile f(pngAsJpg);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(EncodePng(image));
        QFile g(jpgAsPng);
        ASSERT_TRUE(g.open(QIODevice::WriteOnly));
        g.write(EncodeJpeg(image, 95));
    }
    const Picture fromPng = DecodePictureFile(pngAsJpg);
    ASSERT_FALSE(fromPng.isNull());
    EXPECT_EQ(test::MaxChannelDifference(fromPng.image(), image), 0);  // lossless: it really was read as PNG
    const Picture fromJpg = DecodePictureFile(jpgAsPng);
    ASSERT_FALSE(fromJpg.isNull());
    EXPECT_EQ(fromJpg.size(), QSize(40, 30));
    EXPECT_TRUE(DecodePictureFile(dir.filePath("missing.png")).isNull());
}

}  // namespace
