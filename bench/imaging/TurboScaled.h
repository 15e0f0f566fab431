#pragma once

// The yardstick of the reduced JPEG decode: TurboJPEG's own scaled decode.

#include <benchmark/benchmark.h>

#include <QByteArray>

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

}  // namespace picura::bench
