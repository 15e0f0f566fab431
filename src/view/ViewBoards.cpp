#include "view/ViewBoards.h"

#include <algorithm>

namespace picura {

void ViewBoards::resize(QSize viewSize) {
    const int w = std::max(1, viewSize.width());
    const int h = std::max(1, viewSize.height());
    owedPicture_ = Picture();
    for (DrawingBoard* board : {&display_, &visible}) {
        board->setBackgroundColor(kBoardBackground);
        board->resize(w, h);
    }
    scaled.clear();
    scaled.prepare(QSize(w, h));
}

DrawingBoard& ViewBoards::display() {
    settle();
    return display_;
}

const DrawingBoard& ViewBoards::display() const {
    settle();
    return display_;
}

void ViewBoards::owePartInView(const Picture& picture, QSize scaledSize, QRect area, QPoint at) {
    owedPicture_ = picture;
    owedScaled_ = scaledSize;
    owedArea_ = area;
    owedAt_ = at;
}

void ViewBoards::settle() const {
    if (owedPicture_.isNull()) {
        return;
    }
    const Picture picture = std::move(owedPicture_);
    owedPicture_ = Picture();
    if (!scaled.copyKept(picture, owedScaled_, owedArea_, display_, owedAt_)) {
        // The kept pixels are gone (out of memory): scaled again, as a first draw would.
        const QImage part = picture.scaledPart(owedScaled_.width(), owedScaled_.height(), owedArea_);
        if (!part.isNull()) {
            display_.drawPicture(Picture(part), owedAt_.x(), owedAt_.y());
        }
    }
}

}  // namespace picura
