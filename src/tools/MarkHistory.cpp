#include "tools/MarkHistory.h"

namespace picura {

MarkHistory::MarkHistory(std::size_t maxSteps, qsizetype maxBytes)
    : maxSteps_(maxSteps), maxBytes_(maxBytes) {}

void MarkHistory::record(const Picture& before) {
    if (before.isNull() || maxSteps_ == 0) {
        return;
    }
    const QImage& image = before.image();
    if (image.sizeInBytes() > maxBytes_) {
        return;
    }
    // Only the pixels are kept: the picture's scaling cache is rebuilt if the picture comes back.
    entries_.push_back(image);
    bytes_ += image.sizeInBytes();
    while (entries_.size() > maxSteps_ || bytes_ > maxBytes_) {
        dropOldest();
    }
}

std::optional<Picture> MarkHistory::undo() {
    if (entries_.empty()) {
        return std::nullopt;
    }
    QImage image = entries_.back();
    bytes_ -= image.sizeInBytes();
    entries_.pop_back();
    return Picture(std::move(image));
}

void MarkHistory::clear() {
    entries_.clear();
    bytes_ = 0;
}

void MarkHistory::dropOldest() {
    bytes_ -= entries_.front().sizeInBytes();
    entries_.pop_front();
}

}  // namespace picura
