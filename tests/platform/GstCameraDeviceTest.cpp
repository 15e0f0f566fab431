#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include "platform/GstCameraDevice.h"
#include "platform/testing/FakeCameraDevice.h"

using namespace picura;

namespace {

constexpr int kWaitMs = 5000;  // upper bound for anything a test waits for; reached only on failure

CameraFormat findFormat(CameraDevice& camera, QSize size) {
    for (const CameraFormat& f : camera.formats()) {
        if (f.size == size && f.encoding == CameraFormat::Encoding::Raw) {
            return f;
        }
    }
    return CameraFormat{};
}

bool isGrey(QRgb c) {
    return qRed(c) > 150 && qAbs(qRed(c) - qGreen(c)) < 20 && qAbs(qRed(c) - qBlue(c)) < 20;
}
bool isYellow(QRgb c) {
    return qRed(c) > 150 && qGreen(c) > 150 && qBlue(c) < 60;
}
bool isCyan(QRgb c) {
    return qRed(c) < 60 && qGreen(c) > 150 && qBlue(c) > 150;
}

}  // namespace

TEST(CameraDevice, VideoRatioIsHeightOverWidth) {
    EXPECT_DOUBLE_EQ(videoRatio(QSize(640, 480)), 0.75);
    EXPECT_DOUBLE_EQ(videoRatio(QSize(1280, 720)), 0.5625);
    EXPECT_EQ(videoRatio(QSize(0, 480)), 0);
    EXPECT_EQ(videoRatio(QSize()), 0);
}

TEST(GstCameraDevice, EnvironmentChoosesTheSource) {
    qputenv("PICURA_CAMERA", "test");
    EXPECT_EQ(GstCameraDevice::sourceFromEnvironment(), GstCameraDevice::Source::Test);
    qputenv("PICURA_CAMERA", "None");
    EXPECT_EQ(GstCameraDevice::sourceFromEnvironment(), GstCameraDevice::Source::None);
    qunsetenv("PICURA_CAMERA");
    EXPECT_EQ(GstCameraDevice::sourceFromEnvironment(), GstCameraDevice::Source::Devices);
}

TEST(GstCameraDevice, NoDeviceIsReportedCleanly) {
    for (auto source : {GstCameraDevice::Source::None, GstCameraDevice::Source::Devices}) {
        GstCameraDevice camera(source);
        if (source == GstCameraDevice::Source::Devices && camera.deviceCount() > 0) {
            continue;  // a machine with a real camera: nothing to prove here
        }
        QSignalSpy states(&camera, &CameraDevice::stateChanged);
        EXPECT_EQ(camera.deviceCount(), 0);
        EXPECT_FALSE(camera.connectLast());
        EXPECT_EQ(camera.state(), CameraState::Disconnected);
        EXPECT_TRUE(camera.currentFrame().isNull());
        EXPECT_TRUE(camera.controls().isEmpty());
        EXPECT_EQ(states.count(), 0);
    }
}

TEST(GstCameraDevice, TestSourceStreamsPreviewFramesAtTheAskedSizeAndRate) {
    GstCameraDevice camera(GstCameraDevice::Source::Test);
    ASSERT_EQ(camera.deviceCount(), 1);
    QSignalSpy states(&camera, &CameraDevice::stateChanged);
    camera.setPreviewSize(QSize(412, 309));
    camera.setPreview(true, 60);
    ASSERT_TRUE(camera.connectLast());
    EXPECT_EQ(camera.state(), CameraState::Streaming);
    ASSERT_EQ(states.count(), 1);
    EXPECT_EQ(states.at(0).at(0).value<CameraState>(), CameraState::Streaming);

    QSignalSpy frames(&camera, &CameraDevice::previewFrame);
    ASSERT_TRUE(frames.wait(kWaitMs));
    QElapsedTimer clock;
    clock.start();
    const int first = int(frames.count());
    while (frames.count() < first + 8 && clock.elapsed() < kWaitMs) {
        frames.wait(kWaitMs);
    }
    ASSERT_GE(frames.count(), first + 8);
    // The source sends a frame every 33 ms; the preview passes one in 60 ms or more, so eight more
    // take about half a second (a generous margin below that for a late first delivery).
    EXPECT_GE(clock.elapsed(), 8 * 45);
    const QImage preview = frames.last().at(0).value<QImage>();
    EXPECT_EQ(preview.size(), QSize(412, 309));
    EXPECT_EQ(preview.format(), QImage::Format_RGB32);

    // The preview off: not even a frame already on its way is shown.
    camera.setPreview(false);
    frames.clear();
    EXPECT_FALSE(frames.wait(300));
}

