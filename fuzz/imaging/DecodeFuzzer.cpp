// Feeds arbitrary bytes to the picture decoders. Seeds: fuzz/imaging/corpus (made by make_corpus.py).
#include <cstddef>
#include <cstdint>

#include "imaging/Decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const picura::Picture picture = picura::DecodePicture(bytes);
    if (!picture.isNull() && picture.image().format() != QImage::Format_RGB32) {
        __builtin_trap();
    }
    return 0;
}
