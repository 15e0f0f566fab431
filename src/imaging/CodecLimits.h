#pragma once

#include <cstdint>

namespace picura {

// Largest picture any decoder accepts; checked on the declared size before any pixel memory is taken.
inline constexpr int kMaxPictureSide = 32768;
inline constexpr std::int64_t kMaxPicturePixels = 250'000'000;

inline bool PictureSizeAcceptable(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}

}  // namespace picura
