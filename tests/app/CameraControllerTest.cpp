// The camera wired into the Main window: the "拍摄" commands, photos into the session, quick-shoot photos
// through the save road, and batch-crop mode closing the Camera window. The camera is the fake device.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "ScriptedDialogs.h"
#include "WorkbookFixtures.h"
#include "app/widgets/CameraController.h"
#include "app/widgets/CropPanel.h"
#include "app/widgets/HintStatusBar.h"
#include "app/widgets/MainWindow.h"
#include "app/widgets/SpinLineEdit.h"
#include "camera/widgets/CameraWindow.h"
#include "namelist/widgets/NameListWindow.h"
#include "output/Naming.h"
#include "platform/DesktopOpener.h"
#include "platform/testing/FakeCameraDevice.h"
#include "platform/testing/FakeKeyGrabber.h"
#include "platform/testing/FakeSoundPlayer.h"
#include "settings/SettingsStore.h"

using namespace picura;

namespace {

class NoOpener : public DesktopOpener {
  public:
    bool openLocalFile(const QString&) override { return true; }
    bool openUrl(const QUrl&) override { return true; }
};

class CameraControllerTest : public ::testing::Test {
  protected:
    NoOpener opener;
    QTemporaryDir programDir;
    QTemporaryDir configDir;
    QTemporaryDir saveDir;
    test::ScriptedDialogs dialogs;
    FakeSoundPlayer sound;
    FakeCameraDevice* camera = nullptr;  // made by the window on the first "拍摄"
    int camerasMade = 0;

    std::unique_ptr<MainWindow> makeWindow() {
        MainWindow::Services s;
        s.dialogs = &dialogs;
        s.opener = &opener;
        s.sound = &sound;
        s.keyGrabber = [] { return std::make_unique<picura::testing::FakeKeyGrabber>(); };
        s.camera = [this] {
            ++camerasMade;
            auto device = std::make_unique<FakeCameraDevice>();
            camera = device.get();
            return device;
        };
        s.programFolder = programDir.path();
        s.fallbackSettingsBase = configDir.path();
        auto w = std::make_unique<MainWindow>(s);
        w->start();
        w->show();
        return w;
    }

    static int cameraWindowsShown() {
        int n = 0;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            n += qobject_cast<CameraWindow*>(top) && top->isVisible() ? 1 : 0;
        }
        return n;
    }

    // Opens the Camera window and lets the device send a first frame (the ratio is measured on it).
    CameraWindow* openCamera(MainWindow& w) {
        w.runCommand(MainCommand::Camera);
        CameraWindow* window = w.camera().window();
        if (window && camera) {
            camera->sendFrame(QColor(40, 120, 200));
        }
        return window;
    }

    // Quick-shoot mode on with sequence naming into saveDir, JPG, shutter sound on.
    void setSequenceQuickShoot(MainWindow& w) {
        QuickShootSettings& q = w.camera().quickShoot().settings;
        q.saveFolder = saveDir.path();
        q.format = QStringLiteral(".JPG");
        q.namingIndex = IndexOfMode(QuickShootNamingEntries(), NamingMode::Sequence);
        q.shutterSound = true;
        q.keepSettings = false;
    }
};

TEST_F(CameraControllerTest, CameraCommandOpensOneWindowAndASecondRequestRaisesIt) {
    auto w = makeWindow();
    w->runCommand(MainCommand::Camera);
    CameraWindow* first = w->camera().window();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(w->camera().isOpen());
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->windowTitle(), kCameraCaption);
    EXPECT_EQ(first->parent(), nullptr);  // no owner window
    EXPECT_EQ(first->shootButton()->text(), kShootCaption);

    first->showMinimized();
    w->runCommand(MainCommand::CameraKeepingBatch);
    EXPECT_EQ(w->camera().window(), first);
    EXPECT_FALSE(first->isMinimized());
    EXPECT_EQ(cameraWindowsShown(), 1);
    EXPECT_EQ(camerasMade, 1);
    EXPECT_EQ(camera->connectCalls, 1);
    EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join('\n').toStdString();

    // Closed by the operator, the device is let go; the next "拍摄" opens a new window on it.
    first->close();
    EXPECT_FALSE(w->camera().isOpen());
    EXPECT_EQ(camera->state(), CameraState::Disconnected);
    QTRY_VERIFY(w->camera().window() == nullptr);
    w->runCommand(MainCommand::Camera);
    ASSERT_NE(w->camera().window(), nullptr);
    EXPECT_TRUE(w->camera().isOpen());
    EXPECT_EQ(camerasMade, 1);
    EXPECT_EQ(camera->connectCalls, 2);
}

