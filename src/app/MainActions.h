#pragma once

#include <QColor>
#include <QSize>
#include <QString>

#include <memory>

#include "imaging/Decode.h"
#include "session/Session.h"
#include "view/ViewBoards.h"

namespace picura {

class FullPictureDecode;
class OperatorDialogs;
class PicturePrefetch;
class ClipboardPort;

// The pointer shapes of the view.
enum class ViewCursor { Arrow, Move, IBeam, Pen, Eyedropper };

// What the operations need from the Main window's widgets; the window
// implements it, tests use a fake.
class MainWindowPort {
  public:
    virtual ~MainWindowPort() = default;
    // The frame-colour picker's value.
    virtual QColor frameColour() const = 0;
    // Show the visible board and the scroll bars' state on the screen.
    virtual void showView() = 0;
    virtual void focusView() = 0;
    // Hide the text tool's input box and drop its text.
    virtual void dropPendingText() = 0;
    virtual void setViewCursor(ViewCursor cursor) = 0;
    // The busy pointer over the application while the operator waits (on) and no more (off).
    virtual void showBusy(bool busy) = 0;
};

// The Main window's operations on pictures and the view: loading, dropping,
// turning, zooming, scrolling, moving the frame. They change the session and
// the boards and tell the port what to show.
class MainActions {
  public:
    MainActions(Session& session, ViewBoards& boards, OperatorDialogs& dialogs, MainWindowPort& port);
    ~MainActions();

    // Loading (failures leave the view empty and nothing loaded; only a picture
    // refused for its size is told to the operator).
    // `kind` says where the file belongs (opened, dropped or a batch picture).
    //
    // A JPEG the operator opens (or drops) is shown at once from a reduced decode that still covers the
    // view at the fit zoom; its full decode runs in the background and takes its place, at the same zoom
    // and position, as soon as it is ready (on the event loop).
    bool loadPictureFile(const QString& path, PictureOrigin::Kind kind = PictureOrigin::Kind::OpenedFile);
    // What needs the real pixels (a crop, a copy, a turn, marking, a zoom beyond the reduced pixels) calls
    // this first: while a reduced picture is shown it waits for the full one under the busy pointer, puts
    // it in place and draws the view again. False when the full picture could not be had (the picture is
    // then dropped, and a picture too large for memory is told).
    bool completePicture();
    void openPictureDialog();
    // The dropped paths as one text separated by CR LF.
    void onFilesDropped(const QString& list);
    // +90 clockwise, -90 counter-clockwise.
    void rotateCurrentPicture(int angle);
    // Makes `picture` the current one and fits it into the view (paste, photo).
    void showNewPicture(const Picture& picture, PictureOrigin origin);

    // Zoom: the toolbar and the minus/plus keys multiply by a factor; the wheel by 1 − 0.02 n.
    void zoomBy(double factor);
    void onWheel(int delta);
    // A scroll bar's slider was taken: a frame drag under way ends.
    void onSliderPressed() { buttonHeld_ = false; }
    // A scroll bar moved to these positions.
    void onScroll(int horizontalPosition, int verticalPosition);

    // The view's mouse and keys (without an editing tool).
    void onViewLeftDown(int x, int y);
    void onViewMouseMove(int x, int y);
    void onViewLeftUp(int x, int y);
    // Returns true when the key was one of the view's.
    bool onViewKey(int key, Qt::KeyboardModifiers modifiers);

    // The view changed size (layout): boards follow, the frame is re-centred,
    // the picture is rendered again.
    void onViewResized(QSize viewSize);
    // The frame moved or changed size: place the crop board and show it.
    void showMovedFrame();
    // No picture, and the view empty: a batch picture that disappeared from its folder.
    void showLost(const QString& path);
    // Copy the display board to the visible board and draw the outline.
    void repaintView();
    // Draw the picture again at the current zoom.
    void renderView();

    // Pictures decoded ahead of time are taken from here when present.
    void setPrefetch(PicturePrefetch* prefetch) { prefetch_ = prefetch; }
    // The system clipboard for Ctrl+C / Ctrl+V.
    void setClipboard(ClipboardPort* clipboard) { clipboard_ = clipboard; }
    // Ctrl+C: the view's pixels inside the frame go to the clipboard.
    bool copyFrame();
    // Ctrl+V: the clipboard's picture becomes the current one; without a
    // picture on the clipboard nothing changes.
    bool pastePicture();

    ViewCursor cursor() const { return cursor_; }
    // The view's hint after the mouse moved over it; `currentHint` stays while text is typed.
    QString viewHint(bool navigationKeysRegistered, bool textInputVisible, const QString& currentHint) const;

  private:
    // The full decode ended: its picture replaces the reduced one.
    void onFullDecodeEnded();
    bool takeFullPicture();
    void present(const Picture& picture, PictureOrigin origin);
    // Reads the file once: a JPEG large enough to gain is decoded reduced, its bytes kept for the full
    // decode (started by startFullDecode once the reduced picture is shown); anything else in full.
    DecodeResult decodeOpenedFile(const QString& path);
    void startFullDecode();

    Session& session_;
    ViewBoards& boards_;
    OperatorDialogs& dialogs_;
    MainWindowPort& port_;
    ViewCursor cursor_ = ViewCursor::Arrow;
    PicturePrefetch* prefetch_ = nullptr;
    ClipboardPort* clipboard_ = nullptr;
    bool buttonHeld_ = false;  // the frame is being dragged
    QPoint lastMouse_;
    std::unique_ptr<FullPictureDecode> fullDecode_;  // of the reduced picture shown
    // The bytes of the reduced picture about to be shown, for its full decode, and the pixel budget.
    QByteArray fullBytes_;
    std::int64_t fullMaxPixels_ = 0;
};

// The messages of this part.
// The hint shown at start-up and whenever there is no picture.
inline const QString kStartHint = QStringLiteral("您可以打开一图片文件或通过拍照来采集头像");
inline const QString kNoPictureMessage = QStringLiteral("请打开一张图片或拍照一幅图象再进行操作。");
inline const QString kRotateFailedMessage = QStringLiteral("旋转失败！");
inline const QString kWrongDropMessage =
    QStringLiteral("本软件只接收jpg、bmp、gif、png四类图片文件，您拖放的文件不属此范围。");
QString ManyFilesDroppedMessage(int count);

}  // namespace picura
