#include "tools/PenTool.h"

#include "settings/TextNumber.h"

#include <algorithm>
#include <cmath>

namespace picura {

std::optional<QRect> PenDotRect(QPoint at, double width) {
    if (NearlyEqual(width, 1.0) || !(width > 0.0)) {
        return std::nullopt;
    }
    const int r = Trunc(std::floor(width / 2.0));
    const bool even = NearlyEqual(std::fmod(width, 2.0), 0.0);
    const int x2 = even ? at.x() + r : at.x() + r + 1;
    const int y2 = even ? at.y() + r : at.y() + r + 1;
    const QRect rect(QPoint(at.x() - r, at.y() - r), QPoint(x2 - 1, y2 - 1));
    if (rect.isEmpty()) {
        return std::nullopt;
    }
    return rect;
}

void DrawPenDot(DrawingBoard& display, QPoint at, double width, QRgb colour) {
    const std::optional<QRect> rect = PenDotRect(at, width);
    if (!rect) {
        return;
    }
    display.setPenWidth(0);
    display.setPenColor(colour);
    // Filled row by row with one-pixel lines: a pixel belongs to the dot when its centre lies inside the
    // ellipse inscribed in the rectangle. Only rows on the board are visited.
    const double cx = rect->left() + rect->width() / 2.0;
    const double cy = rect->top() + rect->height() / 2.0;
    const double a = rect->width() / 2.0;
    const double b = rect->height() / 2.0;
    const int top = std::max(rect->top(), 0);
    const int bottom = std::min(rect->bottom(), display.height() - 1);
    for (int y = top; y <= bottom; ++y) {
        const double dy = (y + 0.5 - cy) / b;
        const double inside = 1.0 - dy * dy;
        if (inside < 0.0) {
            continue;
        }
        const double half = a * std::sqrt(inside);
        // Pixels whose centre x + 0.5 lies within cx ± half.
        const int first = std::max(static_cast<int>(std::ceil(cx - half - 0.5)), std::max(rect->left(), -1));
        const int last =
            std::min(static_cast<int>(std::floor(cx + half - 0.5)), std::min(rect->right(), display.width()));
        if (first <= last) {
            display.line(first, y, last + 1, y);
        }
    }
}

void DrawPenSegment(DrawingBoard& display, QPoint from, QPoint to, double width, QRgb colour) {
    display.setPenWidth(Trunc(width));
    display.setPenColor(colour);
    display.line(from.x(), from.y(), to.x(), to.y());
}

void DrawPenHoverCircle(DrawingBoard& visible, QPoint at, double width, QRgb colour) {
    const std::optional<QRect> rect = PenDotRect(at, width);
    if (!rect) {
        return;
    }
    visible.setPenWidth(0);
    visible.setPenColor(colour);
    visible.ellipse(rect->left(), rect->top(), rect->right() + 1, rect->bottom() + 1);
}

void PenStroke::press(DrawingBoard& display, QPoint at, double width, QRgb colour) {
    held_ = true;
    DrawPenDot(display, at, width, colour);
    last_ = at;
}

bool PenStroke::moveTo(DrawingBoard& display, QPoint to, double width, QRgb colour) {
    if (!held_) {
        return false;
    }
    DrawPenSegment(display, last_, to, width, colour);
    last_ = to;
    return true;
}

bool PenStroke::finish() {
    const bool wasHeld = held_;
    held_ = false;
    return wasHeld;
}

}  // namespace picura
