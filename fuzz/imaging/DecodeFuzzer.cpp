// Feeds arbitrary bytes to the picture decoders. Seeds: fuzz/imaging/corpus (made by make_corpus.sh).
// Run with -malloc_limit_mb (see `make fuzz`): a decoder taking the memory of a picture larger than its
// budget is then a finding, not a slow run.
#include <cstddef>
#include <cstdint>

#include "imaging/CodecLimits.h"
#include "imaging/Decode.h"

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
    return 0;
}
