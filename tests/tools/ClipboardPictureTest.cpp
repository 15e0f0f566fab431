// Copy and paste of pictures through an in-memory clipboard, and through Qt's clipboard inside this
// process (the offscreen platform keeps one).
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <cstdint>

#include "TestImages.h"
#include "imaging/Encode.h"
#include "tools/ClipboardPicture.h"

namespace picura {
namespace {

std::uint32_t U32(const QByteArray& b, int at) {
    return std::uint32_t(std::uint8_t(b[at])) | (std::uint32_t(std::uint8_t(b[at + 1])) << 8) |
           (std::uint32_t(std::uint8_t(b[at + 2])) << 16) | (std::uint32_t(std::uint8_t(b[at + 3])) << 24);
}

// A clipboard that is emptied and then refuses the picture, like one that cannot take the data.
class RefusingClipboard final : public MemoryClipboard {
  public:
    bool putImage(const QImage&) override {
        clear();
        ++attempts;
        return false;
    }
    int attempts = 0;
};

TEST(CopyPictureToClipboard, FramePicture_OnClipboardAtItsSize) {
    // What Ctrl+C hands over: the crop board's picture as BMP bytes at the frame size.
    const QImage frame = test::MakePhotoLike(160, 210, 3);
    MemoryClipboard clipboard;
    clipboard.putText(QStringLiteral("张三"));
    ASSERT_TRUE(CopyPictureToClipboard(clipboard, EncodeBmp(frame)));
    EXPECT_EQ(clipboard.image().size(), QSize(160, 210));
    EXPECT_EQ(test::MaxChannelDifference(clipboard.image(), frame), 0);
    EXPECT_TRUE(clipboard.text().isEmpty());
}

TEST(CopyPictureToClipboard, EmptyOrUnreadableBytes_FalseAndClipboardKept) {
    MemoryClipboard clipboard;
    const QImage before = test::MakeSolid(5, 5, qRgb(1, 2, 3));
    ASSERT_TRUE(clipboard.putImage(before));

    EXPECT_FALSE(CopyPictureToClipboard(clipboard, QByteArray()));
    EXPECT_FALSE(CopyPictureToClipboard(clipboard, QByteArray("BM garbage that is no picture")));
    QByteArray truncated = EncodeBmp(test::MakePhotoLike(30, 30));
    truncated.truncate(100);
    EXPECT_FALSE(CopyPictureToClipboard(clipboard, truncated));
    EXPECT_FALSE(CopyPictureToClipboard(clipboard, QImage()));
    EXPECT_EQ(test::MaxChannelDifference(clipboard.image(), before), 0);
}

TEST(CopyPictureToClipboard, ClipboardRefuses_False) {
    RefusingClipboard clipboard;
    EXPECT_FALSE(CopyPictureToClipboard(clipboard, EncodeBmp(test::MakePhotoLike(8, 8))));
    EXPECT_FALSE(CopyPictureToClipboard(clipboard, test::MakePhotoLike(8, 8)));
    EXPECT_EQ(clipboard.attempts, 2);
    EXPECT_TRUE(clipboard.image().isNull());
}

TEST(PastePicture, NothingOnClipboard_NothingToPaste) {
    MemoryClipboard empty;
    EXPECT_TRUE(PastePictureBytes(empty).isEmpty());
    EXPECT_FALSE(PastePicture(empty).has_value());

    MemoryClipboard textOnly;
    textOnly.putText(QStringLiteral("some text"));
    EXPECT_TRUE(PastePictureBytes(textOnly).isEmpty());
    EXPECT_FALSE(PastePicture(textOnly).has_value());
    EXPECT_EQ(textOnly.text(), QStringLiteral("some text"));
}

TEST(PastePicture, Screenshot32Bit_BmpBytesOfItsSize) {
    // A screenshot as another program offers it: 32-bit pixels, fully opaque.
    const QImage screenshot =
        test::MakePhotoLike(300, 200, 9).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    MemoryClipboard clipboard;
    ASSERT_TRUE(clipboard.putImage(screenshot));

    const QByteArray bytes = PastePictureBytes(clipboard);
    ASSERT_GE(bytes.size(), 58);
    EXPECT_TRUE(bytes.startsWith("BM"));
    EXPECT_EQ(U32(bytes, 10), 58u);
    EXPECT_EQ(U32(bytes, 14), 40u);
    EXPECT_EQ(U32(bytes, 2), static_cast<std::uint32_t>(bytes.size()));

    const std::optional<Picture> pasted = PastePicture(clipboard);
    ASSERT_TRUE(pasted.has_value());
    EXPECT_EQ(pasted->size(), QSize(300, 200));
    EXPECT_EQ(test::MaxChannelDifference(pasted->image(), screenshot), 0);
    // The clipboard keeps its picture after a paste.
    EXPECT_EQ(clipboard.image().size(), QSize(300, 200));
}

TEST(PastePicture, TransparentPicture_LaidOnWhite) {
    QImage logo(4, 2, QImage::Format_ARGB32);
    logo.fill(qRgba(0, 0, 0, 0));
    logo.setPixel(1, 1, qRgba(0, 0, 255, 255));
    MemoryClipboard clipboard;
    ASSERT_TRUE(clipboard.putImage(logo));
    const std::optional<Picture> pasted = PastePicture(clipboard);
    ASSERT_TRUE(pasted.has_value());
    EXPECT_EQ(pasted->image().pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(pasted->image().pixel(1, 1), qRgb(0, 0, 255));
}

TEST(PastePicture, PictureTooLargeToLoad_NothingToPaste) {
    // Wider than any picture the program loads: the bytes exist but no picture comes of them.
    const QImage strip = test::MakeSolid(40000, 1, qRgb(9, 9, 9));
    MemoryClipboard clipboard;
    ASSERT_TRUE(clipboard.putImage(strip));
    EXPECT_FALSE(PastePictureBytes(clipboard).isEmpty());
    EXPECT_FALSE(PastePicture(clipboard).has_value());
}

TEST(PastePicture, CopyThenPaste_FrameBecomesWholePicture) {
    const QImage frame = test::MakePhotoLike(161, 97, 4);
    MemoryClipboard clipboard;
    ASSERT_TRUE(CopyPictureToClipboard(clipboard, EncodeBmp(frame)));
    const std::optional<Picture> pasted = PastePicture(clipboard);
    ASSERT_TRUE(pasted.has_value());
    EXPECT_EQ(pasted->size(), frame.size());
    EXPECT_EQ(test::MaxChannelDifference(pasted->image(), frame), 0);
}

// Qt's clipboard within this process.
class QtClipboardTest : public ::testing::Test {
  protected:
    void SetUp() override { QGuiApplication::clipboard()->clear(); }
    void TearDown() override { QGuiApplication::clipboard()->clear(); }
    QtClipboard clipboard;
};

TEST_F(QtClipboardTest, CopyThenPaste_SamePicture) {
    const QImage frame = test::MakePhotoLike(64, 80, 6);
    ASSERT_TRUE(CopyPictureToClipboard(clipboard, EncodeBmp(frame)));
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasImage());
    const std::optional<Picture> pasted = PastePicture(clipboard);
    ASSERT_TRUE(pasted.has_value());
    EXPECT_EQ(test::MaxChannelDifference(pasted->image(), frame), 0);
}

TEST_F(QtClipboardTest, TextOnlyOrEmpty_NothingToPaste) {
    EXPECT_FALSE(PastePicture(clipboard).has_value());
    QGuiApplication::clipboard()->setText(QStringLiteral("名单"));
    EXPECT_TRUE(PastePictureBytes(clipboard).isEmpty());
    EXPECT_FALSE(PastePicture(clipboard).has_value());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("名单"));
}

}  // namespace
}  // namespace picura
