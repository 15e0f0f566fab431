#pragma once

#include <QObject>

#include <functional>

namespace picura {

// Runs work once the windows have repainted what was asked of them before: the work is posted below the
// priority of a window's repaint request, so every event posted before it, the repaint among them, is
// handled first. Work still waiting when the object goes is dropped.
class AfterRepaint : public QObject {
  public:
    void post(std::function<void()> work);

  protected:
    void customEvent(QEvent* event) override;
};

}  // namespace picura
