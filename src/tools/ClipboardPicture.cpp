#include "tools/ClipboardPicture.h"

#include "imaging/CodecLimits.h"
#include "imaging/Decode.h"

#include <cstdint>
#include <limits>

namespace picura {

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr int kColourSlotSize = 4;
constexpr int kPixelOffset = kFileHeaderSize + kInfoHeaderSize + kColourSlotSize;  // 58

void PutU16(char* at, std::uint16_t value) {
    at[0] = static_cast<char>(value & 0xFF);
    at[1] = static_cast<char>(value >> 8);
}

void PutU32(char* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

std::uint32_t OnWhite(std::uint32_t channel, std::uint32_t alpha) {
    return (alpha * channel + (255 - alpha) * 255) / 255;
}

// The bitmap as opaque 32-bit pixels (0xFFRRGGBB), partly transparent ones laid onto white.
QImage OpaqueRgb32(const QImage& bitmap) {
    if (!bitmap.hasAlphaChannel()) {
        return bitmap.convertToFormat(QImage::Format_RGB32);
    }
    QImage argb = bitmap.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = line[x];
            const std::uint32_t a = static_cast<std::uint32_t>(qAlpha(p));
            line[x] = a == 255 ? p
                               : qRgb(static_cast<int>(OnWhite(static_cast<std::uint32_t>(qRed(p)), a)),
                                      static_cast<int>(OnWhite(static_cast<std::uint32_t>(qGreen(p)), a)),
                                      static_cast<int>(OnWhite(static_cast<std::uint32_t>(qBlue(p)), a)));
        }
    }
    return argb.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

QByteArray BitmapToBmpBytes(const QImage& bitmap) {
    if (bitmap.isNull()) {
        return {};
    }
    const bool is24 = bitmap.format() == QImage::Format_RGB888 || bitmap.format() == QImage::Format_BGR888;
    const QImage pixels = is24 ? bitmap.convertToFormat(QImage::Format_RGB888) : OpaqueRgb32(bitmap);
    if (pixels.isNull()) {
        return {};
    }
    const int bits = is24 ? 24 : 32;
    const std::int64_t width = pixels.width();
    const std::int64_t height = pixels.height();
    const std::int64_t rowSize = (width * bits + 31) / 32 * 4;
    const std::int64_t imageSize = rowSize * height;
    const std::int64_t fileSize = kPixelOffset + imageSize;
    if (fileSize > std::numeric_limits<std::uint32_t>::max()) {
        return {};
    }

    QByteArray bytes(static_cast<qsizetype>(fileSize), '\0');
    char* out = bytes.data();
    out[0] = 'B';
    out[1] = 'M';
    PutU32(out + 2, static_cast<std::uint32_t>(fileSize));
    PutU32(out + 10, kPixelOffset);
    char* info = out + kFileHeaderSize;
    PutU32(info + 0, kInfoHeaderSize);
    PutU32(info + 4, static_cast<std::uint32_t>(width));
    PutU32(info + 8, static_cast<std::uint32_t>(height));
    PutU16(info + 12, 1);
    PutU16(info + 14, static_cast<std::uint16_t>(bits));
    PutU32(info + 16, 0);
    PutU32(info + 20, static_cast<std::uint32_t>(imageSize));
    // Resolution, colours used, colours important and the colour slot stay zero.

    for (std::int64_t row = 0; row < height; ++row) {
        const int y = static_cast<int>(height - 1 - row);
        auto* dest = reinterpret_cast<std::uint8_t*>(out + kPixelOffset + row * rowSize);
        const std::uint8_t* src = pixels.constScanLine(y);
        if (is24) {
            // Format_RGB888 is R G B in memory; the file wants B G R.
            for (std::int64_t x = 0; x < width; ++x) {
                dest[3 * x] = src[3 * x + 2];
                dest[3 * x + 1] = src[3 * x + 1];
                dest[3 * x + 2] = src[3 * x];
            }
        } else {
            const auto* line = reinterpret_cast<const QRgb*>(src);
            for (std::int64_t x = 0; x < width; ++x) {
                const QRgb p = line[x];
                dest[4 * x] = static_cast<std::uint8_t>(qBlue(p));
                dest[4 * x + 1] = static_cast<std::uint8_t>(qGreen(p));
                dest[4 * x + 2] = static_cast<std::uint8_t>(qRed(p));
                dest[4 * x + 3] = 0xFF;
            }
        }
    }
    return bytes;
}

QImage BmpBytesToBitmap(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return {};
    }
    return DecodePicture(bytes).image();
}

bool CopyPictureToClipboard(ClipboardPort& clipboard, const QByteArray& pictureBytes) {
    const QImage bitmap = BmpBytesToBitmap(pictureBytes);
    if (bitmap.isNull()) {
        return false;
    }
    return clipboard.putImage(bitmap);
}

bool CopyPictureToClipboard(ClipboardPort& clipboard, const QImage& picture) {
    if (picture.isNull()) {
        return false;
    }
    return clipboard.putImage(picture);
}

QByteArray PastePictureBytes(ClipboardPort& clipboard) {
    return BitmapToBmpBytes(clipboard.image());
}

std::optional<Picture> PastePicture(ClipboardPort& clipboard) {
    const QImage bitmap = clipboard.image();
    // An oversized picture is refused before it is copied into BMP bytes.
    if (bitmap.isNull() || !PictureSizeAcceptable(bitmap.width(), bitmap.height())) {
        return std::nullopt;
    }
    const QByteArray bytes = BitmapToBmpBytes(bitmap);
    if (bytes.isEmpty()) {
        return std::nullopt;
    }
    Picture picture = DecodePicture(bytes);
    if (picture.isNull()) {
        return std::nullopt;
    }
    return picture;
}

}  // namespace picura
