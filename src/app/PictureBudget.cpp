#include "app/PictureBudget.h"

#include <algorithm>

#include "imaging/CodecLimits.h"

namespace picura {

PictureBudget::PictureBudget() : maxPicturePixels(kDefaultMaxPicturePixels) {}

std::int64_t PictureBudget::BytesFor(std::int64_t pixels) {
    if (pixels <= 0) {
        return 0;
    }
    // 4 bytes a pixel and a third of that again, rounded up: 16/3 bytes a pixel.
    return (pixels * 16 + 2) / 3;
}

std::int64_t PictureBudget::BytesFor(QSize size) {
    if (size.width() <= 0 || size.height() <= 0) {
        return 0;
    }
    return BytesFor(std::int64_t(size.width()) * size.height());
}

std::int64_t PictureBudget::BytesWithoutFinestHalving(QSize size) {
    if (size.width() <= 0 || size.height() <= 0) {
        return 0;
    }
    return std::int64_t(size.width()) * size.height() * 13 / 3;
}

std::int64_t PictureBudget::PixelsWithin(std::int64_t bytes) {
    return bytes <= 0 ? 0 : bytes * 3 / 16;
}

std::int64_t PictureBudget::maxShownPixels(std::int64_t heldBytes) const {
    return std::min(maxPicturePixels, PixelsWithin(total - std::max<std::int64_t>(heldBytes, 0)));
}

std::int64_t PictureBudget::cacheRoom(std::int64_t shownBytes, std::int64_t heldBytes) const {
    return std::max<std::int64_t>(
        0, total - std::max(shownBytes, shownReserve) - std::max<std::int64_t>(heldBytes, 0));
}

std::int64_t PictureBudget::maxAheadPixels(std::int64_t shownBytes, std::int64_t heldBytes) const {
    return std::min(maxPicturePixels, PixelsWithin(cacheRoom(shownBytes, heldBytes)));
}

}  // namespace picura