TEST_F(CameraControllerTest, ToolbarCameraLeavesBatchModeMenuCameraKeepsIt) {
    auto w = makeWindow();
    w->batch().setActive(true);
    w->runCommand(MainCommand::CameraKeepingBatch);
    EXPECT_TRUE(w->batch().active());
    EXPECT_TRUE(w->camera().isOpen());
    w->runCommand(MainCommand::Camera);
    EXPECT_FALSE(w->batch().active());
    EXPECT_TRUE(w->camera().isOpen());
}

TEST_F(CameraControllerTest, PhotoReplacesTheSessionPictureWithThePreviewFitted) {
    auto w = makeWindow();
    CameraWindow* window = openCamera(*w);
    ASSERT_NE(window, nullptr);
    ASSERT_FALSE(w->session().hasPicture());
    window->shoot();
    ASSERT_TRUE(w->session().hasPicture());
    EXPECT_EQ(w->session().picture().size(), QSize(412, 309));
    EXPECT_EQ(w->session().origin().kind, PictureOrigin::Kind::CameraPhoto);
    // Fitted: the whole photo lies in the 411 × 279 view.
    EXPECT_LE(w->session().view.zoom * 412, 411.0 + 1e-6);
    EXPECT_LE(w->session().view.zoom * 309, 279.0 + 1e-6);
    EXPECT_EQ(QColor(w->session().picture().image().pixel(200, 150)), QColor(40, 120, 200));
    EXPECT_TRUE(sound.played().isEmpty());

    // A device that sends nothing more leaves the picture as it is.
    camera->loseDevice();
    const qint64 before = w->session().picture().image().cacheKey();
    window->takePhoto();
    EXPECT_EQ(w->session().picture().image().cacheKey(), before);
}

TEST_F(CameraControllerTest, QuickShootWithSequenceNamingWritesNumberedPhotosOfTheFrameSize) {
    auto w = makeWindow();
    setSequenceQuickShoot(*w);
    CameraWindow* window = openCamera(*w);
    ASSERT_NE(window, nullptr);
    window->quickShootBox()->click();
    ASSERT_TRUE(w->camera().quickShoot().settings.mode);

    window->shootButton()->click();
    window->shootButton()->click();
    EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join('\n').toStdString();
    const QDir dir(saveDir.path());
    EXPECT_EQ(dir.entryList(QDir::Files), (QStringList{"0001.jpg", "0002.jpg"}));
    for (const QString& name : {QStringLiteral("0001.jpg"), QStringLiteral("0002.jpg")}) {
        QImageReader reader(dir.filePath(name));
        EXPECT_EQ(reader.format(), "jpeg");
        const QImage photo = reader.read();
        EXPECT_EQ(photo.size(), QSize(160, 210)) << name.toStdString();
        const QColor mid = photo.pixelColor(80, 105);
        EXPECT_NEAR(mid.red(), 40, 8);
        EXPECT_NEAR(mid.blue(), 200, 8);
    }
    EXPECT_EQ(sound.played().size(), 2);
    // The Main window's picture is not touched.
    EXPECT_FALSE(w->session().hasPicture());

    // A frame wider than the video area widens the Camera window; the photos take the new size.
    const QSize before = window->lastSetSize();
    w->cropPanel()->widthBox()->setText(QStringLiteral("450"));
    EXPECT_NE(window->lastSetSize(), before);
    camera->sendFrame(QColor(40, 120, 200));
    window->shootButton()->click();
    EXPECT_EQ(QImageReader(dir.filePath("0003.jpg")).size(), QSize(450, 210));
}

