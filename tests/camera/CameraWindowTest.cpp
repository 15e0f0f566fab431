#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "ScriptedDialogs.h"
#include "batch/widgets/BatchSettingsWindow.h"
#include "camera/CameraHost.h"
#include "camera/widgets/CameraWindow.h"
#include "camera/widgets/QuickShootSettingsWindow.h"
#include "platform/GstCameraDevice.h"
#include "platform/testing/FakeCameraDevice.h"
#include "platform/testing/FakeSoundPlayer.h"
#include "settings/IniFile.h"

using namespace picura;

namespace {

// The Main window as the camera sees it: records what it was asked to do.
class FakeHost : public CameraHost {
  public:
    QSize frame{160, 210};
    QString pixelWidth = "160", pixelHeight = "210", jpgSize = "20";
    QuickShootState state;
    bool nameList = false;
    QStringList calls;
    QImage photo;
    QuickShootTarget target;
    QString savedTarget;
    QImage savedPhoto;

    QSize frameSize() const override { return frame; }
    QColor frameColour() const override { return Qt::red; }
    QPoint mainWindowPosition() const override { return {0, 0}; }
    QString pixelWidthText() const override { return pixelWidth; }
    QString pixelHeightText() const override { return pixelHeight; }
    QString jpgSizeText() const override { return jpgSize; }
    void setPixelSizeTexts(const QString& w, const QString& h) override {
        calls << "pixels " + w + "x" + h;
        pixelWidth = w;
        pixelHeight = h;
    }
    void setJpgSizeText(const QString& t) override {
        calls << "jpg " + t;
        jpgSize = t;
    }
    QuickShootState& quickShoot() override { return state; }
    bool nameListOpen() const override { return nameList; }
    void openNameListForPhotos() override {
        calls << "open name list";
        nameList = true;
    }
    void closeNameList() override {
        calls << "close name list";
        nameList = false;
    }
    void takePhoto(const QImage& p) override { photo = p; }
    QuickShootTarget quickShootTarget() override { return target; }
    void saveQuickShootPhoto(const QString& t, const QImage& p) override {
        savedTarget = t;
        savedPhoto = p;
    }
};

class CameraWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    std::unique_ptr<CameraWindow> open() {
        auto w = std::make_unique<CameraWindow>(camera, sound, dialogs, host, store);
        w->setSettingsOpener([this](QWidget*) { ++settingsOpened; });
        return w;
    }
    QString stored(const QString& key) const {
        return IniDocument::Load(store.path()).value(ini::kQuickSection, key).value_or("<missing>");
    }

    QTemporaryDir dir;
    SettingsStore store{dir.filePath("set.dll")};
    FakeCameraDevice camera;
    FakeSoundPlayer sound;
    test::ScriptedDialogs dialogs;
    FakeHost host;
    int settingsOpened = 0;
};

TEST_F(CameraWindowTest, OpensAtTheDesignedLayoutWithThePreviewRunning) {
    auto w = open();
    EXPECT_EQ(w->windowTitle(), "摄像预览");
    EXPECT_EQ(w->size(), QSize(575, 399));
    EXPECT_EQ(w->videoArea()->geometry(), QRect(10, 16, 412, 309));
    EXPECT_EQ(w->groupBox()->geometry(), QRect(4, 4, 434, 336));
    EXPECT_EQ(w->cameraFramePos(), QPoint(136, 65));
    EXPECT_EQ(w->photoBoard()->geometry(), QRect(136, 65, 160, 210));
    EXPECT_EQ(w->rightBar()->geometry(), QRect(305, 59, 9, 230));
    EXPECT_EQ(w->shootButton()->text(), "拍 照");
    EXPECT_TRUE(camera.previewOn());
    EXPECT_EQ(camera.previewInterval(), 60);
    EXPECT_EQ(camera.previewSize(), QSize(412, 309));
    w->show();
    EXPECT_TRUE(w->quickShootBox()->isVisible());
    EXPECT_FALSE(w->failureTitle()->isVisible());
    EXPECT_FALSE(w->topBar()->isVisible());  // quick shoot off
    EXPECT_FALSE(w->settingsButton()->isVisible());
}

