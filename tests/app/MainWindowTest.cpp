#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolBar>

#include "ScriptedDialogs.h"
#include "TestImages.h"
#include "app/widgets/CropPanel.h"
#include "app/widgets/EditToolsWindow.h"
#include "app/widgets/HintStatusBar.h"
#include "app/widgets/MainWindow.h"
#include "app/widgets/SpinLineEdit.h"
#include "app/widgets/ViewWidget.h"
#include "batch/widgets/BatchSettingsWindow.h"
#include "imaging/Decode.h"
#include "imaging/Encode.h"
#include "platform/DesktopOpener.h"
#include "platform/testing/FakeKeyGrabber.h"
#include "platform/testing/FakeSoundPlayer.h"
#include "session/NavigationKeys.h"
#include "settings/IniFile.h"
#include "view/ViewRenderer.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace picura;

namespace {

class FakeOpener : public DesktopOpener {
  public:
    bool openLocalFile(const QString& path) override {
        opened << path;
        return true;
    }
    bool openUrl(const QUrl& url) override {
        opened << url.toString();
        return true;
    }
    QStringList opened;
};

class MainWindowTest : public ::testing::Test {
  protected:
    FakeOpener opener;
    QTemporaryDir programDir;
    QTemporaryDir configDir;
    test::ScriptedDialogs dialogs;
    picura::testing::FakeKeyGrabber* keys = nullptr;  // the window's grabber, owned by the window
    FakeSoundPlayer sound;

    std::unique_ptr<MainWindow> makeWindow() {
        MainWindow::Services s;
        s.dialogs = &dialogs;
        s.opener = &opener;
        s.sound = &sound;
        s.keyGrabber = [this] {
            auto grabber = std::make_unique<picura::testing::FakeKeyGrabber>();
            keys = grabber.get();
            return grabber;
        };
        s.programFolder = programDir.path();
        s.fallbackSettingsBase = configDir.path();
        auto w = std::make_unique<MainWindow>(s);
        w->start();
        return w;
    }
    QString settingsPath() const { return programDir.path() + QStringLiteral("/头像采集设置/set.dll"); }
    // A mid-grey photo, so that only the outline is yellow.
    void loadGreyPicture(MainWindow& w) {
        const QString photo = programDir.filePath(QStringLiteral("grey.png"));
        QImage grey(1600, 1200, QImage::Format_RGB32);
        grey.fill(QColor(128, 128, 128));
        ASSERT_TRUE(grey.save(photo));
        ASSERT_TRUE(w.actions().loadPictureFile(photo));
    }
    static void choosePreset(MainWindow& w, int index) {
        w.cropPanel()->presetBox()->setCurrentIndex(index);
        emit w.cropPanel()->presetBox()->activated(index);
    }
};

// Yellow pixels of the visible board in the rectangle from (x0, y0) to (x1, y1), inclusive,
// clipped to the board.
int YellowIn(const MainWindow& w, int x0, int y0, int x1, int y1) {
    const QImage board = w.boards().visible.image();
    int n = 0;
    for (int y = std::max(0, y0); y <= std::min(board.height() - 1, y1); ++y) {
        for (int x = std::max(0, x0); x <= std::min(board.width() - 1, x1); ++x) {
            n += board.pixelColor(x, y) == QColor(255, 255, 0) ? 1 : 0;
        }
    }
    return n;
}

// The outline, one pixel outside the frame, runs along the frame's whole top edge as far as
// the board reaches, and down its right edge when that lies on the board.
void ExpectOutlineAtFrameSize(const MainWindow& w) {
    const CropFrame f = w.session().frame;
    const int boardWidth = w.boards().visible.image().width();
    const int right = f.left + f.width + 1;
    const int topRun = std::min(right, boardWidth - 1) - (f.left - 1) + 1;
    EXPECT_EQ(YellowIn(w, f.left - 1, f.top - 1, right, f.top - 1), topRun)
        << "frame " << f.width << " x " << f.height << " at " << f.left << ", " << f.top;
    if (right < boardWidth) {
        EXPECT_EQ(YellowIn(w, right, f.top, right, f.top + f.height - 1), f.height)
            << "frame " << f.width << " x " << f.height << " at " << f.left << ", " << f.top;
    }
}

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
    const Session& s = w->session();
    EXPECT_EQ(s.frame, (CropFrame{125, 34, 160, 210}));
    EXPECT_EQ(s.viewCentre, QPoint(205, 139));
    EXPECT_EQ(s.jpgLimitKb, 500.0);
    EXPECT_FALSE(s.hasPicture());
    EXPECT_TRUE(QDir(w->settingsFolder()).exists());
    EXPECT_EQ(w->settingsFolder(), programDir.path() + QStringLiteral("/头像采集设置"));
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
    EXPECT_EQ(w->batch().settings().namingIndex, 2);
    EXPECT_EQ(w->batch().settings().saveFolder, QStringLiteral("/tmp/出"));
    EXPECT_EQ(w->quickShootSettings().namingIndex, 0);
    EXPECT_TRUE(w->quickShootSettings().sound);
    // The size keys are not read at start-up.
    EXPECT_EQ(w->cropPanel()->widthBox()->text(), QStringLiteral("160"));
    EXPECT_EQ(w->session().frame.width, 160);
}

