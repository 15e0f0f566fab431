// Feeds arbitrary bytes to the picture decoders. Seeds: fuzz/imaging/corpus (made by make_corpus.sh).
// A JPEG also goes through the reduced decode of our own, whose pixels must then be libjpeg-turbo's.
// Run with -malloc_limit_mb (see `make fuzz`): a decoder taking the memory of a picture larger than its
// budget is then a finding, not a slow run.
#include <cstddef>
#include <cstdint>

#include "imaging/CodecLimits.h"
#include "imaging/Decode.h"
#include "imaging/DecodeInternal.h"
#include "imaging/JpegPreview.h"
#include "imaging/PictureFormat.h"

namespace {

// The reduced decode of our own either leaves the data to libjpeg-turbo or gives exactly its pixels, split
// between two threads or not.
void CheckReducedJpeg(const QByteArray& bytes, const std::uint8_t* data, std::size_t size) {
    if (picura::DetectPictureFormat(bytes) != picura::PictureFormat::Jpeg) {
        return;
    }
    const int denominator = size % 3 == 0 ? 8 : size % 3 == 1 ? 4 : 2;
    picura::detail::JpegPreviewOptions options;
    options.splitSmall = true;
    options.secondStart = std::int64_t(size % 97) * std::int64_t(size) / 97;
    picura::detail::SizeCheck check(picura::kDefaultMaxPicturePixels);
    const QImage ours = picura::detail::DecodeJpegPreview(data, size, denominator, check, nullptr, options);
    if (ours.isNull()) {
        return;
    }
    picura::detail::SizeCheck theirCheck(picura::kDefaultMaxPicturePixels);
    const QImage theirs = picura::detail::DecodeJpegBytes(data, size, theirCheck, denominator);
    if (theirs.size() != ours.size() || ours.format() != QImage::Format_RGB32) {
        __builtin_trap();
    }
    for (int y = 0; y < ours.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(ours.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(theirs.constScanLine(y));
        for (int x = 0; x < ours.width(); ++x) {
            if ((a[x] & 0xFFFFFF) != (b[x] & 0xFFFFFF)) {
                __builtin_trap();
            }
        }
    }
    const picura::DecodeResult reduced =
        picura::DecodeJpegReduced(bytes, denominator, picura::kDefaultMaxPicturePixels);
    if (reduced.picture.isNull() || reduced.picture.pixels().size() != ours.size()) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const picura::DecodeResult result = picura::DecodePictureChecked(bytes, picura::kDefaultMaxPicturePixels);
    const picura::Picture& picture = result.picture;
    if (!picture.isNull()) {
        if (picture.image().format() != QImage::Format_RGB32 || result.error != picura::DecodeError::None ||
            std::int64_t(picture.width()) * picture.height() > picura::kDefaultMaxPicturePixels) {
            __builtin_trap();
        }
    } else if (result.error == picura::DecodeError::None) {
        __builtin_trap();
    }
    CheckReducedJpeg(bytes, data, size);
    return 0;
}