TEST_F(CameraWindowTest, NoDeviceShowsTheFailureStateAndRetryConnects) {
    camera.devices = 0;
    auto w = open();
    w->show();
    EXPECT_EQ(w->shootButton()->text(), "重 试");
    EXPECT_TRUE(w->failureTitle()->isVisible());
    EXPECT_EQ(w->failureTitle()->text(), "    无法连接摄像头哦");
    EXPECT_EQ(w->failureReasons()->text(),
              "\n  1、您的摄像头没有安装驱动程序？\n\n  2、您的摄像头没有连接到电脑？\n\n"
              "  3、您打开了别的摄像头软件？请关闭qq视频等软件。\n\n  4、你还没有摄像头？");
    EXPECT_FALSE(w->videoArea()->isVisible());
    EXPECT_FALSE(w->formatButton()->isVisible());
    EXPECT_FALSE(w->sourceButton()->isVisible());
    EXPECT_FALSE(w->quickShootBox()->isVisible());
    EXPECT_FALSE(camera.previewOn());
    EXPECT_TRUE(dialogs.shown.empty());

    // 重 试 with the camera still missing keeps the state; plugged in, it starts the preview.
    w->shootButton()->click();
    EXPECT_EQ(w->shootButton()->text(), "重 试");
    camera.devices = 1;
    w->shootButton()->click();
    EXPECT_EQ(w->shootButton()->text(), "拍 照");
    EXPECT_TRUE(w->videoArea()->isVisible());
    EXPECT_TRUE(w->quickShootBox()->isVisible());
    EXPECT_FALSE(w->failureTitle()->isVisible());
    EXPECT_TRUE(camera.previewOn());
}

TEST_F(CameraWindowTest, ALostDeviceShowsTheFailureState) {
    auto w = open();
    w->show();
    camera.loseDevice();
    EXPECT_EQ(w->shootButton()->text(), "重 试");
    EXPECT_TRUE(w->failureReasons()->isVisible());
    EXPECT_FALSE(camera.previewOn());
}

TEST_F(CameraWindowTest, FormatChangeReshapesTheWindow) {
    auto w = open();
    camera.sendFrame();
    w->setFormatChooser([&](QWidget*, const QList<CameraFormat>& formats, const CameraFormat&) {
        return std::optional(formats[1]);
    });
    w->formatButton()->click();
    EXPECT_EQ(camera.currentFormat().size, QSize(1280, 720));
    camera.sendFrame();  // the first frame in the new format is measured
    EXPECT_DOUBLE_EQ(w->videoRatio(), 0.5625);
    EXPECT_EQ(w->videoArea()->size(), QSize(412, 231));
    EXPECT_EQ(w->size(), QSize(575, 321));
    EXPECT_EQ(camera.previewSize(), QSize(412, 231));

    // Without controls the source dialog shows nothing; the layout still runs and settles.
    bool asked = false;
    w->setControlEditor([&](QWidget*, CameraDevice& d) { asked = d.controls().isEmpty(); });
    w->sourceButton()->click();
    EXPECT_TRUE(asked);
    EXPECT_EQ(w->videoArea()->size(), QSize(412, 231));
}

TEST_F(CameraWindowTest, DraggingTheWindowLargerKeepsTheRatio) {
    auto w = open();
    w->show();
    w->resize(663, 420);
    QTRY_COMPARE(w->videoArea()->size(), QSize(500, 375));
    QTRY_COMPARE(w->size(), QSize(663, 465));
    EXPECT_EQ(w->shootButton()->pos(), QPoint(533, 346));
}

TEST_F(CameraWindowTest, TakePhotoHandsThePreviewAtTheVideoSize) {
    auto w = open();
    QImage frame(640, 480, QImage::Format_RGB32);
    frame.fill(Qt::blue);
    camera.sendFrame(frame);
    w->shootButton()->click();
    ASSERT_EQ(host.photo.size(), QSize(412, 309));
    EXPECT_EQ(host.photo.pixel(200, 150), QColor(Qt::blue).rgb());
    EXPECT_TRUE(sound.played().isEmpty());
}