TEST_F(MainWindowTest, ResizingLaysOutAndRecentresTheFrame) {
    auto w = makeWindow();
    const int W = w->width();
    const int H = w->height();
    w->session().frame.width = 161;
    w->layoutMainWindow(W + 100, H + 50);
    EXPECT_EQ(w->view()->size(), QSize(511, 329));
    EXPECT_EQ(w->horizontalBar()->geometry().top(), 328 + 50);
    EXPECT_EQ(w->verticalBar()->geometry().left(), 416 + 100);
    EXPECT_EQ(w->cropPanel()->geometry(), QRect(532, 48, 152, 342));
    EXPECT_EQ(w->hintBar()->pane0Width(), 532);
    EXPECT_EQ(w->session().frame.left, 255 - 80);
    EXPECT_EQ(w->session().frame.top, 164 - 105);
    EXPECT_EQ(w->lastOuterSize().width(), W + 100);
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
    s.opener = &opener;
    s.programFolder = QStringLiteral("/proc/picura-test");
    s.fallbackSettingsBase = configDir.path();
    MainWindow w(s);
    w.start();
    EXPECT_EQ(w.settingsFolder(), configDir.path() + QStringLiteral("/头像采集设置"));
}

TEST_F(MainWindowTest, PresetsFillTheBoxesAndGrowTheWindowForTallFrames) {
    auto w = makeWindow();
    w->setScreenSize(QSize(w->screenSize().width(), 500));  // a screen too low for the grown window
    w->cropPanel()->presetBox()->setCurrentIndex(4);
    emit w->cropPanel()->presetBox()->activated(4);  // "1寸照"
    EXPECT_EQ(w->cropPanel()->widthBox()->text(), QStringLiteral("295"));
    EXPECT_EQ(w->cropPanel()->heightBox()->text(), QStringLiteral("413"));
    EXPECT_EQ(w->session().frame.width, 295);
    EXPECT_EQ(w->session().frame.height, 413);
    // 413 + 30 does not fit 279: the outer height becomes 413 + allowance + 165.
    EXPECT_EQ(w->height(), 413 + w->allowances().height + 165);
    EXPECT_EQ(w->view()->height(), 443);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages()[0], QStringLiteral("此电脑屏幕像素分辩率不够高，不满足操作要求。"));
    // "默认" shrinks the frame but never the window.
    emit w->cropPanel()->presetBox()->activated(0);
    EXPECT_EQ(w->session().frame.height, 210);
    EXPECT_EQ(w->view()->height(), 443);
}

TEST_F(MainWindowTest, TypingOrSpinningASizeSelectsCustom) {
    auto w = makeWindow();
    w->cropPanel()->heightBox()->setFocus();
    emit w->cropPanel()->heightBox()->spun(+1);
    EXPECT_EQ(w->cropPanel()->heightBox()->text(), QStringLiteral("211"));
    EXPECT_EQ(w->cropPanel()->presetBox()->currentText(), QStringLiteral("自定义"));
    EXPECT_EQ(w->session().frame.height, 211);
    w->cropPanel()->presetBox()->setCurrentIndex(0);
    QTest::keyClick(w->cropPanel()->widthBox(), Qt::Key_5);
    EXPECT_EQ(w->cropPanel()->presetBox()->currentText(), QStringLiteral("自定义"));
    EXPECT_EQ(w->session().frame.width, 1605);
}

