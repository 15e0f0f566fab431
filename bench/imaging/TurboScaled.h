#pragma once

// The yardstick of the reduced JPEG decode: TurboJPEG's own scaled decode; and JPEG files as cameras write
// them, by TurboJPEG.

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QImage>

#include <turbojpeg.h>

#include <vector>

namespace picura::bench {

// TurboJPEG's decode of `bytes` at 1/`denominator` into BGRX rows, returned; the width in *width.
inline std::vector<unsigned char> TurboScaled(const QByteArray& bytes, int denominator,
                                              int* width = nullptr) {
    tjhandle tj = tjInitDecompress();
    int w = 0, h = 0, subsampling = 0, colourspace = 0;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    tjDecompressHeader3(tj, data, static_cast<unsigned long>(bytes.size()), &w, &h, &subsampling,
                        &colourspace);
    const tjscalingfactor factor{1, denominator};
    const int sw = TJSCALED(w, factor);
    const int sh = TJSCALED(h, factor);
    std::vector<unsigned char> out(static_cast<std::size_t>(sw) * sh * 4);
    tjDecompress2(tj, data, static_cast<unsigned long>(bytes.size()), out.data(), sw, 0, sh, TJPF_BGRX, 0);
    benchmark::DoNotOptimize(out.data());
    tjDestroy(tj);
    if (width != nullptr) {
        *width = sw;
    }
    return out;
}

// `image` as most cameras write it: 4:2:0 at `quality` (whose colour planes take the full 8 × 8 IDCT in a
// decode at 1/2).
inline QByteArray CameraJpeg(const QImage& image, int quality) {
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const int failed =
        tjCompress2(handle, rgb.constBits(), rgb.width(), static_cast<int>(rgb.bytesPerLine()), rgb.height(),
                    TJPF_BGRX, &out, &size, TJSAMP_420, quality, TJFLAG_ACCURATEDCT);
    QByteArray bytes = failed != 0
                           ? QByteArray()
                           : QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
    tjFree(out);
    tjDestroy(handle);
    return bytes;
}

}  // namespace picura::bench
