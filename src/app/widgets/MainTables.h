// The Main window's data: its toolbar and menu entries by command, and the hints of its components.
#pragma once

#include <QString>

#include <functional>

#include <optional>
#include <vector>

#include "app/widgets/Icons.h"

class QMenuBar;
class QToolBar;

namespace picura {

// What the toolbar and the menus can ask for.
enum class MainCommand {
    Open,
    Save,
    ZoomIn,
    ZoomOut,
    TurnRight,
    TurnLeft,
    EditTools,
    Camera,              // the toolbar's: batch-crop mode ends
    CameraKeepingBatch,  // the menu's: batch-crop mode goes on
    Help,
    HomePage,
    About,
};

struct ToolbarEntry {
    std::optional<MainCommand> command;  // nullopt: a separator
    QString caption;
    QString tooltip;
    ToolbarIcon icon = ToolbarIcon::Open;
};

// The toolbar from left to right.
const std::vector<ToolbarEntry>& ToolbarEntries();

// Fills the toolbar and the menu bar from the tables; a chosen entry calls `run`.
void FillToolbar(QToolBar* toolbar, const std::function<void(MainCommand)>& run);
void FillMenuBar(QMenuBar* menuBar, const std::function<void(MainCommand)>& run);

// The hint line's text for a component under the mouse, by its object name; empty for none.
QString ComponentHint(const QString& objectName);

inline const QString kWindowTitle = QStringLiteral("Picura V2.8");
inline const QString kBatchPaneHint = QStringLiteral("勾选、右击此选择框可弹出批量截图设置窗口。");
inline const QString kNavigationKeysHint = QStringLiteral("A键或S键：下一图片   D键或F键：上一图片");

}  // namespace picura
