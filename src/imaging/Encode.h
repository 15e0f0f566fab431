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
// Quality 0..100 (clamped); higher is better and larger. Baseline JPEG with Huffman tables made for the
// picture; the colour planes have full resolution from quality 90 on (JpegFullChroma), half each way below.
QByteArray EncodeJpeg(const QImage& image, int quality);

// Whether EncodeJpeg keeps the colour planes at full resolution (4:4:4) at this quality.
bool JpegFullChroma(int quality);

// The resolution of the colour planes: as EncodeJpeg chooses by quality, or always full or half.
enum class JpegChroma { Auto, Full, Half };

// Encodes one picture at many qualities, keeping the picture's pixels and the output buffer.
// With JpegChroma::Auto, encode(q) gives the same bytes as EncodeJpeg(image, q).
class JpegEncoder {
  public:
    explicit JpegEncoder(const QImage& image, JpegChroma chroma = JpegChroma::Auto);
    ~JpegEncoder();
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;

    QByteArray encode(int quality);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace picura