TEST_F(CameraWindowTest, QuickShootSavesTheFramedPixelsWithTheShutter) {
    ASSERT_TRUE(QDir(dir.path()).mkpath("photos"));
    host.state.settings.mode = true;
    host.state.settings.saveFolder = dir.filePath("photos");
    host.state.settings.shutterSound = true;
    host.target.path = dir.filePath("photos/0001.jpg");
    auto w = open();
    // Left half red, right half green, at the preview size: the frame's columns show where it was cut.
    QImage frame(412, 309, QImage::Format_RGB32);
    frame.fill(Qt::green);
    for (int y = 0; y < 309; ++y) {
        for (int x = 0; x < 206; ++x) {
            frame.setPixel(x, y, qRgb(255, 0, 0));
        }
    }
    camera.sendFrame(frame);
    w->shootButton()->click();
    EXPECT_EQ(host.savedTarget, host.target.path);
    ASSERT_EQ(host.savedPhoto.size(), QSize(160, 210));
    // The frame's left edge is at 136 - 10 = 126 in the video: red up to column 205, green from 206.
    EXPECT_EQ(host.savedPhoto.pixel(79, 100), qRgb(255, 0, 0));
    EXPECT_EQ(host.savedPhoto.pixel(80, 100), QColor(Qt::green).rgb());
    EXPECT_EQ(sound.builtInSoundsPlayed(), QList{BuiltInSound::Shutter});

    // Shutter off: no sound.
    sound.clear();
    host.state.settings.shutterSound = false;
    w->shootButton()->click();
    EXPECT_TRUE(sound.played().isEmpty());
}

TEST_F(CameraWindowTest, QuickShootWithoutAFolderAsksForTheSettings) {
    host.state.settings.mode = true;
    auto w = open();
    camera.sendFrame();
    w->shootButton()->click();
    ASSERT_NE(dialogs.lastMessage(), nullptr);
    EXPECT_EQ(dialogs.lastMessage()->text, "批量速拍图片保存目录尚未设置，请先设置。");
    EXPECT_EQ(dialogs.lastMessage()->title, "提示：");
    EXPECT_EQ(dialogs.lastMessage()->icon, MessageIcon::None);
    EXPECT_EQ(settingsOpened, 1);

    host.state.settings.saveFolder = dir.filePath("gone");
    w->shootButton()->click();
    EXPECT_EQ(dialogs.lastMessage()->text, "批量速拍图片保存目录不存在，请重新设置。");
    EXPECT_EQ(settingsOpened, 2);
    EXPECT_TRUE(host.savedPhoto.isNull());

    // The naming declined (the Excel question answered No): the settings window, no photo.
    host.state.settings.saveFolder = dir.path();
    host.target.openSettings = true;
    w->shootButton()->click();
    EXPECT_EQ(settingsOpened, 3);
    EXPECT_TRUE(host.savedPhoto.isNull());
}

TEST_F(CameraWindowTest, MoveButtonsNudgeAndRepeat) {
    auto w = open();
    w->show();
    const QPoint start = w->cameraFramePos();
    w->rightButton()->pressed();
    EXPECT_EQ(w->cameraFramePos(), start + QPoint(1, 0));
    EXPECT_TRUE(w->moveTimer()->isActive());
    EXPECT_EQ(w->moveTimer()->interval(), 5);
    QTRY_VERIFY(w->cameraFramePos().x() >= start.x() + 3);
    w->rightButton()->released();
    EXPECT_FALSE(w->moveTimer()->isActive());
    EXPECT_EQ(w->photoBoard()->pos(), w->cameraFramePos());
}

