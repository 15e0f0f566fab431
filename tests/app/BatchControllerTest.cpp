#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QThread>

#include "FakeMainPort.h"
#include "ScriptedDialogs.h"
#include "TestImages.h"
#include "app/BatchController.h"
#include "batch/widgets/BatchSettingsWindow.h"
#include "imaging/Decode.h"
#include "imaging/Rotate.h"
#include "settings/IniFile.h"
#include "settings/SettingsStore.h"
#include "view/ViewRenderer.h"

using namespace picura;

namespace {

class FakeBatchPort : public BatchPort {
  public:
    void setCaption(const QString& c) override { caption = c; }
    void setBatchChecked(bool c) override { checked = c; }
    void openBatchSettings(bool modal) override { settingsOpened.push_back(modal); }
    void setPixelTexts(const QString& w, const QString& h) override {
        width = w;
        height = h;
    }
    QString jpgText() const override { return jpg; }
    void setJpgText(const QString& t) override { jpg = t; }
    void registerKeys() override { keys = true; }
    void unregisterKeys() override { keys = false; }
    void untickEditTools() override {}
    bool openNameList() override { return false; }

    QString caption, width, height, jpg = QStringLiteral("500");
    bool checked = false;
    bool keys = false;
    std::vector<bool> settingsOpened;
};

class BatchControllerTest : public ::testing::Test {
  protected:
    BatchControllerTest() {
        QDir(root.path()).mkpath(QStringLiteral("in"));
        QDir(root.path()).mkpath(QStringLiteral("out"));
        QDir(root.path()).mkpath(QStringLiteral("settings"));
        batch.setSettingsFolder(root.filePath(QStringLiteral("settings")));
        session.frame = CropFrame{125, 34, 160, 210};
        batch.settings().sourceFolder = root.filePath(QStringLiteral("in"));
        batch.settings().saveFolder = root.filePath(QStringLiteral("out"));
        batch.settings().namingIndex = 2;  // sequence
        for (const char* name : {"a10.jpg", "a2.png", "a1.jpg"}) {
            test::MakePhotoLike(320, 240, name[1])
                .save(root.filePath(QStringLiteral("in/") + QString::fromUtf8(name)));
        }
    }
    QString in(const QString& name) const { return root.filePath(QStringLiteral("in/") + name); }
    QString out(const QString& name) const { return root.filePath(QStringLiteral("out/") + name); }
    BatchSettingsResult settingsResult() const {
        BatchSettingsResult r;
        r.sourceFolder = batch.settings().sourceFolder;
        r.saveFolder = batch.settings().saveFolder;
        r.formatText = QStringLiteral(".JPG");
        r.namingIndex = 2;
        r.keepSettings = true;
        return r;
    }

