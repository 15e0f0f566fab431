#include "session/Session.h"

namespace picura {

void Session::replacePicture(const Picture& picture, PictureOrigin origin) {
    picture_ = picture;
    hasPicture_ = !picture.isNull();
    edited_ = false;
    origin_ = std::move(origin);
    tell(hasPicture_ ? PictureChange::Replaced : PictureChange::Dropped);
}

void Session::editPicture(const Picture& picture) {
    if (!hasPicture_ || picture.isNull()) {
        return;
    }
    picture_ = picture;
    edited_ = true;
    tell(PictureChange::Edited);
}

void Session::completePicture(const Picture& full) {
    if (!hasPicture_ || !picture_.isReduced() || full.isNull() || full.isReduced() ||
        full.size() != picture_.size()) {
        return;
    }
    picture_ = full;
    tell(PictureChange::Completed);
}

void Session::dropPicture(PictureOrigin origin) {
    picture_ = Picture();
    hasPicture_ = false;
    edited_ = false;
    origin_ = std::move(origin);
    view.horizontal = ScrollBarState{};
    view.vertical = ScrollBarState{};
    tell(PictureChange::Dropped);
}

void Session::tell(PictureChange change) {
    // A listener may add listeners; those hear the next change.
    const std::size_t count = listeners_.size();
    for (std::size_t i = 0; i < count; ++i) {
        listeners_[i](change);
    }
}

}  // namespace picura