TEST_F(CameraWindowTest, DraggingABarStopsAtTheVideoEdges) {
    auto w = open();
    w->show();
    emit w->leftBar()->dragStarted(QPoint(500, 500));
    emit w->leftBar()->dragMoved(QPoint(-3000, 500));
    EXPECT_EQ(w->cameraFramePos(), QPoint(11, 65));
    emit w->leftBar()->dragMoved(QPoint(3000, 3000));
    EXPECT_EQ(w->cameraFramePos(), QPoint(258, 114));
    EXPECT_EQ(w->bottomBar()->geometry(), QRect(248, 325, 180, 9));
    // A real press on a bar starts the drag from there.
    QTest::mousePress(w->topBar(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(w->topBar(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(w->cameraFramePos(), QPoint(258, 114));
}

TEST_F(CameraWindowTest, ToggleAsksOnceAndRestoresTheKeptSizes) {
    store.write(ini::kQuickSection, ini::kPixelWidth, "300");
    store.write(ini::kQuickSection, ini::kPixelHeight, "400");
    store.write(ini::kQuickSection, ini::kJpgSize, "0");
    host.state.settings.keepSettings = true;
    host.state.settings.namingIndex = 4;  // ExcelCell
    auto w = open();
    w->show();
    dialogs.answers.push_back(MessageAnswer::Yes);
    QTest::mouseClick(w->quickShootBox(), Qt::LeftButton, {}, QPoint(5, 10));
    ASSERT_EQ(dialogs.messages(), QStringList{"是否沿用之前的速拍设置？"});
    EXPECT_EQ(dialogs.lastMessage()->title, "询问：");
    EXPECT_EQ(dialogs.lastMessage()->buttons, MessageButtons::YesNo);
    EXPECT_TRUE(host.state.settings.mode);
    EXPECT_EQ(host.calls, (QStringList{"pixels 300x400", "open name list"}));
    EXPECT_EQ(stored(ini::kJpgSize), "20");  // the stored 0 replaced by the current size
    EXPECT_TRUE(w->topBar()->isVisible());
    EXPECT_TRUE(w->settingsButton()->isVisible());

    // Off closes the Name list and hides the frame; on again asks nothing but stores the sizes.
    QTest::mouseClick(w->quickShootBox(), Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_FALSE(host.state.settings.mode);
    EXPECT_FALSE(host.nameList);
    EXPECT_FALSE(w->topBar()->isVisible());
    host.pixelWidth = "222";
    QTest::mouseClick(w->quickShootBox(), Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(stored(ini::kPixelWidth), "222");
    EXPECT_EQ(settingsOpened, 0);
}

TEST_F(CameraWindowTest, ToggleAnsweredNoOpensTheSettingsAndAStoredSizeGoesIntoTheBox) {
    store.write(ini::kQuickSection, ini::kJpgSize, "35");
    host.state.settings.keepSettings = true;
    auto w = open();
    w->toggleQuickShoot(true);  // the scripted answer is No
    EXPECT_EQ(settingsOpened, 1);
    EXPECT_TRUE(host.calls.isEmpty());

    host.state.asked = false;
    dialogs.answers.push_back(MessageAnswer::Yes);
    w->toggleQuickShoot(true);
    EXPECT_TRUE(host.calls.contains("jpg 35"));
}

TEST_F(CameraWindowTest, ClosingReleasesTheDeviceAndTheNameList) {
    host.nameList = true;
    auto w = open();
    QSignalSpy closed(w.get(), &CameraWindow::cameraClosed);
    w->show();
    w->close();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(host.nameList);
    EXPECT_FALSE(camera.previewOn());
    EXPECT_EQ(camera.state(), CameraState::Disconnected);
}

TEST_F(CameraWindowTest, FrameSizeChangesResizeTheWindow) {
    host.state.settings.mode = true;
    host.state.settings.keepSettings = true;
    auto w = open();
    host.frame = QSize(500, 210);
    host.pixelWidth = "500";
    w->frameWidthChanged();
    EXPECT_EQ(w->videoArea()->size(), QSize(530, 397));
    EXPECT_EQ(w->cameraFramePos(), CentreCameraFrame(QRect(10, 16, 530, 397), QSize(500, 210)));
    EXPECT_EQ(stored(ini::kPixelWidth), "500");
}

// The real device on GStreamer's test source: frames reach the preview and a photo has the video's size.
TEST_F(CameraWindowTest, TestSourceThroughTheRealDevice) {
    GstCameraDevice device(GstCameraDevice::Source::Test);
    CameraWindow w(device, sound, dialogs, host, store);
    ASSERT_EQ(w.shootButton()->text(), "拍 照");
    QSignalSpy frames(&device, &CameraDevice::previewFrame);
    ASSERT_TRUE(frames.wait(5000));
    QTRY_VERIFY_WITH_TIMEOUT(!w.videoArea()->shownPicture().isNull(), 5000);
    w.takePhoto();
    EXPECT_EQ(host.photo.size(), w.videoArea()->size());
    EXPECT_GT(w.videoRatio(), 0.0);
}

}  // namespace
