#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

#include "app/hotkeys/GlobalKeyGrabber.h"

namespace picura {

// The batch navigation keys of the Main window: A and S ask for the next picture, D and F for the
// previous one, wherever the focus is, while registered.
//
// A key arriving right after a key of the same direction, with no other event of the Main window
// in between, is dropped: a held key moves again only once the window has had something else to
// do (typically the repaint after the picture changed).
class NavigationKeys final : public QObject {
    Q_OBJECT

  public:
    using NavigateHandler = std::function<void(bool next)>;

    // `mainWindow` is the object whose events re-arm a key (may be null: then no key is dropped).
    NavigationKeys(QObject* mainWindow, std::unique_ptr<GlobalKeyGrabber> grabber, NavigateHandler onNavigate,
                   QObject* parent = nullptr);
    ~NavigationKeys() override;

    // Takes the four keys; does nothing when they are registered already. A key another program
    // owns is skipped and the others work.
    void RegisterNavigationKeys();
    // Gives the keys back and clears the repeat flags; does nothing when they are not registered.
    void UnregisterNavigationKeys();

    bool IsRegistered() const { return registered_; }
    bool LastWasNext() const { return lastWasNext_; }
    bool LastWasPrevious() const { return lastWasPrevious_; }
    // What the last registration actually got.
    NavigationKeySet GrabbedKeys() const { return grabbed_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void OnKey(NavigationKey key);

    QPointer<QObject> mainWindow_;
    std::unique_ptr<GlobalKeyGrabber> grabber_;
    NavigateHandler onNavigate_;
    NavigationKeySet grabbed_;
    bool registered_ = false;
    bool lastWasNext_ = false;
    bool lastWasPrevious_ = false;
};

}  // namespace picura
