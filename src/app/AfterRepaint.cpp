#include "app/AfterRepaint.h"

#include <QCoreApplication>
#include <QEvent>

namespace picura {

namespace {

const QEvent::Type kWorkEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

struct WorkEvent : QEvent {
    explicit WorkEvent(std::function<void()> w) : QEvent(kWorkEvent), work(std::move(w)) {}
    std::function<void()> work;
};

}  // namespace

void AfterRepaint::post(std::function<void()> work) {
    // Repaint requests are posted at Qt::LowEventPriority.
    QCoreApplication::postEvent(this, new WorkEvent(std::move(work)), Qt::LowEventPriority - 1);
}

void AfterRepaint::customEvent(QEvent* event) {
    if (event->type() == kWorkEvent) {
        static_cast<WorkEvent*>(event)->work();
    }
}

}  // namespace picura