TEST(GstCameraDevice, FramesMeasureTheRatioAndFollowAFormatSwitch) {
    GstCameraDevice camera(GstCameraDevice::Source::Test);
    const CameraFormat vga = findFormat(camera, QSize(640, 480));
    const CameraFormat hd = findFormat(camera, QSize(1280, 720));
    ASSERT_EQ(vga.size, QSize(640, 480));
    ASSERT_EQ(hd.size, QSize(1280, 720));
    EXPECT_GT(hd.framesPerSecond(), 0);

    ASSERT_TRUE(camera.connectLast());
    EXPECT_EQ(camera.currentFormat(), vga);
    QTRY_VERIFY_WITH_TIMEOUT(!camera.currentFrame().isNull(), kWaitMs);
    QImage frame = camera.currentFrame();
    EXPECT_EQ(frame.size(), QSize(640, 480));
    EXPECT_DOUBLE_EQ(videoRatio(frame.size()), 0.75);

    ASSERT_TRUE(camera.setFormat(hd));
    EXPECT_EQ(camera.state(), CameraState::Streaming);
    QTRY_COMPARE_WITH_TIMEOUT(camera.currentFrame().size(), QSize(1280, 720), kWaitMs);
    frame = camera.currentFrame();
    EXPECT_EQ(frame.format(), QImage::Format_RGB32);
    EXPECT_DOUBLE_EQ(videoRatio(frame.size()), 0.5625);
    EXPECT_EQ(camera.currentFormat().size, QSize(1280, 720));
    // The colour bars in their order, channels the right way round: grey, yellow, cyan.
    const int bar = frame.width() / 7;
    EXPECT_TRUE(isGrey(frame.pixel(bar / 2, 20))) << std::hex << frame.pixel(bar / 2, 20);
    EXPECT_TRUE(isYellow(frame.pixel(bar + bar / 2, 20))) << std::hex << frame.pixel(bar + bar / 2, 20);
    EXPECT_TRUE(isCyan(frame.pixel(2 * bar + bar / 2, 20))) << std::hex << frame.pixel(2 * bar + bar / 2, 20);

    // The test source has no picture controls of its own.
    EXPECT_TRUE(camera.controls().isEmpty());
    EXPECT_FALSE(camera.setControl("BRIGHTNESS", 10));
}

TEST(GstCameraDevice, ARefusedFormatKeepsTheOldOne) {
    GstCameraDevice camera(GstCameraDevice::Source::Test);
    ASSERT_TRUE(camera.connectLast());
    const CameraFormat before = camera.currentFormat();
    CameraFormat jpeg{QSize(640, 480), 30, 1, CameraFormat::Encoding::Jpeg};  // the test source sends no JPEG
    EXPECT_FALSE(camera.setFormat(jpeg));
    EXPECT_EQ(camera.currentFormat().encoding, before.encoding);
    EXPECT_EQ(camera.state(), CameraState::Streaming);
    QTRY_VERIFY_WITH_TIMEOUT(!camera.currentFrame().isNull(), kWaitMs);
}

TEST(GstCameraDevice, AnUnpluggedSourceIsReportedAndReconnectsWhenBack) {
    GstCameraDevice camera(GstCameraDevice::Source::Test);
    camera.setPreview(true, 60);
    ASSERT_TRUE(camera.connectLast());
    QSignalSpy states(&camera, &CameraDevice::stateChanged);
    QSignalSpy frames(&camera, &CameraDevice::previewFrame);
    ASSERT_TRUE(frames.wait(kWaitMs));

    camera.interruptTestSource(GstCameraDevice::Interruption::Error);
    camera.setTestSourcePresent(false);
    ASSERT_TRUE(states.wait(kWaitMs));
    EXPECT_EQ(states.last().at(0).value<CameraState>(), CameraState::Failed);
    EXPECT_EQ(camera.state(), CameraState::Failed);
    EXPECT_TRUE(camera.currentFrame().isNull());

    // Still gone: retrying fails quietly.
    EXPECT_EQ(camera.deviceCount(), 0);
    EXPECT_FALSE(camera.connectLast());
    EXPECT_EQ(camera.state(), CameraState::Disconnected);

    camera.setTestSourcePresent(true);
    ASSERT_TRUE(camera.connectLast());
    EXPECT_EQ(camera.state(), CameraState::Streaming);
    frames.clear();
    EXPECT_TRUE(frames.wait(kWaitMs));
}

TEST(GstCameraDevice, ASourceThatStopsSendingIsReportedAndRestarts) {
    GstCameraDevice camera(GstCameraDevice::Source::Test);
    camera.setStallTimeout(400);
    ASSERT_TRUE(camera.connectLast());
    QSignalSpy states(&camera, &CameraDevice::stateChanged);
    camera.interruptTestSource(GstCameraDevice::Interruption::Stall);
    ASSERT_TRUE(states.wait(kWaitMs));
    EXPECT_EQ(camera.state(), CameraState::Failed);

    camera.setPreview(true, 60);
    ASSERT_TRUE(camera.connectLast());
    QSignalSpy frames(&camera, &CameraDevice::previewFrame);
    EXPECT_TRUE(frames.wait(kWaitMs));
    EXPECT_EQ(camera.state(), CameraState::Streaming);
}

TEST(FakeCameraDevice, ScriptsConnectionFramesAndLoss) {
    FakeCameraDevice camera;
    camera.controlList = {{"BRIGHTNESS", -10, 10, 0}};
    QSignalSpy states(&camera, &CameraDevice::stateChanged);
    QSignalSpy frames(&camera, &CameraDevice::previewFrame);

    camera.refuseConnection = true;
    EXPECT_FALSE(camera.connectLast());
    camera.refuseConnection = false;
    ASSERT_TRUE(camera.connectLast());
    camera.setPreviewSize(QSize(412, 309));
    camera.setPreview(true);
    camera.sendFrame(Qt::red);
    ASSERT_EQ(frames.count(), 1);
    EXPECT_EQ(frames.at(0).at(0).value<QImage>().size(), QSize(412, 309));
    EXPECT_EQ(camera.currentFrame().size(), QSize(640, 480));

    EXPECT_TRUE(camera.setFormat(camera.formatList.at(1)));
    camera.sendFrame();
    EXPECT_DOUBLE_EQ(videoRatio(camera.currentFrame().size()), 0.5625);
    EXPECT_FALSE(camera.setFormat({QSize(7, 7), 1, 1, CameraFormat::Encoding::Raw}));

    EXPECT_TRUE(camera.setControl("BRIGHTNESS", 99));
    EXPECT_EQ(camera.controls().at(0).value, 10);

    camera.loseDevice();
    EXPECT_EQ(camera.state(), CameraState::Failed);
    camera.sendFrame();
    EXPECT_EQ(frames.count(), 2);
    EXPECT_EQ(states.count(), 2);  // Streaming, then Failed
}
