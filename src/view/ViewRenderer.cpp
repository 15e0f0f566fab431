#include "view/ViewRenderer.h"

#include "settings/TextNumber.h"

#include <algorithm>
#include <cstring>

namespace picura {

namespace {

// Copies `from` (in src coordinates) of src into dst with its top-left corner
// at (x, y); whatever falls outside either picture is cut off. Both RGB32.
// 64-bit arithmetic: frames may lie anywhere in the int range.
void Blit(QImage& dst, std::int64_t x, std::int64_t y, const QImage& src, std::int64_t fromX,
          std::int64_t fromY, std::int64_t width, std::int64_t height) {
    if (dst.isNull() || src.isNull() || width <= 0 || height <= 0) {
        return;
    }
    // Clip to the source.
    if (fromX < 0) {
        x -= fromX;
        width += fromX;
        fromX = 0;
    }
    if (fromY < 0) {
        y -= fromY;
        height += fromY;
        fromY = 0;
    }
    width = std::min<std::int64_t>(width, src.width() - fromX);
    height = std::min<std::int64_t>(height, src.height() - fromY);
    // Clip to the target.
    if (x < 0) {
        fromX -= x;
        width += x;
        x = 0;
    }
    if (y < 0) {
        fromY -= y;
        height += y;
        y = 0;
    }
    width = std::min<std::int64_t>(width, dst.width() - x);
    height = std::min<std::int64_t>(height, dst.height() - y);
    if (width <= 0 || height <= 0) {
        return;
    }
    const auto bytes = static_cast<size_t>(width) * sizeof(QRgb);
    for (std::int64_t row = 0; row < height; ++row) {
        auto* to = reinterpret_cast<QRgb*>(dst.scanLine(static_cast<int>(y + row))) + x;
        const auto* from =
            reinterpret_cast<const QRgb*>(src.constScanLine(static_cast<int>(fromY + row))) + fromX;
        std::memcpy(to, from, bytes);
    }
}

void Blit(QImage& dst, int x, int y, const QImage& src) {
    Blit(dst, x, y, src, 0, 0, src.width(), src.height());
}

// Fills columns [x0, x1) × rows [y0, y1), clipped to the board.
void Fill(QImage& board, int x0, int y0, int x1, int y1, QRgb colour) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, board.width());
    y1 = std::min(y1, board.height());
    for (int y = y0; y < y1; ++y) {
        auto* line = reinterpret_cast<QRgb*>(board.scanLine(y));
        std::fill(line + x0, line + std::max(x0, x1), colour);
    }
}

// A one-pixel line along one axis from `from` to `to`, start included, end
// excluded, as the platform draws lines. `along(i)` gives the pixel for the
// coordinate i; `limit` is the board's size along the line.
template <typename Plot>
void AxisLine(std::int64_t from, std::int64_t to, std::int64_t limit, Plot plot) {
    std::int64_t first = from;
    std::int64_t last = to - 1;
    if (to < from) {
        first = to + 1;
        last = from;
    } else if (to == from) {
        return;
    }
    first = std::max<std::int64_t>(first, 0);
    last = std::min<std::int64_t>(last, limit - 1);
    for (std::int64_t i = first; i <= last; ++i) {
        plot(static_cast<int>(i));
    }
}

// One direction of the layout: centring or scroll bar.
void LayoutAxis(int scaled, int view, double& viewPosition, ScrollBarState& bar, int& offset,
                int& displayed) {
    if (scaled > view) {
        bar.enabled = true;
        bar.range = Trunc(static_cast<double>(scaled) - view);
        if (NearlyEqual(viewPosition, 0.0)) {
            viewPosition = 0.5;
        }
        bar.position = std::clamp(Trunc(bar.range * viewPosition), 0, bar.range);
        offset = 0;
        displayed = view;
        return;
    }
    offset = 0;
    if (scaled < view) {
        offset = Trunc((static_cast<double>(view) - scaled) / 2);
        if (offset < 1) {
            offset = 0;
        }
    }
    // A disabled bar shows nothing; its range and position are not used.
    bar = ScrollBarState{};
    displayed = scaled;
}

