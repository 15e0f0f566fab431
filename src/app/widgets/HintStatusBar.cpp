#include "app/widgets/HintStatusBar.h"

#include <QLabel>
#include <QMouseEvent>

#include "app/widgets/Icons.h"

namespace picura {

HintStatusBar::HintStatusBar(QWidget* parent)
    : QWidget(parent), pane0_(new QLabel(this)), checkIcon_(new QLabel(this)), pane1_(new QLabel(this)) {
    setMouseTracking(true);
    for (QLabel* l : {pane0_, checkIcon_, pane1_}) {
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    const QString sunken = QStringLiteral(
        "QLabel { border: 1px solid #b8b8b8; border-right-color: #ffffff;"
        " border-bottom-color: #ffffff; padding-left: 2px; }");
    pane0_->setStyleSheet(sunken);
    pane1_->setStyleSheet(
        QStringLiteral("QLabel { border: 1px solid #b8b8b8; border-right-color: #ffffff;"
                       " border-bottom-color: #ffffff; padding-left: 20px; }"));
    pane0_->setObjectName(QStringLiteral("提示栏"));
    pane1_->setObjectName(QStringLiteral("批量截图栏"));
    pane1_->setText(QStringLiteral("使用批量截图模式"));
    checkIcon_->setPixmap(MakeCheckIcon(false));
    checkIcon_->raise();
}

void HintStatusBar::setHint(const QString& text) {
    pane0_->setText(text);
}
QString HintStatusBar::hint() const {
    return pane0_->text();
}
QString HintStatusBar::pane1Text() const {
    return pane1_->text();
}

void HintStatusBar::setPane0Width(int width) {
    pane0Width_ = width;
    placePanes();
}

void HintStatusBar::setBatchChecked(bool checked) {
    checked_ = checked;
    checkIcon_->setPixmap(MakeCheckIcon(checked));
}

void HintStatusBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placePanes();
}

void HintStatusBar::placePanes() {
    const int w0 = std::max(0, std::min(pane0Width_, width()));
    pane0_->setGeometry(0, 1, w0 - 2, height() - 1);
    pane1_->setGeometry(w0, 1, std::max(0, width() - w0), height() - 1);
    checkIcon_->setGeometry(w0 + 4, (height() - 13) / 2 + 1, 13, 13);
}

void HintStatusBar::mousePressEvent(QMouseEvent* event) {
    emit pressed(event->button(), event->position().toPoint().x());
}

void HintStatusBar::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved(event->position().toPoint().x());
}

}  // namespace picura
