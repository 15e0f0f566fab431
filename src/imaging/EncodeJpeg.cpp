#include "imaging/Encode.h"

#include <algorithm>
#include <vector>

#include <turbojpeg.h>

namespace picura {

struct JpegEncoder::State {
    tjhandle compressor = nullptr;
    int width = 0;
    int height = 0;
    std::vector<unsigned char> yuv;   // 4:2:0 planes, converted once
    unsigned char* output = nullptr;  // reused by every encode (tjAlloc'd, never reallocated)
    unsigned long outputCapacity = 0;

    ~State() {
        if (output != nullptr) {
            tjFree(output);
        }
        if (compressor != nullptr) {
            tjDestroy(compressor);
        }
    }
};

namespace {

constexpr int kSubsampling = TJSAMP_420;
constexpr int kFlags = TJFLAG_ACCURATEDCT | TJFLAG_NOREALLOC;

}  // namespace

JpegEncoder::JpegEncoder(const QImage& image) : state_(std::make_unique<State>()) {
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) {
        return;
    }
    const QImage rgb =
        image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    State& s = *state_;
    s.compressor = tjInitCompress();
    if (s.compressor == nullptr) {
        return;
    }
    s.width = rgb.width();
    s.height = rgb.height();
    const unsigned long yuvSize = tjBufSizeYUV2(s.width, 1, s.height, kSubsampling);
    const unsigned long jpegSize = tjBufSize(s.width, s.height, kSubsampling);
    if (yuvSize == static_cast<unsigned long>(-1) || jpegSize == static_cast<unsigned long>(-1)) {
        s.width = 0;
        return;
    }
    s.yuv.resize(yuvSize);
    if (tjEncodeYUV3(s.compressor, rgb.constBits(), s.width, static_cast<int>(rgb.bytesPerLine()), s.height,
                     TJPF_BGRX, s.yuv.data(), 1, kSubsampling, kFlags) != 0) {
        s.width = 0;
        return;
    }
    s.output = tjAlloc(static_cast<int>(std::min<unsigned long>(jpegSize, 0x7FFFFFFF)));
    s.outputCapacity = s.output != nullptr ? jpegSize : 0;
}

JpegEncoder::~JpegEncoder() = default;

QByteArray JpegEncoder::encode(int quality) {
    State& s = *state_;
    if (s.compressor == nullptr || s.width <= 0 || s.output == nullptr) {
        return {};
    }
    unsigned char* out = s.output;
    unsigned long size = s.outputCapacity;
    if (tjCompressFromYUV(s.compressor, s.yuv.data(), s.width, 1, s.height, kSubsampling, &out, &size,
                          std::clamp(quality, 0, 100), kFlags) != 0) {
        return {};
    }
    return QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
}

QByteArray EncodeJpeg(const QImage& image, int quality) {
    JpegEncoder encoder(image);
    return encoder.encode(quality);
}

}  // namespace picura
