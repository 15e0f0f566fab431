#include "app/MainLayout.h"

#include "settings/TextNumber.h"

namespace picura {

Allowances MeasureAllowances(int clientWidth, int clientHeight) {
    return {kClientWidth - clientWidth, kClientHeight - clientHeight};
}

MainLayout ComputeMainLayout(int W, int H, Allowances a) {
    MainLayout l;
    const int vw = W - a.width - 183;
    const int vh = H - a.height - 135;
    l.view = QRect(4, 48, vw, vh);
    l.horizontalBar = QRect(4, H - a.height - 86, vw, 12);
    l.verticalBar = QRect(W - a.width - 178, 48, 12, vh);
    l.cropPanel = QRect(W - a.width - 162, 48, 152, H - a.height - 122);
    l.statusPane0Width = W - a.width - 162;
    return l;
}

QPoint ViewCentre(QSize view) {
    // Sizes are never negative here, so integer division rounds down.
    return {view.width() / 2, view.height() / 2};
}

QPoint CentredFrameTopLeft(QPoint centre, int frameWidth, int frameHeight) {
    const auto halfDown = [](int v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); };
    return {centre.x() - halfDown(frameWidth), centre.y() - halfDown(frameHeight)};
}

QPoint EditToolsPosition(QPoint mainTopLeft) {
    return {mainTopLeft.x() - kEditToolsWidth, mainTopLeft.y() + 75};
}

QPoint CentredOnScreen(QSize outer, const QRect& screen) {
    return {screen.x() + (screen.width() - outer.width()) / 2,
            screen.y() + (screen.height() - outer.height()) / 2};
}

}  // namespace picura