// Steps 6 to 8 of rendering: the part in view onto the display board, then
// the visible board.
void DrawPartInView(const Picture& picture, const ViewState& state, ViewBoards& boards,
                    const CropFrame& frame, QColor frameColour) {
    const QImage part = picture.scaledPart(
        state.scaledWidth, state.scaledHeight,
        QRect(state.scrollOffsetX, state.scrollOffsetY, state.displayedWidth, state.displayedHeight));
    Blit(boards.display, state.displayOffsetX, state.displayOffsetY,
         part.convertToFormat(QImage::Format_RGB32));
    RepaintView(boards, frame, frameColour);
}

}  // namespace

double FitZoom(int pictureWidth, int pictureHeight, int viewWidth, int viewHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0 || viewWidth <= 0 || viewHeight <= 0) {
        return 1.0;
    }
    const double w = pictureWidth;
    const double h = pictureHeight;
    const double vw = viewWidth;
    const double vh = viewHeight;
    if (w / h - vw / vh >= -kTolerance) {
        return w > vw ? vw / w : 1.0;
    }
    return h > vh ? vh / h : 1.0;
}

QSize ScaledSize(QSize picture, double zoom) {
    return {Trunc(picture.width() * zoom), Trunc(picture.height() * zoom)};
}

bool ZoomWithinBounds(QSize picture, double zoom) {
    const QSize scaled = ScaledSize(picture, zoom);
    return scaled.width() >= 1 && scaled.height() >= 1 && scaled.width() <= kMaxScaledSide &&
           scaled.height() <= kMaxScaledSide &&
           static_cast<std::int64_t>(scaled.width()) * scaled.height() <= kMaxScaledPixels;
}

double WheelZoomFactor(int wheelDelta) {
    const int notches = wheelDelta / 120;  // truncates toward zero
    return 1.0 - 0.02 * notches;
}

bool StepZoom(ViewState& state, QSize picture, double factor) {
    const double zoom = state.zoom * factor;
    if (!ZoomWithinBounds(picture, zoom)) {
        return false;
    }
    state.zoom = zoom;
    return true;
}

bool RenderView(const Picture& picture, ViewState& state, ViewBoards& boards, const CropFrame& frame,
                QColor frameColour) {
    if (picture.isNull() || boards.display.isNull() || !ZoomWithinBounds(picture.size(), state.zoom)) {
        return false;
    }
    const int vw = boards.width();
    const int vh = boards.height();
    const QSize scaled = ScaledSize(picture.size(), state.zoom);
    state.scaledWidth = scaled.width();
    state.scaledHeight = scaled.height();

    LayoutAxis(state.scaledWidth, vw, state.viewPositionX, state.horizontal, state.displayOffsetX,
               state.displayedWidth);
    if (state.scaledWidth < vw) {
        Fill(boards.display, 0, 0, state.displayOffsetX, vh, kBoardBackground);
        Fill(boards.display, state.displayOffsetX + state.scaledWidth, 0, vw, vh, kBoardBackground);
    }
    LayoutAxis(state.scaledHeight, vh, state.viewPositionY, state.vertical, state.displayOffsetY,
               state.displayedHeight);
    if (state.scaledHeight < vh) {
        Fill(boards.display, 0, 0, vw, state.displayOffsetY, kBoardBackground);
        Fill(boards.display, 0, state.displayOffsetY + state.scaledHeight, vw, vh, kBoardBackground);
    }
    state.scrollOffsetX = state.horizontal.enabled ? state.horizontal.position : 0;
    state.scrollOffsetY = state.vertical.enabled ? state.vertical.position : 0;

    DrawPartInView(picture, state, boards, frame, frameColour);
    return true;
}

bool ShowNewPicture(const Picture& picture, ViewState& state, ViewBoards& boards, const CropFrame& frame,
                    QColor frameColour) {
    if (picture.isNull()) {
        return false;
    }
    state.viewPositionX = 0.5;
    state.viewPositionY = 0.5;
    state.zoom = FitZoom(picture.width(), picture.height(), boards.width(), boards.height());
    state.horizontal = ScrollBarState{};
    state.vertical = ScrollBarState{};
    return RenderView(picture, state, boards, frame, frameColour);
}

