#include "imaging/PictureFormat.h"

namespace picura {

PictureFormat DetectPictureFormat(const QByteArray& firstBytes) {
    if (firstBytes.size() < 8) {
        return PictureFormat::Unknown;
    }
    const auto* b = reinterpret_cast<const unsigned char*>(firstBytes.constData());
    if (b[0] == 0xFF && b[1] == 0xD8) {
        return PictureFormat::Jpeg;
    }
    if (b[0] == 'B' && b[1] == 'M') {
        return PictureFormat::Bmp;
    }
    const bool imageCount = (b[4] | b[5]) != 0;
    if (b[0] == 0 && b[1] == 0 && b[2] == 1 && b[3] == 0 && imageCount) {
        return PictureFormat::Ico;
    }
    if (b[0] == 0 && b[1] == 0 && b[2] == 2 && b[3] == 0 && imageCount) {
        return PictureFormat::Cur;
    }
    if (firstBytes.startsWith("GIF87a") || firstBytes.startsWith("GIF89a")) {
        return PictureFormat::Gif;
    }
    if (b[0] == 0x0A && b[2] == 1) {
        if (b[1] <= 5 && b[3] == 8) {
            return PictureFormat::PcxColour;
        }
        if (b[1] == 3 && b[3] == 1) {
            return PictureFormat::PcxMono;
        }
    }
    if (b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G') {
        return PictureFormat::Png;
    }
    return PictureFormat::Unknown;
}

}  // namespace picura
