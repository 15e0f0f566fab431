#pragma once

#include <QByteArray>

namespace picura {

// One picture, encoded on request at a JPEG quality of 0..100.
class QualityEncoder {
  public:
    virtual ~QualityEncoder() = default;
    // The file bytes; empty when the encoder failed.
    virtual QByteArray encode(int quality) = 0;
    // Whether encode(quality) is known to be larger than `limitBytes`, found for less than the encoding
    // costs; false when it may fit or the encoder cannot tell. Never true for an encoding that fits: the
    // search makes no file for such a quality.
    virtual bool largerThan(int /*quality*/, qint64 /*limitBytes*/) { return false; }
};

struct EncodeResult {
    QByteArray bytes;
    // False only when a JPEG could not be brought under the limit; the bytes
    // are then the quality-0 encoding.
    bool ok = true;
    // Size of the last JPEG encoding made; what the size message reports when ok is false.
    qint64 lastSize = 0;
    // The quality of the returned JPEG; -1 for other formats or when nothing was encoded.
    int quality = -1;
    // The encoder gave no bytes (a picture it cannot take): bytes is empty. Not a size
    // problem, so ok stays true; the caller decides whether to write an empty file.
    bool failed = false;
};

// floor(kb × 1024), the limit in bytes: 12.5 → 12800, 0.3 → 307. Negative or NaN
// limits give 0 (nothing fits); limits beyond the qint64 range saturate.
qint64 JpegLimitBytes(double limitKb);

inline constexpr int kMaxJpegEncodings = 25;

// The highest quality whose encoding is at most `limitBytes`: quality 100, 95, ... 0
// until one fits, then one by one up to four above it, stopping at the first that
// does not fit. When quality 0 is still too big, its bytes come back with ok false.
// At most 25 qualities are tried; one the encoder knows to be largerThan the limit does
// not fit without being encoded (except quality 0, whose bytes are written when nothing fits).
// Only the best fitting result and the latest encoding are kept.
EncodeResult SearchJpegQuality(QualityEncoder& encoder, qint64 limitBytes);

}  // namespace picura
