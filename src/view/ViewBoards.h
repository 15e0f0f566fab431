#pragma once

#include "imaging/DrawingBoard.h"
#include "view/ScaledViewCache.h"

#include <QRgb>
#include <QSize>

namespace picura {

// The colour every clear of the view's boards fills with (light grey).
inline constexpr QRgb kBoardBackground = 0xFFF0F0F0;

// The two view-sized boards of the Main window:
// - display: the part of the scaled picture that is in view, centred when the
//   picture is smaller; the pen and the text tool draw here;
// - visible: what the operator sees, a copy of the display board with the
//   frame outline (and the pen's hover circle) on top.
// The scaled picture itself is never kept whole: only its part in view is
// computed (Picture::scaledPart), except when the display is baked. The
// scaled pixels in view are kept (`scaled`) so that a scroll step scales only
// what it exposes.
struct ViewBoards {
    DrawingBoard display;
    DrawingBoard visible;
    ScaledViewCache scaled;

    ViewBoards() = default;
    explicit ViewBoards(QSize viewSize) { resize(viewSize); }

    // Gives both boards the view size (at least 1 × 1), blank in the
    // background colour, and forgets the scaled pixels. The caller renders
    // again when a picture is shown.
    void resize(QSize viewSize);
    QSize size() const { return display.size(); }
    int width() const { return display.width(); }
    int height() const { return display.height(); }
};

}  // namespace picura
