#include "app/widgets/MainTables.h"

#include <QHash>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace picura {

const std::vector<ToolbarEntry>& ToolbarEntries() {
    static const std::vector<ToolbarEntry> kEntries = {
        {std::nullopt, {}, {}},
        {MainCommand::Open, QStringLiteral("打开"), QStringLiteral("打开一幅图片"), ToolbarIcon::Open},
        {MainCommand::Save, QStringLiteral("保存"), QStringLiteral("保存采集框内图片"), ToolbarIcon::Save},
        {std::nullopt, {}, {}},
        {MainCommand::ZoomIn, QStringLiteral("放大"), QStringLiteral("放大显示"), ToolbarIcon::Zoom},
        {MainCommand::ZoomOut, QStringLiteral("缩小"), QStringLiteral("缩小显示"), ToolbarIcon::Zoom},
        {MainCommand::TurnRight, QStringLiteral("顺转"), QStringLiteral("顺时针转90度"),
         ToolbarIcon::RotateRight},
        {MainCommand::TurnLeft, QStringLiteral("逆转"), QStringLiteral("逆时针转90度"),
         ToolbarIcon::RotateLeft},
        {MainCommand::EditTools, QStringLiteral("编辑"), QStringLiteral("编辑图象"), ToolbarIcon::Edit},
        {std::nullopt, {}, {}},
        {MainCommand::Camera, QStringLiteral("拍摄"), QStringLiteral("启动摄像头"), ToolbarIcon::Camera},
        {MainCommand::Help, QStringLiteral("帮助"), QStringLiteral("使用帮助"), ToolbarIcon::Help},
        {MainCommand::HomePage, QStringLiteral("主页"), QStringLiteral("软件主页"), ToolbarIcon::Home},
    };
    return kEntries;
}

void FillToolbar(QToolBar* toolbar, const std::function<void(MainCommand)>& run) {
    for (const ToolbarEntry& e : ToolbarEntries()) {
        if (!e.command) {
            toolbar->addSeparator();
            continue;
        }
        QAction* a = toolbar->addAction(MakeToolbarIcon(e.icon), e.caption);
        a->setToolTip(e.tooltip);
        QObject::connect(a, &QAction::triggered, toolbar, [run, command = *e.command] { run(command); });
    }
    for (QToolButton* b : toolbar->findChildren<QToolButton*>()) {
        b->setFocusPolicy(Qt::NoFocus);  // the keys stay with the view
    }
}

void FillMenuBar(QMenuBar* menuBar, const std::function<void(MainCommand)>& run) {
    struct MenuEntry {
        QString caption;
        MainCommand command;
    };
    const std::pair<QString, std::vector<MenuEntry>> kMenus[] = {
        {QStringLiteral("文件"),
         {{QStringLiteral("打开"), MainCommand::Open},
          {QStringLiteral("编辑"), MainCommand::EditTools},
          {QStringLiteral("拍摄"), MainCommand::CameraKeepingBatch}}},
        {QStringLiteral("帮助"),
         {{QStringLiteral("关于"), MainCommand::About}, {QStringLiteral("使用帮助"), MainCommand::Help}}},
    };
    for (const auto& [title, entries] : kMenus) {
        QMenu* menu = menuBar->addMenu(title);
        for (const MenuEntry& e : entries) {
            menu->addAction(e.caption, menuBar, [run, command = e.command] { run(command); });
        }
    }
}

QString ComponentHint(const QString& objectName) {
    static const QHash<QString, QString> kHints = {
        {QStringLiteral("截图保存按钮"), QStringLiteral("保存采集框内图片")},
        {QStringLiteral("截图上移按钮"), QStringLiteral("上移采集框")},
        {QStringLiteral("截图下移按钮"), QStringLiteral("下移采集框")},
        {QStringLiteral("截图左移按钮"), QStringLiteral("左移采集框")},
        {QStringLiteral("截图右移按钮"), QStringLiteral("右移采集框")},
        {QStringLiteral("像素宽编辑框"), QStringLiteral("设置输出图片宽度")},
        {QStringLiteral("宽度标签"), QStringLiteral("设置输出图片宽度")},
        {QStringLiteral("像素高编辑框"), QStringLiteral("设置输出图片高度")},
        {QStringLiteral("高度标签"), QStringLiteral("设置输出图片高度")},
        {QStringLiteral("JPG体积标签"), QStringLiteral("预设JPG图片输出体积")},
        {QStringLiteral("小于编辑框"), QStringLiteral("预设JPG图片输出体积")},
        {QStringLiteral("JPG体积编辑框"), QStringLiteral("预设JPG图片输出体积")},
        {QStringLiteral("采集框颜色选择器"), QStringLiteral("采集框颜色不会影响输出图片颜色")},
        {QStringLiteral("颜色选择标签"), QStringLiteral("采集框颜色不会影响输出图片颜色")},
        {QStringLiteral("横向滚动条"), QStringLiteral("左右移动图片")},
        {QStringLiteral("纵向滚动条"), QStringLiteral("上下移动图片")},
        // The Edit tools window.
        {QStringLiteral("画笔选择框"), QStringLiteral("画笔工具")},
        {QStringLiteral("文字选择框"), QStringLiteral("文字工具，右击文字工具按钮可设置字体。")},
        {QStringLiteral("吸管选择框"), QStringLiteral("吸取颜色")},
        {QStringLiteral("画笔颜色选择器"), QStringLiteral("设置画笔及文字颜色")},
        {QStringLiteral("调色板"), QStringLiteral("选取画笔文字颜色")},
        {QStringLiteral("线宽编辑框"), QStringLiteral("设置画笔粗细")},
    };
    return kHints.value(objectName);
}

}  // namespace picura
