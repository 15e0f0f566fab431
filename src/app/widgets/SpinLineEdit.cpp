#include "app/widgets/SpinLineEdit.h"

#include <QKeyEvent>
#include <QToolButton>

namespace picura {

SpinLineEdit::SpinLineEdit(QWidget* parent, bool buttonsInside)
    : QLineEdit(parent),
      up_(new QToolButton(buttonsInside ? this : parent)),
      down_(new QToolButton(buttonsInside ? this : parent)),
      inside_(buttonsInside) {
    for (QToolButton* b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setAutoRepeatDelay(400);
        b->setAutoRepeatInterval(60);
        b->setFocusPolicy(Qt::NoFocus);
        b->setCursor(Qt::ArrowCursor);
        b->setStyleSheet(
            QStringLiteral("QToolButton { border: 1px solid #a0a0a0; background: #f0f0f0; padding: 0; }"));
    }
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    up_->setIconSize(QSize(6, 4));
    down_->setIconSize(QSize(6, 4));
    connect(up_, &QToolButton::clicked, this, [this] { emit spun(+1); });
    connect(down_, &QToolButton::clicked, this, [this] { emit spun(-1); });
    if (inside_) {
        setTextMargins(0, 0, 13, 0);
    }
}

void SpinLineEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    if (inside_) {
        const int w = 13;
        const int h = height() / 2;
        up_->setGeometry(width() - w - 1, 1, w, h - 1);
        down_->setGeometry(width() - w - 1, h, w, height() - h - 1);
    }
}

void SpinLineEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        emit spun(event->key() == Qt::Key_Up ? +1 : -1);
        return;
    }
    const QString t = event->text();
    if (t.size() == 1 && t[0].isPrint()) {
        emit characterTyped(t[0]);
    }
    QLineEdit::keyPressEvent(event);
}

}  // namespace picura
