#include "imaging/Decode.h"

#include "imaging/CodecLimits.h"
#include "imaging/DecodeInternal.h"
#include "imaging/JpegPreview.h"
#include "imaging/LargePages.h"
#include "imaging/PictureFormat.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace picura {

namespace detail {

unsigned char* AllocateImage(void* context, int width, int height, std::size_t* stride) {
    auto* image = static_cast<QImage*>(context);
    *image = QImage(width, height, QImage::Format_RGB32);
    if (image->isNull()) {
        return nullptr;
    }
    AdviseLargePages(image->bits(), static_cast<std::size_t>(image->sizeInBytes()));
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

namespace detail {

bool SizeCheck::accept(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0) {
        return false;  // corrupt, not large
    }
    declared_ = QSize(static_cast<int>(std::min<std::int64_t>(width, INT_MAX)),
                      static_cast<int>(std::min<std::int64_t>(height, INT_MAX)));
    if (!PictureSizeAcceptable(width, height) || width * height > maxPixels_) {
        tooLarge_ = true;
        return false;
    }
    return true;
}

}  // namespace detail

namespace {

// Enough of a file to tell its format.
constexpr std::size_t kHeadBytes = 16;

// Reads a picture file without ever blocking or reading without bound: only a regular file is read (a
// FIFO or a device of a picture's name is refused without waiting on it), data that is no picture is
// refused after its first bytes, and nothing beyond kMaxPictureFileBytes is read.
PictureFileBytes ReadPictureFile(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return {{}, DecodeError::Unreadable};
    }
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        return {{}, DecodeError::Unreadable};
    }
    // The head is read on its own first, so that data of no known format costs one small read and no
    // buffer of the file's size. The size may change while we read: the buffer then grows, up to the
    // limit and no further.
    QByteArray bytes(static_cast<qsizetype>(kHeadBytes), Qt::Uninitialized);
    std::int64_t filled = 0;
    bool headChecked = false;
    for (;;) {
        if (filled == bytes.size()) {
            char probe = 0;
            ssize_t n = 0;
            do {
                n = ::read(fd, &probe, 1);
            } while (n < 0 && errno == EINTR);
            if (n < 0 || (n > 0 && filled >= kMaxPictureFileBytes)) {
                return {{}, DecodeError::Unreadable};
            }
            if (n == 0) {
                break;
            }
            bytes.resize(static_cast<qsizetype>(std::min<std::int64_t>(filled * 2, kMaxPictureFileBytes)));
            bytes[static_cast<qsizetype>(filled++)] = probe;
            continue;
        }
        const ssize_t n = ::read(fd, bytes.data() + filled, static_cast<std::size_t>(bytes.size() - filled));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return {{}, DecodeError::Unreadable};
        }
        filled += n;
        if (!headChecked && (n == 0 || filled == bytes.size())) {
            headChecked = true;
            if (DetectPictureFormat(bytes.left(static_cast<qsizetype>(filled))) == PictureFormat::Unknown) {
                return {{}, DecodeError::NotAPicture};
            }
            if (st.st_size > kMaxPictureFileBytes) {
                return {{}, DecodeError::Unreadable};
            }
            if (st.st_size > filled) {
                QByteArray whole = LargeBytes(static_cast<qsizetype>(st.st_size));
                std::memcpy(whole.data(), bytes.constData(), static_cast<std::size_t>(filled));
                bytes = std::move(whole);
            }
        }
        if (n == 0) {
            break;
        }
    }
    bytes.resize(static_cast<qsizetype>(filled));
    return {std::move(bytes), DecodeError::None};
}

}  // namespace

Picture DecodePicture(const QByteArray& bytes) {
    return DecodePictureChecked(bytes, kDefaultMaxPicturePixels).picture;
}

Picture DecodePictureFile(const QString& path) {
    return DecodePictureFileChecked(path, kDefaultMaxPicturePixels).picture;
}

