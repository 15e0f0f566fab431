#include "app/widgets/CropPanel.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QToolButton>

#include "app/widgets/SpinLineEdit.h"
#include "view/CropFrame.h"

namespace picura {

CropPanel::CropPanel(QWidget* parent) : QGroupBox(QStringLiteral("头像采集"), parent) {
    setObjectName(QStringLiteral("截图面板分组框"));
    setMouseTracking(true);

    addLabel(QStringLiteral("尺寸类型标签"), QStringLiteral("尺寸类型"), QRect(8, 23, 72, 20));
    presets_ = new QComboBox(this);
    presets_->setObjectName(QStringLiteral("尺寸类型组合框"));
    presets_->setGeometry(72, 22, 72, 20);
    for (int i = 0; i < static_cast<int>(kSizePresets.size()); ++i) {
        presets_->addItem(SizePresetText(i));
    }

    const auto digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    addLabel(QStringLiteral("宽度标签"), QStringLiteral("宽度(像素)"), QRect(8, 51, 72, 20));
    width_ = new SpinLineEdit(this);
    width_->setObjectName(QStringLiteral("像素宽编辑框"));
    width_->setGeometry(72, 51, 54, 20);
    width_->setValidator(digits);
    width_->setText(QStringLiteral("160"));

    addLabel(QStringLiteral("高度标签"), QStringLiteral("高度(像素)"), QRect(8, 80, 72, 20));
    height_ = new SpinLineEdit(this);
    height_->setObjectName(QStringLiteral("像素高编辑框"));
    height_->setGeometry(72, 80, 54, 20);
    height_->setValidator(digits);
    height_->setText(QStringLiteral("210"));

    // The size field: a frame box drawn around "＜" and the number, with the
    // spin buttons at its right.
    addLabel(QStringLiteral("JPG体积标签"), QStringLiteral("JPG体积(KB)"), QRect(8, 108, 76, 20));
    jpgFrame_ = new QLineEdit(this);
    jpgFrame_->setObjectName(QStringLiteral("体积编辑框"));
    jpgFrame_->setGeometry(84, 108, 42, 20);
    jpgFrame_->setReadOnly(true);
    lessThan_ = new QLineEdit(QStringLiteral("＜"), this);
    lessThan_->setObjectName(QStringLiteral("小于编辑框"));
    lessThan_->setGeometry(86, 110, 14, 16);
    lessThan_->setReadOnly(true);
    lessThan_->setFrame(false);
    lessThan_->setTextMargins(0, 0, 0, 0);
    lessThan_->setStyleSheet(QStringLiteral("QLineEdit { padding: 0; background: transparent; }"));
    jpg_ = new QLineEdit(QStringLiteral("500"), this);
    jpg_->setObjectName(QStringLiteral("JPG体积编辑框"));
    jpg_->setGeometry(100, 110, 24, 16);
    jpg_->setFrame(false);
    jpg_->setStyleSheet(QStringLiteral("QLineEdit { padding: 0; background: transparent; }"));
    jpg_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9 　]*\\.?[0-9 　]*")), this));
    jpgUp_ = new QToolButton(this);
    jpgDown_ = new QToolButton(this);
    jpgUp_->setArrowType(Qt::UpArrow);
    jpgDown_->setArrowType(Qt::DownArrow);
    jpgUp_->setGeometry(126, 108, 13, 10);
    jpgDown_->setGeometry(126, 118, 13, 10);
    for (QToolButton* b : {jpgUp_, jpgDown_}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
        b->setIconSize(QSize(6, 4));
        b->setStyleSheet(
            QStringLiteral("QToolButton { border: 1px solid #a0a0a0; background: #f0f0f0; padding: 0; }"));
    }
    connect(jpgUp_, &QToolButton::clicked, this, [this] { emit jpgSpun(+1); });
    connect(jpgDown_, &QToolButton::clicked, this, [this] { emit jpgSpun(-1); });
    // Only the number takes the keyboard focus.
    for (QLineEdit* e : {jpgFrame_, lessThan_}) {
        e->setFocusPolicy(Qt::ClickFocus);
        e->installEventFilter(this);
    }
    lessThan_->raise();
    jpg_->raise();

    addLabel(QStringLiteral("颜色选择标签"), QStringLiteral("采集框颜色"), QRect(8, 137, 76, 20));
    colour_ = new QPushButton(this);
    colour_->setObjectName(QStringLiteral("采集框颜色选择器"));
    colour_->setGeometry(84, 137, 60, 20);
    colour_->setFocusPolicy(Qt::NoFocus);
    setFrameColour(frameColour_);
    connect(colour_, &QPushButton::clicked, this, &CropPanel::frameColourClicked);

    const struct {
        const char* name;
        QRect geometry;
        Qt::ArrowType arrow;
    } moves[4] = {{"截图上移按钮", QRect(60, 171, 28, 32), Qt::UpArrow},
                  {"截图下移按钮", QRect(60, 247, 28, 32), Qt::DownArrow},
                  {"截图左移按钮", QRect(20, 210, 32, 28), Qt::LeftArrow},
                  {"截图右移按钮", QRect(98, 210, 32, 28), Qt::RightArrow}};
    for (int i = 0; i < 4; ++i) {
        move_[i] = new QToolButton(this);
        move_[i]->setObjectName(QString::fromUtf8(moves[i].name));
        move_[i]->setGeometry(moves[i].geometry);
        move_[i]->setArrowType(moves[i].arrow);
        move_[i]->setFocusPolicy(Qt::NoFocus);
        connect(move_[i], &QToolButton::pressed, this, [this, i] { emit moveButtonPressed(i); });
        connect(move_[i], &QToolButton::released, this, [this, i] { emit moveButtonReleased(i); });
    }
    save_ = new QPushButton(QStringLiteral("截图"), this);
    save_->setObjectName(QStringLiteral("截图保存按钮"));
    save_->setGeometry(53, 203, 44, 44);
    save_->setFocusPolicy(Qt::NoFocus);

    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        child->setMouseTracking(true);
        child->installEventFilter(this);
    }
}

QLabel* CropPanel::addLabel(const QString& name, const QString& text, const QRect& geometry) {
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

void CropPanel::setFrameColour(const QColor& colour) {
    frameColour_ = colour;
    colour_->setStyleSheet(
        QStringLiteral("QPushButton { background: %1; border: 1px solid #808080; }").arg(colour.name()));
}

bool CropPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && (watched == jpgFrame_ || watched == lessThan_)) {
        jpg_->setFocus();
    } else if (event->type() == QEvent::MouseMove) {
        if (auto* w = qobject_cast<QWidget*>(watched)) {
            emit hovered(w);
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

}  // namespace picura
