#include "platform/CameraDevice.h"

namespace picura {

double videoRatio(QSize frameSize) {
    if (frameSize.width() <= 0 || frameSize.height() <= 0) {
        return 0;
    }
    return double(frameSize.height()) / frameSize.width();
}

}  // namespace picura
