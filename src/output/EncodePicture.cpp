#include "output/EncodePicture.h"

#include "imaging/Encode.h"

namespace picura {
namespace {

// Reuses one compressor and one colour conversion for all the qualities tried.
class CropJpegEncoder final : public QualityEncoder {
  public:
    explicit CropJpegEncoder(const QImage& crop) : encoder_(crop) {}
    QByteArray encode(int quality) override { return encoder_.encode(quality); }
    bool largerThan(int quality, qint64 limitBytes) override {
        return encoder_.largerThan(quality, limitBytes);
    }

  private:
    JpegEncoder encoder_;
};

EncodeResult Once(QByteArray bytes) {
    EncodeResult result;
    result.failed = bytes.isEmpty();
    result.bytes = std::move(bytes);
    return result;
}

}  // namespace

EncodeResult EncodePicture(const QImage& crop, OutputFormat format, double limitKb) {
    if (crop.isNull()) {
        return Once(QByteArray());
    }
    switch (format) {
        case OutputFormat::Bmp: return Once(EncodeBmp(crop));
        case OutputFormat::Gif: return Once(EncodeGif(crop));
        case OutputFormat::Png: return Once(EncodePng(crop));
        case OutputFormat::Jpg: break;
    }
    CropJpegEncoder encoder(crop);
    return SearchJpegQuality(encoder, JpegLimitBytes(limitKb));
}

}  // namespace picura
