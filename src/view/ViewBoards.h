#pragma once

#include "imaging/DrawingBoard.h"
#include "imaging/Picture.h"
#include "view/ScaledViewCache.h"

#include <QPoint>
#include <QRect>
#include <QRgb>
#include <QSize>

namespace picura {

// The colour every clear of the view's boards fills with (light grey).
inline constexpr QRgb kBoardBackground = 0xFFF0F0F0;

// The two view-sized boards of the Main window:
// - display: the part of the scaled picture that is in view, centred when the
//   picture is smaller; the pen and the text tool draw here;
// - visible: what the operator sees, the display board's pixels with the
//   frame outline (and the pen's hover circle) on top.
// The scaled picture itself is never kept whole: only its part in view is
// computed (Picture::scaledPart), except when the display is baked. The
// scaled pixels in view are kept (`scaled`) so that a scroll step scales only
// what it exposes.
//
// A draw of the part in view writes the visible board straight from the
// kept scaled pixels, once; the display board is brought up to date only
// when somebody asks for it (display()), from the same kept pixels. So a
// scroll step costs one copy of the view, not two.
class ViewBoards {
  public:
    DrawingBoard visible;
    ScaledViewCache scaled;

    ViewBoards() = default;
    explicit ViewBoards(QSize viewSize) { resize(viewSize); }

    // Gives both boards the view size (at least 1 × 1), blank in the
    // background colour, and forgets the scaled pixels. The caller renders
    // again when a picture is shown.
    void resize(QSize viewSize);
    QSize size() const { return display_.size(); }
    int width() const { return display_.width(); }
    int height() const { return display_.height(); }

    // The display board, up to date.
    DrawingBoard& display();
    const DrawingBoard& display() const;

    // For the view renderer, which is about to draw the whole part in view:
    // the display board as it is, possibly still owed that part.
    DrawingBoard& displayAsIs() { return display_; }
    // The display board is owed `area` (scaled-picture coordinates) of
    // `picture` scaled to `scaledSize`, at `at`; display() copies it from the
    // kept scaled pixels (or scales it, should they be gone).
    void owePartInView(const Picture& picture, QSize scaledSize, QRect area, QPoint at);

  private:
    void settle() const;

    mutable DrawingBoard display_;
    // What display_ is owed; a null picture when nothing.
    mutable Picture owedPicture_;
    QSize owedScaled_;
    QRect owedArea_;
    QPoint owedAt_;
};

}  // namespace picura
