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

// An outline coordinate brought into a range where it cannot overflow, without
// changing which pixels of a board of `size` the outline's lines cover.
int OutlineCoordinate(std::int64_t v, int size) {
    return static_cast<int>(std::clamp<std::int64_t>(v, -2, std::int64_t{size} + 2));
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

// Copies what lies around `inner` (the part of the picture in view) from one board to the other: the
// background the renderer cleared there.
void CopyAround(const DrawingBoard& from, DrawingBoard& to, const QRect& inner) {
    const int w = from.width();
    const int h = from.height();
    const int top = std::clamp(inner.top(), 0, h);
    const int bottom = std::clamp(inner.bottom() + 1, top, h);
    const int left = std::clamp(inner.left(), 0, w);
    const int right = std::clamp(inner.right() + 1, left, w);
    to.copyFrom(from, 0, 0, w, top, 0, 0);
    to.copyFrom(from, 0, bottom, w, h - bottom, 0, bottom);
    to.copyFrom(from, 0, top, left, bottom - top, 0, top);
    to.copyFrom(from, right, top, w - right, bottom - top, right, top);
}

// Draws the part in view onto the visible board, with the frame outline, and
// leaves the display board owed it (ViewBoards::display). The scaled pixels
// come through the boards' cache, so a scroll step scales only what it newly
// shows, and nothing when the cache scaled it ahead: a page step of each
// enabled scroll bar around the view.
void DrawPartInView(const Picture& picture, const ViewState& state, ViewBoards& boards,
                    const CropFrame& frame, QColor frameColour) {
    DrawingBoard& display = boards.displayAsIs();
    display.clearBackgroundPicture();
    const QSize ahead(state.horizontal.enabled ? ScrollPageStep(state.horizontal.range) : 0,
                      state.vertical.enabled ? ScrollPageStep(state.vertical.range) : 0);
    const QSize scaledSize(state.scaledWidth, state.scaledHeight);
    const QRect area(state.scrollOffsetX, state.scrollOffsetY, state.displayedWidth, state.displayedHeight);
    const QPoint at(state.displayOffsetX, state.displayOffsetY);
    if (boards.visible.size() != display.size()) {
        boards.visible.resize(display.width(), display.height());
    }
    CopyAround(display, boards.visible, QRect(at, area.size()));
    if (boards.scaled.draw(picture, scaledSize, area, boards.visible, at, ahead)) {
        boards.owePartInView(picture, scaledSize, area, at);
        DrawFrameOverlay(boards.visible, frame, frameColour);
    } else {
        RepaintView(boards, frame, frameColour);  // nothing new to show: the display as it was
    }
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

int ScrollPageStep(int range) {
    return std::max(1, range / 10);
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
    if (picture.isNull() || boards.size().isEmpty() || !ZoomWithinBounds(picture.size(), state.zoom)) {
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
        const int right = state.displayOffsetX + state.scaledWidth;
        boards.displayAsIs().clear(0, 0, state.displayOffsetX, vh);
        boards.displayAsIs().clear(right, 0, vw - right, vh);
    }
    LayoutAxis(state.scaledHeight, vh, state.viewPositionY, state.vertical, state.displayOffsetY,
               state.displayedHeight);
    if (state.scaledHeight < vh) {
        const int bottom = state.displayOffsetY + state.scaledHeight;
        boards.displayAsIs().clear(0, 0, vw, state.displayOffsetY);
        boards.displayAsIs().clear(0, bottom, vw, vh - bottom);
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
    const DrawingBoard& display = boards.display();
    if (boards.visible.size() != display.size()) {
        boards.visible.resize(display.width(), display.height());
    }
    boards.visible.copyFrom(display, 0, 0, display.width(), display.height(), 0, 0);
    DrawFrameOverlay(boards.visible, frame, frameColour);
}

void DrawFrameOverlay(DrawingBoard& board, const CropFrame& frame, QColor frameColour) {
    const int w = board.width();
    const int h = board.height();
    const int l = OutlineCoordinate(std::int64_t{frame.left} - 1, w);
    const int r = OutlineCoordinate(std::int64_t{frame.left} + frame.width + 1, w);
    const int t = OutlineCoordinate(std::int64_t{frame.top} - 1, h);
    const int b = OutlineCoordinate(std::int64_t{frame.top} + frame.height + 1, h);
    board.setPenWidth(0);
    board.setPenColor(frameColour.rgb());
    board.line(l, t, r, t);
    board.line(l, b, r, b);
    board.line(l, t, l, b);
    board.line(r, t, r, b);
}

bool BakeDisplay(Picture& picture, ViewState& state, ViewBoards& boards, const CropFrame& frame,
                 QColor frameColour) {
    if (picture.isNull() || state.scaledWidth <= 0 || state.scaledHeight <= 0) {
        return false;
    }
    QImage baked;
    const QRect displayed(state.displayOffsetX, state.displayOffsetY, state.displayedWidth,
                          state.displayedHeight);
    const QImage display = boards.display().image();
    if (state.displayedWidth == state.scaledWidth && state.displayedHeight == state.scaledHeight &&
        display.rect().contains(displayed)) {
        // The whole scaled picture is in view: the display holds all of it.
        baked = display.copy(displayed);
    } else {
        baked = picture.scaled(state.scaledWidth, state.scaledHeight).convertToFormat(QImage::Format_RGB32);
        if (baked.size() != QSize(state.scaledWidth, state.scaledHeight)) {
            return false;  // could not be allocated
        }
        Blit(baked, state.scrollOffsetX, state.scrollOffsetY, display, state.displayOffsetX,
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
    Blit(crop, 0, 0, boards.visible.image(), frame.left, frame.top, frame.width, frame.height);
    return crop;
}

}  // namespace picura
