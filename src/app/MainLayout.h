#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace picura {

// The Main window's geometry for a frame of 4 pixels a side and a 54-pixel title and menu
// bar: outer size 594 × 414, client area (below the menu bar) 586 × 360. The allowances absorb
// the difference between that frame and the one the running system draws, so that every layout
// formula can be written for these sizes.
inline constexpr int kClientWidth = 586;
inline constexpr int kClientHeight = 360;
inline constexpr int kOuterWidth = 594;
inline constexpr int kOuterHeight = 414;
inline constexpr int kEditToolsWidth = 75;
inline constexpr int kEditToolsHeight = 318;

struct Allowances {
    int width = 0;   // 586 minus the measured client width
    int height = 0;  // 360 minus the measured client height
};

Allowances MeasureAllowances(int clientWidth, int clientHeight);

// Where the Main window's resizable components go for an outer size W × H.
struct MainLayout {
    QRect view;            // 可视画板 (and the display board, same size)
    QRect horizontalBar;   // 横向滚动条
    QRect verticalBar;     // 纵向滚动条
    QRect cropPanel;       // 截图面板分组框
    int statusPane0Width;  // pane 0 of the status bar (the hint line)
};

// The layout formulas for a new outer size. Coordinates the formulas do not
// name keep their values at the start size.
MainLayout ComputeMainLayout(int outerWidth, int outerHeight, Allowances allowances);

// Centre of a view of the given size, halves rounded down.
QPoint ViewCentre(QSize view);

// The frame's top-left corner when it is centred on `centre` (halves of the
// frame rounded down).
QPoint CentredFrameTopLeft(QPoint centre, int frameWidth, int frameHeight);

// The Edit tools window sits against the Main window's left edge, 75 below its top.
QPoint EditToolsPosition(QPoint mainWindowTopLeft);

// The top-left corner that centres a window of `outer` size on `screen`.
QPoint CentredOnScreen(QSize outer, const QRect& screen);

}  // namespace picura
