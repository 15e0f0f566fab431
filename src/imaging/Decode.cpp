#include "imaging/Decode.h"

#include "imaging/CodecLimits.h"
#include "imaging/DecodeInternal.h"
#include "imaging/PictureFormat.h"

#include <QFile>

namespace picura {

namespace detail {

unsigned char* AllocateImage(void* context, int width, int height, std::size_t* stride) {
    auto* image = static_cast<QImage*>(context);
    *image = QImage(width, height, QImage::Format_RGB32);
    if (image->isNull()) {
        return nullptr;
    }
    *stride = static_cast<std::size_t>(image->bytesPerLine());
    return image->bits();
}

}  // namespace detail

namespace detail {

QImage NewWhiteImage(std::int64_t width, std::int64_t height) {
    if (!PictureSizeAcceptable(width, height)) {
        return {};
    }
    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
    if (!image.isNull()) {
        image.fill(0xFFFFFFFFu);
    }
    return image;
}

}  // namespace detail

namespace {

// Larger files are not pictures we could show anyway.
constexpr qint64 kMaxFileBytes = qint64(1) << 30;

}  // namespace

Picture DecodePicture(const QByteArray& bytes) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const auto size = static_cast<std::size_t>(bytes.size());
    QImage image;
    switch (DetectPictureFormat(bytes)) {
        case PictureFormat::Jpeg: image = detail::DecodeJpegBytes(data, size); break;
        case PictureFormat::Png: image = detail::DecodePngBytes(data, size); break;
        case PictureFormat::Gif: image = detail::DecodeGifBytes(data, size); break;
        case PictureFormat::Bmp: image = detail::DecodeBmpBytes(data, size); break;
        case PictureFormat::Ico:
        case PictureFormat::Cur: image = detail::DecodeIconBytes(data, size); break;
        case PictureFormat::PcxColour:
        case PictureFormat::PcxMono: image = detail::DecodePcxBytes(data, size); break;
        case PictureFormat::Unknown: break;
    }
    if (image.isNull()) {
        return {};
    }
    return Picture(std::move(image));
}

Picture DecodePictureFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileBytes) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return {};
    }
    return DecodePicture(bytes);
}

// Provisional: checks the size after decoding; the decoders will check the declared size first.
DecodeResult DecodePictureChecked(const QByteArray& bytes, std::int64_t maxPixels) {
    DecodeResult result;
    result.picture = DecodePicture(bytes);
    if (result.picture.isNull()) {
        result.error = DecodeError::NotAPicture;
    } else if (std::int64_t(result.picture.width()) * result.picture.height() > maxPixels) {
        result.declaredSize = result.picture.size();
        result.picture = {};
        result.error = DecodeError::TooLarge;
    }
    return result;
}

DecodeResult DecodePictureFileChecked(const QString& path, std::int64_t maxPixels) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileBytes) {
        return {{}, DecodeError::Unreadable, {}};
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return {{}, DecodeError::Unreadable, {}};
    }
    return DecodePictureChecked(bytes, maxPixels);
}

QString PictureTooLargeMessage(QSize declaredSize) {
    return QStringLiteral("图片太大（%1×%2像素），超出了可用内存，无法打开。")
        .arg(declaredSize.width())
        .arg(declaredSize.height());
}

}  // namespace picura