TEST_F(MainWindowTest, JpgLimitIsNormalised) {
    auto w = makeWindow();
    QLineEdit* jpg = w->cropPanel()->jpgBox();
    const auto enter = [jpg](const QString& text) {
        jpg->setText(text);
        QTest::keyClick(jpg, Qt::Key_Return);
    };
    enter(QStringLiteral("0"));
    EXPECT_EQ(jpg->text(), QStringLiteral("50"));
    EXPECT_EQ(w->session().jpgLimitKb, 50.0);
    enter(QStringLiteral("050"));
    EXPECT_EQ(jpg->text(), QStringLiteral("50"));
    enter(QStringLiteral("1 2"));
    EXPECT_EQ(jpg->text(), QStringLiteral("12"));
    EXPECT_EQ(w->session().jpgLimitKb, 12.0);
    w->cropPanel()->jpgBox()->setText(QStringLiteral("1"));
    emit w->cropPanel()->jpgSpun(-1);
    EXPECT_EQ(w->cropPanel()->jpgBox()->text(), QStringLiteral("500"));
    EXPECT_EQ(w->session().jpgLimitKb, 500.0);
}

TEST_F(MainWindowTest, JpgLimitIsStoredOnlyInBatchModeWithKeepFlagAndJpg) {
    auto w = makeWindow();
    w->batch().setActive(true);
    w->batch().settings().keepSettings = true;
    w->batch().settings().format = QStringLiteral(".BMP");
    w->cropPanel()->jpgBox()->setText(QStringLiteral("30"));
    EXPECT_EQ(ReadIniValue(settingsPath(), QStringLiteral("批量截图"), QStringLiteral("JPG体积"),
                           QStringLiteral("none")),
              QStringLiteral("none"));
    w->batch().settings().format = QStringLiteral(".JPG");
    w->cropPanel()->jpgBox()->setText(QStringLiteral("40"));
    EXPECT_EQ(ReadIniValue(settingsPath(), QStringLiteral("批量截图"), QStringLiteral("JPG体积")),
              QStringLiteral("40"));
}

TEST_F(MainWindowTest, SaveWithoutAPictureSaysSo) {
    auto w = makeWindow();
    w->cropPanel()->saveButton()->click();
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages()[0], QStringLiteral("请打开一张图片或拍照一幅图象再进行操作。"));
    EXPECT_EQ(dialogs.lastMessage()->title, QStringLiteral("提示"));
}

TEST_F(MainWindowTest, SavesTheFrameAtItsSizeUnderTheJpgLimit) {
    auto w = makeWindow();
    const QString photo = programDir.filePath(QStringLiteral("photo.png"));
    ASSERT_TRUE(test::MakePhotoLike(1600, 1200).save(photo));
    ASSERT_TRUE(w->actions().loadPictureFile(photo));
    emit w->cropPanel()->presetBox()->activated(4);  // 295 × 413
    w->cropPanel()->jpgBox()->setText(QStringLiteral("20"));
    dialogs.messages();
    const QString out = programDir.filePath(QStringLiteral("out.JPG"));
    dialogs.paths.push_back(out);
    w->cropPanel()->saveButton()->click();
    const auto& dlg = dialogs.shown.back();
    EXPECT_EQ(dlg.kind, test::ScriptedDialogs::Shown::SaveFile);
    EXPECT_EQ(dlg.title, QStringLiteral("采集框内图象另存为："));
    EXPECT_EQ(dlg.file.defaultSuffix, QStringLiteral("jpg"));
    EXPECT_TRUE(dlg.file.confirmOverwrite);
    QImageReader reader(out);
    EXPECT_EQ(reader.format(), QByteArray("jpeg"));
    EXPECT_EQ(reader.size(), QSize(295, 413));
    EXPECT_LE(QFileInfo(out).size(), 20 * 1024);
    // The next save offers the name chosen before.
    dialogs.paths.push_back(std::nullopt);
    w->cropPanel()->saveButton()->click();
    EXPECT_EQ(dialogs.shown.back().file.initialName, QStringLiteral("out.JPG"));
}

