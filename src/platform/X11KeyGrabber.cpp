#include "platform/X11KeyGrabber.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>

namespace picura {

namespace {

// The lock keys must not stop the letters from working, so each letter is grabbed once for every
// combination of Caps Lock (Lock) and Num Lock (Mod2 on every usual keymap).
constexpr std::array<std::uint16_t, 4> kLockCombinations = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                                            XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

// Shift, Lock, Control and Mod1..Mod5; the rest of an event's state is buttons and the XKB group.
constexpr std::uint16_t kModifierBits = 0x00FF;
constexpr std::uint16_t kLockBits = XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2;

xcb_keysym_t KeysymOf(NavigationKey key) {
    switch (key) {
        case NavigationKey::A: return 'a';
        case NavigationKey::S: return 's';
        case NavigationKey::D: return 'd';
        case NavigationKey::F: return 'f';
    }
    return 0;
}

std::vector<xcb_window_t> RootWindows(xcb_connection_t* connection) {
    std::vector<xcb_window_t> roots;
    for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection)); it.rem > 0;
         xcb_screen_next(&it)) {
        roots.push_back(it.data->root);
    }
    return roots;
}

// Every keycode the current keymap gives the letter, without repeats.
std::vector<xcb_keycode_t> KeycodesOf(xcb_key_symbols_t* symbols, NavigationKey key) {
    std::vector<xcb_keycode_t> codes;
    xcb_keycode_t* list = xcb_key_symbols_get_keycode(symbols, KeysymOf(key));
    if (list == nullptr) {
        return codes;
    }
    for (const xcb_keycode_t* code = list; *code != XCB_NO_SYMBOL; ++code) {
        if (std::find(codes.begin(), codes.end(), *code) == codes.end()) {
            codes.push_back(*code);
        }
    }
    std::free(list);
    return codes;
}

}  // namespace

std::unique_ptr<X11KeyGrabber> X11KeyGrabber::ForApplication() {
    // Under other platforms (offscreen among them) the interface may exist with no connection behind it.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr ||
        QGuiApplication::platformName() != QLatin1String("xcb")) {
        return nullptr;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) {
        return nullptr;
    }
    return std::make_unique<X11KeyGrabber>(x11->connection());
}

X11KeyGrabber::X11KeyGrabber(xcb_connection_t* connection) : connection_(connection) {}

X11KeyGrabber::~X11KeyGrabber() {
    Release();
}

NavigationKeySet X11KeyGrabber::Grab(NavigationKeySet keys, PressHandler onPress) {
    Release();
    if (connection_ == nullptr || xcb_connection_has_error(connection_) != 0 ||
        QCoreApplication::instance() == nullptr) {
        return {};
    }
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection_);
    if (symbols == nullptr) {
        return {};
    }
    struct Attempt {
        HeldGrab grab;
        xcb_void_cookie_t cookie;
    };
    std::vector<Attempt> attempts;
    NavigationKeySet tried;
    const std::vector<xcb_window_t> roots = RootWindows(connection_);
    for (NavigationKey key : kAllNavigationKeys) {
        if (!keys.Contains(key)) {
            continue;
        }
        const std::vector<xcb_keycode_t> codes = KeycodesOf(symbols, key);
        if (codes.empty() || roots.empty()) {
            continue;
        }
        tried.Insert(key);
        for (xcb_window_t root : roots) {
            for (xcb_keycode_t code : codes) {
                for (std::uint16_t modifiers : kLockCombinations) {
                    const xcb_void_cookie_t cookie = xcb_grab_key_checked(
                        connection_, 1, root, modifiers, code, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
                    attempts.push_back({{root, code, modifiers, key}, cookie});
                }
            }
        }
    }
    xcb_key_symbols_free(symbols);

    // All requests went out at once; now collect the answers. BadAccess means another client holds it.
    NavigationKeySet refused;
    for (const Attempt& attempt : attempts) {
        if (xcb_generic_error_t* error = xcb_request_check(connection_, attempt.cookie)) {
            refused.Insert(attempt.grab.key);
            std::free(error);
        } else {
            held_.push_back(attempt.grab);
        }
    }
    // A letter held only for some lock states would work or not depending on Caps Lock: give it back
    // whole so that it is plainly someone else's.
    std::erase_if(held_, [&](const HeldGrab& grab) {
        if (!refused.Contains(grab.key)) {
            return false;
        }
        xcb_ungrab_key(connection_, grab.keycode, grab.root, grab.modifiers);
        return true;
    });
    xcb_flush(connection_);

    const NavigationKeySet taken = tried.Minus(refused);
    if (!taken.Empty()) {
        onPress_ = std::move(onPress);
        QCoreApplication::instance()->installNativeEventFilter(this);
        filterInstalled_ = true;
    }
    return taken;
}

void X11KeyGrabber::Release() {
    // Without the application the connection is gone, and the server dropped our grabs with it.
    QCoreApplication* app = QCoreApplication::instance();
    if (filterInstalled_ && app != nullptr) {
        app->removeNativeEventFilter(this);
    }
    filterInstalled_ = false;
    if (!held_.empty() && app != nullptr && xcb_connection_has_error(connection_) == 0) {
        for (const HeldGrab& grab : held_) {
            xcb_ungrab_key(connection_, grab.keycode, grab.root, grab.modifiers);
        }
        xcb_flush(connection_);
    }
    held_.clear();
    onPress_ = nullptr;
}

bool X11KeyGrabber::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* /*result*/) {
    if (held_.empty() || message == nullptr || eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & ~0x80;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) {
        return false;
    }
    // Key press and release events share one layout. Releases are taken too: the press that starts
    // the grab is reported to the root window, but with our own window focused the release goes to
    // that window, where it would count as an event of the Main window and re-arm a held key.
    const auto* keyEvent = static_cast<const xcb_key_press_event_t*>(message);
    if ((keyEvent->state & kModifierBits & ~kLockBits) != 0) {
        return false;  // Shift+A and the like are not ours; they go where they would have gone.
    }
    const auto grab = std::find_if(held_.begin(), held_.end(),
                                   [&](const HeldGrab& held) { return held.keycode == keyEvent->detail; });
    if (grab == held_.end()) {
        return false;
    }
    if (type == XCB_KEY_PRESS && onPress_) {
        const NavigationKey key = grab->key;
        // A copy: the handler may release the keys, which clears the stored handler while it runs.
        PressHandler handler = onPress_;
        handler(key);
    }
    return true;
}

}  // namespace picura
