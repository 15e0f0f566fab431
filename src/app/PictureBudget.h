#pragma once

#include <QSize>

#include <cstdint>

namespace picura {

// The memory the pictures of the Main window may take together: the picture
// shown plus the ones decoded ahead or kept for a step back never count more
// than `total`. A picture counts 4 bytes a pixel plus a third more for the
// pyramid of halvings the view builds when it shrinks it (built ahead with the
// pictures decoded ahead), except one kept without its halvings.
struct PictureBudget {
    static constexpr std::int64_t kTotalBytes = std::int64_t(1536) << 20;
    static constexpr std::int64_t kShownReserveBytes = std::int64_t(512) << 20;

    std::int64_t total = kTotalBytes;
    // Kept free for the picture shown whatever is decoded ahead: with the
    // defaults a 100-megapixel picture always opens.
    std::int64_t shownReserve = kShownReserveBytes;
    // The largest picture shown or decoded ahead, whatever is free (the decoders' own limit).
    std::int64_t maxPicturePixels;

    PictureBudget();

    // What a picture of `pixels` pixels counts (0 for none or fewer).
    static std::int64_t BytesFor(std::int64_t pixels);
    static std::int64_t BytesFor(QSize size);
    // What a picture kept for a step back counts: its pixels and the halvings from the second on
    // (4 + 1/3 bytes a pixel).
    static std::int64_t BytesWithoutFinestHalving(QSize size);
    // The most pixels a picture may have to count at most `bytes`.
    static std::int64_t PixelsWithin(std::int64_t bytes);

    // The largest picture that may be shown while `heldBytes` stay taken (by
    // decodes that cannot be stopped, or pictures kept).
    std::int64_t maxShownPixels(std::int64_t heldBytes) const;
    // What is left for pictures decoded ahead or kept, with the picture shown
    // counting `shownBytes` (at least the reserve) and `heldBytes` held already.
    std::int64_t cacheRoom(std::int64_t shownBytes, std::int64_t heldBytes) const;
    // The largest picture that may be decoded ahead now.
    std::int64_t maxAheadPixels(std::int64_t shownBytes, std::int64_t heldBytes) const;
};

}  // namespace picura
