#include "session/NavigationKeys.h"

#include <QGuiApplication>
#include <QWindow>

namespace picura {

NavigationKeys::NavigationKeys(QObject* mainWindow, std::unique_ptr<GlobalKeyGrabber> grabber,
                               NavigateHandler onNavigate, QObject* parent)
    : QObject(parent),
      mainWindow_(mainWindow),
      grabber_(std::move(grabber)),
      onNavigate_(std::move(onNavigate)) {}

NavigationKeys::~NavigationKeys() {
    UnregisterNavigationKeys();
}

void NavigationKeys::RegisterNavigationKeys() {
    if (registered_) {
        return;
    }
    if (!lent_) {
        Grab();
    }
    if (mainWindow_) {
        mainWindow_->installEventFilter(this);
    }
    registered_ = true;
}

void NavigationKeys::UnregisterNavigationKeys() {
    if (!registered_) {
        return;
    }
    if (grabber_ && !lent_) {
        grabber_->Release();
    }
    if (mainWindow_) {
        mainWindow_->removeEventFilter(this);
    }
    grabbed_ = {};
    registered_ = false;
    lastWasNext_ = false;
    lastWasPrevious_ = false;
}

void NavigationKeys::Grab() {
    grabbed_ = grabber_ ? grabber_->Grab(NavigationKeySet::All(), [this](NavigationKey key) { OnKey(key); })
                        : NavigationKeySet{};
}

void NavigationKeys::SetLent(bool lent) {
    if (lent == lent_) {
        return;
    }
    lent_ = lent;
    if (!registered_) {
        return;
    }
    if (lent) {
        if (grabber_) {
            grabber_->Release();
        }
        grabbed_ = {};
    } else {
        Grab();
    }
}

void NavigationKeys::LendToOtherWindows(std::function<bool(const QWindow*)> isMainWindow) {
    isMainWindow_ = std::move(isMainWindow);
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || !isMainWindow_) {
        return;
    }
    connect(app, &QGuiApplication::focusWindowChanged, this, &NavigationKeys::OnFocusWindow);
    // Another program taking the focus does not always come with a focus window change.
    connect(app, &QGuiApplication::applicationStateChanged, this,
            [this] { OnFocusWindow(QGuiApplication::focusWindow()); });
    OnFocusWindow(QGuiApplication::focusWindow());
}

void NavigationKeys::OnFocusWindow(QWindow* focus) {
    // No focus window: another program has the keyboard, and the keys work desktop-wide again.
    // A dialog that closes does not always hand the focus on at once (or at all, when the Main
    // window is hidden): a hidden focus window no longer holds the keys.
    if (focusWindow_ != focus) {
        if (focusWindow_) {
            disconnect(focusWindow_, &QWindow::visibleChanged, this, nullptr);
        }
        focusWindow_ = focus;
        if (focus) {
            connect(focus, &QWindow::visibleChanged, this,
                    [this] { OnFocusWindow(QGuiApplication::focusWindow()); });
        }
    }
    SetLent(focus != nullptr && focus->isVisible() && !isMainWindow_(focus));
}

void NavigationKeys::OnKey(NavigationKey key) {
    if (!registered_) {
        return;
    }
    const bool next = IsNextKey(key);
    if ((next && !lastWasNext_) || (!next && !lastWasPrevious_)) {
        if (onNavigate_) {
            onNavigate_(next);
        }
    }
    // The handler may have given the keys back (the batch ended); the flags then stay cleared.
    // Events the window got while the handler ran do not count as "in between": they are part of
    // handling this key.
    if (registered_) {
        lastWasNext_ = next;
        lastWasPrevious_ = !next;
    }
}

bool NavigationKeys::eventFilter(QObject* watched, QEvent* event) {
    if (registered_ && watched == mainWindow_) {
        lastWasNext_ = false;
        lastWasPrevious_ = false;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace picura
