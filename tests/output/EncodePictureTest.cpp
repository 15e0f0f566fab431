#include <gtest/gtest.h>

#include <QImage>

#include "TestImages.h"
#include "imaging/Encode.h"
#include "output/EncodePicture.h"

using namespace picura;

namespace {

class EncodePictureTest : public ::testing::Test {
  protected:
    const QImage crop = test::MakePhotoLike(413, 626, 7);
};

// The search against the real encoder: the result fits, decodes to the crop's
// size and looks like it, and the next quality the fine pass would have tried
// does not fit.
void ExpectBestFit(const QImage& crop, double limitKb) {
    SCOPED_TRACE(limitKb);
    const EncodeResult r = EncodePicture(crop, OutputFormat::Jpg, limitKb);
    ASSERT_TRUE(r.ok);
    ASSERT_FALSE(r.failed);
    EXPECT_LE(r.bytes.size(), JpegLimitBytes(limitKb));
    const QImage decoded = QImage::fromData(r.bytes, "JPG");
    ASSERT_EQ(decoded.size(), crop.size());
    EXPECT_LT(test::MeanChannelDifference(decoded, crop), 20.0);
    ASSERT_GE(r.quality, 0);
    EXPECT_EQ(EncodeJpeg(crop, r.quality), r.bytes);
    if (r.quality < 100 && r.quality % 5 != 4) {
        EXPECT_GT(EncodeJpeg(crop, r.quality + 1).size(), JpegLimitBytes(limitKb));
    }
}

TEST_F(EncodePictureTest, JpegUnderTwentyAndThirtyKilobytes) {
    ExpectBestFit(crop, 20);
    ExpectBestFit(crop, 30);
    EXPECT_GE(EncodePicture(crop, OutputFormat::Jpg, 30).quality,
              EncodePicture(crop, OutputFormat::Jpg, 20).quality);
}

// libjpeg compressing the crop afresh for every quality the search tries: the
// search before the encoder learnt to rule qualities out without writing them.
class EveryQualityEncoder final : public QualityEncoder {
  public:
    explicit EveryQualityEncoder(const QImage& crop) : crop_(crop) {}
    QByteArray encode(int quality) override { return EncodeJpeg(crop_, quality); }

  private:
    QImage crop_;
};

// Ruling qualities out early must never change the choice, least of all when
// the limit is exactly a file's size or one byte below it.
TEST_F(EncodePictureTest, SameChoiceAsEncodingEveryQuality) {
    std::vector<double> limitsKb = {10, 20, 30, 50};
    for (const int q : {57, 88, 93}) {
        const double size = static_cast<double>(EncodeJpeg(crop, q).size());
        limitsKb.push_back(size / 1024.0);
        limitsKb.push_back((size - 1) / 1024.0);
    }
    for (const double kb : limitsKb) {
        SCOPED_TRACE(kb);
        EveryQualityEncoder reference(crop);
        const EncodeResult expected = SearchJpegQuality(reference, JpegLimitBytes(kb));
        const EncodeResult r = EncodePicture(crop, OutputFormat::Jpg, kb);
        EXPECT_EQ(r.quality, expected.quality);
        EXPECT_EQ(r.ok, expected.ok);
        EXPECT_TRUE(r.bytes == expected.bytes);
    }
}

TEST_F(EncodePictureTest, UnreachableLimitWritesQualityZeroAndReportsItsSize) {
    const EncodeResult r = EncodePicture(crop, OutputFormat::Jpg, 0.3);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.quality, 0);
    EXPECT_EQ(r.bytes, EncodeJpeg(crop, 0));
    EXPECT_EQ(r.lastSize, r.bytes.size());
    EXPECT_GT(r.lastSize, 307);
}

TEST_F(EncodePictureTest, OtherFormatsIgnoreTheLimitAndKeepTheSize) {
    for (const char* ext : {".bmp", ".PNG", ".Gif"}) {
        SCOPED_TRACE(ext);
        const EncodeResult r =
            EncodePicture(crop, FormatFromExtension(QString::fromLatin1(ext)).value(), 0.3);
        EXPECT_TRUE(r.ok);
        EXPECT_FALSE(r.failed);
        const QImage decoded = QImage::fromData(r.bytes);
        EXPECT_EQ(decoded.size(), crop.size());
    }
    const QImage solid = test::MakeSolid(40, 30, qRgb(10, 200, 30));
    EXPECT_EQ(
        test::MaxChannelDifference(QImage::fromData(EncodePicture(solid, OutputFormat::Png, 1).bytes), solid),
        0);
    EXPECT_EQ(
        test::MaxChannelDifference(QImage::fromData(EncodePicture(solid, OutputFormat::Bmp, 1).bytes), solid),
        0);
}

TEST_F(EncodePictureTest, JpegUnderItsLimitAndNoPictureFails) {
    const EncodeResult jpeg = EncodePicture(crop, OutputFormat::Jpg, 30);
    ASSERT_GE(jpeg.bytes.size(), 2);
    EXPECT_EQ(jpeg.bytes.left(2), QByteArray("\xFF\xD8"));
    EXPECT_LE(jpeg.bytes.size(), 30 * 1024);

    const EncodeResult none = EncodePicture(QImage(), OutputFormat::Jpg, 30);
    EXPECT_TRUE(none.ok);
    EXPECT_TRUE(none.failed);
    EXPECT_TRUE(none.bytes.isEmpty());
}

}  // namespace
