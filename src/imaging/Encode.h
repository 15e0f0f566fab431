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

// Encodes one picture at many qualities: the colours are converted and the blocks transformed once, each
// quality only quantises and codes them. With JpegChroma::Auto, encode(q) gives the same bytes as
// EncodeJpeg(image, q).
class JpegEncoder {
  public:
    explicit JpegEncoder(const QImage& image, JpegChroma chroma = JpegChroma::Auto);
    ~JpegEncoder();
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;

    QByteArray encode(int quality);
    // The size of encode(quality) less the zero bytes stuffed after each 0xFF byte of the compressed data,
    // found without writing the file: the file is never smaller, and rarely more than a few tenths of a
    // percent larger. What it computes is kept, so encode(quality) right after does less work. 0 when the
    // picture cannot be encoded.
    qint64 sizeWithoutStuffing(int quality);
    // Whether encode(quality) is certainly larger than `bytes`, found without writing the file and mostly
    // from part of the picture when the file is far larger. False when it may fit or cannot be encoded.
    bool largerThan(int quality, qint64 bytes);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace picura
