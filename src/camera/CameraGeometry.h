// Camera capture: the Camera window's geometry and rules, kept apart from its widgets so that they can be
// tested without a screen. Coordinates marked "group box" are relative to the group box 摄像分组框.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace picura {

class CameraDevice;

// The designed geometry of the Camera window (client area, in pixels).
namespace camera_layout {
inline constexpr QPoint kWindowPos{50, 50};
inline constexpr QSize kWindowSize{575, 399};
inline constexpr QRect kGroupBox{4, 4, 434, 336};
inline constexpr QRect kVideo{10, 16, 412, 309};  // in the group box
inline constexpr int kMinVideoWidth = 412;
inline constexpr int kMinVideoHeight = 309;
inline constexpr int kExtraWidth = 163;  // window width beyond the video width
inline constexpr int kExtraHeight = 90;  // window height beyond the video height
inline constexpr int kFrameMargin = 30;  // room the video keeps around the camera frame
inline constexpr int kBarThickness = 9;
inline constexpr double kDefaultRatio = 0.75;
}  // namespace camera_layout

// The frame of the window around its client area. Qt sizes the client area, so the program passes
// zeros; the rules keep them so that a platform that sizes outer frames can pass its own.
struct WindowAllowances {
    int width = 0;
    int height = 0;
};

struct CameraWindowSize {
    QSize outer;  // the window size to set (and to remember as the last set size)
    QSize video;  // the video area that size is meant for
};

// The window size for a camera frame of `frame` pixels and the video's height / width `ratio`: the video
// area is at least 412 x 309 and at least 30 pixels larger than the frame, at the video's ratio.
CameraWindowSize SizeCameraWindow(QSize frame, double ratio, WindowAllowances allowances = {});

// The same when the frame's width (or height) changed while the window is open: a frame wider (taller)
// than the present video area widens (heightens) it; otherwise the rule above.
CameraWindowSize SizeCameraWindowForFrameWidth(QSize frame, double ratio, QSize currentOuter,
                                               WindowAllowances allowances = {});
CameraWindowSize SizeCameraWindowForFrameHeight(QSize frame, double ratio, QSize currentOuter,
                                                WindowAllowances allowances = {});

// Where everything goes after the window took a new size.
struct CameraLayout {
    QSize outer;          // the size the window must have: the video area kept at the ratio
    QRect video;          // group box coordinates
    QRect groupBox;       // window coordinates
    int checkBoxTop = 0;  // 启用速拍选择框
    int buttonsLeft = 0;  // 设备参数按钮, 视频格式按钮, 速拍设置按钮, 拍照按钮
    int shootButtonTop = 0;
    QPoint moveLeft, moveRight, moveUp, moveDown;  // top-left corners of the four move buttons
};

// The layout for a window resized to `newOuter`, `lastSet` being the size the program itself gave it
// last: the side the operator dragged more decides, the other follows the ratio.
CameraLayout LayoutCamera(QSize newOuter, QSize lastSet, double ratio, WindowAllowances allowances = {});

// Setting the window's size from a layout raises one more size change with exactly that size. Laying out
// again then would change nothing the operator did: the layout runs only for other sizes.
bool SizeChangeNeedsLayout(QSize newOuter, QSize lastSet);

// The camera frame's top-left corner, centred on the video area (group box coordinates).
QPoint CentreCameraFrame(QRect video, QSize frame);

// The photo board and the four bars around the camera frame at `frameTopLeft` (group box coordinates).
// The right bar belongs to the window: its rectangle is in window coordinates, 5 pixels right of the
// frame (the others stand 1 pixel off their sides), its top and height those of the left bar.
struct FrameBars {
    QRect board;
    QRect left;
    QRect top;
    QRect bottom;
    QRect rightInWindow;
};
FrameBars PlaceFrameBars(QPoint frameTopLeft, QSize frame,
                         QPoint groupBoxPos = camera_layout::kGroupBox.topLeft());

// The video's height divided by its width, from a frame of `frameSize`; `current` when the size is empty
// or gives the same ratio within 0.0000001.
double MeasureVideoRatio(QSize frameSize, double current);
// The same from the device's newest frame; `current` when it has none.
double MeasureVideoRatio(CameraDevice& device, double current);

// The camera move buttons: one pixel at once, then, after nine quiet ticks of the 5 ms timer, one pixel
// per tick, in the first held direction in the order up, down, left, right.
class NudgeCameraFrame {
  public:
    enum class Direction { Up, Down, Left, Right };
    static constexpr int kIntervalMs = 5;

    // Left button down on a move button: the offset to apply at once. The timer must then run.
    QPoint press(Direction direction);
    // One timer tick: the offset to apply (often none). `keepTimer` says whether the timer stays on.
    QPoint tick(bool* keepTimer);
    // Left button up on that button. The timer must then stop.
    void release(Direction direction);

    bool held() const { return held_; }

  private:
    static QPoint step(Direction direction);
    bool held_ = false;
    bool directions_[4] = {false, false, false, false};
    int ticks_ = 0;
};

// A bar drag: the frame position for the cursor at `cursor` (screen pixels) when the drag started with the
// frame at `startFrame` and the cursor at `startCursor`, kept inside the video area of a group box of
// `groupBox` size: left at least 11 and at most group box width - 16 - frame width, top at least 17 and
// at most group box height - 12 - frame height.
QPoint DragCameraFrame(QPoint startFrame, QPoint startCursor, QPoint cursor, QSize groupBox, QSize frame);

// A quick-shoot photo: the pixels of `preview` (the video area as shown) inside the camera frame at
// `frameInVideo`, exactly the frame's size; parts of the frame outside the preview are black.
QImage CropQuickShoot(const QImage& preview, QRect frameInVideo);

}  // namespace picura
