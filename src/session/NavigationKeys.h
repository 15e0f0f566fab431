#pragma once

#include <QObject>
#include <QPointer>

class QWindow;

#include <functional>
#include <memory>

#include "platform/GlobalKeyGrabber.h"

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

    // Follows the program's keyboard focus: while one of its windows other than the Main window has
    // the focus (a file, colour, font or folder dialog, a message box, a settings window), the keys
    // are lent to it, so that typing there gets every letter and the batch does not move behind it.
    // They are taken again when the Main window or another program gets the focus. Registration
    // itself is unchanged by lending: a registration made while lent takes the keys on return.
    void LendToOtherWindows(std::function<bool(const QWindow*)> isMainWindow);
    // Lends (true) or takes back (false) the keys; LendToOtherWindows calls it on every focus change.
    void SetLent(bool lent);
    bool IsLent() const { return lent_; }

    bool IsRegistered() const { return registered_; }
    bool LastWasNext() const { return lastWasNext_; }
    bool LastWasPrevious() const { return lastWasPrevious_; }
    // What is grabbed now (nothing while lent).
    NavigationKeySet GrabbedKeys() const { return grabbed_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void OnKey(NavigationKey key);
    void Grab();
    void OnFocusWindow(QWindow* focus);

    QPointer<QObject> mainWindow_;
    std::unique_ptr<GlobalKeyGrabber> grabber_;
    NavigateHandler onNavigate_;
    NavigationKeySet grabbed_;
    std::function<bool(const QWindow*)> isMainWindow_;
    QPointer<QWindow> focusWindow_;  // the window whose hiding must give the keys back
    bool registered_ = false;
    bool lent_ = false;
    bool lastWasNext_ = false;
    bool lastWasPrevious_ = false;
};

}  // namespace picura
