#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolBar>

#include "ScriptedDialogs.h"
#include "app/widgets/CropPanel.h"
#include "app/widgets/EditToolsWindow.h"
#include "app/widgets/HintStatusBar.h"
#include "app/widgets/MainWindow.h"
#include "app/widgets/SpinLineEdit.h"
#include "app/widgets/ViewWidget.h"
#include "settings/IniFile.h"

using namespace picura;

namespace {

class MainWindowTest : public ::testing::Test {
  protected:
    QTemporaryDir programDir;
    QTemporaryDir configDir;
    test::ScriptedDialogs dialogs;

    std::unique_ptr<MainWindow> makeWindow() {
        MainWindow::Services s;
        s.dialogs = &dialogs;
        s.programFolder = programDir.path();
        s.fallbackSettingsBase = configDir.path();
        auto w = std::make_unique<MainWindow>(s);
        w->start();
        return w;
    }
    QString settingsPath() const { return programDir.path() + QStringLiteral("/头像采集设置/set.dll"); }
};

TEST_F(MainWindowTest, StartsWithTheDesignedLayoutAndContents) {
    auto w = makeWindow();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Picura V2.8"));
    EXPECT_EQ(w->clientArea()->size(), QSize(586, 360));
    EXPECT_EQ(w->view()->geometry(), QRect(4, 48, 411, 279));
    EXPECT_EQ(w->horizontalBar()->geometry(), QRect(4, 328, 411, 12));
    EXPECT_EQ(w->verticalBar()->geometry(), QRect(416, 48, 12, 279));
    EXPECT_EQ(w->cropPanel()->geometry(), QRect(432, 48, 152, 292));
    EXPECT_FALSE(w->horizontalBar()->isEnabled());
    EXPECT_FALSE(w->verticalBar()->isEnabled());
    EXPECT_EQ(w->cropPanel()->title(), QStringLiteral("头像采集"));
    EXPECT_EQ(w->cropPanel()->presetBox()->currentText(), QStringLiteral("默认"));
    EXPECT_EQ(w->cropPanel()->presetBox()->count(), 8);
    EXPECT_EQ(w->cropPanel()->widthBox()->text(), QStringLiteral("160"));
    EXPECT_EQ(w->cropPanel()->heightBox()->text(), QStringLiteral("210"));
    EXPECT_EQ(w->cropPanel()->lessThanBox()->text(), QStringLiteral("＜"));
    EXPECT_EQ(w->cropPanel()->jpgBox()->text(), QStringLiteral("500"));
    EXPECT_EQ(w->hintBar()->hint(), QStringLiteral("您可以打开一图片文件或通过拍照来采集头像"));
    EXPECT_EQ(w->hintBar()->pane1Text(), QStringLiteral("使用批量截图模式"));
    EXPECT_EQ(w->hintBar()->pane0Width(), 432);
    EXPECT_FALSE(w->editTools()->isVisible());
    EXPECT_EQ(w->editTools()->size(), QSize(75, 318));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(MainWindowTest, StartStateHoldsTheDesignedValues) {
    auto w = makeWindow();
    const MainWindowState& s = w->state();
    EXPECT_EQ(s.frame, (CropFrame{125, 34, 160, 210}));
    EXPECT_EQ(s.viewCentre, QPoint(205, 139));
    EXPECT_EQ(s.jpgLimitKb, 500.0);
    EXPECT_EQ(s.textCharWidth, 6);
    EXPECT_EQ(s.textLineHeight, 12);
    EXPECT_EQ(s.cameraAspect, 0.75);
    EXPECT_FALSE(s.pictureLoaded);
    EXPECT_EQ(s.programFolder, programDir.path());
    EXPECT_TRUE(QDir(s.settingsFolder).exists());
    EXPECT_EQ(s.settingsFolder, programDir.path() + QStringLiteral("/头像采集设置"));
}

TEST_F(MainWindowTest, ToolbarHasItsThirteenEntries) {
    auto w = makeWindow();
    const QList<QAction*> actions = w->toolbar()->actions();
    ASSERT_EQ(actions.size(), 13);
    const QStringList captions = {QString(), "打开", "保存",    QString(), "放大", "缩小", "顺转",
                                  "逆转",    "编辑", QString(), "拍摄",    "帮助", "主页"};
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(actions[i]->isSeparator(), captions[i].isEmpty()) << i;
        if (!captions[i].isEmpty()) {
            EXPECT_EQ(actions[i]->text(), captions[i]) << i;
        }
    }
    EXPECT_EQ(actions[1]->toolTip(), QStringLiteral("打开一幅图片"));
    EXPECT_EQ(actions[12]->toolTip(), QStringLiteral("软件主页"));
}

TEST_F(MainWindowTest, ReadsStoredSettingsAtStartUp) {
    QDir(programDir.path()).mkdir(QStringLiteral("头像采集设置"));
    WriteIniValue(settingsPath(), QStringLiteral("批量截图"), QStringLiteral("命名方式"),
                  QStringLiteral("2"));
    WriteIniValue(settingsPath(), QStringLiteral("批量截图"), QStringLiteral("保存目录"),
                  QStringLiteral("/tmp/出"));
    WriteIniValue(settingsPath(), QStringLiteral("批量截图"), QStringLiteral("像素宽"),
                  QStringLiteral("358"));
    WriteIniValue(settingsPath(), QStringLiteral("批量速拍"), QStringLiteral("命名方式"),
                  QStringLiteral("9"));
    WriteIniValue(settingsPath(), QStringLiteral("批量速拍"), QStringLiteral("发快门声"),
                  QStringLiteral("真"));
    auto w = makeWindow();
    EXPECT_EQ(w->state().batch.namingIndex, 2);
    EXPECT_EQ(w->state().batch.saveFolder, QStringLiteral("/tmp/出"));
    EXPECT_EQ(w->state().quickShoot.namingIndex, 0);
    EXPECT_TRUE(w->state().quickShoot.sound);
    // The size keys are not read at start-up.
    EXPECT_EQ(w->cropPanel()->widthBox()->text(), QStringLiteral("160"));
    EXPECT_EQ(w->state().frame.width, 160);
}

TEST_F(MainWindowTest, ResizingLaysOutAndRecentresTheFrame) {
    auto w = makeWindow();
    const int W = w->width();
    const int H = w->height();
    w->state().frame.width = 161;
    w->layoutMainWindow(W + 100, H + 50);
    EXPECT_EQ(w->view()->size(), QSize(511, 329));
    EXPECT_EQ(w->horizontalBar()->geometry().top(), 328 + 50);
    EXPECT_EQ(w->verticalBar()->geometry().left(), 416 + 100);
    EXPECT_EQ(w->cropPanel()->geometry(), QRect(532, 48, 152, 342));
    EXPECT_EQ(w->hintBar()->pane0Width(), 532);
    EXPECT_EQ(w->state().frame.left, 255 - 80);
    EXPECT_EQ(w->state().frame.top, 164 - 105);
    EXPECT_EQ(w->state().lastOuterWidth, W + 100);
}

TEST_F(MainWindowTest, HintLineIsWrittenOnlyWhenTheTextChanges) {
    auto w = makeWindow();
    w->showHint(QStringLiteral("上移采集框"));
    EXPECT_EQ(w->hintBar()->hint(), QStringLiteral("上移采集框"));
    // Something else writes the pane directly; the same hint again leaves it alone.
    w->hintBar()->setHint(QStringLiteral("x"));
    w->showHint(QStringLiteral("上移采集框"));
    EXPECT_EQ(w->hintBar()->hint(), QStringLiteral("x"));
    w->clearHint();
    EXPECT_EQ(w->hintBar()->hint(), QString());
}

TEST_F(MainWindowTest, ReadOnlyProgramFolderKeepsSettingsInTheConfigFolder) {
    MainWindow::Services s;
    s.dialogs = &dialogs;
    s.programFolder = QStringLiteral("/proc/picura-test");
    s.fallbackSettingsBase = configDir.path();
    MainWindow w(s);
    w.start();
    EXPECT_EQ(w.state().settingsFolder, configDir.path() + QStringLiteral("/头像采集设置"));
}

}  // namespace
