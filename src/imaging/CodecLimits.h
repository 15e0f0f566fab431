#pragma once

#include <cstdint>

namespace picura {

// Largest picture any decoder accepts; checked on the declared size before any pixel memory is taken.
inline constexpr int kMaxPictureSide = 32768;
inline constexpr std::int64_t kMaxPicturePixels = 250'000'000;

// The decoders' budget for one picture unless the caller gives its own: 120 million pixels (480 MB of
// RGB32 pixels) opens 24 MP photos and 50 MP panoramas with room to spare, and refuses the tiny files that
// declare 15800 × 15800 pixels (about 1 GB) before any of that memory is taken.
inline constexpr std::int64_t kDefaultMaxPicturePixels = 120'000'000;
// Picture files larger than this are not read at all.
inline constexpr std::int64_t kMaxPictureFileBytes = std::int64_t(512) << 20;

inline bool PictureSizeAcceptable(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}

}  // namespace picura