TEST_F(MainWindowTest, ACropSavedRightAfterOpeningIsTakenFromTheFullPicture) {
    auto w = makeWindow();
    // Opened as the operator opens it: shown at once from an eighth of its pixels.
    const QString photo = programDir.filePath(QStringLiteral("photo.jpg"));
    QFile file(photo);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(EncodeJpeg(test::MakePhotoLike(4000, 3000, 7), 90));
    file.close();
    ASSERT_TRUE(w->actions().loadPictureFile(photo));
    ASSERT_TRUE(w->session().picture().isReduced());
    const QImage reducedCrop = CropFromView(w->boards(), w->session().frame);
    const QString out = programDir.filePath(QStringLiteral("crop.png"));
    dialogs.paths.push_back(out);
    w->cropPanel()->saveButton()->click();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the busy pointer must go again";
    const QImage saved = QImage(out).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(saved.isNull());
    // What the same view shows of the fully decoded file.
    const Picture full = DecodePictureFile(photo);
    ViewState state = w->session().view;
    ViewBoards boards(w->boards().visible.image().size());
    RenderView(full, state, boards, w->session().frame, QColor(255, 255, 0));
    const QImage expected = CropFromView(boards, w->session().frame);
    EXPECT_EQ(test::MaxChannelDifference(saved, expected), 0);
    EXPECT_GT(test::MaxChannelDifference(saved, reducedCrop), 0)
        << "the reduced view must differ, or this proves nothing";
}

// The view paints the visible board's own pixels: a scroll step draws into the same memory (nobody holds a
// copy that would make each step copy the whole board first) and the view shows the step.
TEST_F(MainWindowTest, ScrollingDrawsIntoTheShownBoardWithoutCopyingIt) {
    auto w = makeWindow();
    w->show();
    const QString photo = programDir.filePath(QStringLiteral("photo.png"));
    ASSERT_TRUE(test::MakePhotoLike(1600, 1200, 3).save(photo));
    ASSERT_TRUE(w->actions().loadPictureFile(photo));
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(w->view(), Qt::Key_Plus);
    }
    ASSERT_TRUE(w->horizontalBar()->isEnabled());
    QApplication::processEvents();
    const uchar* bits = w->boards().visible.image().constBits();
    for (const int step : {10, 25, 200}) {
        w->horizontalBar()->setValue(w->horizontalBar()->value() + step);
        const QImage shown = w->view()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(w->boards().visible.image().constBits(), bits)
            << "the board was copied on a step of " << step;
        EXPECT_EQ(test::MaxChannelDifference(shown, w->boards().visible.image()), 0) << "step " << step;
    }
}

// Records, at each paint of the view, the position the task file holds on the disk.
class TaskFileAtPaint : public QObject {
  public:
    explicit TaskFileAtPaint(QString path) : path_(std::move(path)) {}
    QStringList seen;
    QString stored() const {
        return IniDocument::Load(path_)
            .value(QStringLiteral("批截位置"), QStringLiteral("批截位置"))
            .value_or(QString());
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            seen << stored();
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QString path_;
};

// A navigation key shows the next picture first and writes the task file (flushed to the disk) after the
// view has painted it, so the flush never holds the picture back.
TEST_F(MainWindowTest, ANavigationKeyWritesTheTaskFileOnceThePictureIsPainted) {
    auto w = makeWindow();
    w->show();
    QTemporaryDir source;
    QTemporaryDir save;
    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(test::MakePhotoLike(300, 200, i).save(source.filePath(QStringLiteral("p%1.png").arg(i))));
    }
    BatchSettingsResult settings;
    settings.sourceFolder = source.path();
    settings.saveFolder = save.path();
    settings.formatText = QStringLiteral(".JPG");
    settings.namingIndex = 2;
    w->batch().applySettings(settings);
    QApplication::processEvents();
    TaskFileAtPaint watcher(w->batch().task()->taskFilePath());
    ASSERT_EQ(watcher.stored(), QStringLiteral("1"));
    w->view()->installEventFilter(&watcher);

