#pragma once

#include <QByteArray>
#include <QImage>

#include <memory>

namespace picura {

// Each encoder returns the whole file in memory, or empty bytes for a null or empty picture or on failure.

// 24-bit bottom-up BMP with a 14-byte file header and a 40-byte information header.
QByteArray EncodeBmp(const QImage& image);
QByteArray EncodePng(const QImage& image);
// 256 colours chosen for the picture (median cut).
QByteArray EncodeGif(const QImage& image);
// Quality 0..100 (clamped); higher is better and larger.
QByteArray EncodeJpeg(const QImage& image, int quality);

// Encodes one picture at many qualities: the colour conversion and subsampling are done once, and the
// compressor and its output buffer are kept. encode(q) gives the same bytes as EncodeJpeg(image, q).
class JpegEncoder {
  public:
    explicit JpegEncoder(const QImage& image);
    ~JpegEncoder();
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;

    QByteArray encode(int quality);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace picura
