#include "platform/FocusKeyGrabber.h"

#include <QGuiApplication>
#include <QKeyEvent>

#include <optional>

namespace picura {

namespace {

std::optional<NavigationKey> KeyOf(int qtKey) {
    switch (qtKey) {
        case Qt::Key_A: return NavigationKey::A;
        case Qt::Key_S: return NavigationKey::S;
        case Qt::Key_D: return NavigationKey::D;
        case Qt::Key_F: return NavigationKey::F;
        default: return std::nullopt;
    }
}

}  // namespace

FocusKeyGrabber::FocusKeyGrabber(QObject* parent) : QObject(parent) {}

FocusKeyGrabber::~FocusKeyGrabber() {
    Release();
}

NavigationKeySet FocusKeyGrabber::Grab(NavigationKeySet keys, PressHandler onPress) {
    Release();
    if (keys.Empty() || QCoreApplication::instance() == nullptr) {
        return {};
    }
    keys_ = keys;
    onPress_ = std::move(onPress);
    QCoreApplication::instance()->installEventFilter(this);
    installed_ = true;
    return keys_;
}

void FocusKeyGrabber::Release() {
    if (installed_ && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
    installed_ = false;
    keys_ = {};
    onPress_ = nullptr;
}

bool FocusKeyGrabber::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride) {
        return QObject::eventFilter(watched, event);
    }
    const auto* keyEvent = static_cast<const QKeyEvent*>(event);
    const std::optional<NavigationKey> key = KeyOf(keyEvent->key());
    // Caps Lock is no modifier for Qt; a key of the keypad group still counts as plain.
    const Qt::KeyboardModifiers modifiers = keyEvent->modifiers() & ~Qt::KeypadModifier;
    if (!key || !keys_.Contains(*key) || modifiers != Qt::NoModifier ||
        QGuiApplication::focusWindow() == nullptr) {
        return QObject::eventFilter(watched, event);
    }
    if (type == QEvent::ShortcutOverride) {
        // Claiming the override keeps a shortcut on the same letter from firing instead of us.
        event->accept();
        return true;
    }
    if (type == QEvent::KeyPress && onPress_) {
        // A copy: the handler may release the keys and so drop the stored one while it runs.
        PressHandler handler = onPress_;
        handler(*key);
    }
    return true;
}

}  // namespace picura