// Every naming mode that needs no prompt and no roster gives a photo of exactly the frame's size under
// its own name.
TEST_F(CameraControllerTest, QuickShootWritesAFramedPhotoUnderEachNamingMode) {
    auto w = makeWindow();
    setSequenceQuickShoot(*w);
    CameraWindow* window = openCamera(*w);
    ASSERT_NE(window, nullptr);
    window->quickShootBox()->click();
    QuickShootSettings& q = w->camera().quickShoot().settings;
    q.customPrefix = QStringLiteral("三班");
    const QDir dir(saveDir.path());
    for (const NamingMode mode : {NamingMode::Sequence, NamingMode::CaptureTime, NamingMode::CustomPrefix}) {
        q.namingIndex = IndexOfMode(QuickShootNamingEntries(), mode);
        const QStringList before = dir.entryList(QDir::Files);
        window->shootButton()->click();
        QStringList added = dir.entryList(QDir::Files);
        for (const QString& name : before) {
            added.removeAll(name);
        }
        ASSERT_EQ(added.size(), 1) << int(mode);
        const QString name = added.first();
        if (mode == NamingMode::Sequence) {
            EXPECT_EQ(name, QStringLiteral("0001.jpg"));
        } else if (mode == NamingMode::CaptureTime) {
            EXPECT_TRUE(name.contains(QLatin1Char('-')) && name.endsWith(QStringLiteral(".jpg")))
                << name.toStdString();
        } else {
            EXPECT_EQ(name, QStringLiteral("三班0001.jpg"));
        }
        EXPECT_EQ(QImageReader(dir.filePath(name)).size(), QSize(160, 210)) << name.toStdString();
    }
    EXPECT_TRUE(dialogs.messages().isEmpty()) << dialogs.messages().join('\n').toStdString();
}

// With quick shoot on and its settings kept, a new JPG limit is stored under the quick-shoot keys.
TEST_F(CameraControllerTest, AJpgLimitTypedDuringQuickShootIsKeptForIt) {
    auto w = makeWindow();
    setSequenceQuickShoot(*w);
    CameraWindow* window = openCamera(*w);
    ASSERT_NE(window, nullptr);
    window->quickShootBox()->click();
    ASSERT_TRUE(w->camera().quickShoot().settings.mode);
    w->camera().quickShoot().settings.keepSettings = true;
    QLineEdit* jpg = w->cropPanel()->jpgBox();
    jpg->setText(QStringLiteral("12.5"));
    QTest::keyClick(jpg, Qt::Key_Return);
    const SettingsStore store(w->settingsFolder() + QStringLiteral("/") + ini::kSettingsFileName);
    EXPECT_EQ(store.read(ini::kQuickSection, ini::kJpgSize), QStringLiteral("12.5"));
    EXPECT_EQ(store.read(ini::kBatchSection, ini::kJpgSize), QString());
}

TEST_F(CameraControllerTest, QuickShootStopsWithoutAFileWhereTheNamingSaysSo) {
    auto w = makeWindow();
    setSequenceQuickShoot(*w);
    CameraWindow* window = openCamera(*w);
    ASSERT_NE(window, nullptr);
    int settingsOpened = 0;
    window->setSettingsOpener([&](QWidget*) { ++settingsOpened; });
    window->quickShootBox()->click();

    // Roster naming with no Name list window: answered No, the settings window opens instead.
    w->camera().quickShoot().settings.namingIndex =
        IndexOfMode(QuickShootNamingEntries(), NamingMode::ExcelCell);
    dialogs.answers.push_back(MessageAnswer::No);
    window->shoot();
    EXPECT_EQ(settingsOpened, 1);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("当前批量命名方式需导入EXCEL文件，是否沿用此命名方式？"));

    // A deleted save folder: told, and the settings window opens.
    w->camera().quickShoot().settings.namingIndex =
        IndexOfMode(QuickShootNamingEntries(), NamingMode::Sequence);
    w->camera().quickShoot().settings.saveFolder = saveDir.path() + QStringLiteral("/gone");
    window->shoot();
    EXPECT_EQ(settingsOpened, 2);
    EXPECT_EQ(dialogs.shown.back().text, QStringLiteral("批量速拍图片保存目录不存在，请重新设置。"));
    EXPECT_TRUE(QDir(saveDir.path()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(sound.played().isEmpty());
}

NameListWindow* openNameListWindow() {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* list = qobject_cast<NameListWindow*>(top); list && list->isVisible()) {
            return list;
        }
    }
    return nullptr;
}

