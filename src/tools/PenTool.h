#pragma once

// The pen on the view: a dot where the left button goes down, lines while it is dragged, a hover circle
// while it is not, and the stroke made part of the picture when it ends.

#include "imaging/DrawingBoard.h"

#include <QPoint>
#include <QRect>
#include <QRgb>

#include <optional>

namespace picura {

// The rectangle of the pen's dot at (x, y), right and bottom edges excluded, so that the dot is w pixels
// across: with r = floor(w / 2), (x − r, y − r, x + r, y + r) for an even width and
// (x − r, y − r, x + r + 1, y + r + 1) for any other. None for width 1, which draws no dot, and for
// widths that leave an empty rectangle (0).
std::optional<QRect> PenDotRect(QPoint at, double width);

// The filled dot of a left press: every pixel whose centre lies inside the ellipse inscribed in
// PenDotRect, in `colour`. Nothing for width 1.
void DrawPenDot(DrawingBoard& display, QPoint at, double width, QRgb colour);

// One segment of a drag: a line from `from` to `to` with the pen width truncated (0 and 1 are one pixel).
void DrawPenSegment(DrawingBoard& display, QPoint from, QPoint to, double width, QRgb colour);

// The hover circle on the visible board: the outline of the dot's ellipse, one pixel wide. Nothing for
// width 1. The next RepaintView wipes it.
void DrawPenHoverCircle(DrawingBoard& visible, QPoint at, double width, QRgb colour);

// A stroke in progress: the view's button-held flag while the pen is on, and the last mouse point.
class PenStroke {
  public:
    bool held() const { return held_; }
    QPoint lastPoint() const { return last_; }

    // Left press on the view with the pen on: the dot, then the stroke is held. The caller repaints.
    void press(DrawingBoard& display, QPoint at, double width, QRgb colour);
    // Mouse moved with the button held: the segment from the last point; false (nothing drawn) when no
    // stroke is held. The caller repaints.
    bool moveTo(DrawingBoard& display, QPoint to, double width, QRgb colour);
    // The stroke ends (left release on the view, or FinishPenStroke when the mouse reaches the Edit tools
    // window or the Main window's own surfaces). True when a stroke was held: the caller records the
    // picture in the mark history and runs BakeDisplay. A second call does nothing.
    bool finish();
    // The button-held flag goes off without baking (a wheel turn, a zoom, a tool switch).
    void drop() { held_ = false; }

  private:
    bool held_ = false;
    QPoint last_;
};

}  // namespace picura
