#pragma once

#include <QByteArray>

namespace picura {

enum class PictureFormat { Unknown, Jpeg, Bmp, Ico, Cur, Gif, PcxColour, PcxMono, Png };

// The format of picture data, told from its first bytes only (never from a file name).
// Data shorter than eight bytes is not a picture.
PictureFormat DetectPictureFormat(const QByteArray& firstBytes);

}  // namespace picura
