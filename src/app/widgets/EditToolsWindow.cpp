#include "app/widgets/EditToolsWindow.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include "app/MainLayout.h"

namespace picura {

EditToolsWindow::EditToolsWindow(QWidget* owner)
    : QWidget(owner,
              Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      tools_(new QGroupBox(QStringLiteral("编辑工具"), this)),
      width_(new QGroupBox(QStringLiteral("画笔粗细"), this)),
      colours_(new QGroupBox(QStringLiteral("选择颜色"), this)),
      pen_(new QCheckBox(QStringLiteral("画笔"), tools_)),
      text_(new QCheckBox(QStringLiteral("文字"), tools_)),
      eyedropper_(new QCheckBox(QStringLiteral("吸管"), tools_)),
      lineWidth_(new QLineEdit(QStringLiteral("1"), width_)) {
    setObjectName(QStringLiteral("编辑工具窗口"));
    setWindowTitle(QString());
    setFixedSize(kEditToolsWidth, kEditToolsHeight);
    tools_->setObjectName(QStringLiteral("工具分组框"));
    width_->setObjectName(QStringLiteral("线宽分组框"));
    colours_->setObjectName(QStringLiteral("颜色分组框"));
    tools_->setGeometry(2, 0, 66, 90);
    width_->setGeometry(2, 94, 66, 68);
    colours_->setGeometry(2, 166, 66, 144);

    pen_->setObjectName(QStringLiteral("画笔选择框"));
    text_->setObjectName(QStringLiteral("文字选择框"));
    eyedropper_->setObjectName(QStringLiteral("吸管选择框"));
    pen_->setGeometry(7, 16, 52, 22);
    text_->setGeometry(7, 38, 52, 22);
    eyedropper_->setGeometry(7, 60, 52, 22);

    auto* shape = new QFrame(width_);
    shape->setObjectName(QStringLiteral("画笔粗细外形框"));
    shape->setGeometry(6, 16, 50, 1);
    shape->setStyleSheet(QStringLiteral("background: black;"));
    lineWidth_->setObjectName(QStringLiteral("线宽编辑框"));
    lineWidth_->setGeometry(6, 40, 36, 20);

    auto* colour = new QPushButton(colours_);
    colour->setObjectName(QStringLiteral("画笔颜色选择器"));
    colour->setGeometry(6, 16, 56, 20);
    colour->setStyleSheet(QStringLiteral("background: black;"));
    auto* palette = new QFrame(colours_);
    palette->setObjectName(QStringLiteral("调色板"));
    palette->setGeometry(2, 40, 60, 100);
    palette->setFrameShape(QFrame::StyledPanel);
}

}  // namespace picura
