#pragma once

#include <memory>

#include "platform/GlobalKeyGrabber.h"

namespace picura {

// The one place that picks how the navigation keys are taken. PICURA_GLOBAL_KEYS overrides the
// choice: "focus" takes them only while our window has the focus, "x11" uses the X11 grab alone.
// Otherwise: the X11 grab when the program runs on X11, with the focus grabber for any key another
// program holds; the focus grabber alone everywhere else (Wayland, offscreen).
// Call it after the application object exists.
std::unique_ptr<GlobalKeyGrabber> MakeGlobalKeyGrabber();

}  // namespace picura
