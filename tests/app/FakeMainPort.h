#pragma once

#include "app/MainActions.h"

namespace picura::test {

// Records what the operations asked the Main window's widgets to do.
class FakeMainPort : public MainWindowPort {
  public:
    QColor frameColour() const override { return QColor(255, 255, 0); }
    void showView() override { ++shown; }
    void focusView() override { ++focused; }
    void dropPendingText() override { ++textDropped; }
    void setViewCursor(ViewCursor c) override { cursor = c; }
    void showBusy(bool busy) override {
        busyTimes += busy ? 1 : 0;
        busyNow = busy;
    }

    int shown = 0;
    int focused = 0;
    int textDropped = 0;
    int busyTimes = 0;  // how often the busy pointer was put up
    bool busyNow = false;
    ViewCursor cursor = ViewCursor::Arrow;
};

}  // namespace picura::test
