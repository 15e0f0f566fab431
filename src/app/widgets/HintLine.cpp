#include "app/widgets/HintLine.h"

#include <QEvent>

#include "app/MainActions.h"
#include "app/widgets/HintStatusBar.h"
#include "app/widgets/MainTables.h"
#include "session/Session.h"

namespace picura {

HintLine::HintLine(HintStatusBar* bar, const Session& session, Watched watched, QObject* parent)
    : QObject(parent), bar_(bar), session_(session), watched_(watched) {}

void HintLine::show(const QString& text) {
    if (text != current_) {
        current_ = text;
        bar_->setHint(text);
    }
}

void HintLine::showHintOf(const QObject* component) {
    if (const QString hint = ComponentHint(component->objectName()); !hint.isEmpty()) {
        show(hint);
    }
}

bool HintLine::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseMove) {
        return false;
    }
    if (watched == watched_.toolWindow) {
        current_.clear();
        bar_->setHint(QString());
    } else if (watched == watched_.surface) {
        show(QString());
    } else if (watched == watched_.view || watched == watched_.toolbar ||
               watched->parent() == watched_.toolbar) {
        if (!session_.hasPicture()) {
            show(kStartHint);
        } else if (watched != watched_.view) {
            show(QString());
        }
    } else {
        showHintOf(watched);
    }
    return false;
}

}  // namespace picura
