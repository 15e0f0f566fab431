#include <gtest/gtest.h>

#include <QImageWriter>
#include <QTemporaryDir>

#include "FakeMainPort.h"
#include "ScriptedDialogs.h"
#include "TestImages.h"
#include "app/MainActions.h"
#include "imaging/Encode.h"
#include "platform/ClipboardPort.h"
#include "session/Session.h"

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
