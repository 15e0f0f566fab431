#pragma once

#include <QImage>
#include <QSize>

#include <atomic>
#include <cstddef>
#include <cstdint>

// Decoders of the single formats; each returns a Format_RGB32 image with opaque pixels, or a null image.
namespace picura::detail {

// The pixel budget of one decode, and the size the data declared. Every decoder asks accept() as soon as
// it knows a picture's size, before taking its memory.
class SizeCheck {
  public:
    explicit SizeCheck(std::int64_t maxPixels, const std::atomic<bool>* cancel = nullptr)
        : maxPixels_(maxPixels), cancel_(cancel) {}
    // Whether whoever asked for the decode no longer wants it (decoders that can stop early ask).
    bool cancelled() const { return cancel_ != nullptr && cancel_->load(std::memory_order_relaxed); }
    // Records the declared size; true when a picture of that size may be allocated. A size above the
    // budget or beyond the largest side any decoder accepts marks the decode as refused for its size.
    bool accept(std::int64_t width, std::int64_t height);
    bool tooLarge() const { return tooLarge_; }
    QSize declared() const { return declared_; }

  private:
    std::int64_t maxPixels_;
    const std::atomic<bool>* cancel_;
    bool tooLarge_ = false;
    QSize declared_;
};

// The C decoders ask for their output rows through this callback: `context` is
// a QImage, made RGB32 of the given size; returns its first row and stride, or
// null when it cannot be allocated.
unsigned char* AllocateImage(void* context, int width, int height, std::size_t* stride);

// `denominator` 2, 4 or 8 decodes at that fraction of the size (libjpeg-turbo's DCT scaling).
QImage DecodeJpegBytes(const std::uint8_t* data, std::size_t size, SizeCheck& check, int denominator = 1);
// The size of a JPEG as shown (its orientation tag applied); empty when the header cannot be read.
QSize JpegShownSize(const std::uint8_t* data, std::size_t size);
// The orientation tag (1..8) of an APP1 segment's payload when it is Exif (1 when it has none), 0 when the
// segment is not Exif.
int ExifSegmentOrientation(const std::uint8_t* payload, std::size_t length);
QImage DecodePngBytes(const std::uint8_t* data, std::size_t size, SizeCheck& check);
QImage DecodeGifBytes(const std::uint8_t* data, std::size_t size, SizeCheck& check);
QImage DecodeBmpBytes(const std::uint8_t* data, std::size_t size, SizeCheck& check);
QImage DecodeIconBytes(const std::uint8_t* data, std::size_t size, SizeCheck& check);
QImage DecodePcxBytes(const std::uint8_t* data, std::size_t size, SizeCheck& check);

// channel = floor(a/255 * c + (1 - a/255) * 255), evaluated exactly in integers.
inline std::uint32_t FlattenOnWhite(std::uint32_t argb) {
    const std::uint32_t a = argb >> 24;
    if (a == 255) {
        return argb;
    }
    const std::uint32_t white = (255 - a) * 255;
    const std::uint32_t r = (a * ((argb >> 16) & 0xFF) + white) / 255;
    const std::uint32_t g = (a * ((argb >> 8) & 0xFF) + white) / 255;
    const std::uint32_t b = (a * (argb & 0xFF) + white) / 255;
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// An RGB32 image of the given size with every pixel opaque white, or a null image when the size is refused.
QImage NewWhiteImage(std::int64_t width, std::int64_t height);

}  // namespace picura::detail
