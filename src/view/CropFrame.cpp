#include "view/CropFrame.h"

#include "settings/TextNumber.h"

#include <cmath>

namespace picura {

QString SizePresetText(int index) {
    if (index < 0 || index >= static_cast<int>(kSizePresets.size())) {
        return {};
    }
    return QString::fromUtf8(kSizePresets[static_cast<size_t>(index)].text);
}

std::optional<PresetTexts> SizePresetTexts(int index) {
    if (index < 0 || index >= static_cast<int>(kSizePresets.size())) {
        return std::nullopt;
    }
    const auto& size = kSizePresets[static_cast<size_t>(index)].size;
    if (!size) {
        return std::nullopt;
    }
    return PresetTexts{QString::number(size->width()), QString::number(size->height())};
}

void CentreFrame(CropFrame& frame, QSize view) {
    const double centreX = std::floor(view.width() / 2.0);
    const double centreY = std::floor(view.height() / 2.0);
    frame.left = Trunc(centreX - std::floor(frame.width / 2.0));
    frame.top = Trunc(centreY - std::floor(frame.height / 2.0));
}

bool HitsFrame(const CropFrame& frame, int x, int y) {
    const double left = frame.left;
    const double top = frame.top;
    return LessOrEqual(left - 1, x) && LessOrEqual(x, left + frame.width + 1) && LessOrEqual(top - 1, y) &&
           LessOrEqual(y, top + frame.height + 1);
}

void DragFrame(CropFrame& frame, QPoint& last, int x, int y) {
    frame.left = Trunc(static_cast<double>(frame.left) + x - last.x());
    frame.top = Trunc(static_cast<double>(frame.top) + y - last.y());
    last = QPoint(x, y);
}

void MoveFrame(CropFrame& frame, MoveDirection direction) {
    switch (direction) {
        case MoveDirection::Up: frame.top = Trunc(frame.top - 1.0); break;
        case MoveDirection::Down: frame.top = Trunc(frame.top + 1.0); break;
        case MoveDirection::Left: frame.left = Trunc(frame.left - 1.0); break;
        case MoveDirection::Right: frame.left = Trunc(frame.left + 1.0); break;
    }
}

void MoveRepeat::press(CropFrame& frame, MoveDirection direction) {
    MoveFrame(frame, direction);
    held_[static_cast<int>(direction)] = true;
    tickCount_ = 0;
    timerRunning_ = true;
}

void MoveRepeat::release(MoveDirection direction) {
    held_[static_cast<int>(direction)] = false;
    tickCount_ = 0;
    timerRunning_ = false;
}

bool MoveRepeat::tick(CropFrame& frame, bool pictureLoaded) {
    if (!pictureLoaded) {
        timerRunning_ = false;
        return false;
    }
    if (tickCount_ < kFirstRepeatTick) {
        ++tickCount_;
    }
    if (tickCount_ < kFirstRepeatTick) {
        return false;
    }
    for (const MoveDirection d :
         {MoveDirection::Up, MoveDirection::Down, MoveDirection::Left, MoveDirection::Right}) {
        if (held(d)) {
            MoveFrame(frame, d);
            return true;
        }
    }
    return false;
}

}  // namespace picura
