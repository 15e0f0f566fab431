#pragma once

#include "platform/GlobalKeyGrabber.h"

namespace picura::testing {

// Stands in for the desktop: records what was grabbed and lets a test press keys.
class FakeKeyGrabber final : public GlobalKeyGrabber {
  public:
    // Keys "another program" owns: Grab leaves them out.
    NavigationKeySet ownedElsewhere;
    int grabCalls = 0;
    int releaseCalls = 0;
    NavigationKeySet lastRequested;

    NavigationKeySet Grab(NavigationKeySet keys, PressHandler onPress) override {
        ++grabCalls;
        lastRequested = keys;
        held_ = keys.Minus(ownedElsewhere);
        onPress_ = std::move(onPress);
        return held_;
    }
    void Release() override {
        ++releaseCalls;
        held_ = {};
        onPress_ = nullptr;
    }

    NavigationKeySet Held() const { return held_; }

    // A press as the desktop would deliver it: only keys we hold arrive.
    void Press(NavigationKey key) {
        if (held_.Contains(key) && onPress_) {
            PressHandler handler = onPress_;
            handler(key);
        }
    }

  private:
    NavigationKeySet held_;
    PressHandler onPress_;
};

}  // namespace picura::testing