    w->batch().onNavigationKey(true);
    EXPECT_EQ(w->batch().task()->storedPosition(), 2) << "the task knows its position at once";
    EXPECT_EQ(watcher.stored(), QStringLiteral("1")) << "written before the picture was shown";
    QTRY_COMPARE(watcher.stored(), QStringLiteral("2"));
    ASSERT_FALSE(watcher.seen.isEmpty()) << "the view never painted";
    EXPECT_EQ(watcher.seen.front(), QStringLiteral("1")) << "the write came before the paint";
    w->view()->removeEventFilter(&watcher);
}

TEST_F(MainWindowTest, SaveRefusesUnknownExtensionsAndReportsWriteFailures) {
    auto w = makeWindow();
    const QString photo = programDir.filePath(QStringLiteral("p.png"));
    ASSERT_TRUE(test::MakePhotoLike(400, 300).save(photo));
    ASSERT_TRUE(w->actions().loadPictureFile(photo));
    dialogs.paths.push_back(programDir.filePath(QStringLiteral("x.tif")));
    w->cropPanel()->saveButton()->click();
    EXPECT_EQ(dialogs.messages().last(), kUnknownExtensionMessage);
    EXPECT_FALSE(QFile::exists(programDir.filePath(QStringLiteral("x.tif"))));
    dialogs.paths.push_back(programDir.filePath(QStringLiteral("missing/x.png")));
    w->cropPanel()->saveButton()->click();
    EXPECT_TRUE(dialogs.messages().last().contains(programDir.filePath(QStringLiteral("missing/x.png"))));
    // A frame of width 0 saves nothing and says why.
    w->cropPanel()->widthBox()->setText(QStringLiteral("0"));
    const size_t before = dialogs.shown.size();
    w->cropPanel()->saveButton()->click();
    EXPECT_EQ(dialogs.shown.size(), before + 1);
    EXPECT_EQ(dialogs.messages().last(), kEmptyFrameMessage);
}

TEST_F(MainWindowTest, HelpAboutAndHomePage) {
    auto w = makeWindow();
    w->toolbar()->actions().at(11)->trigger();
    ASSERT_EQ(opener.opened.size(), 1);
    EXPECT_TRUE(opener.opened[0].endsWith(QStringLiteral("Picura使用帮助.html")));
    EXPECT_TRUE(QFile::exists(programDir.filePath(QStringLiteral("Picura使用帮助.html"))));
    w->toolbar()->actions().at(12)->trigger();
    EXPECT_EQ(opener.opened.size(), 2);
    w->toolbar()->actions().at(0)->trigger();  // a separator does nothing
    w->toolbar()->actions().at(9)->trigger();
    EXPECT_EQ(opener.opened.size(), 2);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(MainWindowTest, HintsFollowTheMouseOverComponents) {
    auto w = makeWindow();
    const auto moveOver = [](QWidget* target) {
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(target, &move);
    };
    moveOver(w->cropPanel()->saveButton());
    EXPECT_EQ(w->hintBar()->hint(), QStringLiteral("保存采集框内图片"));
    moveOver(w->horizontalBar());
    EXPECT_EQ(w->hintBar()->hint(), QStringLiteral("左右移动图片"));
    moveOver(w->editTools()->textBox());
    EXPECT_EQ(w->hintBar()->hint(), QStringLiteral("文字工具，右击文字工具按钮可设置字体。"));
    moveOver(w->editTools());
    EXPECT_EQ(w->hintBar()->hint(), QString());
    // Without a picture the view and the toolbar show the start-up text.
    moveOver(w->view());
    EXPECT_EQ(w->hintBar()->hint(), QStringLiteral("您可以打开一图片文件或通过拍照来采集头像"));
}

TEST_F(MainWindowTest, EditToolsNeedAPicture) {
    auto w = makeWindow();
    w->toolbar()->actions().at(8)->trigger();
    EXPECT_EQ(dialogs.messages().last(), QStringLiteral("请打开一张图片或拍照一幅图象再进行操作。"));
    EXPECT_FALSE(w->editToolsShown());
}

TEST_F(MainWindowTest, OutlineFollowsEverySizeChangeEvenWhenTheWindowNeedNotGrow) {
    auto w = makeWindow();
    loadGreyPicture(*w);
    choosePreset(*w, 7);  // 2寸照: the window grows
    ExpectOutlineAtFrameSize(*w);
    choosePreset(*w, 0);  // 默认: smaller, no growth
    ExpectOutlineAtFrameSize(*w);
    const QSize grown = w->size();
    choosePreset(*w, 7);  // 2寸照 again: the window has that size already
    EXPECT_EQ(w->size(), grown);
    EXPECT_EQ(w->session().frame.width, 413);
    ExpectOutlineAtFrameSize(*w);

    // Typing 381 into a designed window: 381 + 30 reaches the view's 411 pixels, and the
    // window's width stays 594 + allowance.
    auto fresh = makeWindow();
    loadGreyPicture(*fresh);
    SpinLineEdit* width = fresh->cropPanel()->widthBox();
    width->selectAll();
    QTest::keyClicks(width, QStringLiteral("381"));
    EXPECT_EQ(fresh->session().frame.width, 381);
    ExpectOutlineAtFrameSize(*fresh);
}

TEST_F(MainWindowTest, ChoosingAPresetHandsTheKeysToTheView) {
    auto w = makeWindow();
    loadGreyPicture(*w);
    w->show();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QComboBox* presets = w->cropPanel()->presetBox();
    presets->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), presets);
    QTest::keyClick(presets, Qt::Key_Down);  // 默认 → 自定义, chosen with the keyboard
    EXPECT_EQ(presets->currentIndex(), 1);
    EXPECT_EQ(QApplication::focusWidget(), w->view());
    // The next arrow key moves the frame and leaves the preset alone.
    const int top = w->session().frame.top;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(w->session().frame.top, top + 1);
    EXPECT_EQ(presets->currentIndex(), 1);
    // Also after a preset that changes the size.
    presets->setFocus();
    choosePreset(*w, 3);
    EXPECT_EQ(QApplication::focusWidget(), w->view());
}

