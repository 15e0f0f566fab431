#pragma once

#include "view/CropFrame.h"

#include <QSize>
#include <QString>

#include <optional>

namespace picura {

// The arithmetic of the crop panel's edit boxes: the pixel width and height
// boxes, the JPG size limit, and how a frame too large for the view makes the
// Main window grow. The window applies the results.

// Frame sides are clamped to 0 .. kMaxFrameSide: a negative size crops
// nothing, as 0 does, and a side of millions of pixels would otherwise grow the
// window past any screen and overflow its arithmetic. The edit box keeps the
// operator's text.
inline constexpr int kMaxFrameSide = 10000;

// The message shown when the grown Main window no longer fits the screen.
inline constexpr const char* kScreenTooSmallMessage = "此电脑屏幕像素分辩率不够高，不满足操作要求。";
inline constexpr const char* kScreenTooSmallTitle = "提示";

// The decimal text the program writes for a number: "211", "12.5", "50".
QString NumberText(double value);

// A spin of `像素宽编辑框` or `像素高编辑框` by `step` (+1 up, −1 down): the text of
// (the box's number + step). The caller also selects "自定义".
QString SpinPixelText(const QString& text, int step);

// The frame side an edit box's text gives: trunc of its number (text that is
// not a number gives 0), clamped to 0 .. kMaxFrameSide.
int FrameSideFromText(const QString& text);

// What a content change of `JPG体积编辑框` gives: the limit, and the text the box
// must show instead when its text is not the normal form of the limit (blanks,
// ASCII or full-width, are removed; "050" → "50"; 0, negative or not a number
// → 50). Normalising the normal text changes nothing.
struct JpgLimitResult {
    double limit = 0;
    std::optional<QString> newText;
};
JpgLimitResult NormaliseJpgLimit(const QString& text);

// A spin of the JPG size field: the text of (number + step); "500" when that
// number is below 1 by more than the tolerance.
QString SpinJpgLimitText(const QString& text, int step);

// The Main window's geometry as the frame-size rules need it.
struct WindowGeometry {
    QSize view;  // the size of the view boards now
    int widthAllowance = 0;
    int heightAllowance = 0;
    QSize screen;  // the primary screen's size
    bool cameraWindowOpen = false;
    // What the window manager adds around the window (title bar, borders): the window really
    // takes its outer size plus these on the screen.
    QSize frameMargins{0, 0};
};

// The view size the Main window's layout gives for an outer size.
QSize MainViewSize(QSize outer, int widthAllowance, int heightAllowance);

enum class FrameSide { Width, Height };

// What the window does after a frame side changed.
struct FrameSizeChange {
    // The Camera window must be resized for the new side (width or height case
    // of its sizing rule); set exactly when the Camera window is open.
    bool resizeCameraWindow = false;
    // The frame with its margins no longer fits the view: set the Main
    // window's outer width (for FrameSide::Width) or height to `outerSize`;
    // its layout then widens the view, re-centres the frame and renders.
    bool growWindow = false;
    int outerSize = 0;
    // The grown window, with the window manager's frame, is larger than the screen: show
    // kScreenTooSmallMessage (after growing; the window keeps its new size).
    bool showScreenTooSmall = false;
    // The frame still fits: place the crop board on it and, with a picture
    // loaded, repaint the view. The frame keeps its left (top) edge.
    bool placeAndRepaint = false;
};

// Applies the text of a pixel edit box to the frame's width or height and says
// what the window must do. The pending text of the text tool is committed by
// the caller first.
FrameSizeChange ApplyFrameSide(CropFrame& frame, FrameSide side, const QString& text,
                               const WindowGeometry& window);

}  // namespace picura
