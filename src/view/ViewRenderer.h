#pragma once

#include "imaging/Picture.h"
#include "view/CropFrame.h"
#include "view/ViewBoards.h"
#include "view/ViewState.h"

#include <QColor>
#include <QImage>
#include <QSize>

#include <cstdint>

namespace picura {

// Showing the current picture in the view: zoom, centring, scrolling, the frame
// outline, baking what was drawn on the display, and the crop picture.
//
// The "background board" of the view, the whole picture at the zoom, is
// virtual: only its part in view is ever computed (Picture::scaledPart), so a
// zoom step costs about one view of pixels whatever the picture's size. The
// boards keep the scaled pixels in view and, scaled ahead in the background,
// a page step of each scroll bar around them (ViewBoards::scaled): a scroll
// step copies what they hold and scales only what they do not. BakeDisplay
// alone materialises the whole scaled picture.
//
// Zoom bounds. The zoom itself is free, but a zoom step is refused (the zoom
// stays where it is) when the scaled picture would have a side below 1 pixel,
// a side above kMaxScaledSide pixels, or more than kMaxScaledPixels pixels:
// below 1 pixel there is nothing to draw, and above the bounds BakeDisplay
// could not hold the scaled picture (100 megapixels are 400 MB of RGB32).
// Fitting a picture never enlarges it, so a freshly shown picture is within
// the bounds unless the picture itself is larger than them.

inline constexpr int kMaxScaledSide = 30000;
inline constexpr std::int64_t kMaxScaledPixels = 100'000'000;

inline constexpr double kZoomOutFactor = 0.98;  // minus key, toolbar zoom out
inline constexpr double kZoomInFactor = 1.02;   // plus key, toolbar zoom in

// The zoom that shows a W × H picture whole in a vw × vh view without
// enlarging it: the width decides when the picture is relatively at least as
// wide as the view (within the tolerance), else the height.
double FitZoom(int pictureWidth, int pictureHeight, int viewWidth, int viewHeight);

// A scroll bar's page step (its trough, the Page keys) for its range: a tenth
// of it, at least 1. The view scales that far around itself ahead of time.
int ScrollPageStep(int range);

// trunc(picture size × zoom).
QSize ScaledSize(QSize picture, double zoom);

// Whether a picture of `picture` size may be shown at `zoom` (bounds above).
bool ZoomWithinBounds(QSize picture, double zoom);

// The factor of one wheel event: n = delta / 120 truncated toward zero, and
// the zoom is multiplied by 1 − 0.02 n (delta −240 gives × 1.04, 120 × 0.98).
double WheelZoomFactor(int wheelDelta);

// Multiplies state.zoom by `factor` unless that leaves the bounds; returns
// whether the zoom changed. The caller renders the view afterwards, as every
// zoom command does even when the zoom stayed.
bool StepZoom(ViewState& state, QSize picture, double factor);

// Draws the picture at state.zoom into the view: scaled size, centring or the
// scroll bars (kept at the same view position), the clears around a picture
// smaller than the view, the part in view, then the visible board with the
// frame outline. Does nothing and returns false without a picture or when the
// zoom is outside the bounds (the boards keep their old pixels).
bool RenderView(const Picture& picture, ViewState& state, ViewBoards& boards, const CropFrame& frame,
                QColor frameColour);

// Shows a newly loaded, pasted or photographed picture: fit zoom for the
// view, view positions 0.5, both scroll bars disabled, then RenderView.
bool ShowNewPicture(const Picture& picture, ViewState& state, ViewBoards& boards, const CropFrame& frame,
                    QColor frameColour);

// A scroll bar moved: takes the new positions of the enabled bars (clamped to
// 0 .. range; a disabled bar's position is ignored), updates the view
// positions and scroll offsets, and redraws the part in view. Returns false
// (and does nothing) without a picture.
bool ApplyScroll(const Picture& picture, ViewState& state, ViewBoards& boards, const CropFrame& frame,
                 QColor frameColour, int horizontalPosition, int verticalPosition);

// Copies the display board onto the visible board and draws the outline,
// wiping whatever was drawn on the visible board alone. Call it only while a
// picture is loaded (before that the outline is not drawn).
void RepaintView(ViewBoards& boards, const CropFrame& frame, QColor frameColour);

// The frame outline on `board`: one-pixel lines from (L, T) to (R, T), (L, B)
// to (R, B), (L, T) to (L, B) and (R, T) to (R, B), each without its end
// point, where L = left − 1, R = left + width + 1, T = top − 1,
// B = top + height + 1, with the board's pen set to width 0 and the frame
// colour. The outline never covers a pixel of the frame.
void DrawFrameOverlay(DrawingBoard& board, const CropFrame& frame, QColor frameColour);

// Makes what the display shows, including what was drawn on the display
// board, the new picture at zoom 1.0: the scaled picture with the displayed
// area of the display board pasted at the scroll offset. Then RenderView.
// Returns false and changes nothing without a picture or a rendered view, or
// when the scaled picture cannot be allocated.
bool BakeDisplay(Picture& picture, ViewState& state, ViewBoards& boards, const CropFrame& frame,
                 QColor frameColour);

// The crop picture: the visible board's pixels inside the frame, exactly
// frame width × frame height; pixels of the frame outside the view take the
// board background colour. Null when the frame is empty or too large to
// allocate.
QImage CropFromView(const ViewBoards& boards, const CropFrame& frame);

}  // namespace picura