TEST_F(MainWindowTest, DecimalJpgLimitsCanBeTypedAndNormaliseWhenLeftOrUsed) {
    auto w = makeWindow();
    QLineEdit* jpg = w->cropPanel()->jpgBox();
    jpg->selectAll();
    QTest::keyClicks(jpg, QStringLiteral("12.5"));
    EXPECT_EQ(jpg->text(), QStringLiteral("12.5"));
    EXPECT_EQ(w->session().jpgLimitKb, 12.5);
    // Emptying the box leaves it empty while typing goes on.
    jpg->selectAll();
    QTest::keyClick(jpg, Qt::Key_Backspace);
    EXPECT_EQ(jpg->text(), QString());
    QTest::keyClicks(jpg, QStringLiteral("30"));
    EXPECT_EQ(jpg->text(), QStringLiteral("30"));
    EXPECT_EQ(w->session().jpgLimitKb, 30.0);
    // Finishing the entry (Enter, or the focus leaving) writes the normal form.
    jpg->selectAll();
    QTest::keyClicks(jpg, QStringLiteral("0"));
    EXPECT_EQ(jpg->text(), QStringLiteral("0"));
    QTest::keyClick(jpg, Qt::Key_Return);
    EXPECT_EQ(jpg->text(), QStringLiteral("50"));
    EXPECT_EQ(w->session().jpgLimitKb, 50.0);
    // Using the limit does too: an empty box saves under 50 KB and then shows it.
    loadGreyPicture(*w);
    jpg->clear();
    dialogs.paths.push_back(std::nullopt);
    w->cropPanel()->saveButton()->click();
    EXPECT_EQ(jpg->text(), QStringLiteral("50"));
    EXPECT_EQ(w->session().jpgLimitKb, 50.0);
}

TEST_F(MainWindowTest, SaveDialogStartsInAnExistingFolderWithNoInventedName) {
    // A home without Desktop or Pictures folders: the dialog starts in the home folder itself.
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toLocal8Bit());
    auto w = makeWindow();
    loadGreyPicture(*w);
    dialogs.paths.push_back(std::nullopt);
    w->cropPanel()->saveButton()->click();
    qputenv("HOME", oldHome);
    ASSERT_EQ(dialogs.shown.back().kind, test::ScriptedDialogs::Shown::SaveFile);
    const FileDialogRequest& r = dialogs.shown.back().file;
    EXPECT_TRUE(QFileInfo(r.startFolder).isDir()) << r.startFolder.toStdString();
    EXPECT_EQ(QDir(r.startFolder), QDir(home.path()));
    EXPECT_TRUE(r.initialName.isEmpty());
}