DecodeResult DecodePictureChecked(const QByteArray& bytes, std::int64_t maxPixels,
                                  const std::atomic<bool>* cancel) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const auto size = static_cast<std::size_t>(bytes.size());
    detail::SizeCheck check(maxPixels, cancel);
    QImage image;
    switch (DetectPictureFormat(bytes)) {
        case PictureFormat::Jpeg: image = detail::DecodeJpegBytes(data, size, check); break;
        case PictureFormat::Png: image = detail::DecodePngBytes(data, size, check); break;
        case PictureFormat::Gif: image = detail::DecodeGifBytes(data, size, check); break;
        case PictureFormat::Bmp: image = detail::DecodeBmpBytes(data, size, check); break;
        case PictureFormat::Ico:
        case PictureFormat::Cur: image = detail::DecodeIconBytes(data, size, check); break;
        case PictureFormat::PcxColour:
        case PictureFormat::PcxMono: image = detail::DecodePcxBytes(data, size, check); break;
        case PictureFormat::Unknown: break;
    }
    DecodeResult result;
    if (!image.isNull()) {
        result.picture = Picture(std::move(image));
        result.declaredSize = result.picture.size();
    } else {
        result.error = check.cancelled()  ? DecodeError::Cancelled
                       : check.tooLarge() ? DecodeError::TooLarge
                                          : DecodeError::NotAPicture;
        result.declaredSize = check.declared();
    }
    return result;
}

PictureFileBytes ReadPictureFileBytes(const QString& path) {
    return ReadPictureFile(path);
}

QSize JpegShownSize(const QByteArray& bytes) {
    if (DetectPictureFormat(bytes) != PictureFormat::Jpeg) {
        return {};
    }
    return detail::JpegShownSize(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                 static_cast<std::size_t>(bytes.size()));
}

int JpegReduction(QSize full, QSize needed) {
    for (const int d : {8, 4, 2}) {
        // libjpeg-turbo rounds a reduced side up.
        if ((full.width() + d - 1) / d >= needed.width() && (full.height() + d - 1) / d >= needed.height()) {
            return d;
        }
    }
    return 1;
}

DecodeResult DecodeJpegReduced(const QByteArray& bytes, int denominator, std::int64_t maxPixels) {
    if (denominator <= 1) {
        return DecodePictureChecked(bytes, maxPixels);
    }
    DecodeResult result;
    if (DetectPictureFormat(bytes) != PictureFormat::Jpeg) {
        result.error = DecodeError::NotAPicture;
        return result;
    }
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const auto size = static_cast<std::size_t>(bytes.size());
    detail::SizeCheck check(maxPixels);
    // Our own two-thread decode for the common files; libjpeg-turbo for the rest, and for anything amiss.
    QSize full;
    QImage image = detail::DecodeJpegPreview(data, size, denominator, check, &full);
    if (image.isNull()) {
        full = JpegShownSize(bytes);
        check = detail::SizeCheck(maxPixels);
        image = detail::DecodeJpegBytes(data, size, check, denominator);
    }
    if (image.isNull() || full.isEmpty()) {
        result.error = check.tooLarge() ? DecodeError::TooLarge : DecodeError::NotAPicture;
        result.declaredSize = check.declared();
        return result;
    }
    result.picture = Picture::Reduced(std::move(image), full);
    result.declaredSize = full;
    return result;
}

DecodeResult DecodePictureFileChecked(const QString& path, std::int64_t maxPixels) {
    PictureFileBytes file = ReadPictureFile(path);
    if (file.error != DecodeError::None) {
        return {{}, file.error, {}};
    }
    return DecodePictureChecked(file.bytes, maxPixels);
}

QString PictureTooLargeMessage(QSize declaredSize) {
    return QStringLiteral("图片太大（%1×%2像素），超出了可用内存，无法打开。")
        .arg(declaredSize.width())
        .arg(declaredSize.height());
}

}  // namespace picura
