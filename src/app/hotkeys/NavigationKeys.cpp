#include "app/hotkeys/NavigationKeys.h"

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
    grabbed_ = grabber_ ? grabber_->Grab(NavigationKeySet::All(), [this](NavigationKey key) { OnKey(key); })
                        : NavigationKeySet{};
    if (mainWindow_) {
        mainWindow_->installEventFilter(this);
    }
    registered_ = true;
}

void NavigationKeys::UnregisterNavigationKeys() {
    if (!registered_) {
        return;
    }
    if (grabber_) {
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
