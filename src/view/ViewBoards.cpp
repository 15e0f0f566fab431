#include "view/ViewBoards.h"

#include <algorithm>

namespace picura {

void ViewBoards::resize(QSize viewSize) {
    const QSize size(std::max(1, viewSize.width()), std::max(1, viewSize.height()));
    display = QImage(size, QImage::Format_RGB32);
    display.fill(kBoardBackground);
    visible = display.copy();
}

}  // namespace picura
