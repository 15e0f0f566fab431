#pragma once

#include <QObject>

#include "platform/GlobalKeyGrabber.h"

namespace picura {

// Takes the keys only while one of the program's own windows has the focus: an application-wide
// event filter that swallows plain presses and releases of the keys before any widget sees them.
// Works on every platform; used where no desktop-wide grab is possible and for the keys another
// program holds.
class FocusKeyGrabber final : public QObject, public GlobalKeyGrabber {
    Q_OBJECT

  public:
    explicit FocusKeyGrabber(QObject* parent = nullptr);
    ~FocusKeyGrabber() override;

    NavigationKeySet Grab(NavigationKeySet keys, PressHandler onPress) override;
    void Release() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    NavigationKeySet keys_;
    PressHandler onPress_;
    bool installed_ = false;
};

}  // namespace picura
