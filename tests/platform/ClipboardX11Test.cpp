// The clipboard shared with other programs on a real X server: xclip reads what we copy and offers
// what we paste. Run by run_x11_tests.sh under xvfb-run; skipped on any other platform or without xclip.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include "TestImages.h"
#include "imaging/Encode.h"
#include "tools/ClipboardPicture.h"

namespace picura {
namespace {

constexpr int kTimeoutMs = 5000;

// Turns the event loop until `done` holds or the time is up; our side of the selection is only
// answered while events are processed.
template <typename Done>
bool WaitUntil(Done done, int timeoutMs = kTimeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QTest::qWait(10);
    }
    return true;
}

class ClipboardX11 : public ::testing::Test {
  protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            GTEST_SKIP() << "needs an X server (run under xvfb-run with QT_QPA_PLATFORM=xcb)";
        }
        if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty()) {
            GTEST_SKIP() << "xclip is not installed";
        }
        stamp_.create();
    }

    void TearDown() override {
        if (xclip_.state() != QProcess::NotRunning) {
            xclip_.kill();
            xclip_.waitForFinished(kTimeoutMs);
        }
    }

    // Starts xclip as the clipboard's owner, in the foreground so that it can be ended by its process.
    void OfferWithXclip(const QString& target, const QByteArray& data) {
        xclip_.start(QStringLiteral("xclip"),
                     {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"), target,
                      QStringLiteral("-i"), QStringLiteral("-quiet")});
        ASSERT_TRUE(xclip_.waitForStarted(kTimeoutMs));
        xclip_.write(data);
        xclip_.closeWriteChannel();
    }

    // X grants the selection only to a request stamped later than the current owner's; Qt stamps it with
    // the time of the last event it received, in the program the Ctrl+C key press. Here a property change
    // on a window of ours gives Qt such a fresh time before each try.
    template <typename PictureData>
    bool CopyAfterAnEvent(const PictureData& picture) {
        return WaitUntil([&] {
            stamp_.setTitle(QStringLiteral("stamp %1").arg(++stamps_));
            QTest::qWait(5);
            return CopyPictureToClipboard(clipboard_, picture);
        });
    }

    QtClipboard clipboard_;
    QProcess xclip_;
    QWindow stamp_;
    int stamps_ = 0;
};

TEST_F(ClipboardX11, Copy_XclipReadsPngOfSameSizeAndPixels) {
    const QImage frame = test::MakePhotoLike(160, 210, 11);
    ASSERT_TRUE(CopyAfterAnEvent(EncodeBmp(frame)));

    QProcess reader;
    reader.start(QStringLiteral("xclip"),
                 {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                  QStringLiteral("image/png"), QStringLiteral("-o")});
    ASSERT_TRUE(reader.waitForStarted(kTimeoutMs));
    ASSERT_TRUE(WaitUntil([&] { return reader.state() == QProcess::NotRunning; }))
        << "xclip did not get the picture";
    ASSERT_EQ(reader.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();

    const QByteArray png = reader.readAllStandardOutput();
    ASSERT_TRUE(png.startsWith("\x89PNG"));
    const QImage read = QImage::fromData(png, "PNG");
    ASSERT_EQ(read.size(), QSize(160, 210));
    EXPECT_EQ(test::MaxChannelDifference(read.convertToFormat(QImage::Format_RGB32), frame), 0);
}

TEST_F(ClipboardX11, Paste_PngOfferedByXclip) {
    const QImage shot = test::MakePhotoLike(120, 90, 12);
    OfferWithXclip(QStringLiteral("image/png"), EncodePng(shot));
    // A picture this program copied earlier stays its own until X tells it xclip took over.
    ASSERT_TRUE(WaitUntil([] { return !QGuiApplication::clipboard()->ownsClipboard(); }));

    std::optional<Picture> pasted;
    ASSERT_TRUE(WaitUntil([&] {
        pasted = PastePicture(clipboard_);
        return pasted.has_value();
    })) << "no picture pasted from xclip";
    EXPECT_EQ(pasted->size(), QSize(120, 90));
    EXPECT_EQ(test::MaxChannelDifference(pasted->image(), shot), 0);
    // The bytes handed to the loader are a BMP file whatever format the clipboard had.
    EXPECT_TRUE(PastePictureBytes(clipboard_).startsWith("BM"));
}

TEST_F(ClipboardX11, Paste_TextOfferedByXclip_NothingToPaste) {
    OfferWithXclip(QStringLiteral("UTF8_STRING"), QByteArray("张三"));
    ASSERT_TRUE(WaitUntil([] { return QGuiApplication::clipboard()->text() == QStringLiteral("张三"); }))
        << "xclip did not take the clipboard";
    EXPECT_TRUE(PastePictureBytes(clipboard_).isEmpty());
    EXPECT_FALSE(PastePicture(clipboard_).has_value());
}

TEST_F(ClipboardX11, CopyThenPaste_SameProgram) {
    const QImage frame = test::MakePhotoLike(33, 47, 13);
    ASSERT_TRUE(CopyAfterAnEvent(frame));
    EXPECT_TRUE(QGuiApplication::clipboard()->ownsClipboard());
    const std::optional<Picture> pasted = PastePicture(clipboard_);
    ASSERT_TRUE(pasted.has_value());
    EXPECT_EQ(test::MaxChannelDifference(pasted->image(), frame), 0);
}

}  // namespace
}  // namespace picura
