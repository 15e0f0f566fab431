#include "view/ViewBoards.h"

#include <algorithm>

namespace picura {

void ViewBoards::resize(QSize viewSize) {
    const int w = std::max(1, viewSize.width());
    const int h = std::max(1, viewSize.height());
    for (DrawingBoard* board : {&display, &visible}) {
        board->setBackgroundColor(kBoardBackground);
        board->resize(w, h);
    }
    scaled.clear();
}

}  // namespace picura