    QTemporaryDir root;
    Session session;
    ViewBoards boards{QSize(411, 279)};
    test::ScriptedDialogs dialogs;
    test::FakeMainPort mainPort;
    FakeBatchPort port;
    QStringList prompts;
    SaveRoad road{dialogs, SaveRoad::Hooks{{}, [this](const QString& path) { prompts << path; }}};
    MainActions actions{session, boards, dialogs, mainPort};
    BatchController batch{session, boards, actions, dialogs, port, road};
    QString settingsPath() const {
        return batch.settingsFolder() + QLatin1Char('/') + ini::kSettingsFileName;
    }
};

TEST_F(BatchControllerTest, CheckBoxPaneIsBetweenRMinus160AndRMinus45) {
    EXPECT_FALSE(BatchController::InCheckBoxPane(425, 586));
    EXPECT_TRUE(BatchController::InCheckBoxPane(426, 586));
    EXPECT_TRUE(BatchController::InCheckBoxPane(541, 586));
    EXPECT_FALSE(BatchController::InCheckBoxPane(542, 586));
    batch.onStatusLeftPress(300, 586);
    EXPECT_FALSE(port.checked);
    EXPECT_TRUE(port.settingsOpened.empty());
}

TEST_F(BatchControllerTest, WithoutKeptSettingsTheSettingsWindowOpens) {
    batch.onStatusLeftPress(500, 586);
    EXPECT_TRUE(port.checked);
    ASSERT_EQ(port.settingsOpened.size(), 1u);
    EXPECT_TRUE(port.settingsOpened[0]);
    EXPECT_FALSE(batch.active());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(BatchControllerTest, ConfirmedSettingsStartATaskAndSaveInSequence) {
    batch.applySettings(settingsResult());
    EXPECT_TRUE(batch.active());
    EXPECT_TRUE(port.checked);
    // Natural order: a1, a2, a10.
    EXPECT_EQ(port.caption, QStringLiteral(" 当前文件：a1.jpg  未截图"));
    EXPECT_TRUE(session.hasPicture());
    EXPECT_EQ(batch.batchSave(), out(QStringLiteral("0001.jpg")));
    EXPECT_EQ(port.caption, QStringLiteral(" 当前文件：a1.jpg  已截图"));
    batch.onNavigationKey(true);
    EXPECT_EQ(port.caption, QStringLiteral(" 当前文件：a2.png  未截图"));
    EXPECT_EQ(batch.batchSave(), out(QStringLiteral("0002.jpg")));
    EXPECT_EQ(QImageReader(out(QStringLiteral("0002.jpg"))).size(), QSize(160, 210));
    const QString taskFile = BatchCropTask::PathIn(batch.settingsFolder());
    EXPECT_EQ(ReadIniValue(taskFile, QStringLiteral("2"), QStringLiteral("操作记录")),
              QStringLiteral("已截图"));
    EXPECT_EQ(ReadIniValue(taskFile, QStringLiteral("3"), QStringLiteral("操作记录")),
              QStringLiteral("未截图"));
    EXPECT_EQ(ReadIniValue(taskFile, QStringLiteral("批截位置"), QStringLiteral("批截位置")),
              QStringLiteral("2"));
}

TEST_F(BatchControllerTest, EndsOfTheListAreTold) {
    batch.applySettings(settingsResult());
    batch.onNavigationKey(false);
    EXPECT_EQ(dialogs.messages().last(), QStringLiteral("当前已是最初图片"));
    batch.onNavigationKey(true);
    batch.onNavigationKey(true);
    EXPECT_EQ(port.caption, QStringLiteral(" 当前文件：a10.jpg  未截图"));
    batch.onNavigationKey(true);
    EXPECT_EQ(dialogs.messages().last(), QStringLiteral("当前已是末位图片"));
    // A new picture in the folder is appended when moving past the end.
    test::MakePhotoLike(100, 100).save(in(QStringLiteral("b.jpg")));
    batch.onNavigationKey(true);
    EXPECT_EQ(port.caption, QStringLiteral(" 当前文件：b.jpg  未截图"));
}

TEST_F(BatchControllerTest, AMissingPictureIsShownAsLost) {
    batch.applySettings(settingsResult());
    QFile::remove(in(QStringLiteral("a2.png")));
    batch.onNavigationKey(true);
    EXPECT_EQ(port.caption, QStringLiteral(" 当前文件：a2.png  已丢失"));
    EXPECT_EQ(boards.visible.image().pixel(200, 140), kBoardBackground);
    batch.onNavigationKey(true);
    EXPECT_EQ(port.caption, QStringLiteral(" 当前文件：a10.jpg  未截图"));
}

TEST_F(BatchControllerTest, ResumesTheStoredTaskWithYes) {
    batch.applySettings(settingsResult());
    batch.onNavigationKey(true);
    batch.onNavigationKey(true);
    batch.switchOff();
    EXPECT_EQ(port.caption, QStringLiteral("Picura V2.8"));
    EXPECT_FALSE(port.keys);
    EXPECT_FALSE(batch.active());

    // A new run of the program: new controller, same settings folder.
    Session next;
    next.frame = session.frame;
    SettingsStore store(settingsPath());
    store.write(ini::kBatchSection, ini::kPixelWidth, QStringLiteral("295"));
    store.write(ini::kBatchSection, ini::kPixelHeight, QStringLiteral("413"));
    store.write(ini::kBatchSection, ini::kJpgSize, QStringLiteral("30"));
    ViewBoards nextBoards{QSize(411, 279)};
    MainActions nextActions{next, nextBoards, dialogs, mainPort};
    FakeBatchPort nextPort;
    SaveRoad nextRoad{dialogs};
    BatchController resumed{next, nextBoards, nextActions, dialogs, nextPort, nextRoad};
    resumed.setSettingsFolder(batch.settingsFolder());
    resumed.settings() = batch.settings();
    resumed.settings().keepSettings = true;
    dialogs.answers.push_back(MessageAnswer::Yes);
    resumed.onStatusLeftPress(500, 586);
    EXPECT_EQ(dialogs.shown.back().text, QStringLiteral("是否沿用上次批量截图设置，并继续上次操作？"));
    EXPECT_EQ(dialogs.shown.back().title, QStringLiteral("询问："));
    EXPECT_TRUE(resumed.active());
    EXPECT_TRUE(nextPort.keys);
    EXPECT_EQ(nextPort.width, QStringLiteral("295"));
    EXPECT_EQ(nextPort.height, QStringLiteral("413"));
    EXPECT_EQ(nextPort.jpg, QStringLiteral("30"));
    EXPECT_EQ(nextPort.caption, QStringLiteral(" 当前文件：a10.jpg  未截图"));
    EXPECT_TRUE(next.hasPicture());
}

TEST_F(BatchControllerTest, ResumeWithAMissingSaveFolderSaysSoAndOpensTheSettings) {
    batch.settings().keepSettings = true;
    batch.settings().saveFolder.clear();
    dialogs.answers.push_back(MessageAnswer::Yes);
    batch.onStatusLeftPress(500, 586);
    EXPECT_EQ(dialogs.messages().last(), QStringLiteral("批量截图保存目录尚未设置，请先设置。"));
    EXPECT_EQ(dialogs.lastMessage()->title, QStringLiteral("提示："));
    ASSERT_EQ(port.settingsOpened.size(), 1u);
}

TEST_F(BatchControllerTest, AskEachTimeSavesToTheTemporaryFileAndOpensThePrompt) {
    BatchSettingsResult r = settingsResult();
    r.namingIndex = 4;
    batch.applySettings(r);
    const QString path = batch.batchSave();
    EXPECT_EQ(path, batch.settingsFolder() + QStringLiteral("/临时C.jpg"));
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(prompts, QStringList{path});
}

TEST_F(BatchControllerTest, NavigationPrefetchesTheNeighbours) {
    batch.applySettings(settingsResult());
    const QString next = in(QStringLiteral("a2.png"));
    for (int i = 0; i < 200 && !batch.prefetch().ready(next); ++i) {
        QThread::msleep(5);
    }
    EXPECT_TRUE(batch.prefetch().ready(next));
    batch.onNavigationKey(true);
    EXPECT_EQ(session.picture().size(), QSize(320, 240));
    // The picture just left is kept for a step back.
    EXPECT_TRUE(batch.prefetch().ready(in(QStringLiteral("a1.jpg"))));
    // Batch mode off: nothing is kept or decoded ahead any more.
    batch.switchOff();
    EXPECT_FALSE(batch.prefetch().holds(in(QStringLiteral("a1.jpg"))));
    EXPECT_FALSE(batch.prefetch().holds(in(QStringLiteral("a10.jpg"))));
}

// The batch picture `name` exactly as its file decodes.
::testing::AssertionResult ShowsFileAsOnDisk(const Session& session, const QString& path) {
    const Picture onDisk = DecodePictureFile(path);
    if (session.picture().size() != onDisk.size()) {
        return ::testing::AssertionFailure()
               << "size " << session.picture().width() << "x" << session.picture().height();
    }
    if (session.picture().image() != onDisk.image()) {
        return ::testing::AssertionFailure() << "other pixels";
    }
    return ::testing::AssertionSuccess();
}

TEST_F(BatchControllerTest, ComingBackShowsTheBatchPictureAsOnDiskNotWhatReplacedIt) {
    batch.applySettings(settingsResult());
    ASSERT_TRUE(ShowsFileAsOnDisk(session, in(QStringLiteral("a1.jpg"))));
    // Turned (顺转), then S, D: the turned picture was never kept under a1's name.
    actions.rotateCurrentPicture(90);
    ASSERT_EQ(session.picture().size(), QSize(240, 320));
    batch.onNavigationKey(true);
    batch.onNavigationKey(false);
    EXPECT_EQ(port.caption, QStringLiteral(" 当前文件：a1.jpg  未截图"));
    EXPECT_TRUE(ShowsFileAsOnDisk(session, in(QStringLiteral("a1.jpg"))));

    // A pasted picture (or a photo) in its place, then S, D.
    actions.showNewPicture(Picture(test::MakeSolid(50, 60, qRgb(255, 0, 0))),
                           {PictureOrigin::Kind::Pasted, {}});
    batch.onNavigationKey(true);
    batch.onNavigationKey(false);
    EXPECT_TRUE(ShowsFileAsOnDisk(session, in(QStringLiteral("a1.jpg"))));

    // A file opened over it, then S, D; then the crop is a1's.
    const QString other = root.filePath(QStringLiteral("other.png"));
    test::MakeSolid(300, 300, qRgb(0, 0, 255)).save(other);
    actions.loadPictureFile(other);
    batch.onNavigationKey(true);
    batch.onNavigationKey(false);
    EXPECT_TRUE(ShowsFileAsOnDisk(session, in(QStringLiteral("a1.jpg"))));
    batch.batchSave();
    const QImage saved(out(QStringLiteral("0001.jpg")));
    ASSERT_FALSE(saved.isNull());
    EXPECT_GT(qBlue(saved.pixel(80, 105)), 0);
    EXPECT_FALSE(qBlue(saved.pixel(80, 105)) > 200 && qRed(saved.pixel(80, 105)) < 50);

    // Unchanged, the picture left is still kept for a step back.
    batch.onNavigationKey(true);
    EXPECT_TRUE(batch.prefetch().ready(in(QStringLiteral("a1.jpg"))));
}

TEST_F(BatchControllerTest, AnEncoderFailureWritesNothingMarksNothingAndIsTold) {
    batch.applySettings(settingsResult());
    road.setEncoder([](const QImage&, OutputFormat, double) {
        EncodeResult failed;
        failed.failed = true;
        return failed;
    });
    EXPECT_EQ(batch.batchSave(), QString());
    EXPECT_FALSE(QFile::exists(out(QStringLiteral("0001.jpg"))));
    EXPECT_EQ(QDir(root.filePath(QStringLiteral("out"))).entryList(QDir::Files), QStringList());
    EXPECT_EQ(port.caption, QStringLiteral(" 当前文件：a1.jpg  未截图"));
    EXPECT_EQ(batch.task()->storedState(1), QStringLiteral("未截图"));
    ASSERT_NE(dialogs.lastMessage(), nullptr);
    EXPECT_EQ(dialogs.lastMessage()->icon, MessageIcon::Warning);
    EXPECT_TRUE(dialogs.lastMessage()->text.contains(QStringLiteral("无法生成图片文件")));
}

TEST_F(BatchControllerTest, ATaskFileThatCannotBeWrittenAfterASaveIsTold) {
    batch.applySettings(settingsResult());
    const int before = static_cast<int>(dialogs.shown.size());
    // Something that is no file now stands where the task file was: it cannot be replaced.
    const QString taskFile = BatchCropTask::PathIn(batch.settingsFolder());
    ASSERT_TRUE(QFile::remove(taskFile));
    ASSERT_TRUE(QDir().mkpath(taskFile + QStringLiteral("/x")));
    EXPECT_EQ(batch.batchSave(), out(QStringLiteral("0001.jpg")));
    EXPECT_TRUE(QFile::exists(out(QStringLiteral("0001.jpg"))));
    ASSERT_EQ(static_cast<int>(dialogs.shown.size()), before + 1);
    EXPECT_TRUE(dialogs.shown.back().text.contains(QStringLiteral("无法写入")));
    EXPECT_EQ(dialogs.shown.back().icon, MessageIcon::Warning);
}

TEST_F(BatchControllerTest, ASaveFolderThatIsTheSourceFolderIsRefusedOnResumeAndOnSave) {
    // Written by hand as "…/in/.", with SourceName naming: the crops would replace the photos.
    batch.settings().keepSettings = true;
    batch.settings().namingIndex = IndexOfMode(BatchNamingEntries(), NamingMode::SourceName);
    batch.settings().saveFolder = batch.settings().sourceFolder + QStringLiteral("/.");
    const QByteArray photo = [&] {
        QFile f(in(QStringLiteral("a1.jpg")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    dialogs.answers.push_back(MessageAnswer::Yes);
    batch.onStatusLeftPress(500, 586);
    EXPECT_EQ(dialogs.messages().last(),
              QStringLiteral("待截图文件夹不可再用于保存截图，请换一个文件夹保存截图。"));
    EXPECT_EQ(dialogs.lastMessage()->title, QStringLiteral("提醒："));
    ASSERT_EQ(port.settingsOpened.size(), 1u);
    EXPECT_FALSE(port.keys);
    EXPECT_FALSE(session.hasPicture());

    // Started some other way, the save itself still refuses.
    batch.settings().saveFolder = root.filePath(QStringLiteral("out"));
    BatchSettingsResult r = settingsResult();
    r.namingIndex = batch.settings().namingIndex;
    batch.applySettings(r);
    ASSERT_TRUE(session.hasPicture());
    batch.settings().saveFolder = batch.settings().sourceFolder + QStringLiteral("/");
    EXPECT_EQ(batch.batchSave(), QString());
    EXPECT_EQ(dialogs.messages().last(),
              QStringLiteral("待截图文件夹不可再用于保存截图，请换一个文件夹保存截图。"));
    QFile f(in(QStringLiteral("a1.jpg")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), photo);
}

TEST_F(BatchControllerTest, ResumeLeavesANegativeStoredJpgSizeAlone) {
    batch.settings().keepSettings = true;
    batch.settings().format = QStringLiteral(".JPG");
    const SettingsStore store(settingsPath());
    for (const auto& [stored, box, kept] :
         {std::tuple{"-4", "500", "-4"}, std::tuple{"0", "500", "500"}, std::tuple{"30", "30", "30"}}) {
        SCOPED_TRACE(stored);
        store.write(ini::kBatchSection, ini::kJpgSize, QString::fromLatin1(stored));
        port.jpg = QStringLiteral("500");
        batch.switchOff();
        dialogs.answers.push_back(MessageAnswer::Yes);
        batch.onStatusLeftPress(500, 586);
        EXPECT_EQ(port.jpg, QString::fromLatin1(box));
        EXPECT_EQ(store.read(ini::kBatchSection, ini::kJpgSize), QString::fromLatin1(kept));
    }
}

TEST_F(BatchControllerTest, APictureTooLargeForMemoryIsToldAndNotOpened) {
    // 54 bytes of BMP header that declare 15800 × 15800 pixels, and hardly any data.
    QByteArray bmp(54 + 64, 'x');
    const auto put32 = [&](int at, quint32 v) {
        for (int i = 0; i < 4; ++i) {
            bmp[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        }
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, static_cast<quint32>(bmp.size()));
    put32(6, 0);
    put32(10, 54);
    put32(14, 40);
    put32(18, 15800);
    put32(22, 15800);
    put32(26, 1 | (24 << 16));  // planes, bits per pixel
    put32(30, 0);
    put32(34, 0);
    put32(38, 2835);
    put32(42, 2835);
    put32(46, 0);
    put32(50, 0);
    QFile f(in(QStringLiteral("a15.bmp")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bmp);
    f.close();
    batch.applySettings(settingsResult());
    batch.onNavigationKey(true);
    batch.onNavigationKey(true);
    batch.onNavigationKey(true);  // a1, a2, a10, a15
    EXPECT_EQ(port.caption, QStringLiteral(" 当前文件：a15.bmp  未截图"));
    EXPECT_FALSE(session.hasPicture());
    ASSERT_NE(dialogs.lastMessage(), nullptr);
    EXPECT_EQ(dialogs.lastMessage()->text,
              QStringLiteral("图片太大（15800×15800像素），超出了可用内存，无法打开。"));
    EXPECT_EQ(dialogs.lastMessage()->title, QStringLiteral("提示"));
    EXPECT_LE(batch.prefetch().countedBytes(), PictureBudget::kTotalBytes);
}

}  // namespace

namespace {

TEST_F(BatchControllerTest, ALostPictureLeavesNothingToTurnOrZoom) {
    batch.applySettings(settingsResult());
    QFile::remove(in(QStringLiteral("a2.png")));
    batch.onNavigationKey(true);
    ASSERT_EQ(port.caption, QStringLiteral(" 当前文件：a2.png  已丢失"));
    // The picture left behind must not come back turned or zoomed in the lost one's place.
    actions.rotateCurrentPicture(90);
    actions.zoomBy(kZoomInFactor);
    EXPECT_FALSE(session.hasPicture());
    EXPECT_EQ(boards.visible.image().pixel(200, 140), kBoardBackground);
    EXPECT_EQ(session.origin().path, in(QStringLiteral("a2.png")));
}

}  // namespace
