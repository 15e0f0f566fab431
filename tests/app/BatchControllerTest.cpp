#include <gtest/gtest.h>

#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <QThread>

#include "FakeMainPort.h"
#include "ScriptedDialogs.h"
#include "TestImages.h"
#include "app/BatchController.h"
#include "batch/widgets/BatchSettingsWindow.h"
#include "settings/IniFile.h"

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
    void setBusy(bool) override {}
    void playCropSound() override { ++sounds; }
    void openNamingPrompt(const QString& path) override { prompts << path; }
    bool openNameList() override { return false; }

    QString caption, width, height, jpg = QStringLiteral("500");
    bool checked = false;
    bool keys = false;
    int sounds = 0;
    std::vector<bool> settingsOpened;
    QStringList prompts;
};

class BatchControllerTest : public ::testing::Test {
  protected:
    BatchControllerTest() {
        QDir(root.path()).mkpath(QStringLiteral("in"));
        QDir(root.path()).mkpath(QStringLiteral("out"));
        QDir(root.path()).mkpath(QStringLiteral("settings"));
        state.settingsFolder = root.filePath(QStringLiteral("settings"));
        state.frame = CropFrame{125, 34, 160, 210};
        state.batch.sourceFolder = root.filePath(QStringLiteral("in"));
        state.batch.saveFolder = root.filePath(QStringLiteral("out"));
        state.batch.namingIndex = 2;  // sequence
        for (const char* name : {"a10.jpg", "a2.png", "a1.jpg"}) {
            test::MakePhotoLike(320, 240, name[1])
                .save(root.filePath(QStringLiteral("in/") + QString::fromUtf8(name)));
        }
    }
    QString in(const QString& name) const { return root.filePath(QStringLiteral("in/") + name); }
    QString out(const QString& name) const { return root.filePath(QStringLiteral("out/") + name); }
    BatchSettingsResult settingsResult() const {
        BatchSettingsResult r;
        r.sourceFolder = state.batch.sourceFolder;
        r.saveFolder = state.batch.saveFolder;
        r.formatText = QStringLiteral(".JPG");
        r.namingIndex = 2;
        r.keepSettings = true;
        return r;
    }

    QTemporaryDir root;
    MainWindowState state;
    ViewBoards boards{QSize(411, 279)};
    test::ScriptedDialogs dialogs;
    test::FakeMainPort mainPort;
    FakeBatchPort port;
    MainActions actions{state, boards, dialogs, mainPort};
    BatchController batch{state, boards, actions, dialogs, port};
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
    EXPECT_FALSE(state.batchMode);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(BatchControllerTest, ConfirmedSettingsStartATaskAndSaveInSequence) {
    batch.applySettings(settingsResult());
    EXPECT_TRUE(state.batchMode);
    EXPECT_TRUE(port.checked);
    // Natural order: a1, a2, a10.
    EXPECT_EQ(port.caption, QStringLiteral(" 当前文件：a1.jpg  未截图"));
    EXPECT_TRUE(state.pictureLoaded);
    EXPECT_EQ(batch.batchSave(), out(QStringLiteral("0001.jpg")));
    EXPECT_EQ(port.caption, QStringLiteral(" 当前文件：a1.jpg  已截图"));
    batch.onNavigationKey(true);
    EXPECT_EQ(port.caption, QStringLiteral(" 当前文件：a2.png  未截图"));
    EXPECT_EQ(batch.batchSave(), out(QStringLiteral("0002.jpg")));
    EXPECT_EQ(QImageReader(out(QStringLiteral("0002.jpg"))).size(), QSize(160, 210));
    const QString taskFile = BatchCropTask::PathIn(state.settingsFolder);
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
    EXPECT_FALSE(state.batchMode);

    // A new run of the program: new controller, same settings folder.
    MainWindowState next;
    next.settingsFolder = state.settingsFolder;
    next.frame = state.frame;
    next.batch = state.batch;
    next.batch.keepSettings = true;
    SettingsStore store(next.settingsPath());
    store.write(ini::kBatchSection, ini::kPixelWidth, QStringLiteral("295"));
    store.write(ini::kBatchSection, ini::kPixelHeight, QStringLiteral("413"));
    store.write(ini::kBatchSection, ini::kJpgSize, QStringLiteral("30"));
    ViewBoards nextBoards{QSize(411, 279)};
    MainActions nextActions{next, nextBoards, dialogs, mainPort};
    FakeBatchPort nextPort;
    BatchController resumed{next, nextBoards, nextActions, dialogs, nextPort};
    dialogs.answers.push_back(MessageAnswer::Yes);
    resumed.onStatusLeftPress(500, 586);
    EXPECT_EQ(dialogs.shown.back().text, QStringLiteral("是否沿用上次批量截图设置，并继续上次操作？"));
    EXPECT_EQ(dialogs.shown.back().title, QStringLiteral("询问："));
    EXPECT_TRUE(next.batchMode);
    EXPECT_TRUE(nextPort.keys);
    EXPECT_EQ(nextPort.width, QStringLiteral("295"));
    EXPECT_EQ(nextPort.height, QStringLiteral("413"));
    EXPECT_EQ(nextPort.jpg, QStringLiteral("30"));
    EXPECT_EQ(nextPort.caption, QStringLiteral(" 当前文件：a10.jpg  未截图"));
    EXPECT_TRUE(next.pictureLoaded);
}

TEST_F(BatchControllerTest, ResumeWithAMissingSaveFolderSaysSoAndOpensTheSettings) {
    state.batch.keepSettings = true;
    state.batch.saveFolder.clear();
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
    EXPECT_EQ(path, state.settingsFolder + QStringLiteral("/临时C.jpg"));
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_EQ(port.prompts, QStringList{path});
}

TEST_F(BatchControllerTest, NavigationPrefetchesTheNeighbours) {
    batch.applySettings(settingsResult());
    const QString next = in(QStringLiteral("a2.png"));
    for (int i = 0; i < 200 && !batch.prefetch().ready(next); ++i) {
        QThread::msleep(5);
    }
    EXPECT_TRUE(batch.prefetch().ready(next));
    batch.onNavigationKey(true);
    EXPECT_EQ(state.picture.size(), QSize(320, 240));
    // The picture just left is kept for a step back.
    EXPECT_TRUE(batch.prefetch().ready(in(QStringLiteral("a1.jpg"))));
}

}  // namespace