bool ApplyScroll(const Picture& picture, ViewState& state, ViewBoards& boards, const CropFrame& frame,
                 QColor frameColour, int horizontalPosition, int verticalPosition) {
    if (picture.isNull() || state.scaledWidth <= 0 || state.scaledHeight <= 0) {
        return false;
    }
    auto apply = [](ScrollBarState& bar, int position, double& viewPosition, int& scrollOffset) {
        if (!bar.enabled) {
            scrollOffset = 0;
            return;
        }
        bar.position = std::clamp(position, 0, bar.range);
        viewPosition = bar.range > 0 ? static_cast<double>(bar.position) / bar.range : 0.0;
        scrollOffset = bar.position;
    };
    apply(state.horizontal, horizontalPosition, state.viewPositionX, state.scrollOffsetX);
    apply(state.vertical, verticalPosition, state.viewPositionY, state.scrollOffsetY);
    DrawPartInView(picture, state, boards, frame, frameColour);
    return true;
}

void RepaintView(ViewBoards& boards, const CropFrame& frame, QColor frameColour) {
    if (boards.visible.size() != boards.display.size()) {
        boards.visible = QImage(boards.display.size(), QImage::Format_RGB32);
    }
    Blit(boards.visible, 0, 0, boards.display);
    DrawFrameOverlay(boards.visible, frame, frameColour);
}

void DrawFrameOverlay(QImage& board, const CropFrame& frame, QColor frameColour) {
    if (board.isNull()) {
        return;
    }
    const QRgb colour = frameColour.rgb();
    const std::int64_t l = std::int64_t{frame.left} - 1;
    const std::int64_t r = std::int64_t{frame.left} + frame.width + 1;
    const std::int64_t t = std::int64_t{frame.top} - 1;
    const std::int64_t b = std::int64_t{frame.top} + frame.height + 1;
    const int w = board.width();
    const int h = board.height();
    auto row = [&](std::int64_t y) {
        if (y >= 0 && y < h) {
            auto* line = reinterpret_cast<QRgb*>(board.scanLine(static_cast<int>(y)));
            AxisLine(l, r, w, [&](int x) { line[x] = colour; });
        }
    };
    auto column = [&](std::int64_t x) {
        if (x >= 0 && x < w) {
            AxisLine(t, b, h, [&](int y) { reinterpret_cast<QRgb*>(board.scanLine(y))[x] = colour; });
        }
    };
    row(t);
    row(b);
    column(l);
    column(r);
}

bool BakeDisplay(Picture& picture, ViewState& state, ViewBoards& boards, const CropFrame& frame,
                 QColor frameColour) {
    if (picture.isNull() || state.scaledWidth <= 0 || state.scaledHeight <= 0) {
        return false;
    }
    QImage baked;
    const QRect displayed(state.displayOffsetX, state.displayOffsetY, state.displayedWidth,
                          state.displayedHeight);
    if (state.displayedWidth == state.scaledWidth && state.displayedHeight == state.scaledHeight &&
        boards.display.rect().contains(displayed)) {
        // The whole scaled picture is in view: the display holds all of it.
        baked = boards.display.copy(displayed);
    } else {
        baked = picture.scaled(state.scaledWidth, state.scaledHeight).convertToFormat(QImage::Format_RGB32);
        if (baked.size() != QSize(state.scaledWidth, state.scaledHeight)) {
            return false;  // could not be allocated
        }
        Blit(baked, state.scrollOffsetX, state.scrollOffsetY, boards.display, state.displayOffsetX,
             state.displayOffsetY, state.displayedWidth, state.displayedHeight);
    }
    if (baked.isNull()) {
        return false;
    }
    picture = Picture(baked);
    state.zoom = 1.0;
    return RenderView(picture, state, boards, frame, frameColour);
}

QImage CropFromView(const ViewBoards& boards, const CropFrame& frame) {
    if (frame.width <= 0 || frame.height <= 0) {
        return {};
    }
    QImage crop(frame.width, frame.height, QImage::Format_RGB32);
    if (crop.isNull()) {
        return {};
    }
    crop.fill(kBoardBackground);
    Blit(crop, 0, 0, boards.visible, frame.left, frame.top, frame.width, frame.height);
    return crop;
}

}  // namespace picura
