#include "output/JpegSizeSearch.h"

#include <cmath>
#include <limits>

namespace picura {

qint64 JpegLimitBytes(double limitKb) {
    if (!(limitKb > 0)) {
        return 0;  // also NaN
    }
    const double bytes = std::floor(limitKb * 1024.0);
    // 2^63 is exactly representable; anything at or above it saturates.
    if (bytes >= 9223372036854775808.0) {
        return std::numeric_limits<qint64>::max();
    }
    return static_cast<qint64>(bytes);
}

EncodeResult SearchJpegQuality(QualityEncoder& encoder, qint64 limitBytes) {
    EncodeResult result;
    int found = -1;
    for (int q = 100; q >= 0; q -= 5) {
        if (q > 0 && encoder.largerThan(q, limitBytes)) {
            continue;
        }
        QByteArray attempt = encoder.encode(q);
        if (attempt.isEmpty()) {
            result.failed = true;
            return result;
        }
        result.lastSize = attempt.size();
        if (result.lastSize <= limitBytes) {
            found = q;
            result.bytes = std::move(attempt);
            result.quality = q;
            break;
        }
        if (q == 0) {
            // Even the smallest encoding is too big: it is what gets written.
            result.bytes = std::move(attempt);
            result.quality = 0;
            result.ok = false;
            return result;
        }
    }

    const int top = std::min(found + 4, 100);
    for (int q = found + 1; q <= top; ++q) {
        if (encoder.largerThan(q, limitBytes)) {
            break;
        }
        QByteArray attempt = encoder.encode(q);
        if (attempt.isEmpty()) {
            break;  // keep the fitting result we have
        }
        result.lastSize = attempt.size();
        if (result.lastSize > limitBytes) {
            break;
        }
        result.bytes = std::move(attempt);
        result.quality = q;
    }
    return result;
}

}  // namespace picura
