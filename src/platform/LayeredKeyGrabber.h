#pragma once

#include <memory>

#include "platform/GlobalKeyGrabber.h"

namespace picura {

// Asks a desktop-wide grabber first and hands the keys it could not take to a fallback, so that a
// key another program owns still works while our own window has the focus.
class LayeredKeyGrabber final : public GlobalKeyGrabber {
  public:
    LayeredKeyGrabber(std::unique_ptr<GlobalKeyGrabber> desktop, std::unique_ptr<GlobalKeyGrabber> fallback);
    ~LayeredKeyGrabber() override;

    NavigationKeySet Grab(NavigationKeySet keys, PressHandler onPress) override;
    void Release() override;

    // The keys of the last Grab that work desktop-wide, not only while we have the focus.
    NavigationKeySet DesktopKeys() const { return desktopKeys_; }

  private:
    std::unique_ptr<GlobalKeyGrabber> desktop_;
    std::unique_ptr<GlobalKeyGrabber> fallback_;
    NavigationKeySet desktopKeys_;
};

}  // namespace picura
