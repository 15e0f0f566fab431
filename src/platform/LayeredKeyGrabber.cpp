#include "platform/LayeredKeyGrabber.h"

namespace picura {

LayeredKeyGrabber::LayeredKeyGrabber(std::unique_ptr<GlobalKeyGrabber> desktop,
                                     std::unique_ptr<GlobalKeyGrabber> fallback)
    : desktop_(std::move(desktop)), fallback_(std::move(fallback)) {}

LayeredKeyGrabber::~LayeredKeyGrabber() {
    Release();
}

NavigationKeySet LayeredKeyGrabber::Grab(NavigationKeySet keys, PressHandler onPress) {
    Release();
    if (desktop_) {
        desktopKeys_ = desktop_->Grab(keys, onPress);
    }
    NavigationKeySet taken = desktopKeys_;
    const NavigationKeySet rest = keys.Minus(desktopKeys_);
    if (fallback_ && !rest.Empty()) {
        taken = taken.Union(fallback_->Grab(rest, std::move(onPress)));
    }
    return taken;
}

void LayeredKeyGrabber::Release() {
    if (desktop_) {
        desktop_->Release();
    }
    if (fallback_) {
        fallback_->Release();
    }
    desktopKeys_ = {};
}

}  // namespace picura
