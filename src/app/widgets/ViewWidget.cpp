#include "app/widgets/ViewWidget.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QRegion>
#include <QWheelEvent>

namespace picura {

ViewWidget::ViewWidget(QWidget* parent) : QWidget(parent), textInput_(new QLineEdit(this)) {
    setObjectName(QStringLiteral("可视画板"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    textInput_->setObjectName(QStringLiteral("文字输入编辑框"));
    textInput_->setGeometry(307, 78, 12, 18);
    textInput_->setFrame(false);
    textInput_->hide();
}

void ViewWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect r = event->rect();
    const QImage* image = board_ != nullptr ? &board_->image() : nullptr;
    const QRect shown = image != nullptr ? r.intersected(image->rect()) : QRect();
    // The background only where the board does not reach.
    for (const QRect& rest : QRegion(r).subtracted(QRegion(shown))) {
        p.fillRect(rest, QColor(0xF0, 0xF0, 0xF0));
    }
    if (!shown.isEmpty()) {
        p.drawImage(shown.topLeft(), *image, shown);
    }
}

void ViewWidget::mousePressEvent(QMouseEvent* e) {
    emit mousePressed(e->button(), e->position().toPoint(), e->modifiers());
}

void ViewWidget::mouseReleaseEvent(QMouseEvent* e) {
    emit mouseReleased(e->button(), e->position().toPoint());
}

void ViewWidget::mouseMoveEvent(QMouseEvent* e) {
    emit mouseMoved(e->position().toPoint(), e->buttons());
}

void ViewWidget::wheelEvent(QWheelEvent* e) {
    emit wheelTurned(e->angleDelta().y());
    e->accept();
}

void ViewWidget::keyPressEvent(QKeyEvent* e) {
    emit keyPressed(e->key(), e->modifiers());
}

}  // namespace picura

namespace picura {

void ViewWidget::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) {
        e->acceptProposedAction();
    }
}

void ViewWidget::dropEvent(QDropEvent* e) {
    QStringList paths;
    for (const QUrl& url : e->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    if (!paths.isEmpty()) {
        e->acceptProposedAction();
        emit filesDropped(paths.join(QStringLiteral("\r\n")));
    }
}

}  // namespace picura
