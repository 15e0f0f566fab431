#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QTemporaryDir>

#include "FakeMainPort.h"
#include "ScriptedDialogs.h"
#include "TestImages.h"
#include "app/MainActions.h"
#include "imaging/Decode.h"
#include "imaging/Encode.h"
#include "imaging/Rotate.h"
#include "platform/ClipboardPort.h"
#include "session/Session.h"
#include "view/ViewRenderer.h"

using namespace picura;

namespace {

class MainActionsTest : public ::testing::Test {
  protected:
    MainActionsTest() { session.frame = CropFrame{125, 34, 160, 210}; }
    QString writePicture(const QString& name, const QImage& image, const char* format) {
        const QString path = dir.filePath(name);
        QImageWriter w(path, format);
        EXPECT_TRUE(w.write(image));
        return path;
    }

    QTemporaryDir dir;
    Session session;
    ViewBoards boards{QSize(411, 279)};
    test::ScriptedDialogs dialogs;
    test::FakeMainPort port;
    MainActions actions{session, boards, dialogs, port};
};

TEST_F(MainActionsTest, LoadFitsAndCentresThePicture) {
    // A PNG named .jpg loads by its content.
    const QString path = writePicture(QStringLiteral("photo.jpg"), test::MakePhotoLike(400, 300), "png");
    ASSERT_TRUE(actions.loadPictureFile(path));
    EXPECT_TRUE(session.hasPicture());
    EXPECT_DOUBLE_EQ(session.view.zoom, 279.0 / 300.0);
    EXPECT_EQ(session.view.scaledWidth, 372);
    EXPECT_EQ(session.view.scaledHeight, 279);
    EXPECT_EQ(session.view.displayOffsetX, 19);
    EXPECT_FALSE(session.view.horizontal.enabled);
    EXPECT_EQ(port.textDropped, 1);
    EXPECT_GE(port.focused, 1);
    // The outline is drawn around the frame on the visible board.
    EXPECT_EQ(boards.visible.image().pixel(124, 100), qRgb(255, 255, 0));
}

TEST_F(MainActionsTest, FailedLoadLeavesNoPicture) {
    ASSERT_TRUE(
        actions.loadPictureFile(writePicture(QStringLiteral("a.png"), test::MakePhotoLike(50, 40), "png")));
    QFile bad(dir.filePath(QStringLiteral("bad.jpg")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("\xFF\xD8\xFF\xE0 not really");
    bad.close();
    EXPECT_FALSE(actions.loadPictureFile(bad.fileName()));
    EXPECT_FALSE(session.hasPicture());
    EXPECT_TRUE(session.picture().isNull());
    EXPECT_EQ(boards.visible.image().pixel(200, 100), kBoardBackground);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(MainActionsTest, DropAcceptsOneFileOfTheFiveExtensions) {
    actions.onFilesDropped(QStringLiteral("/a/x.jpg\r\n/a/y.jpg\r\n/a/z.png"));
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.messages().last(), QStringLiteral("您同时拖放了3个文件，请每次只拖放一个文件。"));
    EXPECT_EQ(dialogs.lastMessage()->title, QStringLiteral("提示"));
    for (const char* name : {"/a/readme", "/a/x.tif", "/a/x.jpg.txt"}) {
        actions.onFilesDropped(QString::fromUtf8(name));
        EXPECT_EQ(dialogs.messages().last(), kWrongDropMessage) << name;
    }
    const int before = static_cast<int>(dialogs.shown.size());
    const QString upper = writePicture(QStringLiteral("A.JPG"), test::MakePhotoLike(30, 20), "jpeg");
    actions.onFilesDropped(upper);
    EXPECT_EQ(static_cast<int>(dialogs.shown.size()), before);
    EXPECT_TRUE(session.hasPicture());
}

TEST_F(MainActionsTest, ADropMarksAnOpenedFileEvenWhenItFails) {
    const QString path = dir.filePath(QStringLiteral("missing.jpeg"));
    actions.onFilesDropped(path);
    EXPECT_FALSE(session.hasPicture());
    EXPECT_EQ(session.origin().kind, PictureOrigin::Kind::OpenedFile);
    EXPECT_EQ(session.origin().path, path);
}

TEST_F(MainActionsTest, OpenDialogUsesItsTitleAndFilter) {
    dialogs.paths.push_back(std::nullopt);
    actions.openPictureDialog();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, QStringLiteral("打开图片文件"));
    EXPECT_TRUE(dialogs.shown[0].file.filter.contains(QStringLiteral("*.jpeg")));
    EXPECT_FALSE(session.hasPicture());
}

TEST_F(MainActionsTest, RotationTurnsAndKeepsTheZoom) {
    ASSERT_TRUE(
        actions.loadPictureFile(writePicture(QStringLiteral("r.png"), test::MakePhotoLike(640, 480), "png")));
    const double zoom = session.view.zoom;
    actions.rotateCurrentPicture(90);
    EXPECT_EQ(session.picture().size(), QSize(480, 640));
    EXPECT_EQ(session.view.zoom, zoom);
    for (int i = 0; i < 3; ++i) {
        actions.rotateCurrentPicture(90);
    }
    EXPECT_EQ(session.picture().size(), QSize(640, 480));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(MainActionsTest, CommandsWithoutAPictureDoNothing) {
    actions.rotateCurrentPicture(90);
    actions.zoomBy(1.02);
    actions.onWheel(-240);
    EXPECT_TRUE(actions.onViewKey(Qt::Key_Left, Qt::NoModifier));
    EXPECT_EQ(session.frame, (CropFrame{125, 34, 160, 210}));
    EXPECT_EQ(session.view.zoom, 0.0);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(MainActionsTest, WheelKeysAndArrowsZoomAndMove) {
    ASSERT_TRUE(
        actions.loadPictureFile(writePicture(QStringLiteral("w.png"), test::MakePhotoLike(200, 100), "png")));
    EXPECT_EQ(session.view.zoom, 1.0);
    actions.onWheel(-240);
    EXPECT_DOUBLE_EQ(session.view.zoom, 1.04);
    actions.onViewKey(Qt::Key_Minus, Qt::NoModifier);
    EXPECT_DOUBLE_EQ(session.view.zoom, 1.04 * 0.98);
    actions.onViewKey(Qt::Key_Right, Qt::NoModifier);
    actions.onViewKey(Qt::Key_Up, Qt::NoModifier);
    EXPECT_EQ(session.frame.left, 126);
    EXPECT_EQ(session.frame.top, 33);
}

TEST_F(MainActionsTest, DraggingTheFrameMovesItByThePointersMovement) {
    ASSERT_TRUE(
        actions.loadPictureFile(writePicture(QStringLiteral("d.png"), test::MakePhotoLike(300, 300), "png")));
    actions.onViewMouseMove(200, 100);
    EXPECT_EQ(port.cursor, ViewCursor::Move);
    actions.onViewLeftDown(200, 100);
    actions.onViewMouseMove(205, 98);
    actions.onViewMouseMove(210, 95);
    actions.onViewLeftUp(210, 95);
    EXPECT_EQ(session.frame.left, 135);
    EXPECT_EQ(session.frame.top, 29);
    // Outside the frame the pointer is the arrow, and a press starts no drag.
    actions.onViewMouseMove(5, 5);
    EXPECT_EQ(port.cursor, ViewCursor::Arrow);
    actions.onViewLeftDown(5, 5);
    actions.onViewMouseMove(50, 50);
    EXPECT_EQ(session.frame.left, 135);
}

TEST_F(MainActionsTest, ViewHintFollowsTheState) {
    EXPECT_EQ(actions.viewHint(false, false, QString()), kStartHint);
    ASSERT_TRUE(
        actions.loadPictureFile(writePicture(QStringLiteral("h.png"), test::MakePhotoLike(20, 20), "png")));
    EXPECT_EQ(actions.viewHint(false, false, QString()), QStringLiteral("滚动鼠标滚轮可缩放图片"));
    EXPECT_EQ(actions.viewHint(true, false, QString()),
              QStringLiteral("A键或S键：下一图片   D键或F键：上一图片        滚动鼠标滚轮可缩放图片"));
}

TEST_F(MainActionsTest, CopyAndPasteThroughTheClipboard) {
    MemoryClipboard clipboard;
    actions.setClipboard(&clipboard);
    // Nothing on the clipboard: the picture we have stays.
    ASSERT_TRUE(
        actions.loadPictureFile(writePicture(QStringLiteral("c.png"), test::MakePhotoLike(300, 260), "png")));
    EXPECT_FALSE(actions.onViewKey(Qt::Key_V, Qt::NoModifier));
    EXPECT_TRUE(actions.onViewKey(Qt::Key_V, Qt::ControlModifier));
    EXPECT_TRUE(session.hasPicture());
    EXPECT_EQ(session.picture().size(), QSize(300, 260));
    // Ctrl+Shift+V does nothing.
    EXPECT_FALSE(actions.onViewKey(Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier));
    // Ctrl+C puts the frame's pixels there, at the frame's size.
    EXPECT_TRUE(actions.onViewKey(Qt::Key_C, Qt::ControlModifier));
    EXPECT_EQ(clipboard.image().size(), QSize(160, 210));
    // Ctrl+V makes it the current picture, fitted.
    EXPECT_TRUE(actions.onViewKey(Qt::Key_V, Qt::ControlModifier));
    EXPECT_EQ(session.picture().size(), QSize(160, 210));
    EXPECT_EQ(session.view.zoom, 1.0);
}

}  // namespace

// ---- A JPEG opened by the operator: shown reduced at once, full detail following ----

namespace {

class ReducedOpenTest : public MainActionsTest {
  protected:
    // 3200 × 2400 in the 411 × 279 view: the fit zoom shows it 372 × 279, so an eighth (400 × 300) covers it.
    QString writeBigJpeg(const QString& name, unsigned seed = 1) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(EncodeJpeg(test::MakePhotoLike(3200, 2400, seed), 90));
        return path;
    }
    // Runs the event loop until the full picture took the reduced one's place (or 20 s passed).
    bool waitForFullPicture() {
        QElapsedTimer timer;
        timer.start();
        while (session.picture().isReduced() && timer.elapsed() < 20000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return session.hasPicture() && !session.picture().isReduced();
    }
    // The view as a load of the fully decoded file shows it, drawn at `state`.
    QImage fullRender(const QString& path, ViewState state) {
        const Picture full = DecodePictureFile(path);
        ViewBoards fresh(boards.visible.image().size());
        RenderView(full, state, fresh, session.frame, port.frameColour());
        return fresh.visible.image();
    }
};

TEST_F(ReducedOpenTest, ShownReducedAtOnceThenSharpWithoutMovingTheView) {
    const QString path = writeBigJpeg(QStringLiteral("big.jpg"));
    ASSERT_TRUE(actions.loadPictureFile(path));
    ASSERT_TRUE(session.picture().isReduced());
    EXPECT_EQ(session.picture().size(), QSize(3200, 2400));
    EXPECT_EQ(session.picture().pixels().size(), QSize(400, 300));
    EXPECT_EQ(session.view.scaledWidth, 372);
    EXPECT_FALSE(session.pixelsAsDecoded()) << "a reduced picture must never be cached as the file's pixels";
    // The operator zooms in a little and scrolls while the full decode runs: still within the eighth.
    actions.zoomBy(kZoomInFactor);
    actions.zoomBy(kZoomInFactor);
    ASSERT_TRUE(session.picture().isReduced());
    actions.onScroll(5, 3);
    const ViewState before = session.view;
    ASSERT_TRUE(waitForFullPicture());
    EXPECT_EQ(port.busyTimes, 0) << "nobody waited";
    EXPECT_EQ(session.picture().image().size(), QSize(3200, 2400));
    EXPECT_DOUBLE_EQ(session.view.zoom, before.zoom);
    EXPECT_EQ(session.view.scrollOffsetX, before.scrollOffsetX);
    EXPECT_EQ(session.view.scrollOffsetY, before.scrollOffsetY);
    EXPECT_EQ(session.view.horizontal.position, before.horizontal.position);
    EXPECT_TRUE(session.pixelsAsDecoded());
    // What is shown now is exactly what a full decode shows there.
    ViewState state = before;
    const QImage expected = fullRender(path, state);
    EXPECT_EQ(test::MaxChannelDifference(boards.visible.image(), expected), 0);
}

TEST_F(ReducedOpenTest, RealPixelsAreWaitedForUnderTheBusyPointer) {
    const QString path = writeBigJpeg(QStringLiteral("big.jpg"));
    const QImage full = DecodePictureFile(path).image();
    // A copy of the frame right after opening is the full picture's, and the busy pointer came and went.
    MemoryClipboard clipboard;
    actions.setClipboard(&clipboard);
    ASSERT_TRUE(actions.loadPictureFile(path));
    ASSERT_TRUE(session.picture().isReduced());
    const QImage reducedView = boards.visible.image();
    ASSERT_TRUE(actions.copyFrame());
    EXPECT_FALSE(session.picture().isReduced());
    EXPECT_EQ(port.busyTimes, 1);
    EXPECT_FALSE(port.busyNow);
    EXPECT_GT(test::MaxChannelDifference(reducedView, boards.visible.image()), 0)
        << "the picture must tell a reduced view from a full one, or this test proves nothing";

    // A turn right after opening turns the full picture.
    ASSERT_TRUE(actions.loadPictureFile(path));
    ASSERT_TRUE(session.picture().isReduced());
    actions.rotateCurrentPicture(90);
    EXPECT_EQ(session.picture().size(), QSize(2400, 3200));
    EXPECT_EQ(test::MaxChannelDifference(session.picture().image(), RotatePicture(full, 90, 0xFFFFFF)), 0);

    // A zoom beyond what the eighth holds (400 pixels wide) waits for the full picture.
    ASSERT_TRUE(actions.loadPictureFile(path));
    int steps = 0;
    while (session.picture().isReduced() && steps < 20) {
        actions.zoomBy(kZoomInFactor);
        ++steps;
        if (session.picture().isReduced()) {
            EXPECT_LE(session.view.scaledWidth, 400);
        }
    }
    EXPECT_FALSE(session.picture().isReduced());
    EXPECT_GT(session.view.scaledWidth, 400);
    EXPECT_EQ(test::MaxChannelDifference(boards.visible.image(), fullRender(path, session.view)), 0);
}

TEST_F(ReducedOpenTest, AnotherPictureOpenedMeanwhileIsNeverReplacedByTheFirst) {
    const QString first = writeBigJpeg(QStringLiteral("first.jpg"), 1);
    const QString second = writePicture(QStringLiteral("second.png"), test::MakePhotoLike(300, 200), "png");
    ASSERT_TRUE(actions.loadPictureFile(first));
    ASSERT_TRUE(actions.loadPictureFile(second));
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 1500) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_EQ(session.picture().size(), QSize(300, 200));
    EXPECT_EQ(session.origin().path, second);
    // Nor is a pasted picture.
    ASSERT_TRUE(actions.loadPictureFile(first));
    actions.showNewPicture(Picture(test::MakePhotoLike(120, 80)),
                           PictureOrigin{PictureOrigin::Kind::Pasted, {}});
    timer.restart();
    while (timer.elapsed() < 1500) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_EQ(session.picture().size(), QSize(120, 80));
}

TEST_F(ReducedOpenTest, SmallJpegsOtherFormatsAndBatchPicturesAreDecodedInFullAtOnce) {
    const QString small = dir.filePath(QStringLiteral("small.jpg"));
    QFile f(small);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(EncodeJpeg(test::MakePhotoLike(700, 500), 90));  // an eighth would not cover 390 × 279
    f.close();
    ASSERT_TRUE(actions.loadPictureFile(small));
    EXPECT_FALSE(session.picture().isReduced());
    const QString png = writePicture(QStringLiteral("big.png"), test::MakePhotoLike(1600, 1200), "png");
    ASSERT_TRUE(actions.loadPictureFile(png));
    EXPECT_FALSE(session.picture().isReduced());
    const QString big = writeBigJpeg(QStringLiteral("batch.jpg"));
    ASSERT_TRUE(actions.loadPictureFile(big, PictureOrigin::Kind::BatchPicture));
    EXPECT_FALSE(session.picture().isReduced());
}

}  // namespace
