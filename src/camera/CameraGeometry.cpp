#include "camera/CameraGeometry.h"

#include <QPainter>

#include <cmath>

#include "platform/CameraDevice.h"
#include "settings/TextNumber.h"

namespace picura {

using namespace camera_layout;

namespace {

CameraWindowSize Outer(int w, int h, WindowAllowances a) {
    return {QSize(Trunc(double(w) + a.width + kExtraWidth), Trunc(double(h) + a.height + kExtraHeight)),
            QSize(w, h)};
}

// The video area for the frame: the wider of frame-plus-margin and video decides which side is fixed.
QSize VideoForFrame(QSize frame, double ratio) {
    const double fw = double(frame.width()) + kFrameMargin;
    const double fh = double(frame.height()) + kFrameMargin;
    if (ratio <= 0) {
        ratio = kDefaultRatio;
    }
    const double q = fh / fw;
    if (LessOrEqual(q, ratio)) {
        const int w = fw - kMinVideoWidth > kTolerance ? Trunc(fw) : kMinVideoWidth;
        return {w, Trunc(w * ratio)};
    }
    const int h = fh - kMinVideoHeight > kTolerance ? Trunc(fh) : kMinVideoHeight;
    return {Trunc(h / ratio), h};
}

double SafeRatio(double ratio) {
    return ratio > 0 && std::isfinite(ratio) ? ratio : kDefaultRatio;
}

}  // namespace

CameraWindowSize SizeCameraWindow(QSize frame, double ratio, WindowAllowances allowances) {
    const QSize video = VideoForFrame(frame, SafeRatio(ratio));
    return Outer(video.width(), video.height(), allowances);
}

CameraWindowSize SizeCameraWindowForFrameWidth(QSize frame, double ratio, QSize currentOuter,
                                               WindowAllowances allowances) {
    ratio = SafeRatio(ratio);
    const double fw = double(frame.width()) + kFrameMargin;
    const double videoWidth = double(currentOuter.width()) - kExtraWidth - allowances.width;
    if (fw - videoWidth > kTolerance) {
        const int w = Trunc(fw);
        return Outer(w, Trunc(w * ratio), allowances);
    }
    return SizeCameraWindow(frame, ratio, allowances);
}

CameraWindowSize SizeCameraWindowForFrameHeight(QSize frame, double ratio, QSize currentOuter,
                                                WindowAllowances allowances) {
    ratio = SafeRatio(ratio);
    const double fh = double(frame.height()) + kFrameMargin;
    const double videoHeight = double(currentOuter.height()) - kExtraHeight - allowances.height;
    if (fh - videoHeight > kTolerance) {
        const int h = Trunc(fh);
        return Outer(Trunc(h / ratio), h, allowances);
    }
    return SizeCameraWindow(frame, ratio, allowances);
}

CameraLayout LayoutCamera(QSize newOuter, QSize lastSet, double ratio, WindowAllowances allowances) {
    ratio = SafeRatio(ratio);
    int w = newOuter.width() - kExtraWidth - allowances.width;
    int h = newOuter.height() - kExtraHeight - allowances.height;
    const int dw = std::abs(newOuter.width() - lastSet.width());
    const int dh = std::abs(newOuter.height() - lastSet.height());
    if (dw >= dh) {
        h = Trunc(w * ratio);
    } else {
        w = Trunc(h / ratio);
    }
    // A window dragged smaller than its fixed parts still gets a video area of one pixel.
    w = std::max(w, 1);
    h = std::max(h, 1);

    CameraLayout l;
    l.outer = Outer(w, h, allowances).outer;
    l.video = QRect(kVideo.topLeft(), QSize(w, h));
    l.groupBox = QRect(kGroupBox.topLeft(), QSize(w + 22, h + 27));
    l.checkBoxTop = l.groupBox.height() + 7;
    l.buttonsLeft = l.groupBox.width() + 11;
    l.shootButtonTop = l.groupBox.height() + 22 - 78;
    const int cx = l.buttonsLeft + 58;
    const int cy = (l.shootButtonTop + 91) / 2;
    l.moveLeft = {cx - 46, cy - 14};
    l.moveRight = {cx + 14, cy - 14};
    l.moveUp = {cx - 14, cy - 46};
    l.moveDown = {cx - 14, cy + 14};
    return l;
}

bool SizeChangeNeedsLayout(QSize newOuter, QSize lastSet) {
    return newOuter != lastSet;
}

QPoint CentreCameraFrame(QRect video, QSize frame) {
    return {Trunc(video.width() / 2.0 - frame.width() / 2.0 + video.left()),
            Trunc(video.height() / 2.0 - frame.height() / 2.0 + video.top())};
}

FrameBars PlaceFrameBars(QPoint p, QSize frame, QPoint groupBoxPos) {
    const int t = kBarThickness;
    const int fw = frame.width();
    const int fh = frame.height();
    FrameBars b;
    b.board = QRect(p, frame);
    b.left = QRect(p.x() - 10, p.y() - 10, t, fh + 20);
    b.top = QRect(p.x() - 10, p.y() - 10, fw + 20, t);
    b.bottom = QRect(p.x() - 10, p.y() + fh + 1, fw + 20, t);
    // Placed in window coordinates as designed: (x + fw + 9, y - 6) with the group box at (4, 4).
    b.rightInWindow =
        QRect(p.x() + fw + 9 + (groupBoxPos.x() - 4), p.y() - 6 + (groupBoxPos.y() - 4), t, fh + 20);
    return b;
}

double MeasureVideoRatio(QSize frameSize, double current) {
    if (frameSize.width() <= 0 || frameSize.height() <= 0) {
        return current;
    }
    const double measured = videoRatio(frameSize);
    return std::abs(measured - current) > kTolerance ? measured : current;
}

double MeasureVideoRatio(CameraDevice& device, double current) {
    return MeasureVideoRatio(device.currentFrame().size(), current);
}

QPoint NudgeCameraFrame::step(Direction direction) {
    switch (direction) {
        case Direction::Up: return {0, -1};
        case Direction::Down: return {0, 1};
        case Direction::Left: return {-1, 0};
        case Direction::Right: return {1, 0};
    }
    return {};
}

QPoint NudgeCameraFrame::press(Direction direction) {
    held_ = true;
    directions_[int(direction)] = true;
    ticks_ = 0;
    return step(direction);
}

QPoint NudgeCameraFrame::tick(bool* keepTimer) {
    if (!held_) {
        ticks_ = 0;
        *keepTimer = false;
        return {};
    }
    *keepTimer = true;
    ++ticks_;
    if (ticks_ < 10) {
        return {};
    }
    for (Direction d : {Direction::Up, Direction::Down, Direction::Left, Direction::Right}) {
        if (directions_[int(d)]) {
            return step(d);
        }
    }
    return {};
}

void NudgeCameraFrame::release(Direction direction) {
    held_ = false;
    directions_[int(direction)] = false;
    ticks_ = 0;
}

QPoint DragCameraFrame(QPoint startFrame, QPoint startCursor, QPoint cursor, QSize groupBox, QSize frame) {
    int x = cursor.x() - startCursor.x() + startFrame.x();
    int y = cursor.y() - startCursor.y() + startFrame.y();
    if (x < 11) {
        x = 11;
    }
    const int maxX = groupBox.width() - 10 - frame.width() - 6;
    if (x > maxX) {
        x = maxX;
    }
    if (y < 17) {
        y = 17;
    }
    const int maxY = groupBox.height() - 10 - frame.height() - 2;
    if (y > maxY) {
        y = maxY;
    }
    return {x, y};
}

QImage CropQuickShoot(const QImage& preview, QRect frameInVideo) {
    if (frameInVideo.width() <= 0 || frameInVideo.height() <= 0) {
        return {};
    }
    QImage photo(frameInVideo.size(), QImage::Format_RGB32);
    photo.fill(Qt::black);
    const QRect inside = frameInVideo.intersected(preview.rect());
    if (!inside.isEmpty()) {
        QPainter painter(&photo);
        painter.drawImage(inside.topLeft() - frameInVideo.topLeft(), preview, inside);
    }
    return photo;
}

}  // namespace picura
