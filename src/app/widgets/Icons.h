#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>

namespace picura {

// The toolbar's nine 24 × 24 icons.
enum class ToolbarIcon {
    Open = 0,
    Zoom = 1,
    Edit = 2,
    Help = 3,
    Save = 4,
    RotateLeft = 5,
    RotateRight = 6,
    Camera = 7,
    Home = 8
};

QIcon MakeToolbarIcon(ToolbarIcon which);
// The 13 × 13 check icon of the status bar's second pane (0 unchecked, 1 checked).
QPixmap MakeCheckIcon(bool checked);
// 32 × 32 pointers: the pen with its hot spot at (8, 23), the eyedropper at (9, 24).
QCursor MakePenCursor();
QCursor MakeEyedropperCursor();
// The program's window icon.
QIcon MakeAppIcon();

}  // namespace picura