TEST_F(CameraControllerTest, QuickShootNamedAfterTheRosterMovesToTheNextRow) {
    auto w = makeWindow();
    setSequenceQuickShoot(*w);
    w->camera().quickShoot().settings.namingIndex =
        IndexOfMode(QuickShootNamingEntries(), NamingMode::ExcelCell);
    CameraWindow* window = openCamera(*w);
    ASSERT_NE(window, nullptr);
    window->quickShootBox()->click();

    // No Name list yet: answered Yes, it opens for photos and nothing is written.
    dialogs.answers.push_back(MessageAnswer::Yes);
    window->shoot();
    NameListWindow* list = openNameListWindow();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->autoNextRowBox()->text(), QStringLiteral("拍照后自动跳到下一行"));
    EXPECT_TRUE(QDir(saveDir.path()).entryList(QDir::Files).isEmpty());

    const QString roster = saveDir.filePath(QStringLiteral("名单.xlsx"));
    ASSERT_TRUE(test::WriteTextXlsx(roster, QStringLiteral("名单"),
                                    {{0, 0, QStringLiteral("张三")}, {1, 0, QStringLiteral("李四")}}));
    dialogs.paths.push_back(roster);
    QTest::mouseClick(list->importButton(), Qt::LeftButton);
    list->autoNextRowBox()->setChecked(true);
    QTableView* grid = list->nameGrid();
    const QRect first = grid->visualRect(grid->model()->index(0, 0));
    ASSERT_TRUE(first.isValid());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, first.center());

    window->shoot();
    window->shoot();
    EXPECT_TRUE(QFileInfo::exists(saveDir.filePath(QStringLiteral("张三.jpg"))));
    EXPECT_TRUE(QFileInfo::exists(saveDir.filePath(QStringLiteral("李四.jpg"))));
    EXPECT_EQ(QImageReader(saveDir.filePath(QStringLiteral("李四.jpg"))).size(), QSize(160, 210));

    // Closing the Camera window closes the Name list.
    window->close();
    QTRY_VERIFY(openNameListWindow() == nullptr);
}

TEST_F(CameraControllerTest, BatchModeOnClosesTheCameraWindowAndEndsQuickShoot) {
    auto w = makeWindow();
    setSequenceQuickShoot(*w);
    CameraWindow* window = openCamera(*w);
    ASSERT_NE(window, nullptr);
    window->quickShootBox()->click();
    ASSERT_TRUE(w->camera().quickShoot().settings.mode);

    // A left click on the check-box pane switches batch-crop mode on; its settings window opens and is
    // closed here.
    bool sawSettings = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            sawSettings = true;
            dlg->close();
        }
    });
    closer.start(10);
    QTest::mouseClick(w->hintBar(), Qt::LeftButton, {}, QPoint(480, 10));
    closer.stop();
    EXPECT_TRUE(sawSettings);
    EXPECT_FALSE(w->camera().isOpen());
    EXPECT_FALSE(w->camera().quickShoot().settings.mode);
    EXPECT_EQ(camera->state(), CameraState::Disconnected);
    QTRY_COMPARE(cameraWindowsShown(), 0);
}

}  // namespace