TEST(SaveStartFolder, DesktopThenPicturesThenHome) {
    QTemporaryDir dir;
    const QString desktop = dir.filePath(QStringLiteral("桌面"));
    const QString pictures = dir.filePath(QStringLiteral("Pictures"));
    EXPECT_EQ(SaveStartFolder(desktop, pictures, dir.path()), dir.path());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Pictures")));
    EXPECT_EQ(SaveStartFolder(desktop, pictures, dir.path()), pictures);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("桌面")));
    EXPECT_EQ(SaveStartFolder(desktop, pictures, dir.path()), desktop);
    // A file named like the desktop folder is not a folder.
    QFile file(dir.filePath(QStringLiteral("Desktop")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_EQ(SaveStartFolder(file.fileName(), QString(), dir.path()), dir.path());
}

TEST_F(MainWindowTest, BatchSettingsClosedWithoutOkKeepTheKeysWorkingInBatchMode) {
    auto w = makeWindow();
    w->batch().setActive(true);
    w->navigationKeys().RegisterNavigationKeys();
    ASSERT_EQ(keys->Held(), NavigationKeySet::All());
    // A right click on the check-box pane opens the settings window, which takes the keys back;
    // its close box then closes it.
    bool sawWindow = false;
    bool keysReleasedMeanwhile = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            sawWindow = true;
            keysReleasedMeanwhile = keys->Held().Empty();
            dlg->close();
        }
    });
    closer.start(10);
    QTest::mouseClick(w->hintBar(), Qt::RightButton, {}, QPoint(480, 10));
    closer.stop();
    ASSERT_TRUE(sawWindow);
    EXPECT_TRUE(keysReleasedMeanwhile);
    EXPECT_TRUE(w->batch().active());
    EXPECT_TRUE(w->navigationKeys().IsRegistered());
    EXPECT_EQ(keys->Held(), NavigationKeySet::All());
}

TEST_F(MainWindowTest, OurDialogsGetTheLettersWhileTheyHaveTheFocus) {
    auto w = makeWindow();
    w->show();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    w->navigationKeys().RegisterNavigationKeys();
    ASSERT_EQ(keys->Held(), NavigationKeySet::All());
    QDialog dialog(w.get());
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QTRY_VERIFY(keys->Held().Empty());
    EXPECT_TRUE(w->navigationKeys().IsRegistered());
    dialog.close();
    QApplication::setActiveWindow(w.get());
    QTRY_COMPARE(keys->Held(), NavigationKeySet::All());
}

}  // namespace

namespace {

TEST_F(MainWindowTest, BatchCropPlaysTheCutSoundWhenItsSettingIsOn) {
    auto w = makeWindow();
    QDir(programDir.path()).mkpath(QStringLiteral("in"));
    QDir(programDir.path()).mkpath(QStringLiteral("out"));
    ASSERT_TRUE(test::MakePhotoLike(320, 240).save(programDir.filePath(QStringLiteral("in/a.jpg"))));
    BatchSettingsResult r;
    r.sourceFolder = programDir.filePath(QStringLiteral("in"));
    r.saveFolder = programDir.filePath(QStringLiteral("out"));
    r.formatText = QStringLiteral(".PNG");
    r.namingIndex = 2;  // sequence
    r.cropSound = true;
    w->batch().applySettings(r);
    ASSERT_TRUE(w->batch().active());
    w->cropPanel()->saveButton()->click();
    EXPECT_TRUE(QFile::exists(programDir.filePath(QStringLiteral("out/0001.png"))));
    EXPECT_EQ(sound.builtInSoundsPlayed(), QList<BuiltInSound>{BuiltInSound::Cut});
    // Switched off in the settings window: the next crop is silent.
    w->batch().settings().sound = false;
    w->cropPanel()->saveButton()->click();
    EXPECT_TRUE(QFile::exists(programDir.filePath(QStringLiteral("out/0002.png"))));
    EXPECT_EQ(sound.played().size(), 1);
}

}  // namespace
