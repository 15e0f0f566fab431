#pragma once

#include <QAbstractNativeEventFilter>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/GlobalKeyGrabber.h"

struct xcb_connection_t;

namespace picura {

// Desktop-wide keys on X11: passive grabs of the plain letters on every root window, with Caps Lock
// and Num Lock on or off, received through Qt's native event filter. A key some other client has
// grabbed already is left out of the result and keeps working for that client.
class X11KeyGrabber final : public GlobalKeyGrabber, private QAbstractNativeEventFilter {
  public:
    // Null unless the application runs on the xcb platform with a live connection.
    static std::unique_ptr<X11KeyGrabber> ForApplication();

    // `connection` must be the one Qt reads events from, or presses never reach the filter.
    explicit X11KeyGrabber(xcb_connection_t* connection);
    ~X11KeyGrabber() override;

    X11KeyGrabber(const X11KeyGrabber&) = delete;
    X11KeyGrabber& operator=(const X11KeyGrabber&) = delete;

    NavigationKeySet Grab(NavigationKeySet keys, PressHandler onPress) override;
    void Release() override;

  private:
    struct HeldGrab {
        std::uint32_t root;
        std::uint8_t keycode;
        std::uint16_t modifiers;
        NavigationKey key;
    };

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    xcb_connection_t* connection_;
    std::vector<HeldGrab> held_;
    PressHandler onPress_;
    bool filterInstalled_ = false;
};

}  // namespace picura
